import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import TarnButton 1.0

// What every block screen shares: the background with the mode tints, the menu bar, a title row
// with the block's name, the band it shows (tabs when it has several) and its on/off switch,
// and below it the area for the screen's own controls.
Item {
    id: frame
    anchors.fill: parent

    property string title: ""
    // The band or variant shown ("High Outputs"), beside the title.
    property string subtitle: ""
    // The block's switch; no switch is shown without a name.
    property string poName: ""
    property string toggleSvName: ""
    // Bands to choose from: [{ name, label }], and the one shown.
    property var bands: []
    property string currentBand: ""
    // Name for the analytics of the last screen (rootQML.funcLastScreen).
    property string screenName: title

    readonly property bool blockOn: toggle.visible && toggle.activeState
    readonly property alias toggleButton: toggle
    readonly property alias menuBar: menuBar
    default property alias content: body.data

    signal bandChosen(string name)

    Component.onCompleted: {
        if (typeof rootQML !== "undefined")
            rootQML.funcLastScreen(frame.screenName)
    }

    ScreenBackground {}
    MenuBar { id: menuBar; currentScreen: "" }

    Item {
        id: header
        objectName: "blockHeader"
        anchors.top: menuBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 20
        anchors.rightMargin: 16
        height: 52

        Column {
            id: titles
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            spacing: 0
            Text {
                objectName: "blockTitle"
                text: frame.title
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontTitle - 6
                font.bold: true
            }
            Text {
                objectName: "blockSubtitle"
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
            id: tabs
            objectName: "bandTabs"
            anchors.left: titles.right
            anchors.leftMargin: 28
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6
            visible: frame.bands.length > 1
            Repeater {
                model: frame.bands
                delegate: AbstractButton {
                    id: tab
                    objectName: "band" + modelData.name
                    readonly property bool current: modelData.name === frame.currentBand
                    width: Math.max(frame.bands.length > 3 ? 52 : 118, label.implicitWidth + 28)
                    height: Theme.touch - 6
                    onClicked: if (!current) frame.bandChosen(modelData.name)
                    background: Rectangle {
                        radius: Theme.radius
                        color: tab.current ? Theme.surfaceRaised : (tab.down ? Theme.surfacePressed : "#99101318")
                        border.color: tab.current ? Theme.accent : Theme.edge
                        border.width: tab.current ? 2 : 1
                    }
                    contentItem: Text {
                        id: label
                        text: modelData.label
                        color: tab.current ? Theme.text : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal - 2
                        font.bold: tab.current
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                    }
                }
            }
        }

        Text {
            anchors.right: toggle.left
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            visible: toggle.visible
            text: toggle.activeState ? "Active" : "Bypassed"
            color: toggle.activeState ? Theme.ok : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.bold: true
            font.capitalization: Font.AllUppercase
        }
        TarnCustomButton {
            id: toggle
            objectName: "blockSwitch"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: frame.toggleSvName !== ""
            width: 132
            poName: frame.toggleSvName !== "" ? frame.poName : ""
            svName: frame.toggleSvName
            buttonType: TarnButton.SV
            text: activeState ? "ON" : "OFF"
            litColor: Theme.ok
        }
    }

    Item {
        id: body
        objectName: "blockBody"
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.bottomMargin: 14
    }
}
