#pragma once

#include "updaterbase.h"

// Finds out whether the cloud store offers a newer version of this application for this
// platform, downloads its installer (on Linux the project's Debian package) and hands it to
// the system's installer.
class ApplicationUpdater : public UpdaterBase {
    Q_OBJECT
    Q_PROPERTY(QString applicationVersion READ applicationVersion NOTIFY applicationVersionChanged)
    Q_PROPERTY(UpdateState updateState READ updateState NOTIFY updateStateChanged)
public:
    enum UpdateState { CheckForUpdate = 0, CheckingForUpdate = 1, DownloadUpdate = 2, InstallUpdate = 3 };
    Q_ENUM(UpdateState)

    static constexpr qint64 kMaxInstallerBytes = qint64(1) << 30;

    // The process-wide updater, created on first use and destroyed at exit.
    static ApplicationUpdater *instance();
    // The Platform attribute of this build's revisions: "Win", "Linux" or "Mac".
    static QString platformName();
    // The ending of this platform's installers: ".exe", ".deb", ".dmg".
    static QString installerSuffix();

    explicit ApplicationUpdater(QObject *parent = nullptr);

    QString applicationVersion() const;
    UpdateState updateState() const { return UpdateState(state()); }

    Q_INVOKABLE void installUpdate();

signals:
    void applicationVersionChanged();
    void updateStateChanged(ApplicationUpdater::UpdateState state);
    void requestInstallUpdate();

public slots:
    void onRequestInstallUpdate();

protected:
    QString currentVersion() const override { return applicationVersion(); }
    void emitStateChanged(int state) override { emit updateStateChanged(UpdateState(state)); }
};
