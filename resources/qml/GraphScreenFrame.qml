import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import TarnButton 1.0

// The frame of the response-graph screens: background and mode tint, the menu bar, a header
// with the block's name, what it works on and its on/off switch, and the screen's content.
Item {
    id: frame
    anchors.fill: parent

    property string title: ""
    property string subtitle: ""
    // The block's switch; no switch when svName is empty.
    property string switchPoName: ""
    property string switchSvName: ""
    // The screen's name for the root document's bookkeeping.
    property string screenName: ""
    default property alias content: body.data
    readonly property alias header: header
    readonly property alias body: body

    Component.onCompleted: {
        if (typeof rootQML !== "undefined" && screenName !== "")
            rootQML.funcLastScreen(screenName)
    }

    ScreenBackground {}
    MenuBar { id: menuBar; currentScreen: "" }

    Item {
        id: header
        objectName: "screenHeader"
        anchors.top: menuBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        height: Theme.touch + 16

        AbstractButton {
            id: back
            objectName: "backButton"
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            width: Theme.touch
            height: Theme.touch
            onClicked: if (typeof rootQML !== "undefined") rootQML.guiSignal("HomeButtonPressed", "")
            background: Rectangle {
                radius: Theme.radius
                color: back.down ? Theme.surfacePressed : Theme.surfaceRaised
                border.color: Theme.edge
            }
            contentItem: Text {
                text: "\u2039"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontTitle
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }
        Text {
            id: titleText
            objectName: "screenTitle"
            anchors.left: back.right
            anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            text: frame.title
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontTitle - 4
            font.bold: true
        }
        Text {
            objectName: "screenSubtitle"
            anchors.left: titleText.right
            anchors.leftMargin: 14
            anchors.baseline: titleText.baseline
            anchors.right: onOff.left
            anchors.rightMargin: 14
            text: frame.subtitle
            color: Theme.accent
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontLarge
            elide: Text.ElideRight
        }
        TarnCustomButton {
            id: onOff
            objectName: "blockSwitch"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: frame.switchSvName !== ""
            width: visible ? 150 : 0
            poName: frame.switchPoName
            svName: frame.switchSvName
            buttonType: TarnButton.SV
            text: activeState ? "On" : "Off"
            litColor: Theme.ok
        }
    }

    Item {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        anchors.bottomMargin: 16
    }
}
