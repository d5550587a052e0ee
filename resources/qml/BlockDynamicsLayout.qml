import QtQuick 2.15
import "BlockEntries.js" as Entries

// The body of a dynamics block screen: the transfer graph on the left (with the settings of
// `underGroups` below it when there are many), the input level and the gain reduction in the
// middle, and the settings of `groups` on the right.
Item {
    id: layout
    anchors.fill: parent

    property var descriptor: null
    property Component graph: null
    property var groups: []
    property var underGroups: []
    property real graphWidth: 440

    // The programme level the block sees (dB), for the working point on the graph; NaN unknown.
    readonly property real signalLevel: inputMeter.known && inputMeter.level > 0 ? inputMeter.valueAt(inputMeter.level) : NaN
    readonly property alias graphItem: graphLoader.item
    readonly property alias gainReductionMeter: reduction
    readonly property alias inputMeter: inputMeter


    Loader {
        id: graphLoader
        objectName: "graphLoader"
        x: 0
        y: 0
        width: layout.graphWidth
        height: layout.height - (under.visible ? under.height + 12 : 0)
        sourceComponent: layout.graph
    }

    BlockPanel {
        id: under
        objectName: "underPanel"
        visible: layout.underGroups.length > 0
        x: 0
        width: layout.graphWidth
        height: underList.implicitHeight + contentTop + 14
        anchors.bottom: parent.bottom
        caption: layout.underGroups.join(" \u00b7 ")
        BlockParameterList {
            id: underList
            x: under.padding
            y: under.contentTop
            width: under.width - 2 * under.padding
            descriptor: layout.descriptor
            groups: layout.underGroups
        }
    }

    BlockPanel {
        id: meters
        objectName: "metersPanel"
        x: layout.graphWidth + 12
        width: 172
        height: layout.height
        caption: "Levels"

        TarnCustomMeter {
            id: inputMeter
            objectName: "inputMeter"
            x: 8
            y: meters.contentTop
            width: 66
            height: meters.height - meters.contentTop - 12
            title: "Input"
            poName: "InputMeters"
            svName: "Channel_1_Level"
            clipSvName: "Channel_1_Clip"
            rangeBounaryValues: [-90, -40, -20, -6, 0]
            rangeLengthsInPercentage: [10, 30, 40, 20]
            cppSignalThreshold: -89
            rangeColorsInHex: ["#2fbf55", "#2fbf55", "#e8c21f", "#e8392b"]
        }
        BlockGainReductionMeter {
            id: reduction
            objectName: "gainReductionMeter"
            x: 82
            y: meters.contentTop
            width: 84
            height: meters.height - meters.contentTop - 12
            entry: Entries.first(Entries.ofKind(layout.descriptor !== null ? layout.descriptor.controls : [], "meter"))
        }
    }

    BlockPanel {
        id: settings
        objectName: "settingsPanel"
        x: meters.x + meters.width + 12
        width: layout.width - x
        height: layout.height
        padding: 12
        BlockParameterList {
            x: settings.padding
            y: settings.padding - 2
            width: settings.width - 2 * settings.padding
            descriptor: layout.descriptor
            groups: layout.groups
        }
    }
}
