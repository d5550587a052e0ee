import QtQuick 2.15
import QtQuick.Controls 2.15

// The utilities screen's settings transfer: every preset and the running settings, from the
// connected processor into the offline model ("ReceiveDB") or from the offline model into the
// processor ("SendDB"), with progress and the outcome in words.
Rectangle {
    id: strip
    objectName: "settingsTransferPart"

    readonly property bool available: typeof viewLoader !== "undefined" && viewLoader !== null && !viewLoader.offlineMode
    property bool running: false
    property string direction: ""
    property real percent: -1
    property string errorText: ""
    property string doneText: ""
    readonly property alias sendDialog: sendDialog

    function start(command) {
        direction = command
        errorText = ""
        doneText = ""
        percent = 0
        running = true
        if (typeof rootQML !== "undefined")
            rootQML.guiSignal(command, "")
    }

    radius: Theme.radius + 2
    color: "#cc141920"
    border.color: Theme.edge
    height: content.implicitHeight + 28

    Connections {
        target: typeof viewLoader !== "undefined" ? viewLoader : null
        function onSyncProgress(progress) {
            strip.running = true
            strip.percent = progress
        }
        function onSyncFinished() {
            strip.running = false
            strip.doneText = strip.direction === "SendDB"
                ? "Settings sent: the processor now holds the offline model's presets and runs its settings."
                : "Settings received: the offline model now holds this processor's presets and settings."
        }
        function onSyncError(errorString) {
            strip.running = false
            strip.errorText = errorString
        }
    }

    Column {
        id: content
        x: 16
        y: 12
        width: parent.width - 32
        spacing: 12
        Text {
            text: "Settings Transfer"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
            font.capitalization: Font.AllUppercase
        }
        Text {
            width: parent.width
            text: strip.available
                ? "All presets and the running settings, between this processor and the offline model."
                : "Connect to a processor to move settings between it and the offline model."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            wrapMode: Text.WordWrap
        }
        Row {
            width: parent.width
            spacing: 10
            TarnPushButton {
                objectName: "receiveSettingsButton"
                width: (parent.width - parent.spacing) / 2
                implicitWidth: 120
                text: "Receive from Processor"
                enabled: strip.available && !strip.running
                onClicked: strip.start("ReceiveDB")
            }
            TarnPushButton {
                objectName: "sendSettingsButton"
                width: (parent.width - parent.spacing) / 2
                implicitWidth: 120
                text: "Send to Processor"
                enabled: strip.available && !strip.running
                onClicked: sendDialog.open()
            }
        }
        TransferProgress {
            width: parent.width
            running: strip.running
            percent: strip.percent
            text: strip.direction === "SendDB" ? "Sending the offline model's settings\u2026" : "Receiving the processor's settings\u2026"
            errorText: strip.errorText
            doneText: strip.doneText
            hintText: "The window stays open until a transfer has ended; a transfer that fails changes nothing."
        }
    }

    Popup {
        id: sendDialog
        objectName: "sendSettingsDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: 540
        modal: true
        focus: true
        padding: 24
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        background: Rectangle {
            radius: Theme.radius + 4
            color: Theme.surface
            border.color: Theme.warning
            border.width: 2
        }
        Overlay.modal: Rectangle { color: "#b3000000" }
        contentItem: Column {
            spacing: 18
            Text {
                width: 492
                text: "Replace the processor's settings?"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
                wrapMode: Text.WordWrap
            }
            Text {
                width: 492
                text: "Every preset in the processor and the settings it runs now are replaced by the offline model's. Copy presets you want to keep to this PC first."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            Row {
                anchors.right: parent.right
                spacing: 12
                TarnPushButton {
                    objectName: "sendSettingsCancel"
                    text: "Cancel"
                    onClicked: sendDialog.close()
                }
                TarnPushButton {
                    objectName: "sendSettingsConfirm"
                    text: "Replace"
                    primary: true
                    tone: Theme.warning
                    onClicked: {
                        sendDialog.close()
                        strip.start("SendDB")
                    }
                }
            }
        }
    }
}
