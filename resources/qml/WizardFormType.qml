import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnTextSV 1.0
import WizardDialogProvider 1.0

// A form of the wizard: channel numbers and names of the digital audio link, or how the link
// card is connected. Each field is the processor's own value and goes to it as it is edited; the
// button tells the processor the form is done, and it checks the whole form then.
WizardPage {
    id: page
    objectName: "wizardFormPage"

    readonly property var forms: ({
        "ParvaneInputStartChannel": { "kind": "start", "sv": "ParvaneInputStart", "label": "First network channel" },
        "ParvaneOutputStartChannel": { "kind": "start", "sv": "ParvaneOutputStart", "label": "First network channel" },
        "ParvaneInputManualEdit": { "kind": "channels", "prefix": "ParvaneInput_", "label": "Link input" },
        "ParvaneOutputManualEdit": { "kind": "channels", "prefix": "ParvaneOutput_", "label": "Link output" },
        "ParvaneInputNames": { "kind": "names" },
        "OptionCardConnections": { "kind": "card" }
    })
    readonly property var form: forms[wizardState] !== undefined ? forms[wizardState] : ({ "kind": "" })

    // The wizard's variable of that name (the form's fields are named by the table above).
    function wizardVariable(name) {
        return "Node\\Wizard\\SV\\" + name
    }

    heading: texts.heading
    primaryText: texts.svNextVal !== "" ? texts.buttonText : ""
    onPrimary: page.sendEvent(texts.svNextVal)

    WizardDialogProvider {
        id: texts
        wizardState: page.wizardState
    }

    Text {
        id: explanation
        anchors.left: parent.left
        anchors.right: parent.right
        text: page.lines(texts.displayText)
        textFormat: Text.PlainText
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontNormal + 1
        wrapMode: Text.WordWrap
    }

    Item {
        id: fields
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: explanation.bottom
        anchors.topMargin: 24
        anchors.bottom: parent.bottom

        CustomSpinBox {
            objectName: "startChannel"
            visible: page.form.kind === "start"
            width: 320
            title: page.form.label !== undefined ? page.form.label : ""
            poName: visible ? "NPO" : ""
            svName: visible ? page.wizardVariable(page.form.sv) : ""
            from: 1
            to: 64
            decimals: 0
        }

        Grid {
            visible: page.form.kind === "channels"
            columns: 4
            columnSpacing: 20
            rowSpacing: 18
            Repeater {
                model: page.form.kind === "channels" ? 8 : 0
                delegate: CustomSpinBox {
                    objectName: "channel" + (index + 1)
                    width: (fields.width - 3 * 20) / 4
                    title: page.form.label + " " + (index + 1)
                    poName: "NPO"
                    svName: page.wizardVariable(page.form.prefix + (index + 1) + "_Channel")
                    from: 1
                    to: 64
                    decimals: 0
                }
            }
        }

        Grid {
            visible: page.form.kind === "names"
            columns: 4
            columnSpacing: 20
            rowSpacing: 18
            Repeater {
                model: page.form.kind === "names" ? 8 : 0
                delegate: TarnCustomTextField {
                    objectName: "name" + (index + 1)
                    width: (fields.width - 3 * 20) / 4
                    title: "Link input " + (index + 1)
                    poName: "NPO"
                    svName: page.wizardVariable("ParvaneInput_" + (index + 1) + "_Name")
                    validator: typeof rootQML !== "undefined" ? rootQML.nameValidator : null
                }
            }
        }

        Row {
            visible: page.form.kind === "card"
            anchors.fill: parent
            spacing: 24
            WizardOptionCardConnections {
                width: parent.width * 0.6
                height: parent.height
                redundant: networkMode.value === "Redundant"
            }
            Column {
                width: parent.width * 0.4 - parent.spacing
                spacing: 12
                Text {
                    text: "NETWORK"
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontCaption
                    font.bold: true
                }
                Repeater {
                    model: [["Switched: one network", "Switched"], ["Redundant: two networks", "Redundant"]]
                    delegate: WizardChoiceTile {
                        objectName: "network_" + modelData[1]
                        width: parent.width
                        label: modelData[0]
                        current: networkMode.value === modelData[1]
                        onClicked: networkMode.setValueWithoutFeedback(modelData[1])
                    }
                }
            }
        }
    }

    TarnTextSV {
        id: networkMode
        poName: page.form.kind === "card" ? "NPO" : ""
        svName: page.form.kind === "card" ? "Node\\Wizard\\SV\\ParvaneNetworkMode" : ""
        Component.onCompleted: componentCompleted()
    }
}
