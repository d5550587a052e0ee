import QtQuick 2.15

// The well of a response graph: its grid, the frequency axis below (Hz, kHz) and the level
// axis on the left (dB). What is drawn goes inside plotArea, which the grid lines frame.
Item {
    id: axes

    // A logarithmic frequency axis from logMin to logMax; with logMin 0 the screen gives xTicks
    // itself: [{x: 0 … 1, label: "…", major: true|false}].
    property real logMin: 20
    property real logMax: 20000
    property var xTicks: logTicks(logMin, logMax)
    property real levelTop: 20
    property real levelBottom: -20
    property real levelStep: 10
    // The level drawn brighter (the 0 dB line).
    property real levelReference: 0
    property string levelUnit: "dB"
    property int labelWidth: 64
    property int labelHeight: 30

    default property alias content: plotArea.data
    readonly property alias plotArea: plotArea

    function frequencyText(f) {
        if (f >= 1000) {
            var k = f / 1000
            return (Math.round(k * 10) / 10) + " kHz"
        }
        return Math.round(f) + " Hz"
    }
    function levelText(v) {
        var t = (Math.round(v * 10) / 10).toString()
        if (v > 0)
            t = "+" + t
        return t.replace("-", "\u2212") + " " + levelUnit
    }
    function xOfFrequency(f) {
        return Math.log(f / logMin) / Math.log(logMax / logMin)
    }
    function logTicks(lo, hi) {
        if (lo <= 0 || hi <= lo)
            return []
        var ticks = []
        var labelled = [20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000]
        for (var decade = Math.pow(10, Math.floor(Math.log(lo) / Math.LN10)); decade <= hi; decade *= 10) {
            for (var m = 1; m < 10; ++m) {
                var f = decade * m
                if (f < lo * 0.999 || f > hi * 1.001)
                    continue
                var isLabelled = labelled.indexOf(Math.round(f)) >= 0
                ticks.push({ x: Math.log(f / lo) / Math.log(hi / lo), label: isLabelled ? frequencyText(f) : "",
                             major: m === 1 || isLabelled })
            }
        }
        return ticks
    }
    function levels() {
        var list = []
        if (levelStep <= 0)
            return list
        for (var v = levelTop; v >= levelBottom - 0.001; v -= levelStep)
            list.push(v)
        return list
    }

    Rectangle {
        id: well
        objectName: "graphWell"
        x: axes.labelWidth
        y: 0
        width: axes.width - axes.labelWidth
        height: axes.height - axes.labelHeight
        radius: 4
        color: "#e6080a0e"
        border.color: Theme.edge
    }

    // Frequency grid and labels.
    Repeater {
        model: axes.xTicks
        delegate: Item {
            x: well.x + modelData.x * well.width
            y: 0
            width: 1
            height: axes.height
            Rectangle {
                width: 1
                height: well.height
                color: modelData.major ? "#343c49" : "#1c222b"
            }
            Text {
                visible: modelData.label !== ""
                anchors.horizontalCenter: parent.horizontalCenter
                // Kept inside the well on the right and inside the item on the left.
                anchors.horizontalCenterOffset: Math.min(0, (1 - modelData.x) * well.width - width / 2)
                                                + Math.max(0, width / 2 - modelData.x * well.width - well.x)
                y: well.height + 6
                text: modelData.label
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
            }
        }
    }

    // Level grid and labels.
    Repeater {
        model: axes.levels()
        delegate: Item {
            readonly property real fraction: (axes.levelTop - modelData) / (axes.levelTop - axes.levelBottom)
            readonly property bool reference: Math.abs(modelData - axes.levelReference) < 0.001
            x: 0
            y: well.y + fraction * well.height
            width: axes.width
            height: 1
            Rectangle {
                x: well.x
                width: well.width
                height: 1
                color: reference ? "#6b7585" : "#2b323d"
            }
            Text {
                x: 0
                width: axes.labelWidth - 8
                anchors.verticalCenter: parent.verticalCenter
                anchors.verticalCenterOffset: fraction < 0.02 ? height / 2 - 1 : (fraction > 0.98 ? -height / 2 + 1 : 0)
                horizontalAlignment: Text.AlignRight
                text: axes.levelText(modelData)
                color: reference ? Theme.text : Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
                font.bold: reference
            }
        }
    }

    Item {
        id: plotArea
        objectName: "plotArea"
        x: well.x
        y: well.y
        width: well.width
        height: well.height
        clip: true
    }
}
