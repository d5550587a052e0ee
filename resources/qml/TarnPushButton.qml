import QtQuick 2.15
import QtQuick.Controls 2.15

// The application's push button: finger-sized, flat, with a clear pressed and disabled look.
Button {
    id: control
    property bool primary: false
    property color tone: primary ? Theme.accent : Theme.surfaceRaised

    implicitHeight: Theme.touch
    implicitWidth: Math.max(140, contentItem.implicitWidth + 40)
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    font.bold: primary

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.primary ? Theme.textOnAccent : Theme.text
        opacity: control.enabled ? 1.0 : 0.4
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        textFormat: Text.PlainText
    }
    background: Rectangle {
        radius: Theme.radius
        color: control.down ? (control.primary ? Theme.accentPressed : Theme.surfacePressed) : control.tone
        border.color: control.primary ? "transparent" : (control.visualFocus ? Theme.accent : Theme.edge)
        border.width: control.visualFocus ? 2 : 1
        opacity: control.enabled ? 1.0 : 0.45
    }
}
