import QtQuick 2.15

// The number settings of some groups of a control descriptor, one row each, the groups in the
// order given and set apart by a rule.
Column {
    id: list

    property var descriptor: null
    // Group names of the descriptor, in the order shown.
    property var groups: []
    property real rowSpacing: 6

    spacing: 10

    function numbersIn(group) {
        if (descriptor === null || !descriptor.valid)
            return []
        return descriptor.controlsInGroup(group).filter(function(c) { return c.kind === "number" })
    }

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
                model: list.numbersIn(modelData)
                delegate: BlockParameter {
                    objectName: "parameter_" + modelData.sv
                    width: list.width
                    spec: modelData
                }
            }
        }
    }
}
