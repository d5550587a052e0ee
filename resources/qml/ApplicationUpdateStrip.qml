import QtQuick 2.15

// This application: checked against the update server for this platform, its package
// downloaded, then handed to the system's package installer (the application closes).
UpdateStrip {
    id: app
    objectName: "applicationStrip"
    heading: "Tarn Control"
    currentLabel: "Installed"

    readonly property var updater: typeof applicationUpdater !== "undefined" ? applicationUpdater : null
    readonly property bool ready: updater !== null
    readonly property int state: ready ? updater.updateState : 0
    property string lastError: ""
    property bool cachedOffer: false

    currentVersion: ready ? updater.applicationVersion : ""
    latestVersion: ready ? updater.latestVersion : ""

    Connections {
        target: app.updater
        function onError(errorString) { app.lastError = errorString }
        function onShowCachedInfo() { app.cachedOffer = true }
        function onUpdateStateChanged() {
            if (app.state !== 3)
                app.cachedOffer = false
        }
    }

    busy: ready && state === 1
    showProgress: ready && updater.downloadInProgress
    progress: ready ? updater.progress : 0
    cancelVisible: showProgress
    actionEnabled: ready && !updater.downloadInProgress && state !== 1
    actionText: state === 3 ? "Install" : state === 2 ? "Download" : "Check for Update"
    secondaryText: cachedOffer ? "Download Again" : ""
    onAction: {
        lastError = ""
        if (state === 3)
            updater.installUpdate()
        else if (state === 2)
            updater.downLoadUpdate()
        else
            updater.checkForUpdate()
    }
    onCancel: updater.cancelDownload()
    onSecondary: {
        cachedOffer = false
        updater.clearCache()
        updater.downLoadUpdate()
    }

    statusColor: lastError !== "" ? Theme.error : Theme.textDim
    status: {
        if (!ready)
            return "Application updates are not available in this build."
        if (lastError !== "")
            return lastError
        if (updater.downloadInProgress)
            return "Downloading Tarn Control " + updater.latestVersion + ": " + Math.round(updater.progress * 100) + " %"
        if (state === 1)
            return "Checking the update server\u2026"
        if (state === 3)
            return (cachedOffer ? "Version " + updater.latestVersion + " was downloaded earlier. " : "Version " + updater.latestVersion + " is downloaded. ")
                   + "Install closes Tarn Control and opens the system's package installer."
        if (state === 2)
            return "Version " + updater.latestVersion + " is available."
        if (updater.latestVersion !== "")
            return "Tarn Control is up to date."
        return "Look for a newer Tarn Control on the update server."
    }
}
