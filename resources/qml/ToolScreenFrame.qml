import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."

// What the meter, analyser, generator and utilities screens share: the background with the mode
// tints, the menu bar, a title row (with room on its right for the screen's own switch), and
// below it the area for the screen's controls.
Item {
    id: frame
    anchors.fill: parent

    property string title: ""
    property string subtitle: ""
    // Which menu-bar button shows as current ("Utilities", or "" for none).
    property string currentScreen: ""
    // Name for the root document's last-screen bookkeeping.
    property string screenName: title

    readonly property alias menuBar: menuBar
    // Items for the right end of the title row.
    property alias headerTools: tools.data
    default property alias content: body.data

    Component.onCompleted: {
        if (typeof rootQML !== "undefined")
            rootQML.funcLastScreen(frame.screenName)
    }

    ScreenBackground {}
    MenuBar { id: menuBar; currentScreen: frame.currentScreen }

    Item {
        id: header
        objectName: "screenHeader"
        anchors.top: menuBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 20
        anchors.rightMargin: 16
        height: 56

        Column {
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            Text {
                objectName: "screenTitle"
                text: frame.title
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontTitle - 6
                font.bold: true
            }
            Text {
                objectName: "screenSubtitle"
                visible: text !== ""
                text: frame.subtitle
                color: Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
                font.capitalization: Font.AllUppercase
            }
        }
        Row {
            id: tools
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 10
        }
    }

    Item {
        id: body
        objectName: "screenBody"
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        anchors.bottomMargin: 16
    }
}
