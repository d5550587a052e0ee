import QtQuick 2.15
import QtQuick.Controls 2.15
import ButtonImageResolver 1.0

// The configurable processor's grids when their shape is not the usual one (more rows or
// columns than the front panel's layout holds): every grid of the document in turn, each laid
// out from its own size, in a view that scrolls when they do not fit.
Flickable {
    id: flow
    objectName: "customDynamicHomeScreen"

    property var model: typeof rootQML !== "undefined" ? rootQML.hsModel : null
    property bool configMode: typeof rootQML !== "undefined" && rootQML.rootCfgMode
    property int version: 0
    readonly property var grids: version >= 0 && model !== null ? model.gridNames() : []

    signal editRequested(string gridName, int column, int row, var info)
    signal emptyPressed(string gridName, int column, int row)

    clip: true
    contentWidth: Math.max(width, gridsColumn.width + 40)
    contentHeight: gridsColumn.height + 20
    ScrollBar.vertical: ScrollBar {}
    ScrollBar.horizontal: ScrollBar {}

    ButtonImageResolver { id: imageResolver }
    Connections {
        target: flow.model
        function onReadyChanged(ready) { if (ready) flow.version++ }
    }

    Column {
        id: gridsColumn
        x: 20
        y: 6
        spacing: 14
        Repeater {
            model: flow.grids
            delegate: Column {
                spacing: 4
                Text {
                    text: modelData.toUpperCase()
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontCaption
                    font.bold: true
                    font.letterSpacing: 1
                }
                QuarGrid {
                    width: implicitWidth
                    height: implicitHeight
                    model: flow.model
                    resolver: imageResolver
                    gridName: modelData
                    cellWidth: 88
                    cellHeight: 60
                    configMode: flow.configMode && modelData !== "rta"
                    version: flow.version
                    onEditRequested: flow.editRequested(gridName, column, row, info)
                    onEmptyPressed: flow.emptyPressed(gridName, column, row)
                }
            }
        }
    }
}
