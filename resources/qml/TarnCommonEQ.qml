import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnLabel 1.0
import "WidgetText.js" as WT

// The body shared by the parametric and automatic EQ screens: the graph, the row of bands to
// choose from, and the chosen band's type, frequency, gain and width with their nudges.
Item {
    id: root
    objectName: "commonEQ"

    property string poName: ""
    property int bandCount: 8
    property var bandColors: ["#ff5a4e", "#ff9f2e", "#f5d32a", "#7bd44a", "#2ec7a5", "#3ba4ff", "#8a6cff", "#e05cc8"]
    property int currentBandIndex: 0
    // Room overlays (automatic EQ).
    property bool showRoomCurve: false
    property string roomCurveString: ""
    property string targetCurveString: ""
    property bool finalResultantVisible: false
    // Extra controls shown beside the band list (the automatic EQ's overlay switches); without
    // them a hint stands there.
    property alias sideControls: side.data
    property bool hintVisible: true
    readonly property alias graph: graph

    readonly property string bandPrefix: "Band_" + (currentBandIndex + 1) + "_"
    readonly property string bandType: typeLabel.labelValue
    readonly property bool shelf: bandType === "Low Shelf" || bandType === "High Shelf"

    TarnLabel {
        id: typeLabel
        poName: root.poName
        svName: root.bandPrefix + "Type"
        Component.onCompleted: componentCompleted()
    }

    TarnGraphPEQ {
        id: graph
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: Math.max(220, parent.height - bottom.height - 14)
        poName: root.poName
        bandCount: root.bandCount
        bandColors: root.bandColors
        currentBandIndex: root.currentBandIndex
        onBandPressed: root.currentBandIndex = index
        showRoomCurve: root.showRoomCurve
        roomCurveString: root.roomCurveString
        targetCurveString: root.targetCurveString
        finalResultantVisible: root.finalResultantVisible
    }

    Item {
        id: bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 250

        // The bands: number, frequency and gain of each, in its colour.
        Rectangle {
            id: bandPanel
            objectName: "bandList"
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            width: Math.round(parent.width * 0.42)
            radius: Theme.radius
            color: "#cc1a1f27"
            border.color: Theme.edge

            Text {
                id: bandsTitle
                x: 14
                y: 10
                text: "Bands"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
                font.capitalization: Font.AllUppercase
            }
            Grid {
                id: bandGrid
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: bandsTitle.bottom
                anchors.margins: 10
                anchors.topMargin: 6
                // Two rows of bands: four to a row, more when there are more than eight.
                columns: Math.max(4, Math.ceil(root.bandCount / 2))
                spacing: 8
                Repeater {
                    model: root.bandCount
                    delegate: AbstractButton {
                        id: bandButton
                        objectName: "bandButton" + (index + 1)
                        readonly property bool selected: index === root.currentBandIndex
                        readonly property color colour: root.bandColors[index % root.bandColors.length]
                        width: (bandGrid.width - (bandGrid.columns - 1) * bandGrid.spacing) / bandGrid.columns
                        height: 62
                        onClicked: root.currentBandIndex = index
                        TarnLabel {
                            id: frequency
                            poName: root.poName
                            svName: "Band_" + (index + 1) + "_Frequency"
                            Component.onCompleted: componentCompleted()
                        }
                        TarnLabel {
                            id: gain
                            poName: root.poName
                            svName: "Band_" + (index + 1) + "_Gain"
                            Component.onCompleted: componentCompleted()
                        }
                        background: Rectangle {
                            radius: Theme.radius
                            color: bandButton.selected ? Theme.surfacePressed : (bandButton.down ? Theme.surfacePressed : Theme.surfaceRaised)
                            border.color: bandButton.selected ? bandButton.colour : Theme.edge
                            border.width: bandButton.selected ? 2 : 1
                            Rectangle {
                                x: 6; y: 6
                                width: 20; height: 20; radius: 10
                                color: bandButton.colour
                                Text {
                                    anchors.centerIn: parent
                                    text: index + 1
                                    color: "#0b0d11"
                                    font.family: Theme.fontFamily
                                    font.pixelSize: Theme.fontSmall
                                    font.bold: true
                                }
                            }
                        }
                        contentItem: Item {
                            // Beside the number chip, then under it: frequency over gain.
                            Text {
                                id: frequencyText
                                x: 28
                                y: 6
                                width: parent.width - x - 4
                                height: 20
                                horizontalAlignment: Text.AlignRight
                                verticalAlignment: Text.AlignVCenter
                                text: frequency.labelValue !== "" ? WT.pretty(frequency.labelValue) : "\u2014"
                                color: Theme.valueText
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                                font.bold: true
                                fontSizeMode: Text.HorizontalFit
                                minimumPixelSize: 10
                            }
                            Text {
                                x: 6
                                anchors.top: frequencyText.bottom
                                anchors.topMargin: 8
                                width: parent.width - 12
                                horizontalAlignment: Text.AlignRight
                                text: gain.labelValue !== "" ? WT.pretty(gain.labelValue) : "\u2014"
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                                fontSizeMode: Text.HorizontalFit
                                minimumPixelSize: 10
                            }
                        }
                    }
                }
            }
            Item {
                id: side
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: bandGrid.bottom
                anchors.bottom: parent.bottom
                anchors.margins: 10
            }
            Text {
                visible: root.hintVisible
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 14
                wrapMode: Text.WordWrap
                text: "Drag a band's point on the graph to set its frequency and gain, or choose a band and set it here."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
        }

        // The chosen band.
        Rectangle {
            objectName: "bandEditor"
            anchors.left: bandPanel.right
            anchors.leftMargin: 14
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            radius: Theme.radius
            color: "#cc1a1f27"
            border.color: root.bandColors[root.currentBandIndex % root.bandColors.length]

            Row {
                id: editorTitle
                x: 14
                y: 10
                spacing: 10
                Rectangle {
                    width: 16; height: 16; radius: 8
                    anchors.verticalCenter: parent.verticalCenter
                    color: root.bandColors[root.currentBandIndex % root.bandColors.length]
                }
                Text {
                    objectName: "bandTitle"
                    text: "Band " + (root.currentBandIndex + 1)
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: true
                }
            }

            TarnCustomExclusiveGroup {
                id: typeChoice
                objectName: "bandType"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: editorTitle.bottom
                anchors.margins: 14
                anchors.topMargin: 10
                title: "Type"
                poName: root.poName
                svName: root.bandPrefix + "Type"
                model: ["Bell", "Low Shelf", "High Shelf"]
            }

            Row {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: typeChoice.bottom
                anchors.margins: 14
                anchors.topMargin: 14
                spacing: 12
                readonly property real fieldWidth: (width - 2 * spacing) / 3

                GraphNudgeField {
                    objectName: "bandFrequency"
                    width: parent.fieldWidth
                    title: "Frequency"
                    poName: root.poName
                    svName: root.bandPrefix + "Frequency"
                    poClass: "EQ"
                    svClass: "Frequency"
                }
                GraphNudgeField {
                    objectName: "bandGain"
                    width: parent.fieldWidth
                    title: "Gain"
                    poName: root.poName
                    svName: root.bandPrefix + "Gain"
                    poClass: "EQ"
                    svClass: "Gain"
                }
                // A bell's width is its Q; a shelf's is its slope.
                GraphNudgeField {
                    objectName: root.shelf ? "bandSlope" : "bandQ"
                    width: parent.fieldWidth
                    title: root.shelf ? "Slope" : "Q"
                    poName: root.poName
                    svName: root.bandPrefix + (root.shelf ? "Slope" : "Q")
                    poClass: "EQ"
                    svClass: root.shelf ? "Slope" : "Q"
                }
            }
        }
    }
}
