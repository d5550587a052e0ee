import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnTextSV 1.0

// The automatic EQ: the bands the room measurement set, drawn over the measured room (grey),
// its target (gold) and the room as corrected by the bands (green).
BlockScreenFrame {
    id: screen
    objectName: "aeqScreen"
    title: "Auto EQ"
    subtitle: (quarra.active ? quarra.place() + " \u00b7 " : "") + (response.value !== "" ? "Room measured" : "No room measurement")
    screenName: "AEQ"
    poName: quarra.active ? quarra.poName : "RoomEQ"
    toggleSvName: "AutoEQ"

    property bool roomShown: true
    property bool targetShown: true
    property bool correctedShown: true

    QuarraBlock { id: quarra }
    TarnTextSV {
        id: response
        poName: screen.poName
        svName: "Response"
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: target
        poName: screen.poName
        svName: "Target"
        Component.onCompleted: componentCompleted()
    }

    TarnCommonEQ {
        id: eq
        anchors.fill: parent
        anchors.topMargin: 12
        poName: screen.poName
        bandCount: quarra.number("NumBands", 8)
        showRoomCurve: screen.roomShown
        roomCurveString: response.value
        targetCurveString: screen.targetShown ? target.value : ""
        finalResultantVisible: screen.correctedShown
        hintVisible: false

        sideControls: Row {
            objectName: "overlaySwitches"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            spacing: 8
            readonly property real switchWidth: (width - 2 * spacing) / 3
            Repeater {
                model: [
                    { name: "Room", colour: "#b0b0b0", key: "roomShown" },
                    { name: "Target", colour: "#d9b81c", key: "targetShown" },
                    { name: "Corrected", colour: "#8fc93a", key: "correctedShown" }
                ]
                delegate: AbstractButton {
                    id: overlaySwitch
                    objectName: "overlay" + modelData.name
                    readonly property bool on: screen[modelData.key]
                    width: parent.switchWidth
                    height: Theme.touch
                    enabled: response.value !== ""
                    onClicked: screen[modelData.key] = !on
                    background: Rectangle {
                        radius: Theme.radius
                        color: overlaySwitch.down ? Theme.surfacePressed : Theme.surfaceRaised
                        border.color: overlaySwitch.on ? modelData.colour : Theme.edge
                        border.width: overlaySwitch.on ? 2 : 1
                        opacity: overlaySwitch.enabled ? 1 : 0.5
                    }
                    contentItem: Row {
                        spacing: 8
                        leftPadding: 10
                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 22; height: 4; radius: 2
                            color: modelData.colour
                            opacity: overlaySwitch.on ? 1 : 0.3
                        }
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: modelData.name
                            color: overlaySwitch.on ? Theme.text : Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                            font.bold: overlaySwitch.on
                        }
                    }
                }
            }
        }
    }
}
