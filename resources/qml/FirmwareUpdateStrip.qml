import QtQuick 2.15
import FwUpdateUploader 1.0
import TarnSettings 1.0
import TarnTextSV 1.0

// The processor's firmware: checked against the update server, downloaded to this PC, sent to
// the processor, and followed until the processor reports the new version after its restart.
UpdateStrip {
    id: fw
    objectName: "firmwareStrip"
    heading: "Processor firmware"
    currentLabel: "Processor"

    readonly property var updater: typeof firmwareUpdater !== "undefined" ? firmwareUpdater : null
    readonly property bool ready: updater !== null
    readonly property int state: ready ? updater.updateState : 0
    property string lastError: ""
    property bool cachedOffer: false
    // The version sent to the processor, until it reports it.
    property string installing: ""
    property string installed: ""
    // Shown when the home screen's check sent the user here.
    property string cloudVersion: ""

    currentVersion: softwareVersion.value
    latestVersion: ready && updater.latestVersion !== "" ? updater.latestVersion : cloudVersion

    TarnSettings { id: settings }
    TarnTextSV {
        id: softwareVersion
        poName: "NPO"
        svName: "Node\\AT\\Software_Version"
        Component.onCompleted: componentCompleted()
        onValueChanged: {
            if (fw.ready && value !== "")
                fw.updater.firmwareVersion = value
            if (fw.installing !== "" && value === fw.installing) {
                fw.installed = value
                fw.installing = ""
                restartWait.stop()
                fw.updater.resetAll()
            }
        }
    }
    FwUpdateUploader {
        id: uploader
        onUploadDone: {
            fw.setBusy(false)
            fw.installing = fw.updater.latestVersion
            restartWait.start()
        }
        onError: {
            fw.setBusy(false)
            fw.lastError = errorString
        }
    }
    Timer {
        id: restartWait
        interval: 120000
        onTriggered: {
            fw.lastError = "The processor has not reported firmware " + fw.installing + " yet. Check it once it has restarted."
            fw.installing = ""
        }
    }
    Connections {
        target: fw.updater
        function onError(errorString) { fw.lastError = errorString }
        function onShowCachedInfo() { fw.cachedOffer = true }
        function onUpdateStateChanged() {
            if (fw.state !== 3)
                fw.cachedOffer = false
        }
    }

    function setBusy(busy) {
        if (typeof viewLoader !== "undefined" && viewLoader !== null)
            viewLoader.appBusyPreventClose = busy
    }
    function act() {
        lastError = ""
        installed = ""
        if (state === 3) {
            setBusy(true)
            uploader.upload(updater.downloadedFile)
        } else if (state === 2) {
            updater.downLoadUpdate()
        } else {
            updater.checkForUpdate()
        }
    }

    Component.onCompleted: {
        if (ready && softwareVersion.value !== "")
            updater.firmwareVersion = softwareVersion.value
        if (settings.value("AutoCheckNaviation", "false") === "true") {
            var cloud = settings.value("Data/CloudFirmwareVersion", "0.0.0.0")
            if (cloud !== "0.0.0.0")
                cloudVersion = cloud
            settings.setValue("AutoCheckNaviation", "false")
        }
    }

    busy: ready && (state === 1 || installing !== "")
    showProgress: ready && (updater.downloadInProgress || uploader.uploadInProgress)
    progress: !ready ? 0 : uploader.uploadInProgress ? uploader.progress : updater.progress
    cancelVisible: ready && updater.downloadInProgress
    actionEnabled: ready && !updater.downloadInProgress && !uploader.uploadInProgress && state !== 1 && installing === ""
                   && (state !== 3 || softwareVersion.value !== "")
    actionText: state === 3 ? "Upload to Processor" : state === 2 ? "Download" : "Check for Update"
    secondaryText: cachedOffer && !uploader.uploadInProgress ? "Download Again" : ""
    onAction: act()
    onCancel: updater.cancelDownload()
    onSecondary: {
        cachedOffer = false
        updater.clearCache()
        updater.downLoadUpdate()
    }

    statusColor: lastError !== "" ? Theme.error : installed !== "" ? Theme.ok : Theme.textDim
    status: {
        if (!ready)
            return "Firmware updates are not available in this build."
        if (lastError !== "")
            return lastError
        if (installed !== "")
            return "The processor now runs firmware " + installed + "."
        if (installing !== "")
            return "Firmware " + installing + " sent. The processor installs it and restarts\u2026"
        if (uploader.uploadInProgress)
            return "Sending firmware " + updater.latestVersion + " to the processor: " + Math.round(uploader.progress * 100)
                   + " %. Keep the processor powered and connected."
        if (updater.downloadInProgress)
            return "Downloading firmware " + updater.latestVersion + ": " + Math.round(updater.progress * 100) + " %"
        if (state === 1)
            return "Checking the update server\u2026"
        if (state === 3)
            return cachedOffer ? "Firmware " + updater.latestVersion + " was downloaded earlier and is ready to send to the processor."
                               : "Firmware " + updater.latestVersion + " is downloaded and ready to send to the processor."
        if (state === 2)
            return "Firmware " + updater.latestVersion + " is available (the processor runs " + currentVersion + ")."
        if (updater.latestVersion !== "")
            return "The processor runs the latest firmware."
        if (cloudVersion !== "")
            return "Firmware " + cloudVersion + " is available. Check for the update to download it."
        return "Look for newer processor firmware on the update server."
    }
}
