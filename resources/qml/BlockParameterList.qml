import QtQuick 2.15
import "BlockEntries.js" as Entries

// The number settings of some groups of a control descriptor, one row each, the groups in the
// order given and set apart by a rule.
Column {
    id: list

    property var descriptor: null
    // Group names of the descriptor, in the order shown.
    property var groups: []
    property real rowSpacing: 2

    spacing: 6

    readonly property var controls: descriptor !== null && descriptor.valid ? descriptor.controls : []

    Repeater {
        model: list.descriptor !== null && list.descriptor.valid ? list.groups : []
        delegate: Column {
            width: list.width
            spacing: list.rowSpacing
            Rectangle {
                visible: index > 0
                width: parent.width
                height: 1
                color: Theme.edge
            }
            Repeater {
                model: Entries.inGroup(list.controls, modelData, "number")
                delegate: BlockParameter {
                    objectName: "parameter_" + modelData.sv
                    width: list.width
                    entry: modelData
                }
            }
        }
    }
}
