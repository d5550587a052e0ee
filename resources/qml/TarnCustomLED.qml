import QtQuick 2.15
import TarnLED 1.0
import "WidgetText.js" as WT

// An indicator polled from the processor, such as a clip LED: lit while the processor reports
// the state on ("On", "1", "true").
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string text: ""
    property color onColor: Theme.ledOnRed
    property color offColor: Theme.ledOff
    property int diameter: Theme.led

    readonly property bool lit: WT.isOn(led.value)
    readonly property string value: led.value
    readonly property alias control: led

    implicitWidth: diameter + (caption.text !== "" ? caption.implicitWidth + 8 : 0)
    implicitHeight: Math.max(diameter, caption.implicitHeight)

    TarnLED {
        id: led
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }

    // The glow around a lit LED.
    Rectangle {
        anchors.centerIn: lamp
        width: lamp.width * 1.6
        height: width
        radius: width / 2
        color: root.onColor
        opacity: root.lit ? 0.3 : 0
        Behavior on opacity { NumberAnimation { duration: 60 } }
    }
    Rectangle {
        id: lamp
        objectName: "lamp"
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: root.diameter
        height: root.diameter
        radius: width / 2
        color: root.lit ? root.onColor : root.offColor
        border.color: root.lit ? Qt.lighter(root.onColor, 1.4) : "#000000"
        border.width: 1
        // The highlight of the dome.
        Rectangle {
            x: parent.width * 0.22
            y: parent.height * 0.16
            width: parent.width * 0.34
            height: parent.height * 0.26
            radius: height / 2
            color: "#ffffff"
            opacity: root.lit ? 0.55 : 0.12
        }
    }
    Text {
        id: caption
        anchors.left: lamp.right
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        text: root.text
        visible: text !== ""
        color: root.lit ? Theme.text : Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.bold: true
        font.capitalization: Font.AllUppercase
    }
}
