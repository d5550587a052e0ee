#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace tarn::offline {
class DeviceState;

// What the processor does with a firmware image once it has it whole: the image's header names
// its version ("TARNFW1", "version <v>"); after a simulated restart the processor reports that
// version as its Software_Version. Control connections are kept through the restart, so a
// session against the model goes on and sees the new version arrive as a change.
class FirmwareInstaller : public QObject {
    Q_OBJECT
public:
    static constexpr int kRestartMs = 1500;
    static constexpr int kMaxHeaderBytes = 256;

    explicit FirmwareInstaller(DeviceState *state, QObject *parent = nullptr);

    // The version a header names; empty when the bytes are no image of this processor.
    static QString versionOfImage(const QByteArray &head);

public slots:
    void install(const QString &target, const QByteArray &head);

private:
    DeviceState *m_state;
    QTimer m_restart;
    QString m_pending;
};
} // namespace tarn::offline
