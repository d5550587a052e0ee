import QtQuick 2.15
import TarnMeter 1.0
import TarnLED 1.0
import "WidgetText.js" as WT

// A level meter polled from the processor. The travel is divided into ranges of given lengths
// (rangeLengthsInPercentage) between the boundary values (rangeBounaryValues), each drawn in its
// colour (rangeColorsInHex: green, yellow, red by default); the part below the level is lit, the
// rest dim. A peak line holds the highest level for a moment. With clipSvName a clip LED sits at
// the end of the bar.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property string clipSvName: ""
    property var rangeBounaryValues: [-60, -18, -6, 0]
    property var rangeLengthsInPercentage: [55, 30, 15]
    property var rangeColorsInHex: Theme.meterColors
    property real cppSignalThreshold: -60
    property int orientation: Qt.Vertical
    property bool showScale: true
    property bool showReadout: true
    property string readoutUnit: "dB"
    property int peakHoldMs: 1200

    // The level in percent of the travel (0 before the first answer).
    readonly property real level: {
        var v = WT.number(meter.meterValue)
        return isNaN(v) ? 0 : WT.clamp(v, 0, 100)
    }
    readonly property bool known: meter.meterValue !== ""
    readonly property bool clipping: clipLed.lit
    property real peak: 0
    readonly property alias control: meter

    readonly property bool vertical: orientation === Qt.Vertical
    readonly property int barThickness: Theme.meterWidth
    readonly property var starts: {
        var s = [], sum = 0
        for (var i = 0; i < rangeLengthsInPercentage.length; ++i) {
            s.push(sum)
            sum += rangeLengthsInPercentage[i]
        }
        s.push(sum)
        return s
    }

    // The value (in the boundaries' unit) at a position of the travel.
    function valueAt(percent) {
        var b = rangeBounaryValues, l = rangeLengthsInPercentage
        for (var i = 0; i < l.length && i + 1 < b.length; ++i) {
            if (percent <= starts[i + 1] || i === l.length - 1) {
                if (l[i] <= 0)
                    return b[i]
                return b[i] + (percent - starts[i]) / l[i] * (b[i + 1] - b[i])
            }
        }
        return percent
    }
    function readout() {
        if (!known || level <= 0)
            return "\u2212\u221e"
        var v = valueAt(level)
        return WT.pretty((Math.abs(v) >= 10 ? v.toFixed(0) : v.toFixed(1)) + readoutUnit)
    }

    implicitWidth: vertical ? Math.max(titleText.implicitWidth, barThickness + (showScale ? 44 : 0) + 8, 64) : 360
    implicitHeight: vertical ? 300 : titleText.implicitHeight + barThickness + (showScale ? 22 : 0) + 8

    onLevelChanged: {
        if (level >= peak) {
            peak = level
            peakHold.restart()
        }
    }
    Timer {
        id: peakHold
        interval: root.peakHoldMs
        onTriggered: root.peak = root.level
    }

    TarnMeter {
        id: meter
        poName: root.poName
        svName: root.svName
        rangeBounaryValues: root.rangeBounaryValues
        rangeLengthsInPercentage: root.rangeLengthsInPercentage
        rangeColorsInHex: root.rangeColorsInHex
        cppSignalThreshold: root.cppSignalThreshold
        Component.onCompleted: componentCompleted()
    }

    Text {
        id: titleText
        anchors.top: parent.top
        anchors.left: parent.left
        width: root.vertical ? parent.width : implicitWidth
        horizontalAlignment: root.vertical ? Text.AlignHCenter : Text.AlignLeft
        text: root.title
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.capitalization: Font.AllUppercase
        elide: Text.ElideRight
    }
    Text {
        id: readoutText
        objectName: "readout"
        visible: root.showReadout
        anchors.bottom: root.vertical ? parent.bottom : undefined
        anchors.top: root.vertical ? undefined : parent.top
        anchors.right: root.vertical ? undefined : parent.right
        anchors.horizontalCenter: root.vertical ? parent.horizontalCenter : undefined
        text: root.readout()
        color: root.clipping ? Theme.ledOnRed : Theme.valueText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        font.bold: true
    }

    TarnCustomLED {
        id: clipLed
        objectName: "clipLed"
        visible: root.clipSvName !== ""
        poName: root.clipSvName !== "" ? root.poName : ""
        svName: root.clipSvName
        diameter: root.barThickness
        onColor: Theme.ledOnRed
        x: root.vertical ? bar.x : bar.x + bar.width + 6
        y: root.vertical ? titleText.height + 4 : bar.y
    }

    // The bar: a recessed well with the coloured ranges along it.
    Rectangle {
        id: bar
        objectName: "bar"
        readonly property real length: root.vertical ? height : width
        x: root.vertical ? (root.showScale ? (parent.width - width - 44) / 2 : (parent.width - width) / 2) : 0
        y: root.vertical ? titleText.height + 4 + (clipLed.visible ? clipLed.height + 6 : 0) : titleText.height + 4
        width: root.vertical ? root.barThickness
                             : parent.width - (clipLed.visible ? clipLed.width + 6 : 0) - (root.showReadout ? readoutText.width + 8 : 0)
        height: root.vertical ? parent.height - y - (root.showReadout ? readoutText.height + 6 : 0) : root.barThickness
        color: Theme.well
        border.color: Theme.edge
        border.width: 1
        radius: 2

        Repeater {
            model: root.rangeLengthsInPercentage.length
            delegate: Item {
                readonly property real start: root.starts[index]
                readonly property real span: root.rangeLengthsInPercentage[index]
                readonly property color tone: root.rangeColorsInHex[Math.min(index, root.rangeColorsInHex.length - 1)]
                readonly property real litSpan: WT.clamp(root.level - start, 0, span)
                x: root.vertical ? 2 : 2 + (bar.width - 4) * start / 100
                y: root.vertical ? 2 + (bar.height - 4) * (1 - (start + span) / 100) : 2
                width: root.vertical ? bar.width - 4 : (bar.width - 4) * span / 100 - 1
                height: root.vertical ? (bar.height - 4) * span / 100 - 1 : bar.height - 4

                Rectangle {
                    anchors.fill: parent
                    color: parent.tone
                    opacity: Theme.meterDim
                }
                Rectangle {
                    objectName: "lit" + index
                    color: parent.tone
                    x: 0
                    width: root.vertical ? parent.width : parent.width * parent.litSpan / Math.max(parent.span, 0.0001)
                    height: root.vertical ? parent.height * parent.litSpan / Math.max(parent.span, 0.0001) : parent.height
                    y: root.vertical ? parent.height - height : 0
                }
            }
        }

        // The peak line.
        Rectangle {
            objectName: "peak"
            visible: root.peak > 0.5
            color: "#ffffff"
            opacity: 0.85
            width: root.vertical ? bar.width - 4 : 2
            height: root.vertical ? 2 : bar.height - 4
            x: root.vertical ? 2 : 2 + (bar.width - 6) * root.peak / 100
            y: root.vertical ? 2 + (bar.height - 6) * (1 - root.peak / 100) : 2
        }
    }

    // The scale: the boundary values at their places.
    Repeater {
        model: root.showScale ? root.rangeBounaryValues.length : 0
        delegate: Item {
            readonly property real at: root.starts[Math.min(index, root.starts.length - 1)]
            x: root.vertical ? bar.x + bar.width + 3 : bar.x + 2 + (bar.width - 4) * at / 100
            y: root.vertical ? bar.y + 2 + (bar.height - 4) * (1 - at / 100) : bar.y + bar.height + 3
            Rectangle {
                width: root.vertical ? 5 : 1
                height: root.vertical ? 1 : 5
                color: Theme.textDim
            }
            Text {
                x: root.vertical ? 8 : -width / 2
                y: root.vertical ? -height / 2 : 5
                text: WT.pretty(String(root.rangeBounaryValues[index]))
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: 11
            }
        }
    }
}
