import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnSettings 1.0
import TarnTextSV 1.0

// The update checks "Data/checkOnStart" asks for: this application's at start, and a
// processor's firmware once its home screen opens after connecting (never the offline
// model's). A newer firmware is offered at once; a newer application is mentioned briefly.
Item {
    id: watcher
    objectName: "updateWatcher"
    readonly property bool enabled: settings.value("Data/checkOnStart", "true") === "true"
    readonly property bool offline: typeof viewLoader !== "undefined" && viewLoader !== null && viewLoader.offlineMode
    property bool checkedThisConnection: false
    property bool firmwarePending: false
    property bool applicationPending: false
    readonly property alias firmwarePrompt: firmwarePrompt

    TarnSettings { id: settings }
    TarnTextSV {
        id: softwareVersion
        poName: "NPO"
        svName: "Node\\AT\\Software_Version"
        Component.onCompleted: componentCompleted()
        onValueChanged: watcher.checkFirmware()
    }

    function checkFirmware() {
        if (!firmwarePending || softwareVersion.value === "" || typeof firmwareUpdater === "undefined" || firmwareUpdater === null)
            return
        firmwarePending = false
        firmwareUpdater.firmwareVersion = softwareVersion.value
        firmwareUpdater.checkForUpdate()
        checking.start()
    }

    Component.onCompleted: {
        if (enabled && typeof applicationUpdater !== "undefined" && applicationUpdater !== null) {
            applicationPending = true
            applicationUpdater.checkForUpdate()
        }
    }

    Connections {
        target: typeof viewLoader !== "undefined" ? viewLoader : null
        function onLoadPage(qmlPath, helpFileName) {
            var path = String(qmlPath)
            if (path.indexOf("TarnDiscovery.qml") >= 0) {
                watcher.checkedThisConnection = false
                watcher.firmwarePending = false
            } else if (path.indexOf("TarnHomeScreen.qml") >= 0 && !watcher.checkedThisConnection) {
                watcher.checkedThisConnection = true
                if (settings.value("Data/checkOnStart", "true") === "true" && !watcher.offline) {
                    watcher.firmwarePending = true
                    watcher.checkFirmware()
                }
            }
        }
    }
    // The answer to this check only: a check started on the utilities screen is its own.
    Timer { id: checking; interval: 60000 }
    Connections {
        target: typeof firmwareUpdater !== "undefined" ? firmwareUpdater : null
        function onLatestVersionChanged(version) {
            if (version !== "")
                settings.setValue("Data/CloudFirmwareVersion", version)
        }
        function onUpdateStateChanged(state) {
            if (!checking.running || state === 1)
                return
            checking.stop()
            if (state === 2 || state === 3)
                firmwarePrompt.open()
        }
        function onError(errorString) { checking.stop() }
    }
    Connections {
        target: typeof applicationUpdater !== "undefined" ? applicationUpdater : null
        function onUpdateStateChanged(state) {
            if (!watcher.applicationPending || state === 1)
                return
            watcher.applicationPending = false
            if (state === 2 || state === 3)
                notice.show()
        }
        function onError(errorString) { watcher.applicationPending = false }
    }

    Popup {
        id: firmwarePrompt
        objectName: "firmwarePrompt"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: 540
        modal: true
        focus: true
        padding: 24
        closePolicy: Popup.CloseOnEscape
        background: Rectangle {
            radius: Theme.radius + 4
            color: Theme.surface
            border.color: Theme.accent
            border.width: 2
        }
        Overlay.modal: Rectangle { color: "#b3000000" }
        contentItem: Column {
            spacing: 18
            Text {
                text: "New processor firmware"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            Text {
                width: 492
                text: typeof firmwareUpdater === "undefined" || firmwareUpdater === null ? ""
                      : "Firmware " + firmwareUpdater.latestVersion + " is available; this processor runs " + softwareVersion.value
                        + ". Update it from the utilities screen, when the system is not in use."
                textFormat: Text.PlainText
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            Row {
                anchors.right: parent.right
                spacing: 12
                TarnPushButton {
                    objectName: "firmwareLater"
                    text: "Later"
                    onClicked: firmwarePrompt.close()
                }
                TarnPushButton {
                    objectName: "firmwareOpenUtilities"
                    text: "Open Utilities"
                    primary: true
                    onClicked: {
                        firmwarePrompt.close()
                        settings.setValue("AutoCheckNaviation", "true")
                        rootQML.guiSignal("Utilities", "")
                    }
                }
            }
        }
    }

    // A passing note that a newer application is offered.
    Rectangle {
        id: notice
        objectName: "applicationNotice"
        parent: Overlay.overlay
        visible: false
        function show() { visible = true; noticeTimer.restart() }
        anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
        y: parent ? parent.height - height - 24 : 0
        width: noticeText.implicitWidth + 48
        height: 48
        radius: Theme.radius
        color: Theme.surfaceRaised
        border.color: Theme.accent
        Text {
            id: noticeText
            anchors.centerIn: parent
            text: typeof applicationUpdater === "undefined" || applicationUpdater === null ? ""
                  : "Tarn Control " + applicationUpdater.latestVersion + " is available: see Utilities."
            textFormat: Text.PlainText
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
        MouseArea { anchors.fill: parent; onClicked: notice.visible = false }
        Timer { id: noticeTimer; interval: 10000; onTriggered: notice.visible = false }
    }
}
