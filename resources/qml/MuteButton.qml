import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnNumericalSV 1.0

// A mute switch: red and marked "MUTED" while the processor reports the variable on; a press
// asks for the opposite. It changes colour only when the processor has answered.
Button {
    id: root

    property string poName: ""
    property string svName: ""
    property string label: "MUTE"

    readonly property bool known: sv.value !== -1000
    readonly property bool muted: known && sv.value >= 0.5
    readonly property alias control: sv

    text: label
    implicitHeight: Theme.touch
    implicitWidth: Math.max(Theme.touch * 1.6, contentItem.implicitWidth + 24)
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    font.bold: true
    focusPolicy: Qt.StrongFocus
    enabled: known

    TarnNumericalSV {
        id: sv
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }

    onClicked: sv.setValueWithoutFeedback(root.muted ? 0 : 1)

    contentItem: Text {
        text: root.text
        font: root.font
        color: root.muted ? "#ffffff" : Theme.text
        opacity: root.enabled ? 1 : 0.4
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        textFormat: Text.PlainText
    }
    background: Rectangle {
        radius: Theme.radius
        color: root.muted ? (root.down ? Qt.darker(Theme.muteOn, 1.25) : Theme.muteOn)
                          : (root.down ? Theme.surfacePressed : Theme.muteOff)
        border.color: root.visualFocus ? Theme.accent : (root.muted ? Qt.lighter(Theme.muteOn, 1.35) : Theme.edge)
        border.width: root.visualFocus ? 2 : 1
        opacity: root.enabled ? 1 : 0.5
    }
}
