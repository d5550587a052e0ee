import QtQuick 2.15
import QtQuick.Controls 2.15

// The standard output names ("/xml/OutputNamesList.xml"), group by group; a press picks one.
ListView {
    id: list
    objectName: "outputNamesList"

    property var groups: []
    property string current: ""
    signal picked(string name)

    clip: true
    spacing: 8
    model: groups
    ScrollBar.vertical: ScrollBar {}

    delegate: Column {
        width: list.width - 12
        spacing: 6
        Text {
            text: modelData.group
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
            font.capitalization: Font.AllUppercase
        }
        Flow {
            width: parent.width
            spacing: 6
            Repeater {
                model: modelData.names
                delegate: AbstractButton {
                    id: nameButton
                    objectName: "name_" + modelData
                    width: Math.max(96, label.implicitWidth + 24)
                    height: Theme.touch - 10
                    onClicked: list.picked(modelData)
                    background: Rectangle {
                        radius: Theme.radius
                        color: nameButton.down ? Theme.surfacePressed : Theme.surfaceRaised
                        border.color: modelData === list.current ? Theme.accent : Theme.edge
                    }
                    contentItem: Text {
                        id: label
                        text: modelData
                        textFormat: Text.PlainText
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        color: modelData === list.current ? Theme.accent : Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                    }
                }
            }
        }
    }
}
