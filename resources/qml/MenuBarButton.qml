import QtQuick 2.15
import QtQuick.Controls 2.15

// One navigation button of the menu bar: icon over label.
AbstractButton {
    id: control
    property string iconSource
    property bool current: false

    implicitWidth: 86
    implicitHeight: Theme.touch + 14
    hoverEnabled: true

    background: Rectangle {
        radius: Theme.radius
        color: control.down ? Theme.surfacePressed : (control.current ? Theme.surfaceRaised : "transparent")
        border.color: control.current ? Theme.accent : "transparent"
        border.width: 2
    }
    contentItem: Column {
        spacing: 2
        opacity: control.enabled ? 1.0 : 0.35
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            source: control.iconSource
            width: 30; height: 30
            sourceSize.width: 60; sourceSize.height: 60
            fillMode: Image.PreserveAspectFit
            smooth: true
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: control.text
            color: control.current ? Theme.accent : Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.bold: control.current
            textFormat: Text.PlainText
        }
    }
}
