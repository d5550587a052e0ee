import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnAFSGraphItem 1.0
import TarnLabel 1.0
import TarnNumericalSV 1.0
import "WidgetText.js" as WT

// The feedback suppressor: the notch filters it has placed, hanging from the 0 dB line of a
// 20 Hz … 20 kHz graph, the list of "Filters" with their frequency, depth and width, the
// filter "Mode" and the programme "Type", and the suppressor's settings with their nudges.
Item {
    id: root
    objectName: "afsGraph"

    property string poName: "Afs"
    property int filterCount: 12
    property int currentBandIndex: 0
    readonly property var filterColors: ["#ff5a4e", "#ff9f2e", "#f5d32a", "#b6e04a", "#5ad35f", "#2ec7a5",
                                         "#2fb8e8", "#3b82ff", "#8a6cff", "#c35cf0", "#f05cb4", "#f28a8a"]
    readonly property alias graphItem: graph
    property int placedCount: 0

    function countPlaced() {
        var n = 0
        for (var i = 0; i < filterRows.count; ++i) {
            var row = filterRows.itemAt(i)
            if (row !== null && row.placed)
                ++n
        }
        placedCount = n
    }

    GraphAxes {
        id: axes
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: panels.top
        anchors.bottomMargin: 12
        logMin: 20
        logMax: 20000
        levelTop: 0
        levelBottom: -20
        levelStep: 5

        TarnAFSGraphItem {
            id: graph
            objectName: "afsGraphItem"
            anchors.fill: parent
            poName: root.poName
            svName: "Filters"
            bandCount: root.filterCount
            bandColors: root.filterColors
            currentBandIndex: root.currentBandIndex
            Component.onCompleted: {
                componentCompleted()
                dimensionsChanged()
            }
        }

        // The chosen filter's frequency.
        Rectangle {
            id: marker
            objectName: "filterMarker"
            readonly property real frequency: selectedFrequency.value
            visible: frequency >= 20 && frequency <= 20000 && selectedGain.value < 0
            x: axes.xOfFrequency(Math.max(20, frequency)) * graph.width
            width: 1
            height: graph.height
            color: "#ccffffff"
            z: 2
        }
    }
    TarnNumericalSV {
        id: selectedFrequency
        poName: root.poName
        svName: "Band_" + (root.currentBandIndex + 1) + "_Frequency"
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: selectedGain
        poName: root.poName
        svName: "Band_" + (root.currentBandIndex + 1) + "_Gain"
        Component.onCompleted: componentCompleted()
    }

    Item {
        id: panels
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 352

        // The filters, six to a column.
        Rectangle {
            id: filterPanel
            objectName: "filterList"
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            width: Math.round(parent.width * 0.36)
            radius: Theme.radius
            color: "#cc1a1f27"
            border.color: Theme.edge

            Row {
                id: filtersTitle
                x: 14
                y: 10
                spacing: 10
                Text {
                    text: "Filters"
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: true
                }
                Text {
                    objectName: "placedCount"
                    anchors.baseline: parent.children[0].baseline
                    text: root.placedCount + " of " + root.filterCount + " placed"
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                }
            }
            Grid {
                id: filterGrid
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: filtersTitle.bottom
                anchors.bottom: parent.bottom
                anchors.margins: 10
                anchors.topMargin: 8
                flow: Grid.TopToBottom
                rows: 6
                columns: 2
                columnSpacing: 8
                rowSpacing: 4
                Repeater {
                    id: filterRows
                    model: root.filterCount
                    delegate: AbstractButton {
                        id: filterRow
                        objectName: "filter" + (index + 1)
                        readonly property bool placed: gainLabel.labelValue !== "" && parseFloat(gainLabel.labelValue) < 0
                        readonly property bool selected: index === root.currentBandIndex
                        readonly property color colour: root.filterColors[index % root.filterColors.length]
                        onPlacedChanged: root.countPlaced()
                        width: (filterGrid.width - filterGrid.columnSpacing) / 2
                        height: (filterGrid.height - 5 * filterGrid.rowSpacing) / 6
                        onClicked: root.currentBandIndex = index
                        TarnLabel {
                            id: frequencyLabel
                            poName: root.poName
                            svName: "Band_" + (index + 1) + "_Frequency"
                            Component.onCompleted: componentCompleted()
                        }
                        TarnLabel {
                            id: gainLabel
                            poName: root.poName
                            svName: "Band_" + (index + 1) + "_Gain"
                            Component.onCompleted: componentCompleted()
                        }
                        TarnLabel {
                            id: qLabel
                            poName: root.poName
                            svName: "Band_" + (index + 1) + "_Q"
                            Component.onCompleted: componentCompleted()
                        }
                        background: Rectangle {
                            radius: 6
                            color: filterRow.selected ? Theme.surfacePressed : (filterRow.down ? Theme.surfacePressed : Theme.surfaceRaised)
                            border.color: filterRow.selected ? filterRow.colour : "transparent"
                            border.width: 2
                        }
                        contentItem: Item {
                            Rectangle {
                                id: chip
                                x: 8
                                anchors.verticalCenter: parent.verticalCenter
                                width: 12; height: 12; radius: 6
                                color: filterRow.colour
                                opacity: filterRow.placed ? 1 : 0.3
                            }
                            Text {
                                id: number
                                anchors.left: chip.right
                                anchors.leftMargin: 6
                                anchors.verticalCenter: parent.verticalCenter
                                width: 24
                                text: index + 1
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                                font.bold: true
                            }
                            Column {
                                anchors.left: number.right
                                anchors.right: parent.right
                                anchors.rightMargin: 8
                                anchors.verticalCenter: parent.verticalCenter
                                Text {
                                    width: parent.width
                                    horizontalAlignment: Text.AlignRight
                                    text: filterRow.placed ? WT.pretty(frequencyLabel.labelValue) : "free"
                                    color: filterRow.placed ? Theme.valueText : Theme.textDim
                                    font.family: Theme.fontFamily
                                    font.pixelSize: Theme.fontSmall
                                    font.bold: filterRow.placed
                                    fontSizeMode: Text.HorizontalFit
                                    minimumPixelSize: 10
                                }
                                Text {
                                    width: parent.width
                                    visible: filterRow.placed
                                    horizontalAlignment: Text.AlignRight
                                    text: WT.pretty(gainLabel.labelValue) + "  \u00b7  Q " + qLabel.labelValue
                                    color: Theme.textDim
                                    font.family: Theme.fontFamily
                                    font.pixelSize: Theme.fontCaption
                                    fontSizeMode: Text.HorizontalFit
                                    minimumPixelSize: 9
                                }
                            }
                        }
                    }
                }
            }
        }

        // Filter mode and programme type, side by side, one choice under the other.
        Rectangle {
            id: modePanel
            anchors.left: filterPanel.right
            anchors.leftMargin: 14
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            width: Math.round(parent.width * 0.30)
            radius: Theme.radius
            color: "#cc1a1f27"
            border.color: Theme.edge

            Row {
                anchors.fill: parent
                anchors.margins: 14
                anchors.topMargin: 10
                spacing: 10
                Column {
                    width: (parent.width - parent.spacing) / 2
                    spacing: 6
                    Text {
                        text: "Mode"
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        font.bold: true
                    }
                    TarnCustomExclusiveGroup {
                        objectName: "filterMode"
                        width: parent.width
                        poName: root.poName
                        svName: "FilterMode"
                        model: ["Live", "Fixed", "Fixed + Live"]
                        columns: 1
                    }
                }
                Column {
                    width: (parent.width - parent.spacing) / 2
                    spacing: 6
                    Text {
                        text: "Type"
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        font.bold: true
                    }
                    TarnCustomExclusiveGroup {
                        objectName: "contentMode"
                        width: parent.width
                        poName: root.poName
                        svName: "ContentMode"
                        model: ["Speech", "Music", "Speech/Music"]
                        columns: 1
                    }
                }
            }
            Text {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 14
                wrapMode: Text.WordWrap
                text: "Fixed filters stay where the setup placed them; live filters follow feedback while the "
                      + "suppressor runs and lift after the lift time."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
            }
        }

        // The suppressor's settings.
        Rectangle {
            anchors.left: modePanel.right
            anchors.leftMargin: 14
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            radius: Theme.radius
            color: "#cc1a1f27"
            border.color: Theme.edge

            Text {
                id: settingsTitle
                x: 14
                y: 10
                text: "Settings"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                font.bold: true
            }
            Column {
                id: settingsGrid
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: settingsTitle.bottom
                anchors.margins: 14
                anchors.topMargin: 8
                spacing: 8
                GraphNudgeField {
                    objectName: "maxFixedFilters"
                    width: parent.width
                    titleBeside: true
                    title: "Fixed Filters"
                    poName: root.poName
                    svName: "MaxFixedFilters"
                    poClass: "AFS"
                    svClass: "MaxFixedFilters"
                }
                GraphNudgeField {
                    objectName: "liftTime"
                    width: parent.width
                    titleBeside: true
                    title: "Lift Time"
                    poName: root.poName
                    svName: "LiftTime"
                    poClass: "AFS"
                    svClass: "LiftTime"
                    editable: false
                }
                GraphNudgeField {
                    objectName: "sensitivity"
                    width: parent.width
                    titleBeside: true
                    title: "Sensitivity"
                    poName: root.poName
                    svName: "Sensitivity"
                    poClass: "AFS"
                    svClass: "Sensitivity"
                }
                GraphNudgeField {
                    objectName: "highPass"
                    width: parent.width
                    titleBeside: true
                    title: "High Pass"
                    poName: root.poName
                    svName: "HighPass"
                    poClass: "AFS"
                    svClass: "HighPass"
                }
            }
        }
    }
}
