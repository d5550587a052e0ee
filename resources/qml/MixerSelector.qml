import QtQuick 2.15

// Configuration mode's choice of what feeds one channel of the mid section ("/xml/MixMid.xml"):
// a mixer of slots or rows, or a fixed route of one or more rows.
ConfigDialog {
    id: dialog
    objectName: "mixerSelectorDialog"

    property var model: null
    property int colID: -1
    property int row: 0
    property var info: ({})
    readonly property var options: model.midMixerOptions()

    title: "Mid Channel " + (row + 1)
    subtitle: info.name !== undefined ? info.name : ""
    panelWidth: 680

    ConfigChoiceList {
        objectName: "mixerList"
        entries: dialog.options.map(function(o) {
            return { label: o.label, detail: o.inputs + (o.inputs === 1 ? " input" : " inputs"), image: o.image }
        })
        current: dialog.model.getMixerCfgIdx(dialog.colID, dialog.row)
        onChosen: {
            dialog.model.setMixerConfig(dialog.colID, dialog.row, index)
            dialog.closed()
        }
    }
}
