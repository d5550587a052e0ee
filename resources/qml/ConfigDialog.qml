import QtQuick 2.15
import QtQuick.Controls 2.15

// The frame of configuration mode's dialogs: a panel over the dimmed home screen with a title,
// the dialog's own contents and a close button. A press outside closes it.
Item {
    id: dialog
    anchors.fill: parent

    property string title: ""
    property string subtitle: ""
    property real panelWidth: 620
    default property alias content: body.data
    readonly property alias body: body

    signal closed()

    Rectangle {
        anchors.fill: parent
        color: "#a6000000"
        MouseArea { anchors.fill: parent; onClicked: dialog.closed() }
    }
    Rectangle {
        id: panel
        objectName: "configDialogPanel"
        anchors.centerIn: parent
        width: Math.min(dialog.panelWidth, parent.width - 40)
        height: Math.min(parent.height - 40, header.height + body.childrenRect.height + 40)
        radius: Theme.radius + 2
        color: Theme.surface
        border.color: Theme.accent
        border.width: 2
        MouseArea { anchors.fill: parent } // presses on the panel stay there

        Item {
            id: header
            x: 20
            y: 14
            width: parent.width - 40
            height: Math.max(Theme.touch, titles.height)
            Column {
                id: titles
                anchors.left: parent.left
                anchors.right: closeButton.left
                anchors.verticalCenter: parent.verticalCenter
                Text {
                    objectName: "configDialogTitle"
                    width: parent.width
                    text: dialog.title
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontLarge
                    font.bold: true
                }
                Text {
                    visible: text !== ""
                    width: parent.width
                    text: dialog.subtitle
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                    color: Theme.accent
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: true
                }
            }
            TarnPushButton {
                id: closeButton
                objectName: "configDialogClose"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                implicitWidth: 110
                text: "Close"
                onClicked: dialog.closed()
            }
        }
        Item {
            id: body
            x: 20
            anchors.top: header.bottom
            anchors.topMargin: 14
            width: parent.width - 40
            height: panel.height - header.height - 40
        }
    }
}
