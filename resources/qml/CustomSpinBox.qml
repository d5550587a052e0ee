import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnNumericalSV 1.0
import TarnLabel 1.0
import "WidgetText.js" as WT

// A number stepped with − and + (held: repeated), the wheel or the arrow keys. The value shown
// is the processor's, with its unit; quick steps count on from the value last asked for, and
// the steps go out throttled. For variables whose texts the number control reads: plain
// numbers, dB, Hz, kHz and ratios.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property real from: 0
    property real to: 100
    property real stepSize: 1
    property int decimals: 1
    // Shown after the number when the processor's own text is not used.
    property string unit: ""
    property bool useDeviceText: true

    readonly property real value: nsv.value
    readonly property bool known: nsv.value !== -1000
    readonly property string valueText: useDeviceText && label.labelValue !== ""
                                        ? WT.pretty(label.labelValue)
                                        : WT.pretty(nsv.value.toFixed(decimals) + unit)
    // The value last asked for while the processor has not yet answered.
    property real requested: NaN
    readonly property bool pending: !isNaN(requested)
    readonly property alias control: nsv

    implicitWidth: 240
    implicitHeight: (titleText.visible ? titleText.implicitHeight + 4 : 0) + Theme.touch

    TarnNumericalSV {
        id: nsv
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    TarnLabel {
        id: label
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    Connections {
        target: nsv
        function onValueChanged() { answered.restart() }
    }
    // Once the processor has answered (or has stayed silent a while) steps count from its value.
    Timer {
        id: answered
        interval: 400
        onTriggered: root.requested = NaN
    }

    function step(count) {
        if (!known)
            return
        var base = pending ? requested : nsv.value
        var next = WT.clamp(Math.round((base + count * stepSize) / stepSize) * stepSize, from, to)
        next = Number(next.toFixed(6))
        requested = next
        answered.restart()
        nsv.setValueWithoutFeedback(next)
    }

    Text {
        id: titleText
        visible: root.title !== ""
        text: root.title
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.capitalization: Font.AllUppercase
    }

    Rectangle {
        id: frame
        objectName: "frame"
        y: titleText.visible ? titleText.height + 4 : 0
        width: root.width
        height: Theme.touch
        radius: Theme.radius
        color: Theme.well
        border.color: frame.activeFocus ? Theme.accent : Theme.edge
        border.width: frame.activeFocus ? 2 : 1
        activeFocusOnTab: true

        Keys.onUpPressed: root.step(1)
        Keys.onRightPressed: root.step(1)
        Keys.onDownPressed: root.step(-1)
        Keys.onLeftPressed: root.step(-1)

        WheelHandler {
            objectName: "wheel"
            acceptedDevices: PointerDevice.Mouse | PointerDevice.TouchPad
            onWheel: root.step(event.angleDelta.y > 0 ? 1 : event.angleDelta.y < 0 ? -1 : 0)
        }

        SpinStepButton {
            id: down
            objectName: "down"
            anchors.left: parent.left
            text: "\u2212"
            enabled: root.enabled && root.known && root.value > root.from
            onClicked: root.step(-1)
        }
        Text {
            objectName: "valueText"
            anchors.left: down.right
            anchors.right: up.left
            anchors.verticalCenter: parent.verticalCenter
            horizontalAlignment: Text.AlignHCenter
            text: root.known ? root.valueText : "\u2014"
            color: root.pending ? Theme.pendingText : Theme.valueText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontValue
            font.bold: true
            elide: Text.ElideRight
        }
        SpinStepButton {
            id: up
            objectName: "up"
            anchors.right: parent.right
            text: "+"
            enabled: root.enabled && root.known && root.value < root.to
            onClicked: root.step(1)
        }
    }
}
