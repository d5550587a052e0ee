import QtQuick 2.15

// Configuration mode's choice of a crossover's output layout: the layouts that fit the rows the
// crossover has (with the free rows below it), by their display names with their inputs and
// outputs; the current one marked. A crossover may also be removed, leaving its rows free.
ConfigDialog {
    id: dialog
    objectName: "crossoverConfigDialog"

    property var model: null
    property int colID: -1
    property int row: 0
    property var info: ({})
    readonly property var counts: model.cfgXoverListCnt(row)
    readonly property var layouts: {
        var list = []
        for (var i = 0; i < counts.count; ++i)
            list.push(model.getCfgXoverInfo(i))
        return list
    }

    title: "Crossover Layout"
    subtitle: (info.name !== undefined ? info.name + " \u00b7 " : "") + "output row " + (row + 1)
    panelWidth: 700

    Column {
        width: parent.width
        spacing: 12
        Text {
            width: parent.width
            wrapMode: Text.WordWrap
            text: dialog.layouts.length > 1
                  ? "Layouts with more outputs need free rows below the crossover: remove the crossovers there first."
                  : "Only this layout fits here. Remove the crossovers below to make room for layouts with more outputs."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
        ConfigChoiceList {
            objectName: "layoutList"
            maximumHeight: 360
            entries: dialog.layouts.map(function(l) {
                return { label: l.name, detail: "Inputs " + l.Inputs + "  \u00b7  Outputs " + l.Outputs }
            })
            current: dialog.info.name !== undefined ? dialog.counts.curIdx : -1
            onChosen: {
                dialog.model.setCrossoverConfig(dialog.row, dialog.layouts[index].configName)
                dialog.closed()
            }
        }
        TarnPushButton {
            objectName: "removeCrossover"
            visible: dialog.info.name !== undefined
            text: "Remove Crossover"
            enabled: dialog.model.canRemoveBlock(dialog.colID, dialog.row)
            onClicked: { dialog.model.removeBlock(dialog.colID, dialog.row); dialog.closed() }
        }
    }
}
