import QtQuick 2.15
import QtQuick.Controls 2.15
import ButtonImageResolver 1.0
import TarnSettings 1.0

// The signal flow of the configurable processor as its configuration lays it out: the input
// section (rows A-C) above, the mid section and the outputs (rows 1-6) below, each a grid of
// blocks from the home screen model; the analyser and generator beside the input section.
// Meters show the level leaving the input section and each output.
Item {
    id: flow
    objectName: "customQuarHomeScreen"

    property var model: typeof rootQML !== "undefined" ? rootQML.hsModel : null
    property bool configMode: typeof rootQML !== "undefined" && rootQML.rootCfgMode
    property bool extraFeatures: settings.value("ExtraFeaturesReady", "") === "true"
    property int version: 0
    // Kept free at the bottom for the configuration bar.
    readonly property real reservedBottom: configMode ? Theme.touch + 24 : 0

    readonly property real labelWidth: 26
    readonly property real gap: 6
    readonly property real sectionGap: 18
    readonly property real bottomColumns: midGrid.columns + outGrid.columns
    readonly property real cellWidth: Math.min(96, Math.floor((stage.width - labelWidth - sectionGap - 40
                                                                - (bottomColumns - 1) * gap) / Math.max(1, bottomColumns)))
    readonly property var meterScale: [-90, -40, -20, -6, 0]
    readonly property var meterLengths: [10, 30, 40, 20]

    signal editRequested(string gridName, int column, int row, var info)
    signal emptyPressed(string gridName, int column, int row)

    ButtonImageResolver { id: imageResolver }
    TarnSettings { id: settings }
    Connections {
        target: flow.model
        // A new document, or an edit in configuration mode: every cell is read again.
        function onReadyChanged(ready) { if (ready) flow.version++ }
    }

    component SectionTitle: Text {
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.bold: true
        font.letterSpacing: 1
    }
    component RowLabels: Column {
        property var labels: []
        property real rowHeight: 60
        spacing: flow.gap
        Repeater {
            model: parent.labels
            delegate: Text {
                width: flow.labelWidth
                height: parent.rowHeight
                text: modelData
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                color: Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
            }
        }
    }
    component RowMeters: Column {
        property string poName: ""
        property int count: 0
        property real rowHeight: 60
        spacing: flow.gap
        Repeater {
            model: parent.count
            delegate: TarnCustomMeter {
                objectName: "meter_" + parent.poName + "_" + (index + 1)
                width: 16
                height: parent.rowHeight
                poName: parent.poName
                svName: "Channel_" + (index + 1) + "_Level"
                rangeBounaryValues: flow.meterScale
                rangeLengthsInPercentage: flow.meterLengths
                rangeColorsInHex: [Theme.meterColors[0], Theme.meterColors[0], Theme.meterColors[1], Theme.meterColors[2]]
                cppSignalThreshold: -89
                showScale: false
                showReadout: false
            }
        }
    }

    Item {
        id: stage
        width: Math.min(parent.width - 20, 1180)
        height: parent.height - 8
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.top
        anchors.topMargin: 2

        // The input section.
        SectionTitle {
            id: inTitle
            x: flow.labelWidth
            text: "INPUTS"
        }
        RowLabels {
            id: inLabels
            anchors.top: inTitle.bottom
            anchors.topMargin: 4
            labels: ["A", "B", "C"].slice(0, inGrid.rows)
            rowHeight: inGrid.cellHeight
        }
        QuarGrid {
            id: inGrid
            anchors.left: inLabels.right
            anchors.top: inLabels.top
            width: implicitWidth
            height: implicitHeight
            model: flow.model
            resolver: imageResolver
            gridName: "in"
            // A processor without configuration: the places of the usual chain, all free.
            emptyColumns: flow.model !== null && flow.model.configEmpty ? 5 : 0
            emptyRows: 3
            cellWidth: flow.cellWidth
            cellHeight: 60
            gap: flow.gap
            configMode: flow.configMode
            version: flow.version
            onEditRequested: flow.editRequested(gridName, column, row, info)
            onEmptyPressed: flow.emptyPressed(gridName, column, row)
        }
        RowMeters {
            id: inMeters
            anchors.left: inGrid.right
            anchors.leftMargin: 8
            anchors.top: inGrid.top
            poName: "MetersABC"
            count: inGrid.rows
            rowHeight: inGrid.cellHeight
        }

        // The analyser and the tools beside the input section.
        Row {
            id: tools
            objectName: "tools"
            anchors.right: parent.right
            anchors.top: inGrid.top
            spacing: flow.gap
            QuarGrid {
                id: rtaGrid
                width: implicitWidth
                height: implicitHeight
                model: flow.model
                resolver: imageResolver
                gridName: "rta"
                cellWidth: flow.cellWidth
                cellHeight: 60
                gap: flow.gap
                version: flow.version
                // The analyser has nothing to configure.
                configMode: false
                enabled: !flow.configMode
            }
            Column {
                visible: flow.extraFeatures
                spacing: flow.gap
                HomeBlockButton {
                    objectName: "block_SIGGEN"
                    width: flow.cellWidth + 16
                    height: 60
                    compact: true
                    enabled: !flow.configMode
                    resolver: imageResolver
                    iconSource: "/images/Home/ICN_SignalGenerator.png"
                    captionKey: "in:SIG"
                    poName: "SignalGenerator"
                    toggleSvName: "SignalGenerator"
                    onIsAlert: true
                    command: "SIGGEN"
                }
                HomeBlockButton {
                    objectName: "block_Meters"
                    width: flow.cellWidth + 16
                    height: 60
                    compact: true
                    enabled: !flow.configMode
                    resolver: imageResolver
                    iconSource: "/images/Home/ICN_Meters.png"
                    caption: "Meters"
                    command: "1"
                    payload: "Output 1"
                }
            }
        }

        // The mid section and the outputs.
        SectionTitle {
            id: midTitle
            x: midGrid.x
            y: inGrid.y + inGrid.height + flow.sectionGap
            text: "MID"
        }
        SectionTitle {
            x: outGrid.x
            y: midTitle.y
            text: "OUTPUTS"
        }
        RowLabels {
            id: midLabels
            anchors.top: midTitle.bottom
            anchors.topMargin: 4
            labels: ["1", "2", "3", "4", "5", "6", "7", "8"].slice(0, Math.max(midGrid.rows, outGrid.rows))
            rowHeight: midGrid.cellHeight
        }
        QuarGrid {
            id: midGrid
            anchors.left: midLabels.right
            anchors.top: midLabels.top
            width: implicitWidth
            height: implicitHeight
            model: flow.model
            resolver: imageResolver
            gridName: "mid"
            // A processor without configuration: the places of the usual chain, all free.
            emptyColumns: flow.model !== null && flow.model.configEmpty ? 3 : 0
            emptyRows: 6
            cellWidth: flow.cellWidth
            cellHeight: Math.max(44, Math.min(64, Math.floor((stage.height - flow.reservedBottom - midLabels.y - 10) / Math.max(1, rows)) - flow.gap))
            gap: flow.gap
            configMode: flow.configMode
            version: flow.version
            onEditRequested: flow.editRequested(gridName, column, row, info)
            onEmptyPressed: flow.emptyPressed(gridName, column, row)
        }
        QuarGrid {
            id: outGrid
            anchors.left: midGrid.right
            anchors.leftMargin: flow.sectionGap
            anchors.top: midGrid.top
            width: implicitWidth
            height: implicitHeight
            model: flow.model
            resolver: imageResolver
            gridName: "out"
            // A processor without configuration: the places of the usual chain, all free.
            emptyColumns: flow.model !== null && flow.model.configEmpty ? 7 : 0
            emptyRows: 6
            cellWidth: flow.cellWidth
            cellHeight: midGrid.cellHeight
            gap: flow.gap
            configMode: flow.configMode
            version: flow.version
            onEditRequested: flow.editRequested(gridName, column, row, info)
            onEmptyPressed: flow.emptyPressed(gridName, column, row)
        }
        RowMeters {
            anchors.left: outGrid.right
            anchors.leftMargin: 8
            anchors.top: outGrid.top
            poName: "OutputMeters"
            count: outGrid.rows
            rowHeight: outGrid.cellHeight
        }
    }
}
