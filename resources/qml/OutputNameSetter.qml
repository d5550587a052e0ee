import QtQuick 2.15
import QtQuick.Controls 2.15

// Configuration mode's naming of an output: a name typed (letters, digits, blanks and the
// characters the processor takes) or one of the standard names.
ConfigDialog {
    id: dialog
    objectName: "outputNameDialog"

    property var model: null
    property int row: 0
    property var info: ({})
    readonly property string currentName: info.name !== undefined ? model.objectAttribute(info.name, "OutputName") : ""

    title: "Output Name"
    subtitle: "Output " + (row + 1)
    panelWidth: 720

    function accept(name) {
        if (name.trim() === "" || !nameField.acceptableInput)
            return
        model.setOutputName(row, name.trim())
        closed()
    }

    Column {
        width: parent.width
        spacing: 12
        Row {
            width: parent.width
            spacing: 10
            TextField {
                id: nameField
                objectName: "outputNameField"
                width: parent.width - okButton.width - 10
                height: Theme.touch
                text: dialog.currentName
                maximumLength: 32
                validator: rootQML.nameValidator
                selectByMouse: true
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                background: Rectangle { radius: 6; color: Theme.window; border.color: nameField.activeFocus ? Theme.accent : Theme.edge }
                onAccepted: dialog.accept(text)
                Component.onCompleted: { forceActiveFocus(); selectAll() }
            }
            TarnPushButton {
                id: okButton
                objectName: "outputNameOk"
                primary: true
                text: "Set Name"
                enabled: nameField.text.trim() !== "" && nameField.text !== dialog.currentName
                onClicked: dialog.accept(nameField.text)
            }
        }
        OutputConfigListView {
            width: parent.width
            height: 330
            groups: dialog.model.standardOutputNames()
            current: nameField.text
            onPicked: nameField.text = name
        }
    }
}
