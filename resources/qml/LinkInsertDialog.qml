import QtQuick 2.15
import QtQuick.Controls 2.15

// Configuration mode's dialog for one place of an insert column: the block there may be linked
// over one more row (or one less), replaced by another kind from the column's list, removed, or
// have its settings copied and pasted; an empty place takes a new block. What the processor's
// configuration rules refuse is not offered.
ConfigDialog {
    id: dialog
    objectName: "linkInsertDialog"

    property var model: null
    property var copyPaste: null
    property int colID: -1
    property int row: 0
    property var info: ({})
    readonly property bool empty: info.name === undefined
    readonly property string blockName: empty ? "" : info.name
    readonly property var templates: {
        var n = model.poListCnt(colID, row), list = []
        for (var i = 0; i < n; ++i)
            list.push(model.getPoName(i))
        return list
    }

    title: empty ? "Empty place" : model.blockName(info.type)
    subtitle: (empty ? "" : blockName + " \u00b7 ") + model.columnName(colID).replace("Column_", "").replace(/_/g, " ")
              + " \u00b7 row " + (row + 1)

    Column {
        width: parent.width
        spacing: 12

        Row {
            spacing: 10
            visible: !dialog.empty
            TarnPushButton {
                objectName: "linkButton"
                text: "Link Row Below"
                enabled: dialog.model.linkTest(dialog.colID, dialog.row, 1)
                onClicked: { dialog.model.link(dialog.colID, dialog.row); dialog.closed() }
            }
            TarnPushButton {
                objectName: "unlinkButton"
                text: "Unlink Last Row"
                enabled: dialog.model.linkTest(dialog.colID, dialog.row, -1)
                onClicked: { dialog.model.unlink(dialog.colID, dialog.row); dialog.closed() }
            }
            TarnPushButton {
                objectName: "removeButton"
                text: "Remove"
                enabled: dialog.model.canRemoveBlock(dialog.colID, dialog.row)
                onClicked: { dialog.model.removeBlock(dialog.colID, dialog.row); dialog.closed() }
            }
        }
        Row {
            spacing: 10
            visible: !dialog.empty && dialog.copyPaste !== null
            TarnPushButton {
                objectName: "copyButton"
                text: "Copy Settings"
                enabled: dialog.copyPaste !== null && !dialog.copyPaste.busy
                onClicked: dialog.copyPaste.copy(dialog.blockName, dialog.info.className)
            }
            TarnPushButton {
                objectName: "pasteButton"
                text: dialog.copyPaste !== null && dialog.copyPaste.copiedName !== ""
                      ? "Paste From " + dialog.copyPaste.copiedName : "Paste Settings"
                enabled: dialog.copyPaste !== null && !dialog.copyPaste.busy
                         && dialog.copyPaste.canPasteOnto(dialog.blockName, dialog.info.className)
                onClicked: dialog.copyPaste.paste(dialog.blockName)
            }
        }
        Text {
            width: parent.width
            visible: text !== ""
            wrapMode: Text.WordWrap
            textFormat: Text.PlainText
            text: dialog.copyPaste === null ? ""
                : dialog.copyPaste.busy ? "Asking the processor\u2026"
                : dialog.copyPaste.lastError !== "" ? dialog.copyPaste.lastError
                : dialog.copyPaste.copiedName !== "" ? "Settings of " + dialog.copyPaste.copiedName + " copied." : ""
            color: dialog.copyPaste !== null && dialog.copyPaste.lastError !== "" ? Theme.error : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
        Text {
            text: dialog.empty ? "Insert a block" : "Replace with"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
            font.capitalization: Font.AllUppercase
        }
        ConfigChoiceList {
            objectName: "templateList"
            maximumHeight: 300
            entries: dialog.templates.map(function(t) { return { label: dialog.model.templateLabel(t) } })
            current: dialog.empty ? -1 : dialog.templates.indexOf(dialog.model.cellTemplate(dialog.colID, dialog.row))
            onChosen: {
                dialog.model.changePO(dialog.colID, dialog.row, index)
                dialog.closed()
            }
        }
    }
}
