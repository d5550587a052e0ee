import QtQuick 2.15
import QtQuick.Controls 2.15
import CustomComboBox 1.0
import TarnNumericalSV 1.0
import "WidgetText.js" as WT

// A value that can be typed or picked from a list of usual values (frequencies, delay times).
// It shows the processor's text; Enter sends what was typed, a pick sends the entry. The entry
// nearest to the processor's number is marked in the list.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    // The usual values, as texts the processor takes ("100Hz", "1.00kHz").
    property var model: []
    property alias validator: box.validator

    readonly property string valueText: combo.deviceSvValue
    readonly property real value: nsv.value
    readonly property bool known: combo.deviceSvValue !== ""
    readonly property alias control: combo
    readonly property alias numberControl: nsv

    implicitWidth: 220
    implicitHeight: (titleText.visible ? titleText.implicitHeight + 4 : 0) + Theme.touch

    CustomComboBox {
        id: combo
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: nsv
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }

    // The list entry whose number lies nearest to the processor's (entries read as the control
    // reads values: "2.5kHz" is 2500).
    function nearest() {
        var best = -1, bestDistance = Infinity
        for (var i = 0; i < model.length; ++i) {
            var t = String(model[i])
            var v = parseFloat(t)
            if (/kHz$/i.test(t))
                v *= 1000
            if (!isFinite(v))
                continue
            var d = Math.abs(v - nsv.value)
            if (d < bestDistance) {
                best = i
                bestDistance = d
            }
        }
        return best
    }
    function sync() {
        // The index first: a new index puts its entry's text into the field.
        box.currentIndex = root.known ? root.nearest() : -1
        if (!box.contentItem.activeFocus)
            box.editText = WT.pretty(combo.deviceSvValue)
    }
    Connections {
        target: combo
        function onDeviceSvValueChanged() { root.sync() }
    }
    Connections {
        target: nsv
        function onValueChanged() { root.sync() }
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

    StyledComboBox {
        id: box
        objectName: "box"
        y: titleText.visible ? titleText.height + 4 : 0
        width: root.width
        editable: true
        model: root.model
        currentIndex: -1
        inputMethodHints: Qt.ImhFormattedNumbersOnly

        onAccepted: {
            var typed = editText.replace(/\u2212/g, "-").replace(/\u2009/g, "").trim()
            if (typed !== "")
                combo.setValueWithoutFeedback(typed)
            focus = false
            root.sync()
        }
        onActivated: {
            combo.setValueWithoutFeedback(String(root.model[index]))
            root.sync()
        }
    }
}
