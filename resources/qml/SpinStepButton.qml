import QtQuick 2.15
import QtQuick.Controls 2.15

// The − and + keys of the spin boxes: square, finger-sized, repeating while held.
Button {
    id: key
    width: height
    height: parent ? parent.height : Theme.touch
    autoRepeat: true
    autoRepeatDelay: 400
    autoRepeatInterval: 110
    focusPolicy: Qt.NoFocus
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontLarge
    font.bold: true

    contentItem: Text {
        text: key.text
        font: key.font
        color: Theme.text
        opacity: key.enabled ? 1 : 0.35
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: Theme.radius
        color: key.down ? Theme.surfacePressed : Theme.surfaceRaised
        border.color: Theme.edge
        opacity: key.enabled ? 1 : 0.5
    }
}
