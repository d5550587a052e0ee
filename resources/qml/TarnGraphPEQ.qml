import QtQuick 2.15
import TarnPEQGraphItem 1.0

// The parametric graph: band curves, their sum and the room overlays on a 20 Hz … 22 kHz,
// ±20 dB grid, with one point per band. A point dragged sends the band's frequency and gain
// (throttled by the value controls); the point itself stays where the processor has the band
// and follows as the processor confirms, while a ring shows where the hand is.
Item {
    id: root
    objectName: "peqGraph"

    property string poName: ""
    property int bandCount: 8
    property var bandColors: []
    property int currentBandIndex: 0
    property bool showRoomCurve: false
    property string roomCurveString: ""
    property string targetCurveString: ""
    property bool finalResultantVisible: false
    readonly property alias graphItem: graph
    readonly property var controlPoints: graph.controlPoints

    // A point was taken: the screen makes its band the current one.
    signal bandPressed(int index)

    GraphAxes {
        id: axes
        anchors.fill: parent
        logMin: 20
        logMax: 22000
        levelTop: 20
        levelBottom: -20
        levelStep: 10

        TarnPEQGraphItem {
            id: graph
            objectName: "peqGraphItem"
            anchors.fill: parent
            poName: root.poName
            svName: "Band"
            bandCount: root.bandCount
            bandColors: root.bandColors
            currentBandIndex: root.currentBandIndex
            showRoomCurve: root.showRoomCurve
            roomCurveString: root.roomCurveString
            targetCurveString: root.targetCurveString
            finalResultantVisible: root.finalResultantVisible
            Component.onCompleted: {
                componentCompleted()
                setTouchPointsVisible(true)
            }
        }

        Repeater {
            model: root.bandCount
            delegate: Item {
                id: handle
                objectName: "bandPoint" + (index + 1)
                readonly property var point: index < graph.controlPoints.length ? graph.controlPoints[index] : undefined
                readonly property bool selected: index === root.currentBandIndex
                readonly property color colour: index < root.bandColors.length ? root.bandColors[index] : Theme.accent
                readonly property int size: selected ? 40 : 32
                visible: point !== undefined
                x: (point !== undefined ? point.x : 0) - width / 2
                y: graph.height / 2 - (point !== undefined ? point.y : 0) - height / 2
                z: selected ? 3 : 2
                width: size
                height: size

                Rectangle {
                    anchors.fill: parent
                    radius: width / 2
                    color: handle.colour
                    opacity: drag.pressed ? 0.55 : 0.9
                    border.color: handle.selected ? "#ffffff" : Qt.darker(handle.colour, 1.6)
                    border.width: handle.selected ? 3 : 2
                }
                Text {
                    anchors.centerIn: parent
                    text: index + 1
                    color: "#0b0d11"
                    font.family: Theme.fontFamily
                    font.pixelSize: handle.selected ? Theme.fontNormal : Theme.fontSmall
                    font.bold: true
                }
                // Where the hand is while the processor has not caught up.
                Rectangle {
                    id: ghost
                    visible: drag.pressed
                    width: handle.size + 8
                    height: width
                    radius: width / 2
                    color: "transparent"
                    border.color: handle.colour
                    border.width: 2
                    // The graph fills the plot area, so graph and handle parent share coordinates.
                    x: drag.graphX - handle.x - width / 2
                    y: drag.graphY - handle.y - height / 2
                }
                MouseArea {
                    id: drag
                    // A finger-sized grip around the point.
                    anchors.centerIn: parent
                    width: Math.max(parent.width, Theme.touch)
                    height: width
                    preventStealing: true
                    property real graphX: 0
                    property real graphY: 0
                    onPressed: {
                        root.bandPressed(index)
                        graphX = handle.x + handle.width / 2
                        graphY = handle.y + handle.height / 2
                    }
                    onPositionChanged: {
                        var p = mapToItem(graph, mouse.x, mouse.y)
                        graphX = Math.max(0, Math.min(graph.width, p.x))
                        graphY = Math.max(0, Math.min(graph.height, p.y))
                        graph.setControlPoint(index, Math.round(graphX), Math.round(graphY))
                    }
                }
            }
        }
    }
}
