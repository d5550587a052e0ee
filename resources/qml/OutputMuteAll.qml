import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnButton 1.0

// Mutes every output at once. It lights while the processor reports the last output muted
// (after a press every output is, unless one was unmuted since).
Button {
    id: root

    property string poName: "OutputGains"
    property int outputCount: 6
    // The state variable of output n ("%1" stands for n).
    property string svPattern: "Channel_%1_Mute"

    readonly property bool lit: sv.activeState
    readonly property alias control: sv

    function names() {
        var list = []
        for (var n = 1; n <= outputCount; ++n)
            list.push(svPattern.arg(n))
        return list
    }

    text: "MUTE ALL"
    implicitHeight: Theme.touch
    implicitWidth: Math.max(130, contentItem.implicitWidth + 32)
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    font.bold: true
    focusPolicy: Qt.StrongFocus

    TarnButton {
        id: sv
        poName: root.poName
        svName: root.svPattern.arg(root.outputCount)
        buttonType: TarnButton.SV
        Component.onCompleted: componentCompleted()
    }

    onClicked: sv.setMultipleSV(names().join(","))

    contentItem: Text {
        text: root.text
        font: root.font
        color: root.lit ? "#ffffff" : Theme.text
        opacity: root.enabled ? 1.0 : 0.4
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        textFormat: Text.PlainText
    }
    background: Rectangle {
        radius: Theme.radius
        color: root.lit ? (root.down ? Qt.darker(Theme.muteOn, 1.25) : Theme.muteOn)
                        : (root.down ? Theme.surfacePressed : Theme.muteOff)
        border.color: root.visualFocus ? Theme.accent : (root.lit ? Qt.lighter(Theme.muteOn, 1.3) : Theme.muteOn)
        border.width: root.visualFocus ? 2 : 1
        opacity: root.enabled ? 1.0 : 0.45
    }
}
