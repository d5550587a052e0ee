import QtQuick 2.15
import TarnMeter 1.0

// The analyser's spectrum: one bar per third-octave band on a dB scale, with the band centres
// along the bottom (Hz / kHz) and a short peak hold on each bar. A tap on a band reads it out.
// The processor reports every band in one text ("-31.2 -29.8 ..."), polled like a meter.
Item {
    id: graph

    property string poName: "RTA"
    property string svName: "AllMeters"
    // Band centres as the descriptor writes them ("20", "31.5", "1.0k", ...).
    property var bandLabels: []
    property real minimumDb: -90
    property real maximumDb: 0
    property int gridStepDb: 10
    property int peakHoldMs: 1500

    // The latest level of each band in dB (empty before the first answer).
    readonly property var levels: parseLevels(meter.meterValue)
    property var peaks: []
    property int selectedBand: -1
    readonly property int bandCount: Math.max(bandLabels.length, levels.length)
    readonly property alias control: meter

    function parseLevels(text) {
        if (text === undefined || text === "")
            return []
        var parts = String(text).trim().split(/\s+/)
        var out = []
        for (var i = 0; i < parts.length && i < 256; ++i) {
            var v = parseFloat(parts[i])
            out.push(isFinite(v) ? v : minimumDb)
        }
        return out
    }
    // "1.0k" -> "1 kHz", "31.5" -> "31.5 Hz".
    function frequencyText(label) {
        var t = String(label)
        if (t.endsWith("k")) {
            var k = parseFloat(t)
            return (k === Math.round(k) ? k.toFixed(0) : String(k)) + " kHz"
        }
        return t + " Hz"
    }
    function dbText(v) {
        var t = v.toFixed(1) + " dB"
        return t.replace(/^-/, "\u2212")
    }
    function fraction(v) {
        return Math.max(0, Math.min(1, (v - minimumDb) / (maximumDb - minimumDb)))
    }

    onLevelsChanged: {
        var next = []
        var now = Date.now()
        for (var i = 0; i < levels.length; ++i) {
            var held = i < peaks.length ? peaks[i] : null
            if (held === null || levels[i] >= held.level || now - held.at > peakHoldMs)
                next.push({ level: levels[i], at: now })
            else
                next.push(held)
        }
        peaks = next
    }

    TarnMeter {
        id: meter
        poName: graph.poName
        svName: graph.svName
        Component.onCompleted: componentCompleted()
    }

    Rectangle {
        id: plot
        objectName: "plot"
        x: 52
        y: 8
        width: parent.width - x - 8
        height: parent.height - y - 30
        color: Theme.well
        border.color: Theme.edge
        radius: 4

        // dB grid.
        Repeater {
            model: Math.floor((graph.maximumDb - graph.minimumDb) / graph.gridStepDb) + 1
            delegate: Item {
                readonly property real db: graph.maximumDb - index * graph.gridStepDb
                y: plot.height * (1 - graph.fraction(db))
                width: plot.width
                Rectangle {
                    width: parent.width
                    height: 1
                    color: "#ffffff"
                    opacity: db === 0 ? 0.3 : 0.08
                }
                Text {
                    x: -width - 8
                    y: -height / 2
                    text: db === 0 ? "0 dB" : String(db).replace("-", "\u2212")
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: 12
                }
            }
        }

        Row {
            id: bars
            objectName: "bars"
            x: 4
            y: 0
            width: plot.width - 8
            height: plot.height
            readonly property real slot: width / Math.max(1, graph.bandCount)
            Repeater {
                model: graph.bandCount
                delegate: Item {
                    id: band
                    objectName: "band" + index
                    readonly property real level: index < graph.levels.length ? graph.levels[index] : graph.minimumDb
                    readonly property real peak: index < graph.peaks.length ? graph.peaks[index].level : graph.minimumDb
                    width: bars.slot
                    height: bars.height
                    Rectangle {
                        objectName: "bar"
                        anchors.horizontalCenter: parent.horizontalCenter
                        anchors.bottom: parent.bottom
                        width: Math.max(3, parent.width - 4)
                        height: parent.height * graph.fraction(band.level)
                        radius: 1
                        gradient: Gradient {
                            GradientStop { position: 0.0; color: band.level > -6 ? Theme.meterColors[2] : band.level > -20 ? Theme.meterColors[1] : Theme.accent }
                            GradientStop { position: 1.0; color: Qt.darker(Theme.accent, 1.8) }
                        }
                        opacity: graph.selectedBand < 0 || graph.selectedBand === index ? 1.0 : 0.55
                    }
                    Rectangle {
                        objectName: "peak"
                        visible: band.peak > graph.minimumDb
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: Math.max(3, parent.width - 4)
                        height: 2
                        y: parent.height * (1 - graph.fraction(band.peak))
                        color: "#ffffff"
                        opacity: 0.8
                    }
                }
            }
        }

        MouseArea {
            anchors.fill: bars
            onPressed: graph.selectedBand = Math.max(0, Math.min(graph.bandCount - 1, Math.floor(mouse.x / bars.slot)))
            onPositionChanged: graph.selectedBand = Math.max(0, Math.min(graph.bandCount - 1, Math.floor(mouse.x / bars.slot)))
        }

        Rectangle {
            objectName: "readout"
            visible: graph.selectedBand >= 0 && graph.selectedBand < graph.bandLabels.length
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 10
            width: readoutText.implicitWidth + 20
            height: readoutText.implicitHeight + 10
            radius: 6
            color: "#e61a1f27"
            border.color: Theme.accent
            Text {
                id: readoutText
                anchors.centerIn: parent
                text: graph.selectedBand < 0 || graph.selectedBand >= graph.bandLabels.length ? ""
                      : graph.frequencyText(graph.bandLabels[graph.selectedBand]) + "   "
                        + (graph.selectedBand < graph.levels.length ? graph.dbText(graph.levels[graph.selectedBand]) : "\u2014")
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                font.bold: true
            }
        }
    }

    // Band centres: every octave named, every band marked.
    Repeater {
        model: graph.bandLabels.length
        delegate: Item {
            x: plot.x + bars.x + (index + 0.5) * bars.slot
            y: plot.y + plot.height
            Rectangle { width: 1; height: index % 3 === 2 ? 6 : 3; color: Theme.textDim; x: -0.5 }
            Text {
                visible: index % 3 === 2
                x: -width / 2
                y: 8
                text: graph.frequencyText(graph.bandLabels[index])
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: 12
            }
        }
    }
}
