import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnExclusiveGroup 1.0
import TarnLabel 1.0

// A row of buttons of which one is the state variable's value (a mode, a curve, a slope type).
// The lit button is always the processor's value; a pressed one is outlined until the
// processor reports it. Nothing is sent before the processor's value is known.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    // The values to choose from, and optionally the texts to show for them.
    property var model: []
    property var labels: []
    property int columns: 0            // 0: all in one row
    property int buttonWidth: 0        // 0: share the width

    readonly property string selectedValue: confirmed.labelValue
    readonly property bool known: confirmed.labelValue !== ""
    property string requested: ""
    readonly property alias control: group

    signal chosen(string value)

    implicitWidth: Math.max(titleText.implicitWidth, model.length * 110)
    implicitHeight: (titleText.visible ? titleText.implicitHeight + 4 : 0)
                    + rows() * Theme.touch + (rows() - 1) * grid.rowSpacing

    function rows() {
        var perRow = columns > 0 ? columns : Math.max(1, model.length)
        return Math.max(1, Math.ceil(model.length / perRow))
    }

    TarnExclusiveGroup {
        id: group
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    // A request the processor does not take stops being outlined after a while.
    Timer {
        id: forget
        interval: 2500
        onTriggered: root.requested = ""
    }

    // What the processor reports, also when it equals a selection just made.
    TarnLabel {
        id: confirmed
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
        onLabelValueChanged: root.requested = ""
    }

    Text {
        id: titleText
        visible: root.title !== ""
        text: root.title
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.capitalization: Font.AllUppercase
    }

    Grid {
        id: grid
        y: titleText.visible ? titleText.height + 4 : 0
        width: root.width
        columns: root.columns > 0 ? root.columns : Math.max(1, root.model.length)
        spacing: 6
        rowSpacing: 6

        Repeater {
            model: root.model
            delegate: Button {
                id: choice
                objectName: "choice_" + modelData
                readonly property bool lit: modelData === root.selectedValue
                readonly property bool asked: modelData === root.requested && !lit
                width: root.buttonWidth > 0 ? root.buttonWidth
                                            : (grid.width - (grid.columns - 1) * grid.spacing) / grid.columns
                height: Theme.touch
                text: index < root.labels.length ? root.labels[index] : modelData
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: lit
                enabled: root.enabled && root.known
                focusPolicy: Qt.StrongFocus

                onClicked: {
                    root.requested = modelData
                    forget.restart()
                    group.selectedValue = modelData
                    root.chosen(modelData)
                }

                contentItem: Text {
                    text: choice.text
                    font: choice.font
                    color: choice.lit ? Theme.textOnAccent : Theme.text
                    opacity: choice.enabled ? 1 : 0.45
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                }
                background: Rectangle {
                    radius: Theme.radius
                    color: choice.lit ? Theme.groupSelected : (choice.down ? Theme.surfacePressed : Theme.surfaceRaised)
                    border.color: choice.asked || choice.visualFocus ? Theme.accent : Theme.edge
                    border.width: choice.asked || choice.visualFocus ? 2 : 1
                }
            }
        }
    }
}
