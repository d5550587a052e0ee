import QtQuick 2.15
import DynamicsTransferGraph 1.0
import TarnNumericalSV 1.0
import "BlockEntries.js" as Entries

// The transfer graph of a dynamics block in its panel. The settings it is drawn from are the
// descriptor's controls with a graph role (threshold, ratio, knee, gain, range, overshoot,
// target, window, maxGain, lowThreshold, limThreshold), each bound to the processor here, so
// the curve moves as soon as the processor reports a new value.
BlockPanel {
    id: panel

    property var descriptor: null
    property string law: "Compressor"
    property real minimumDb: -80
    property real maximumDb: 20
    // Whether the block is switched on; a bypassed block's curve is drawn dashed.
    property bool active: true
    // The level the block sees now (dB), marked on the curve; NaN when unknown.
    property real signalLevel: NaN
    readonly property alias graph: graph

    caption: "Transfer function"

    readonly property var controls: descriptor !== null && descriptor.valid ? descriptor.controls : []
    function svFor(role) {
        var c = Entries.withRole(controls, role)
        return c.sv !== undefined ? c.sv : ""
    }
    // A number the processor has not reported yet is unknown to the graph.
    function known(sv) {
        return sv.svName !== "" && sv.value !== -1000 ? sv.value : NaN
    }

    readonly property string poName: descriptor !== null && descriptor.valid ? descriptor.poName : ""

    TarnNumericalSV {
        id: thresholdSV
        poName: panel.poName
        svName: panel.svFor("threshold")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: ratioSV
        poName: panel.poName
        svName: panel.svFor("ratio")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: kneeSV
        poName: panel.poName
        svName: panel.svFor("knee")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: gainSV
        poName: panel.poName
        svName: panel.svFor("gain")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: rangeSV
        poName: panel.poName
        svName: panel.svFor("range")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: overshootSV
        poName: panel.poName
        svName: panel.svFor("overshoot")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: targetSV
        poName: panel.poName
        svName: panel.svFor("target")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: windowSV
        poName: panel.poName
        svName: panel.svFor("window")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: maxGainSV
        poName: panel.poName
        svName: panel.svFor("maxGain")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: lowThresholdSV
        poName: panel.poName
        svName: panel.svFor("lowThreshold")
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: limThresholdSV
        poName: panel.poName
        svName: panel.svFor("limThreshold")
        Component.onCompleted: componentCompleted()
    }

    DynamicsTransferGraph {
        id: graph
        objectName: "transferGraph"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.topMargin: panel.contentTop
        anchors.leftMargin: 8
        anchors.rightMargin: 14
        // A square plot with its axes, as tall as the panel allows.
        height: Math.min(panel.height - panel.contentTop - 8, width - 70 + 56)
        law: panel.law
        active: panel.active
        minimumDb: panel.minimumDb
        maximumDb: panel.maximumDb
        threshold: panel.known(thresholdSV)
        ratio: panel.known(ratioSV)
        overEasy: panel.known(kneeSV)
        gain: panel.known(gainSV)
        range: panel.known(rangeSV)
        overshoot: panel.known(overshootSV)
        target: panel.known(targetSV)
        window: panel.known(windowSV)
        maxGain: panel.known(maxGainSV)
        lowThreshold: panel.known(lowThresholdSV)
        limThreshold: panel.known(limThresholdSV)
        signalLevel: panel.signalLevel
        curveColor: Theme.accent
        textColor: Theme.textDim
        gridColor: Theme.edge
        plotColor: Theme.well
        markerColor: "#6cb4ff"
        fontPixelSize: 12
    }

    // Where the programme sits on the curve now, in numbers.
    readonly property real outputNow: {
        void (graph.law, graph.threshold, graph.curveKnown)
        return graph.outputAt(panel.signalLevel)
    }
    // The compressor's make-up gain is no reduction.
    readonly property real makeUp: law === "Compressor" && isFinite(graph.gain) ? graph.gain : 0
    readonly property bool readoutShown: panel.height - (graph.y + graph.height) >= 96
    function db(v, signed) {
        if (!isFinite(v))
            return "\u2014"
        var r = Math.round(v * 10) / 10
        var text = Math.abs(r).toFixed(1) + "\u2009dB"
        if (r < 0)
            return "\u2212" + text
        return (signed && r > 0 ? "+" : "") + text
    }

    Row {
        id: readout
        objectName: "workingPoint"
        visible: panel.readoutShown
        anchors.top: graph.bottom
        anchors.topMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 10
        Repeater {
            model: [
                { label: "Input now", value: panel.db(panel.signalLevel, false) },
                { label: "Output",
                  value: panel.db(panel.active ? panel.outputNow : panel.signalLevel, false) },
                { label: panel.law === "AGC" ? "Gain change" : "Reduction",
                  value: panel.active ? panel.db(panel.outputNow - panel.signalLevel - panel.makeUp, true) : panel.db(0, true) }
            ]
            delegate: Rectangle {
                width: (panel.width - 2 * panel.padding - 20) / 3
                height: 54
                radius: Theme.radius
                color: Theme.well
                border.color: Theme.edge
                Text {
                    x: 10; y: 6
                    text: modelData.label
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontCaption
                    font.bold: true
                    font.capitalization: Font.AllUppercase
                }
                Text {
                    anchors.right: parent.right
                    anchors.rightMargin: 10
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 6
                    text: modelData.value
                    color: Theme.valueText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: true
                }
            }
        }
    }
    Text {
        visible: panel.readoutShown && panel.height - (readout.y + readout.height) >= 40
        anchors.top: readout.bottom
        anchors.topMargin: 10
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: panel.padding
        anchors.rightMargin: panel.padding
        wrapMode: Text.WordWrap
        text: panel.active
              ? "The dot is the programme now. Dotted: level unchanged. Blue: the settings' marks."
              : "Bypassed: the dashed curve is what the settings would do once switched on."
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
    }
}
