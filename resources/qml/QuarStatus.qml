import QtQuick 2.15
import QtQuick.Controls 2.15

// The configurable model's word to the user about its configuration: being read, refused (with
// the reason and a way to read it again), or absent (with the invitation to configure).
Column {
    id: status
    property var model: null
    property bool gridShown: false
    readonly property bool error: model !== null && model.configError !== ""
    readonly property bool reading: model !== null && model.loading && !gridShown
    readonly property bool empty: model !== null && model.ready && model.configEmpty

    signal configureRequested()

    visible: model !== null && (error || reading || empty)
    spacing: 12

    Rectangle {
        width: parent.width
        height: message.implicitHeight + 28
        radius: Theme.radius
        color: status.error ? "#e63a1414" : "#cc1a1f27"
        border.color: status.error ? Theme.error : Theme.edge
        Text {
            id: message
            objectName: "quarStatusText"
            anchors.fill: parent
            anchors.margins: 14
            wrapMode: Text.WordWrap
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: status.error ? Theme.text : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            text: status.error ? status.model.configError
                : status.reading ? "Reading the processor's configuration\u2026"
                : "This processor has no configuration yet. Configure its processing chain to start."
        }
    }
    Row {
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12
        TarnPushButton {
            objectName: "retryConfigButton"
            visible: status.error && !status.model.applying
            text: "Read Again"
            onClicked: status.model.fetchConfiguration()
        }
        TarnPushButton {
            objectName: "dismissConfigErrorButton"
            visible: status.error
            text: "Dismiss"
            onClicked: status.model.clearConfigError()
        }
    }
}
