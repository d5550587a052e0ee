import QtQuick 2.15
import QtQuick.Controls 2.15

// One processor in the discovery list.
AbstractButton {
    id: card
    property string deviceName
    property string address
    property string variant
    property string version

    implicitHeight: 84
    hoverEnabled: true

    background: Rectangle {
        radius: Theme.radius
        color: card.down ? Theme.surfacePressed : Theme.surfaceRaised
        border.color: card.hovered || card.visualFocus ? Theme.accent : Theme.edge
        border.width: card.hovered || card.visualFocus ? 2 : 1
    }
    contentItem: Item {
        Rectangle {
            id: led
            width: 14; height: 14; radius: 7
            color: Theme.ok
            anchors.left: parent.left; anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
        }
        Column {
            anchors.left: led.right; anchors.leftMargin: 16
            anchors.right: connectLabel.left; anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6
            Text {
                width: parent.width
                text: card.deviceName !== "" ? card.deviceName : "Cadenzo Tarn"
                textFormat: Text.PlainText
                elide: Text.ElideRight
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            Text {
                width: parent.width
                textFormat: Text.PlainText
                elide: Text.ElideRight
                text: card.address + "   ·   " + (card.variant !== "" ? card.variant : "Standard")
                      + "   ·   Software " + (card.version !== "" ? card.version : "unknown")
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall + 1
            }
        }
        Text {
            id: connectLabel
            anchors.right: parent.right; anchors.rightMargin: 18
            anchors.verticalCenter: parent.verticalCenter
            text: "Connect  ›"
            color: Theme.accent
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            font.bold: true
        }
    }
}
