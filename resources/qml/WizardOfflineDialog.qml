import QtQuick 2.15
import QtQuick.Controls 2.15
import WizardDialogProvider 1.0

// A notice over the wizard screen while the application talks to the offline model: its wizards
// run on a simulated room and microphone and change only the offline model.
Item {
    id: dialog
    property bool shown: false
    property bool dismissed: false
    visible: shown && !dismissed

    WizardDialogProvider {
        id: texts
        Component.onCompleted: wizardState = "WizardOffline"
    }

    Rectangle { anchors.fill: parent; color: "#b3000000" }
    MouseArea { anchors.fill: parent } // the page below waits

    Rectangle {
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 620)
        height: content.implicitHeight + 48
        radius: Theme.radius + 4
        color: Theme.surface
        border.color: Theme.warning
        border.width: 2

        Column {
            id: content
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 24
            spacing: 16
            Text {
                width: parent.width
                text: texts.heading
                textFormat: Text.PlainText
                color: Theme.warning
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
                wrapMode: Text.WordWrap
            }
            Text {
                objectName: "offlineText"
                width: parent.width
                text: texts.displayText
                textFormat: Text.PlainText
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            TarnPushButton {
                objectName: "offlineOkButton"
                anchors.right: parent.right
                primary: true
                text: texts.buttonText
                onClicked: dialog.dismissed = true
            }
        }
    }
}
