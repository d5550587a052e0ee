import QtQuick 2.15

// Configuration mode's choice of what feeds one row of the input section: a mixer of every input
// slot (and the test signal), or a fixed route from one slot.
ConfigDialog {
    id: dialog
    objectName: "inputMixConfigDialog"

    property var model: null
    property int colID: -1
    property int row: 0
    property var info: ({})
    readonly property var templates: {
        var n = model.poListCnt(colID, row), list = []
        for (var i = 0; i < n; ++i)
            list.push(model.getPoName(i))
        return list
    }

    function entryOf(template) {
        var m = /_In([0-9])$/.exec(template)
        if (m === null)
            return { label: "Mix all input slots", detail: "Every slot and the test signal, each with its gain and mute", image: "" }
        var source = model.inputRouterGetSourceNameForSourceID(parseInt(m[1]) - 1)
        return { label: "Route slot " + m[1], detail: source, image: "/images/MixerTypes/InMixIn" + m[1] + "_Large.png" }
    }

    title: "Input Row " + ["A", "B", "C", "D", "E", "F"][row]
    subtitle: info.name !== undefined ? info.name : ""
    panelWidth: 680

    ConfigChoiceList {
        objectName: "inputMixList"
        entries: dialog.templates.map(dialog.entryOf)
        current: dialog.model.getMixerCfgIdx(dialog.colID, dialog.row)
        onChosen: {
            dialog.model.setMixerConfig(dialog.colID, dialog.row, index)
            dialog.closed()
        }
    }
}
