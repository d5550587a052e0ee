import QtQuick 2.15
import TarnMeter 1.0

// How much a dynamics block changes the level now, polled from the processor. The bar runs
// from the mark of no change (0 dB) to the reading: down for a reduction, up for the gain an
// automatic gain control adds. The scale is the descriptor's (its boundaries and the share of
// the bar each span takes).
Item {
    id: root

    // The meter control of a descriptor: po, sv, label, scale, lengths, signalThreshold.
    property var entry: ({})
    readonly property var boundaries: entry.scale !== undefined && entry.scale.length >= 2 ? entry.scale : [-40, 0]
    readonly property var lengths: entry.lengths !== undefined && entry.lengths.length >= 1 ? entry.lengths : [100]
    readonly property real level: {
        var v = parseFloat(meter.meterValue)
        return isFinite(v) ? Math.max(0, Math.min(100, v)) : 0
    }
    readonly property bool known: meter.meterValue !== ""
    readonly property real zero: percentOf(0)
    // The reading in dB.
    readonly property real reading: valueAt(level)
    readonly property alias control: meter

    implicitWidth: 70
    implicitHeight: 300

    TarnMeter {
        id: meter
        poName: root.entry.po !== undefined ? root.entry.po : ""
        svName: root.entry.sv !== undefined ? root.entry.sv : ""
        rangeBounaryValues: root.boundaries
        rangeLengthsInPercentage: root.lengths
        cppSignalThreshold: root.entry.signalThreshold !== undefined ? root.entry.signalThreshold : root.boundaries[0]
        Component.onCompleted: componentCompleted()
    }

    // Position (percent of the bar) of a value, and back, along the piecewise scale.
    function percentOf(v) {
        var b = boundaries, l = lengths, sum = 0
        if (v <= b[0])
            return 0
        for (var i = 0; i < l.length && i + 1 < b.length; ++i) {
            if (v <= b[i + 1])
                return sum + (v - b[i]) / (b[i + 1] - b[i]) * l[i]
            sum += l[i]
        }
        return 100
    }
    function valueAt(p) {
        var b = boundaries, l = lengths, sum = 0
        for (var i = 0; i < l.length && i + 1 < b.length; ++i) {
            if (p <= sum + l[i] || i === l.length - 1)
                return l[i] <= 0 ? b[i] : b[i] + (p - sum) / l[i] * (b[i + 1] - b[i])
            sum += l[i]
        }
        return b[b.length - 1]
    }
    function readout() {
        if (!known)
            return "\u2014"
        var v = Math.round(reading * 10) / 10
        if (Math.abs(v) < 0.05)
            return "0.0 dB"
        return (v < 0 ? "\u2212" : "+") + Math.abs(v).toFixed(1) + "\u2009dB"
    }

    Text {
        id: title
        anchors.top: parent.top
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        text: root.entry.label !== undefined ? root.entry.label : "Gain Reduction"
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.bold: true
        font.capitalization: Font.AllUppercase
        lineHeight: 0.9
    }

    Rectangle {
        id: bar
        objectName: "gainReductionBar"
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.bottom: readoutText.top
        anchors.bottomMargin: 8
        x: 6
        width: Theme.meterWidth + 4
        color: Theme.well
        border.color: Theme.edge
        radius: 2

        readonly property real inner: height - 4
        function yOf(p) { return 2 + inner * (1 - p / 100) }

        // The mark of no change.
        Rectangle {
            x: -3
            width: parent.width + 6
            height: 2
            y: bar.yOf(root.zero) - 1
            color: Theme.textDim
        }
        Rectangle {
            objectName: "gainReductionLit"
            readonly property bool boost: root.level > root.zero
            x: 2
            width: parent.width - 4
            y: boost ? bar.yOf(root.level) : bar.yOf(root.zero)
            height: Math.abs(bar.yOf(root.level) - bar.yOf(root.zero))
            visible: root.known && height >= 1
            radius: 1
            gradient: Gradient {
                GradientStop { position: 0; color: parent.boost ? Theme.ledOnGreen : "#f2b53a" }
                GradientStop { position: 1; color: parent.boost ? "#2fbf55" : "#e8632b" }
            }
        }
    }

    // The boundary values beside the bar.
    Repeater {
        model: root.boundaries
        delegate: Text {
            x: bar.x + bar.width + 5
            y: bar.y + bar.yOf(root.percentOf(modelData)) - height / 2
            text: modelData > 0 ? "+" + modelData : (modelData < 0 ? "\u2212" + (-modelData) : "0")
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: 11
        }
    }

    Text {
        id: readoutText
        objectName: "gainReductionReadout"
        anchors.bottom: parent.bottom
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        text: root.readout()
        color: Theme.valueText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        font.bold: true
    }
}
