import QtQuick 2.15
import TarnMeter 1.0
import "WidgetText.js" as WT

// The level-setting aid of the wizards: a horizontal meter over a linear range (minimum to
// maximum, in dB) with the target window marked, and a verdict on the level: "Too low",
// "Good" or "Too high".
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property real minimum: -60
    property real maximum: 0
    property real targetLow: -18
    property real targetHigh: -6

    readonly property real level: {
        var v = WT.number(meter.meterValue)
        return isNaN(v) ? 0 : WT.clamp(v, 0, 100)
    }
    readonly property bool known: meter.meterValue !== ""
    // The level in dB, from its place on the scale.
    readonly property real levelDb: minimum + level / 100 * (maximum - minimum)
    readonly property string verdict: !known ? "" : levelDb < targetLow ? "Too low" : levelDb > targetHigh ? "Too high" : "Good"
    readonly property color verdictColor: verdict === "Good" ? Theme.meterColors[0]
                                          : verdict === "Too high" ? Theme.meterColors[2] : Theme.meterColors[1]
    readonly property alias control: meter

    function place(db) {
        return WT.clamp((db - minimum) / (maximum - minimum), 0, 1)
    }

    implicitWidth: 420
    implicitHeight: header.height + 6 + 30 + 20

    TarnMeter {
        id: meter
        poName: root.poName
        svName: root.svName
        rangeBounaryValues: [root.minimum, root.maximum]
        rangeLengthsInPercentage: [100]
        cppSignalThreshold: root.minimum
        Component.onCompleted: componentCompleted()
    }

    Item {
        id: header
        width: parent.width
        height: Math.max(titleText.implicitHeight, verdictText.implicitHeight)
        Text {
            id: titleText
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: root.title
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.capitalization: Font.AllUppercase
        }
        Text {
            id: verdictText
            objectName: "verdict"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: root.known ? root.verdict + "  " + WT.pretty(root.levelDb.toFixed(1) + "dB") : "\u2014"
            color: root.known ? root.verdictColor : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontValue
            font.bold: true
        }
    }

    Rectangle {
        id: bar
        objectName: "bar"
        y: header.height + 6
        width: parent.width
        height: 30
        radius: 3
        color: Theme.well
        border.color: Theme.edge

        // The target window.
        Rectangle {
            objectName: "target"
            x: 2 + (bar.width - 4) * root.place(root.targetLow)
            width: (bar.width - 4) * (root.place(root.targetHigh) - root.place(root.targetLow))
            y: 2
            height: bar.height - 4
            color: "transparent"
            border.color: Theme.meterColors[0]
            border.width: 2
            radius: 2
            Rectangle {
                anchors.fill: parent
                color: Theme.meterColors[0]
                opacity: 0.25
            }
        }
        Rectangle {
            objectName: "fill"
            x: 2
            y: 8
            height: bar.height - 16
            width: (bar.width - 4) * root.level / 100
            radius: 2
            color: root.verdictColor
        }
    }
    Repeater {
        model: [root.minimum, root.targetLow, root.targetHigh, root.maximum]
        delegate: Text {
            x: Math.min(bar.width - width, Math.max(0, 2 + (bar.width - 4) * root.place(modelData) - width / 2))
            y: bar.y + bar.height + 3
            text: WT.pretty(String(modelData))
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: 11
        }
    }
}
