import QtQuick 2.15
import QtQuick.Controls 2.15

// A wizard state this version has no page for. The processor's state is named as it came (plain
// text); the wizard can be stepped back or cancelled from here.
WizardPage {
    id: page
    objectName: "wizardNotImplementedPage"

    title: "Not available"
    heading: "This step of the processor's wizard cannot be shown by this version of Tarn Control."
    primaryText: "Cancel wizard"
    onPrimary: page.sendEvent("Cancel")

    Column {
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 18
        Text {
            width: parent.width
            text: "Go back to the previous step, or cancel the wizard and use the processor's front panel for this step. Updating Tarn Control may add it."
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal + 2
            wrapMode: Text.WordWrap
        }
        Rectangle {
            width: stateText.implicitWidth + 32
            height: 44
            radius: Theme.radius
            color: Theme.surface
            border.color: Theme.edge
            Text {
                id: stateText
                objectName: "unknownState"
                anchors.centerIn: parent
                text: "Processor step: " + page.wizardState
                textFormat: Text.PlainText
                color: Theme.textDim
                font.family: "Liberation Mono"
                font.pixelSize: Theme.fontNormal
            }
        }
    }
}
