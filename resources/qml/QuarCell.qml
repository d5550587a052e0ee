import QtQuick 2.15
import "QuarCommands.js" as Commands

// One block of the configurable model's grid: what cellInfo says of it (icon and caption from
// the resolver, its on/off and mute state, the rows it spans). A press stores the block's
// description for its screen and opens that screen; in configuration mode it asks to edit it.
HomeBlockButton {
    id: cell
    objectName: "cell_" + gridName + "_" + column + "_" + row

    property var model: null
    property string gridName: ""
    property int column: 0
    property int row: 0
    property bool configMode: false
    // Bumped by the grid when the document changed: the cell is read again.
    property int version: 0
    readonly property var info: version >= 0 && model !== null ? model.cellInfo(gridName, column, row) : ({})
    readonly property string blockName: info.name !== undefined ? info.name : ""
    readonly property string className: info.className !== undefined ? info.className : ""
    readonly property string label: info.info !== undefined ? info.info : ""
    readonly property string type: info.type !== undefined ? info.type : ""
    readonly property bool crossover: info.XOverType !== undefined
    readonly property var pressAction: Commands.forBlock(type, className, blockName, row)

    signal editRequested()

    function captionFor() {
        if (version < 0 || resolver === null)
            return blockName
        if (className === "norvQuarraOutput")
            return model.objectAttribute(blockName, "OutputName")
        var route = model.objectAttribute(blockName, "RouteMix")
        if (className === "norvQuarraFixedRouter" && route !== "")
            return "Route " + route
        var text = resolver.buttonText(gridName + ":" + (crossover ? className : label))
        if (text.trim() === "")
            text = model.blockName(type)
        return text !== "" ? text : blockName
    }

    // What a press does; the screen tour calls it too.
    function activate() {
        if (configMode) {
            editRequested()
            return
        }
        if (pressAction[0] === "" || !model.storeCellData(gridName, column, row))
            return
        if (typeof rootQML !== "undefined")
            rootQML.guiSignal(pressAction[0], pressAction[1])
    }

    iconKey: className
    caption: captionFor()
    poName: blockName
    toggleSvName: resolver !== null ? resolver.toggleSVName(label) : ""
    muteSvName: Commands.muteSv(className, type)
    note: crossover ? info.XOverType : ""
    compact: true
    enabled: configMode || pressAction[0] !== ""
    onClicked: activate()

    // Grid cells are small: the icon above a caption of up to two lines, the state as a lamp.
    contentItem: Item {
        Image {
            id: icon
            objectName: "icon"
            anchors.horizontalCenter: parent.horizontalCenter
            y: cell.height > 70 ? (cell.height - height - caption.height) / 2 - 2 : 4
            // Short cells (configuration mode) keep room for two lines of caption.
            width: cell.height < 56 ? 18 : 28
            height: width
            source: cell.shownIcon
            sourceSize.width: width
            sourceSize.height: height
            fillMode: Image.PreserveAspectFit
            opacity: cell.toggleKnown && !cell.isOn ? 0.6 : 1.0
        }
        Text {
            id: caption
            objectName: "caption"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: 3
            anchors.top: icon.bottom
            anchors.topMargin: 1
            height: 26
            text: cell.caption.replace(/  +/g, " ")
            textFormat: Text.PlainText
            wrapMode: Text.WordWrap
            maximumLineCount: 2
            fontSizeMode: Text.Fit
            minimumPixelSize: 9
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignTop
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 12
            font.bold: true
            lineHeight: 0.9
        }
        Text {
            visible: cell.note !== ""
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.margins: 4
            text: cell.note
            color: Theme.accent
            font.family: Theme.fontFamily
            font.pixelSize: 10
            font.bold: true
        }
        Rectangle {
            visible: cell.stateText !== ""
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 5
            width: 9
            height: 9
            radius: 4.5
            color: cell.muted ? Theme.error : cell.isOn ? Theme.ok : Theme.edge
        }
    }
}
