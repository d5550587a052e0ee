import QtQuick 2.15
import QtQuick.Controls 2.15
import WizardRunSetupProvider 1.0

// The short setups (inputs, graphic EQ): the processor's state lists what can be changed; a line
// opens its question, and the answer takes effect on the processor at once. Done ends the setup.
WizardPage {
    id: page
    objectName: "runSetupPage"

    // The question open now, or "" for the processor's own list.
    property string question: ""
    property string pendingValue: ""
    readonly property alias provider: provider

    title: provider.titleString
    heading: provider.heading
    backText: question !== "" ? "Back to the list" : ""
    primaryText: question === "" ? texts.buttonText : ""
    onPrimary: provider.updateMySvValue1("Next")
    onBackPressed: open("")
    onWizardStateChanged: open("")

    function open(sub) {
        question = sub
        pendingValue = ""
        provider.wizardState = sub !== "" ? sub : wizardState
        if (typeof rootQML !== "undefined")
            rootQML.wizardSubState = sub
    }
    function choose(value) {
        if (question === "") {
            open(value)
            return
        }
        pendingValue = value
        provider.updateMySvValue0(value)
    }

    WizardRunSetupProvider {
        id: provider
        // Back to the list once the processor has taken the answer.
        onSvValueChanged: {
            if (page.question !== "" && value === page.pendingValue)
                page.open("")
        }
    }
    QtObject {
        id: texts
        readonly property string buttonText: provider.buttonText !== "" ? provider.buttonText : "Done"
    }
    Component.onCompleted: open("")

    Flickable {
        id: flick
        anchors.fill: parent
        contentHeight: column.height
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        Column {
            id: column
            width: flick.width
            spacing: 12
            Repeater {
                model: provider
                delegate: WizardChoiceTile {
                    objectName: "runSetup_" + listViewElementValue
                    width: column.width
                    label: page.question === "" ? listViewElementText + "  \u203a" : listViewElementText
                    current: page.question !== "" && listViewElementValue === provider.svValue
                    pending: listViewElementValue === page.pendingValue
                    enabled: listViewElementAvailable
                    onClicked: page.choose(listViewElementValue)
                }
            }
        }
    }
}
