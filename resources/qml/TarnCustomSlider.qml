import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnSlider 1.0
import TarnLabel 1.0
import "WidgetText.js" as WT

// A slider bound to one state variable: the handle moves with the finger, mouse, wheel or keys
// at once and the positions go to the processor (throttled); the value text, with its unit, is
// always the processor's. When the user lets go the handle settles on the confirmed position.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property bool ratioSlider: false
    property int orientation: Qt.Horizontal
    // Percent of the travel per wheel notch or arrow key.
    property real wheelStep: 1
    property bool showValue: true

    // The processor's position in percent of the range; -1 until it has reported one.
    readonly property real position: sv.stringProperty
    readonly property bool known: sv.stringProperty >= 0
    // The processor's value text with its unit ("−12.0 dB").
    readonly property string valueText: WT.pretty(label.labelValue)
    // True from a move until the processor's answer (or a short settling time).
    readonly property bool pending: settle.running || slider.pressed
    readonly property alias pressed: slider.pressed
    readonly property alias control: sv

    signal moved(real position)

    implicitWidth: orientation === Qt.Horizontal ? 340 : 96
    implicitHeight: orientation === Qt.Horizontal ? header.height + 6 + Theme.touch : 320

    TarnSlider {
        id: sv
        poName: root.poName
        svName: root.svName
        ratioSlider: root.ratioSlider
        Component.onCompleted: componentCompleted()
    }
    Connections {
        target: sv
        function onStringPropertyChanged() { root.sync() }
    }
    TarnLabel {
        id: label
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }

    // A ratio slider has 38 positions; the control turns a position p into ratio step
    // trunc(trunc(p) * 37 / 100), so the nearest step is asked for by the least whole position
    // that lies on it.
    function ratioPosition(value) {
        return Math.ceil(Math.round(value * 37 / 100) * 100 / 37)
    }

    function sync() {
        if (!slider.pressed && !settle.running)
            slider.value = Math.max(0, sv.stringProperty)
    }

    // After the last touch the handle stays where it was put until the processor has answered.
    Timer {
        id: settle
        interval: 600
        onTriggered: root.sync()
    }

    Item {
        id: header
        objectName: "header"
        width: parent.width
        height: Math.max(titleText.implicitHeight, valueLabel.implicitHeight)
        visible: root.orientation === Qt.Horizontal

        Text {
            id: titleText
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - valueLabel.implicitWidth - 12
            text: root.title
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.capitalization: Font.AllUppercase
            elide: Text.ElideRight
        }
        Text {
            id: valueLabel
            objectName: "valueText"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: root.showValue
            text: root.known || label.labelValue !== "" ? root.valueText : "\u2014"
            color: root.pending ? Theme.pendingText : Theme.valueText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontValue
            font.bold: true
        }
    }

    Text {
        id: verticalTitle
        visible: root.orientation === Qt.Vertical
        anchors.top: parent.top
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        text: root.title
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.capitalization: Font.AllUppercase
        elide: Text.ElideRight
    }
    Text {
        id: verticalValue
        objectName: "verticalValueText"
        visible: root.orientation === Qt.Vertical && root.showValue
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        text: valueLabel.text
        color: valueLabel.color
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontNormal
        font.bold: true
    }

    Slider {
        id: slider
        objectName: "slider"
        from: 0
        to: 100
        orientation: root.orientation
        wheelEnabled: true
        focusPolicy: Qt.StrongFocus
        stepSize: root.ratioSlider ? 100 / 37 : root.wheelStep
        enabled: root.enabled
        opacity: root.known ? 1 : 0.5

        x: 0
        y: root.orientation === Qt.Horizontal ? header.height + 6 : verticalTitle.height + 8
        width: root.width
        height: root.orientation === Qt.Horizontal ? Theme.touch
                                                    : root.height - y - verticalValue.height - 8

        onMoved: {
            settle.restart()
            var p = root.ratioSlider ? root.ratioPosition(value) : value
            sv.setValueWithoutFeedback(p)
            root.moved(p)
        }
        onPressedChanged: settle.restart()

        background: Rectangle {
            readonly property bool horizontal: slider.orientation === Qt.Horizontal
            x: horizontal ? slider.leftPadding : slider.leftPadding + (slider.availableWidth - width) / 2
            y: horizontal ? slider.topPadding + (slider.availableHeight - height) / 2 : slider.topPadding
            width: horizontal ? slider.availableWidth : Theme.sliderTrack
            height: horizontal ? Theme.sliderTrack : slider.availableHeight
            radius: Theme.sliderTrack / 2
            color: Theme.well
            border.color: Theme.edge
            border.width: 1

            Rectangle {
                // The filled part, from the start of the range to the handle.
                readonly property bool horizontal: slider.orientation === Qt.Horizontal
                width: horizontal ? slider.visualPosition * parent.width : parent.width
                height: horizontal ? parent.height : (1 - slider.visualPosition) * parent.height
                y: horizontal ? 0 : slider.visualPosition * parent.height
                radius: parent.radius
                color: Theme.trackFill
                opacity: slider.enabled ? 1 : 0.4
            }
        }

        handle: Rectangle {
            readonly property bool horizontal: slider.orientation === Qt.Horizontal
            x: horizontal ? slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
                          : slider.leftPadding + (slider.availableWidth - width) / 2
            y: horizontal ? slider.topPadding + (slider.availableHeight - height) / 2
                          : slider.topPadding + slider.visualPosition * (slider.availableHeight - height)
            width: horizontal ? Theme.handle * 0.7 : Theme.handle * 1.3
            height: horizontal ? Theme.handle : Theme.handle * 0.7
            radius: 5
            border.color: slider.visualFocus ? Theme.accent : Theme.capLine
            border.width: slider.visualFocus ? 2 : 1
            gradient: Gradient {
                GradientStop { position: 0; color: slider.pressed ? Theme.capBottom : Theme.capTop }
                GradientStop { position: 1; color: Theme.capBottom }
            }
            Rectangle {
                // The index line across the handle.
                anchors.centerIn: parent
                width: parent.horizontal ? 2 : parent.width - 8
                height: parent.horizontal ? parent.height - 8 : 2
                color: Theme.capLine
            }
        }
    }
}
