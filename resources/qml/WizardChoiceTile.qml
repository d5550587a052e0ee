import QtQuick 2.15
import QtQuick.Controls 2.15

// One answer of a wizard list: a wide button, or a tile with a picture. The processor's present
// answer is marked; a choice sent and not yet confirmed shows in the pending colour.
AbstractButton {
    id: tile
    property string label: ""
    property string image: ""
    property bool current: false
    property bool pending: false

    implicitHeight: image !== "" ? 200 : Theme.touch + 12
    focusPolicy: Qt.StrongFocus

    background: Rectangle {
        radius: Theme.radius + 2
        color: tile.down ? Theme.surfacePressed : tile.current ? "#33f2992e" : "#e61a1f27"
        border.color: tile.pending ? Theme.pendingText : tile.current ? Theme.accent : tile.visualFocus ? Theme.text : Theme.edge
        border.width: tile.current || tile.pending || tile.visualFocus ? 3 : 1
        opacity: tile.enabled ? 1.0 : 0.4
    }
    contentItem: Item {
        Image {
            id: picture
            visible: tile.image !== ""
            anchors.top: parent.top
            anchors.topMargin: 10
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width - 24
            height: parent.height - caption.height - 26
            source: tile.image
            fillMode: Image.PreserveAspectFit
            smooth: true
            asynchronous: false
        }
        Rectangle {
            visible: tile.current
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 8
            width: 26
            height: 26
            radius: 13
            color: Theme.accent
            Text {
                anchors.centerIn: parent
                text: "\u2713"
                color: Theme.textOnAccent
                font.pixelSize: 17
                font.bold: true
            }
        }
        Text {
            id: caption
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.leftMargin: 16
            anchors.rightMargin: tile.current && tile.image === "" ? 44 : 16
            anchors.bottom: tile.image !== "" ? parent.bottom : undefined
            anchors.bottomMargin: 10
            anchors.verticalCenter: tile.image !== "" ? undefined : parent.verticalCenter
            text: tile.label
            textFormat: Text.PlainText
            color: tile.pending ? Theme.pendingText : Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal + 1
            font.bold: tile.current
            horizontalAlignment: tile.image !== "" ? Text.AlignHCenter : Text.AlignLeft
            wrapMode: Text.WordWrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
    }
}
