import QtQuick 2.15

// Configuration mode's choice of the input router's assignment as a whole: which sources feed
// the seven input slots. Single slots are changed on the input router screen.
ConfigDialog {
    id: dialog
    objectName: "inputRouterConfigDialog"

    property var model: null
    readonly property var names: model.inputRouterConfigNames()
    readonly property int current: model.getInputRouterIdx()

    title: "Input Router"
    subtitle: current < 0 ? "Slots assigned one by one" : names[current]

    Column {
        width: parent.width
        spacing: 12
        ConfigChoiceList {
            objectName: "routerList"
            entries: dialog.names.map(function(n) { return { label: n } })
            current: dialog.current
            onChosen: {
                dialog.model.setRouterConfig(index)
                dialog.closed()
            }
        }
        Text {
            width: parent.width
            wrapMode: Text.WordWrap
            text: "Each slot can also take its own source on the input router screen, outside configuration mode."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
    }
}
