import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnGEQGraphItem 1.0
import TarnLabel 1.0
import "WidgetText.js" as WT

// The graphic EQ: 31 bars on a ±12 dB grid with a point on each. A point dragged sends its
// band's gain; in draw mode a stroke across the graph sets every band it passes. Below, the
// "Quick Curve:" presets, the draw-mode switch and the chosen band with its nudges.
Item {
    id: root
    objectName: "geqGraph"

    property string poName: "GEQ"
    property int currentBandIndex: 17
    property bool drawMode: false
    readonly property var bandNames: ["20 Hz", "25 Hz", "31.5 Hz", "40 Hz", "50 Hz", "63 Hz", "80 Hz", "100 Hz",
        "125 Hz", "160 Hz", "200 Hz", "250 Hz", "315 Hz", "400 Hz", "500 Hz", "630 Hz", "800 Hz", "1.0 kHz",
        "1.25 kHz", "1.6 kHz", "2.0 kHz", "2.5 kHz", "3.15 kHz", "4.0 kHz", "5.0 kHz", "6.3 kHz", "8.0 kHz",
        "10.0 kHz", "12.5 kHz", "16.0 kHz", "20.0 kHz"]
    readonly property alias graphItem: graph

    function bandTicks() {
        var ticks = []
        for (var i = 0; i < bandNames.length; ++i) {
            var name = bandNames[i].replace(".0 kHz", " kHz")
            // An octave apart: every third band.
            ticks.push({ x: (i + 0.5) / bandNames.length, label: i % 3 === 0 ? name : "", major: false })
        }
        return ticks
    }

    GraphAxes {
        id: axes
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: controls.top
        anchors.bottomMargin: 12
        logMin: 0
        xTicks: root.bandTicks()
        levelTop: 12
        levelBottom: -12
        levelStep: 6

        TarnGEQGraphItem {
            id: graph
            objectName: "geqGraphItem"
            anchors.fill: parent
            poName: root.poName
            svName: "GEQ"
            currentBandIndex: root.currentBandIndex
            Component.onCompleted: componentCompleted()
        }

        // The chosen band's column.
        Rectangle {
            x: root.currentBandIndex * graph.width / 31
            width: graph.width / 31
            height: graph.height
            color: "#14ffffff"
            border.color: "#33ffffff"
            z: -1
        }

        Repeater {
            model: 31
            delegate: Item {
                id: handle
                objectName: "geqPoint" + index
                readonly property var point: index < graph.controlPoints.length ? graph.controlPoints[index] : undefined
                readonly property bool selected: index === root.currentBandIndex
                readonly property real column: graph.width / 31
                visible: point !== undefined
                width: Math.min(column * 0.8, selected ? 26 : 20)
                height: width
                x: (index + 0.5) * column - width / 2
                y: graph.height / 2 - (point !== undefined ? point.y : 0) - height / 2
                z: 2
                Rectangle {
                    anchors.fill: parent
                    radius: width / 2
                    color: handle.selected ? "#ffffff" : "#e6eceff4"
                    border.color: Qt.rgba(1, (25 + 7 * index) / 255, 0, 1)
                    border.width: handle.selected ? 4 : 3
                    opacity: grip.pressed ? 0.6 : 1
                }
                Rectangle {
                    visible: grip.pressed
                    width: handle.width + 10
                    height: width
                    radius: width / 2
                    color: "transparent"
                    border.color: "#ffffff"
                    border.width: 2
                    x: (handle.width - width) / 2
                    y: grip.graphY - handle.y - height / 2
                }
                MouseArea {
                    id: grip
                    anchors.centerIn: parent
                    width: Math.max(handle.column, 24)
                    height: Theme.touch
                    enabled: !root.drawMode
                    preventStealing: true
                    property real graphY: 0
                    onPressed: {
                        root.currentBandIndex = index
                        graphY = handle.y + handle.height / 2
                    }
                    onPositionChanged: {
                        var p = mapToItem(graph, mouse.x, mouse.y)
                        graphY = Math.max(0, Math.min(graph.height, p.y))
                        graph.setControlPoint(index, Math.round(p.x), Math.round(graphY))
                    }
                }
            }
        }

        // Draw mode: the stroke sets the bands under it.
        MouseArea {
            id: pen
            objectName: "drawArea"
            anchors.fill: parent
            enabled: root.drawMode
            visible: enabled
            z: 3
            preventStealing: true
            property int previousX: 0
            function stroke(mouse) {
                var x = Math.max(1, Math.min(graph.width - 1, Math.round(mouse.x)))
                var y = Math.max(0, Math.min(graph.height, mouse.y))
                // The item reads a drawn height at 20 pixels per dB from the centre line; the
                // grid shows ±12 dB over the half height, so the pen's height is scaled to it.
                var half = graph.height / 2
                var drawn = half - (half - y) * 240 / Math.max(1, half)
                graph.reDrawBands(previousX, x, Math.round(drawn))
                previousX = x
                root.currentBandIndex = Math.min(30, Math.floor(x / (graph.width / 31)))
            }
            onPressed: {
                previousX = 0
                stroke(mouse)
            }
            onPositionChanged: stroke(mouse)
            cursorShape: Qt.CrossCursor
        }
    }

    Rectangle {
        id: controls
        objectName: "geqControls"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 168
        radius: Theme.radius
        color: "#cc1a1f27"
        border.color: Theme.edge

        Text {
            id: quickTitle
            x: 14
            y: 12
            text: "Quick Curve:"
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            font.bold: true
        }
        TarnCustomExclusiveGroup {
            id: quickCurve
            objectName: "quickCurve"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: quickTitle.bottom
            anchors.margins: 14
            anchors.topMargin: 8
            poName: root.poName
            svName: "QuickCurve"
            model: ["Flat", "MyBand", "Speech", "Performance Venue", "DJ", "Manual"]
        }

        // The chosen band, the draw-mode switch, and what the hand can do.
        Text {
            anchors.left: parent.left
            anchors.right: bandField.left
            anchors.verticalCenter: bandField.verticalCenter
            anchors.leftMargin: 14
            anchors.rightMargin: 14
            wrapMode: Text.WordWrap
            maximumLineCount: 2
            elide: Text.ElideRight
            text: root.drawMode ? "Draw across the graph: every band under the stroke takes its height."
                                : "Drag a point to set its band, choose a quick curve, or draw the curve."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
        GraphNudgeField {
            id: bandField
            objectName: "bandGain"
            anchors.right: drawSwitch.left
            anchors.rightMargin: 14
            anchors.top: quickCurve.bottom
            anchors.topMargin: 10
            width: 330
            titleBeside: true
            titleWidth: 90
            title: root.bandNames[root.currentBandIndex].replace(".0 kHz", " kHz")
            poName: root.poName
            svName: root.bandNames[root.currentBandIndex]
            poClass: "EQ"
            svClass: "Gain"
        }
        Button {
            id: drawSwitch
            objectName: "drawMode"
            anchors.right: parent.right
            anchors.rightMargin: 14
            anchors.verticalCenter: bandField.verticalCenter
            width: 200
            height: Theme.touch
            checkable: true
            checked: root.drawMode
            onToggled: root.drawMode = checked
            text: root.drawMode ? "Drawing \u2014 tap to stop" : "Draw Curve"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.bold: true
            contentItem: Text {
                text: drawSwitch.text
                font: drawSwitch.font
                color: drawSwitch.checked ? Theme.textOnAccent : Theme.text
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: Theme.radius
                color: drawSwitch.checked ? Theme.accent : (drawSwitch.down ? Theme.surfacePressed : Theme.surfaceRaised)
                border.color: drawSwitch.checked ? Theme.accent : Theme.edge
            }
        }
    }
}
