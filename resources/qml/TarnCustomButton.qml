import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnButton 1.0

// A button bound to one state variable. As an on/off switch (TarnButton.SV) it lights while the
// processor reports the switch on, and a press asks for the opposite; as a step button
// (TarnButton.Nudge) each press, repeated while held, moves the value one step of its range;
// a single-shot button (TarnButton.SingleShot) sends "1"; a group member
// (TarnButton.XGroupMember) only reports its press (clicked) and lights while selected.
Button {
    id: root

    property string poName: ""
    property string svName: ""
    property alias buttonType: sv.buttonType
    // Step buttons: the direction and the parameter's classes for the step table.
    property int bumpDirection: 1
    property string svClass: ""
    property string poClass: ""
    property string nudgeJsonData: "[]"
    // Group members: lit while selected (set by the group).
    property bool selected: false
    property color litColor: Theme.accent
    property color litTextColor: Theme.textOnAccent

    // The processor's switch state (on/off buttons).
    readonly property bool activeState: sv.activeState
    readonly property bool lit: sv.buttonType === TarnButton.SV ? sv.activeState
                                : sv.buttonType === TarnButton.XGroupMember ? selected : false
    readonly property real valueToNudge: sv.valueToNudge
    readonly property alias control: sv

    implicitHeight: Theme.touch
    implicitWidth: Math.max(sv.buttonType === TarnButton.Nudge ? Theme.touch : 110, contentItem.implicitWidth + 28)
    text: sv.buttonType === TarnButton.Nudge ? (bumpDirection > 0 ? "+" : "\u2212") : ""
    font.family: Theme.fontFamily
    font.pixelSize: sv.buttonType === TarnButton.Nudge ? Theme.fontLarge : Theme.fontNormal
    font.bold: true
    focusPolicy: Qt.StrongFocus
    autoRepeat: sv.buttonType === TarnButton.Nudge
    autoRepeatDelay: 400
    autoRepeatInterval: 120

    TarnButton {
        id: sv
        poName: root.poName
        svName: root.svName
        Component.onCompleted: {
            setNudgeJsonData(root.nudgeJsonData)
            componentCompleted()
        }
    }
    onNudgeJsonDataChanged: sv.setNudgeJsonData(nudgeJsonData)

    onClicked: {
        switch (sv.buttonType) {
        case TarnButton.SV:
            sv.toggleValueWithoutFeedback()
            break
        case TarnButton.Nudge:
            sv.onNudged(bumpDirection, svClass, poClass)
            break
        case TarnButton.SingleShot:
            sv.setMultipleSV(svName)
            break
        default:
            break
        }
    }

    contentItem: Text {
        text: root.text
        font: root.font
        color: root.lit ? root.litTextColor : Theme.text
        opacity: root.enabled ? 1.0 : 0.4
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        textFormat: Text.PlainText
    }

    background: Rectangle {
        radius: Theme.radius
        color: root.lit ? (root.down ? Qt.darker(root.litColor, 1.25) : root.litColor)
                        : (root.down ? Theme.surfacePressed : Theme.surfaceRaised)
        border.color: root.visualFocus ? Theme.accent : (root.lit ? Qt.lighter(root.litColor, 1.3) : Theme.edge)
        border.width: root.visualFocus ? 2 : 1
        opacity: root.enabled ? 1.0 : 0.45

        // The status strip of an on/off button: dark when off, lit when on.
        Rectangle {
            visible: sv.buttonType === TarnButton.SV
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 6
            height: 3
            radius: 1.5
            color: root.lit ? root.litTextColor : Theme.edge
            opacity: root.lit ? 0.55 : 1
        }
    }
}
