import QtQuick 2.15
import QtQuick.Controls 2.15
import WizardDialogProvider 1.0

// A message of the wizard: heading, text, an optional picture and one button that sends the
// state's event (svNextVal) to the processor. A state without an event is the processor at
// work (measuring, applying): the page shows that it is busy and waits for the next state.
WizardPage {
    id: page
    objectName: "wizardDialogPage"

    readonly property bool busy: texts.svNextVal === ""
    heading: texts.heading
    primaryText: busy ? "" : texts.buttonText
    backVisible: !busy
    onPrimary: page.sendEvent(texts.svNextVal)

    WizardDialogProvider {
        id: texts
        wizardState: page.wizardState
    }

    Row {
        anchors.fill: parent
        spacing: 28

        Rectangle {
            id: pictureFrame
            visible: texts.imageSrc !== ""
            width: visible ? Math.min(parent.width * 0.42, 420) : 0
            height: width * 0.625
            radius: Theme.radius
            color: Theme.surface
            border.color: Theme.edge
            Image {
                objectName: "dialogImage"
                anchors.fill: parent
                anchors.margins: 2
                source: texts.imageSrc
                fillMode: Image.PreserveAspectFit
                smooth: true
            }
        }

        Column {
            width: parent.width - (pictureFrame.visible ? pictureFrame.width + parent.spacing : 0)
            spacing: 22
            Text {
                objectName: "dialogText"
                width: parent.width
                text: page.lines(texts.displayText)
                textFormat: Text.PlainText
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                lineHeight: 1.15
                wrapMode: Text.WordWrap
            }
            Row {
                visible: page.busy
                spacing: 16
                WizardBusy {
                    objectName: "busyIndicator"
                    running: page.busy
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "The processor is working\u2026"
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                }
            }
            // While the processor listens, what its microphone hears.
            LevelAssistMeter {
                objectName: "levelMeter"
                visible: page.wizardState === "RunningLevelAssist"
                width: Math.min(parent.width, 520)
                title: "Microphone level"
                poName: visible ? "NPO" : ""
                svName: visible ? "Node\\Wizard\\SV\\LevelAssistOutput" : ""
                minimum: -80
                maximum: 0
                targetLow: -47
                targetHigh: -8
            }
        }
    }
}
