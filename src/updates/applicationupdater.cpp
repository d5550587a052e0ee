#include "applicationupdater.h"

#include "appbusy.h"
#include "updatecommon.h"
#include "version.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>

namespace {
ApplicationUpdater *s_applicationUpdater = nullptr;

void destroyApplicationUpdater()
{
    delete s_applicationUpdater;
    s_applicationUpdater = nullptr;
}
} // namespace

ApplicationUpdater *ApplicationUpdater::instance()
{
    if (!s_applicationUpdater) {
        s_applicationUpdater = new ApplicationUpdater;
        qAddPostRoutine(&destroyApplicationUpdater);
    }
    return s_applicationUpdater;
}

QString ApplicationUpdater::platformName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Win");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("Mac");
#else
    return QStringLiteral("Linux");
#endif
}

QString ApplicationUpdater::installerSuffix()
{
#if defined(Q_OS_WIN)
    return QStringLiteral(".exe");
#elif defined(Q_OS_MACOS)
    return QStringLiteral(".dmg");
#else
    return QStringLiteral(".deb");
#endif
}

ApplicationUpdater::ApplicationUpdater(QObject *parent)
    : UpdaterBase({QStringLiteral("Tarn Application"), platformName(), tarn::updates::applicationDownloadFolder(),
                   installerSuffix(), "Latest app version", kMaxInstallerBytes},
                  parent)
{
    connect(this, &ApplicationUpdater::requestInstallUpdate, this, &ApplicationUpdater::onRequestInstallUpdate,
            Qt::QueuedConnection);
}

QString ApplicationUpdater::applicationVersion() const
{
    return QString::fromLatin1(tarn::kApplicationVersion);
}

void ApplicationUpdater::installUpdate()
{
    emit requestInstallUpdate();
}

void ApplicationUpdater::onRequestInstallUpdate()
{
    // Quitting in the middle of a transfer or a reconfiguration could leave the processor half
    // set up, so the installer waits until the application is idle.
    if (tarn::AppBusy::isBusy() || downloadInProgress()) {
        emit error(QStringLiteral("The application is busy. Please install the update when the current operation has finished."));
        return;
    }
    const QString name = downloadedFile();
    const QString path = QDir(folder()).filePath(name);
    if (name.isEmpty() || !QFile::exists(path)) {
        emit error(QStringLiteral("The installer was not found. Please download the update again."));
        return;
    }
    qCDebug(lcUpdates) << "Handing the installer to the system:" << path;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        emit error(QStringLiteral("The system could not start the installer %1. Please install it by hand.").arg(path));
        return;
    }
    qCDebug(lcUpdates) << "Installer started; quitting so that it can replace this application";
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}
