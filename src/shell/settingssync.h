#pragma once

#include <QObject>
#include <QString>

class OfflineModelLauncher;
class ViewLoader;
namespace tarn::presets {
class SettingsTransfer;
}

// Carries out "ReceiveDB" and "SendDB": the connected processor's settings (presets, names,
// running values) into the offline model's store, or the offline model's into the processor.
// A private instance of the offline model runs on ports of its own for the transfer and is
// ended afterwards, when its store is saved. Reports through the view loader's syncProgress,
// syncFinished and syncError, and keeps the window open while it runs.
class SettingsSync : public QObject {
    Q_OBJECT
public:
    explicit SettingsSync(ViewLoader *viewLoader);
    ~SettingsSync() override;

    bool isRunning() const { return m_stage != Stage::Idle; }

public slots:
    void receive(const QString &address);
    void send(const QString &address);

private:
    enum class Stage { Idle, Starting, Transferring, Stopping };
    void begin(bool toOfflineModel, const QString &address);
    void onModelStarted();
    void onTransferEnded(const QString &failure);
    void onModelStopped();
    void end(const QString &failure);

    ViewLoader *m_viewLoader;
    OfflineModelLauncher *m_model;
    tarn::presets::SettingsTransfer *m_transfer;
    Stage m_stage = Stage::Idle;
    bool m_toOfflineModel = false;
    QString m_address;
    QString m_failure;
};
