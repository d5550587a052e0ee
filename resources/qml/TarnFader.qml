import QtQuick 2.15
import QtQuick.Controls 2.15
import Fader 1.0
import TarnLabel 1.0
import "WidgetText.js" as WT

// A channel fader. The cap moves with a drag relative to where it was taken (a touch on the
// track never makes it jump), the wheel and the arrow keys; the positions go to the processor
// (throttled) and the value text, with its unit, is the processor's. The scale follows the
// ranges (rangeBounaryValues / rangeLengthsInPercentage), or runs straight from minimum to
// maximum.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property real minimum: -80
    property real maximum: 10
    property var rangeBounaryValues: []
    property var rangeLengthsInPercentage: []
    property string valueType: ""
    // Percent of the travel per wheel notch or arrow key.
    property real wheelStep: 1
    // Values marked on the scale (in the variable's unit); by default the boundaries, or a few
    // values between minimum and maximum.
    property var scaleMarks: rangeBounaryValues.length >= 2
                             ? rangeBounaryValues
                             : [maximum, 0, -10, -20, -40, minimum].filter(function(v) { return v >= minimum && v <= maximum })

    readonly property real position: fader.faderValue
    readonly property bool known: label.labelValue !== "" || fader.faderValue !== 0
    readonly property string valueText: WT.pretty(label.labelValue)
    readonly property bool pending: dragArea.pressed || settle.running
    // Where the cap is drawn: the finger's place while moving, else the processor's.
    property real capPosition: 0
    readonly property alias control: fader

    signal moved(real position)

    implicitWidth: Theme.faderCapWidth + 62
    implicitHeight: 360

    Fader {
        id: fader
        poName: root.poName
        svName: root.svName
        valueType: root.valueType
        minimum: root.minimum
        maximum: root.maximum
        rangeBounaryValues: root.rangeBounaryValues
        rangeLengthsInPercentage: root.rangeLengthsInPercentage
        Component.onCompleted: componentCompleted()
    }
    TarnLabel {
        id: label
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    Connections {
        target: fader
        function onFaderValueChanged() { root.sync() }
    }
    Timer {
        id: settle
        interval: 600
        onTriggered: root.sync()
    }

    function sync() {
        if (!dragArea.pressed && !settle.running)
            capPosition = WT.clamp(fader.faderValue, 0, 100)
    }
    function moveTo(p) {
        p = WT.clamp(p, 0, 100)
        if (p === capPosition)
            return
        capPosition = p
        settle.restart()
        fader.setValueWithoutFeedback(p)
        root.moved(p)
    }
    // The place of a value on the travel (0 ... 100), on the same scale as the control's.
    function placeOf(v) {
        var b = rangeBounaryValues, l = rangeLengthsInPercentage
        var ranges = Math.min(b.length - 1, l.length)
        if (valueType === "%")
            return WT.clamp(v, 0, 100)
        if (b.length >= 2 && ranges >= 1) {
            var before = 0
            for (var i = 0; i < ranges; ++i)
                before += l[i]
            if (v >= b[ranges])
                return WT.clamp(before, 0, 100)
            for (var j = ranges - 1; j >= 0; --j) {
                before -= l[j]
                if (v >= b[j])
                    return WT.clamp(before + (v - b[j]) * l[j] / Math.max(b[j + 1] - b[j], 1e-9), 0, 100)
            }
            return 0
        }
        if (maximum === minimum)
            return 0
        return WT.clamp((v - minimum) * 100 / (maximum - minimum), 0, 100)
    }

    Text {
        id: titleText
        anchors.top: parent.top
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
        id: valueLabel
        objectName: "valueText"
        anchors.bottom: parent.bottom
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        text: label.labelValue !== "" ? root.valueText : "\u2014"
        color: root.pending ? Theme.pendingText : Theme.valueText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontNormal
        font.bold: true
    }

    Item {
        id: travel
        objectName: "travel"
        anchors.top: titleText.bottom
        anchors.bottom: valueLabel.top
        anchors.topMargin: 8
        anchors.bottomMargin: 8
        width: parent.width
        activeFocusOnTab: true
        // The cap's centre runs between these.
        readonly property real start: Theme.faderCapHeight / 2
        readonly property real span: height - Theme.faderCapHeight
        readonly property real slotX: Math.round(Math.min(width * 0.4, Theme.faderCapWidth / 2 + 6))

        function yOf(p) { return start + span * (1 - p / 100) }

        Keys.onUpPressed: root.moveTo(root.capPosition + root.wheelStep)
        Keys.onDownPressed: root.moveTo(root.capPosition - root.wheelStep)

        // The slot.
        Rectangle {
            x: travel.slotX - 3
            y: travel.start
            width: 6
            height: travel.span
            radius: 3
            color: Theme.well
            border.color: Theme.edge
        }
        // The scale: marks and values to the right of the slot.
        Repeater {
            model: root.scaleMarks
            delegate: Item {
                y: travel.yOf(root.placeOf(modelData))
                x: travel.slotX + Theme.faderCapWidth / 2 + 4
                Rectangle { width: modelData === 0 ? 10 : 6; height: 1; color: modelData === 0 ? Theme.text : Theme.textDim }
                Text {
                    x: 13
                    y: -height / 2
                    text: WT.pretty(String(modelData))
                    color: modelData === 0 ? Theme.text : Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: 11
                }
            }
        }
        // The cap.
        Rectangle {
            id: cap
            objectName: "cap"
            x: travel.slotX - width / 2
            y: travel.yOf(root.capPosition) - height / 2
            width: Theme.faderCapWidth
            height: Theme.faderCapHeight
            radius: 4
            opacity: root.known ? 1 : 0.5
            border.color: travel.activeFocus ? Theme.accent : Theme.capLine
            border.width: travel.activeFocus ? 2 : 1
            gradient: Gradient {
                GradientStop { position: 0; color: dragArea.pressed ? Theme.capBottom : Theme.capTop }
                GradientStop { position: 0.5; color: Theme.capBottom }
                GradientStop { position: 1; color: Theme.capTop }
            }
            Rectangle {
                anchors.centerIn: parent
                width: parent.width - 10
                height: 2
                color: Theme.capLine
            }
        }

        MouseArea {
            id: dragArea
            objectName: "dragArea"
            anchors.fill: parent
            preventStealing: true
            property real startY: 0
            property real startPosition: 0
            onPressed: {
                travel.forceActiveFocus()
                startY = mouse.y
                startPosition = root.capPosition
                settle.restart()
            }
            onPositionChanged: {
                if (pressed && travel.span > 0)
                    root.moveTo(startPosition - (mouse.y - startY) / travel.span * 100)
            }
            onReleased: settle.restart()
            onWheel: {
                var notches = wheel.angleDelta.y / 120
                if (notches !== 0)
                    root.moveTo(root.capPosition + notches * root.wheelStep)
            }
        }
    }
}
