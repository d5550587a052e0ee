import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnTextSV 1.0
import WizardDialogProvider 1.0

// The Auto EQ result: the room as measured (grey), the target (gold) and the room with the new
// EQ (green), with the bands the processor set. Keep it, or discard it (the EQ goes back to
// what it was).
WizardPage {
    id: page
    objectName: "wizardAeqResultPage"

    heading: texts.heading
    primaryText: texts.buttonText
    onPrimary: page.sendEvent(texts.svNextVal)
    actions: TarnPushButton {
        objectName: "discardButton"
        text: "Discard"
        onClicked: page.sendEvent("Discard")
    }

    WizardDialogProvider {
        id: texts
        wizardState: page.wizardState
    }
    TarnTextSV {
        id: object
        poName: "NPO"
        svName: "Node\\Wizard\\SV\\AutoEqObject"
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: response
        poName: object.value !== "" ? object.value : "RoomEQ"
        svName: "Response"
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: target
        poName: object.value !== "" ? object.value : "RoomEQ"
        svName: "Target"
        Component.onCompleted: componentCompleted()
    }

    Row {
        id: legend
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 26
        Text {
            width: parent.width - keys.width - parent.spacing
            text: page.lines(texts.displayText)
            textFormat: Text.PlainText
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            wrapMode: Text.WordWrap
        }
        Row {
            id: keys
            spacing: 18
            Repeater {
                model: [["Room", "#b0b0b0"], ["Target", "#d9b81c"], ["Corrected", "#8fc93a"]]
                delegate: Row {
                    spacing: 8
                    Rectangle {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 26; height: 5; radius: 2
                        color: modelData[1]
                    }
                    Text {
                        text: modelData[0]
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                    }
                }
            }
        }
    }

    TarnGraphPEQ {
        id: graph
        objectName: "aeqResultGraph"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: legend.bottom
        anchors.topMargin: 14
        anchors.bottom: parent.bottom
        poName: object.value !== "" ? object.value : "RoomEQ"
        bandCount: 8
        bandColors: ["#ff5a4e", "#ff9f2e", "#f5d32a", "#5ad35f", "#2ec7a5", "#2fb8e8", "#8a6cff", "#f05cb4"]
        showRoomCurve: true
        roomCurveString: response.value
        targetCurveString: target.value
        finalResultantVisible: true
    }
}
