#pragma once

#include "updaterbase.h"

// Finds out whether the cloud store offers newer processor firmware than the connected
// processor runs (firmwareVersion, set by the screen) and downloads its image.
class FirmwareUpdater : public UpdaterBase {
    Q_OBJECT
    Q_PROPERTY(QString firmwareVersion READ firmwareVersion WRITE setFirmwareVersion NOTIFY firmwareVersionChanged)
    Q_PROPERTY(UpdateState updateState READ updateState NOTIFY updateStateChanged)
public:
    enum UpdateState { CheckForUpdate = 0, CheckingForUpdate = 1, DownloadUpdate = 2, UploadUpdate = 3 };
    Q_ENUM(UpdateState)

    // The largest image accepted.
    static constexpr qint64 kMaxImageBytes = qint64(512) << 20;

    // The process-wide updater, created on first use and destroyed at exit.
    static FirmwareUpdater *instance();

    explicit FirmwareUpdater(QObject *parent = nullptr);

    QString firmwareVersion() const { return m_firmwareVersion; }
    void setFirmwareVersion(const QString &version);
    UpdateState updateState() const { return UpdateState(state()); }

signals:
    void firmwareVersionChanged();
    void updateStateChanged(FirmwareUpdater::UpdateState state);

protected:
    QString currentVersion() const override { return m_firmwareVersion; }
    void emitStateChanged(int state) override { emit updateStateChanged(UpdateState(state)); }

private:
    QString m_firmwareVersion;
};
