import QtQuick 2.15
import QtQuick.Controls 2.15

// A list of choices in a configuration dialog: each entry a label with an optional detail line
// and picture, the current one marked; a press chooses.
ListView {
    id: list

    // [{ label, detail, image }]
    property var entries: []
    property int current: -1
    property real rowHeight: entries.some(function(e) { return e.image !== undefined && e.image !== "" }) ? 84 : Theme.touch + 10
    property real maximumHeight: 420

    signal chosen(int index)

    width: parent !== null ? parent.width : 400
    height: Math.min(maximumHeight, entries.length * (rowHeight + spacing))
    clip: true
    spacing: 4
    model: entries
    currentIndex: current
    ScrollBar.vertical: ScrollBar {}
    Component.onCompleted: positionViewAtIndex(Math.max(0, current), ListView.Center)

    delegate: AbstractButton {
        id: entry
        objectName: "choice" + index
        readonly property bool isCurrent: index === list.current
        width: list.width - 12
        height: list.rowHeight
        onClicked: list.chosen(index)
        background: Rectangle {
            radius: Theme.radius
            color: entry.down ? Theme.surfacePressed : entry.isCurrent ? "#33f2992e" : Theme.surfaceRaised
            border.color: entry.isCurrent ? Theme.accent : Theme.edge
            border.width: entry.isCurrent ? 2 : 1
        }
        contentItem: Item {
            Image {
                id: picture
                visible: modelData.image !== undefined && modelData.image !== ""
                x: 8
                anchors.verticalCenter: parent.verticalCenter
                width: visible ? 112 : 0
                height: parent.height - 12
                source: visible ? modelData.image : ""
                fillMode: Image.PreserveAspectFit
                sourceSize.width: 112
            }
            Column {
                anchors.left: picture.right
                anchors.leftMargin: 14
                anchors.right: parent.right
                anchors.rightMargin: 10
                anchors.verticalCenter: parent.verticalCenter
                Text {
                    width: parent.width
                    text: modelData.label
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                    color: entry.isCurrent ? Theme.accent : Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: entry.isCurrent
                }
                Text {
                    visible: text !== ""
                    width: parent.width
                    text: modelData.detail !== undefined ? modelData.detail : ""
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                }
            }
        }
    }
}
