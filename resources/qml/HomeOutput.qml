import QtQuick 2.15
import QtQuick.Controls 2.15

// One output of the home screen: its level with a clip light and its mute. A press on the
// level opens the meter screen for the outputs.
Item {
    id: output
    objectName: "output_" + channel

    property int channel: 1
    property var resolver: null
    property var meterScale: [-90, -40, -20, -6, 0]
    property var meterLengths: [10, 30, 40, 20]
    property var meterColours: Theme.meterColors

    readonly property bool muted: mute.muted
    readonly property string caption: resolver !== null ? resolver.buttonText("out:" + channel) : "Output " + channel

    implicitWidth: 230
    implicitHeight: 58

    AbstractButton {
        id: open
        objectName: "open"
        anchors.left: parent.left
        anchors.right: mute.left
        anchors.rightMargin: 6
        height: parent.height
        focusPolicy: Qt.StrongFocus
        onClicked: {
            if (typeof rootQML !== "undefined")
                rootQML.guiSignal(String(output.channel), "Output " + output.channel)
        }
        background: Rectangle {
            radius: Theme.radius
            color: open.down ? Theme.surfacePressed : Theme.surfaceRaised
            border.color: open.visualFocus ? Theme.accent : output.muted ? Theme.error : Theme.edge
            border.width: open.visualFocus || output.muted ? 2 : 1
        }
        contentItem: Item {
            Image {
                id: icon
                objectName: "icon"
                anchors.left: parent.left
                anchors.leftMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                width: 32
                height: 32
                sourceSize.width: width
                sourceSize.height: height
                source: output.resolver === null ? "" : output.resolver.imagePath(output.muted ? "OUP:Off" : "OUP")
            }
            TarnCustomMeter {
                id: meter
                objectName: "meter"
                anchors.left: icon.right
                anchors.leftMargin: 8
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                orientation: Qt.Horizontal
                title: output.caption
                poName: "OutputMeters"
                svName: ["Channel", output.channel, "Level"].join("_")
                clipSvName: "Channel_" + output.channel + "_Clip"
                rangeBounaryValues: output.meterScale
                rangeLengthsInPercentage: output.meterLengths
                rangeColorsInHex: output.meterColours
                cppSignalThreshold: -89
                showScale: false
            }
        }
    }

    OutputMute {
        id: mute
        objectName: "mute"
        channel: output.channel
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: Theme.touch
        height: Math.min(parent.height, Theme.touch)
    }
}
