import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnButton 1.0
import TarnLabel 1.0
import TarnNumericalSV 1.0
import "WidgetText.js" as WT

// One parameter of a band or filter: the processor's value with its unit between a − and a +
// that step it by the step of the range the value lies in (the app data store's range data
// for poClass/svClass). A tap on the value types a new one ("1.2k", "250", "-3.5"); it shows in
// the pending colour until the processor reports it.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    // The classes that choose the nudge step (the step table's keys).
    property string poClass: ""
    property string svClass: ""
    property bool editable: true
    readonly property string valueText: label.labelValue
    readonly property real value: nsv.value
    property bool pending: false
    // Narrow fields keep more room for the value.
    readonly property real rowWidth: titleBeside ? width - titleWidth : width
    readonly property int keyWidth: rowWidth < 180 ? 40 : rowWidth < 240 ? 44 : Theme.touch

    implicitWidth: 260
    // The title to the left of the value instead of above it.
    property bool titleBeside: false
    property int titleWidth: 110

    implicitHeight: titleBeside ? Theme.touch : titleText.implicitHeight + 4 + Theme.touch

    function ranges() {
        if (typeof rootQML === "undefined" || rootQML.appDataStore === null || poClass === "")
            return "[]"
        return rootQML.appDataStore.getJsonArray(poClass, svClass)
    }
    // "2.5k", "2.5 kHz", "250 Hz", "-3 dB" -> a number; NaN when the text holds none.
    function parse(text) {
        var t = String(text).trim().toLowerCase().replace("\u2212", "-")
        var scale = 1
        if (/k(hz)?$/.test(t)) {
            scale = 1000
            t = t.replace(/k(hz)?$/, "")
        }
        t = t.replace(/(hz|db)$/, "").trim()
        var v = Number(t)
        return t === "" || !isFinite(v) ? NaN : v * scale
    }
    function commit() {
        var v = parse(field.text)
        field.focus = false
        if (isNaN(v)) {
            field.text = shown()
            return
        }
        pending = true
        forget.restart()
        nsv.setValueWithoutFeedback(v)
    }
    function shown() {
        return label.labelValue !== "" ? WT.pretty(label.labelValue) : "\u2014"
    }

    TarnLabel {
        id: label
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
        onLabelValueChanged: {
            root.pending = false
            if (!field.activeFocus)
                field.text = root.shown()
        }
    }
    TarnNumericalSV {
        id: nsv
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    // A typed value the processor does not take stops being shown as pending.
    Timer {
        id: forget
        interval: 2500
        onTriggered: {
            root.pending = false
            if (!field.activeFocus)
                field.text = root.shown()
        }
    }
    onPoNameChanged: field.text = shown()
    onSvNameChanged: field.text = shown()

    Text {
        id: titleText
        height: root.titleBeside ? Theme.touch : implicitHeight
        verticalAlignment: Text.AlignVCenter
        text: root.title
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        elide: Text.ElideRight
        width: root.titleBeside ? root.titleWidth - 8 : root.width
    }

    Item {
        x: root.titleBeside ? root.titleWidth : 0
        y: root.titleBeside ? 0 : titleText.implicitHeight + 4
        width: root.width - x
        height: Theme.touch

        TarnCustomButton {
            id: down
            objectName: "nudgeDown"
            anchors.left: parent.left
            width: root.keyWidth
            height: Theme.touch
            poName: root.poName
            svName: root.svName
            buttonType: TarnButton.Nudge
            bumpDirection: -1
            poClass: root.poClass
            svClass: root.svClass
            nudgeJsonData: root.ranges()
            enabled: root.enabled && label.labelValue !== ""
        }
        TextField {
            id: field
            objectName: "valueField"
            anchors.left: down.right
            anchors.right: up.left
            anchors.leftMargin: 6
            anchors.rightMargin: 6
            height: Theme.touch
            text: root.shown()
            readOnly: !root.editable
            horizontalAlignment: TextInput.AlignHCenter
            verticalAlignment: TextInput.AlignVCenter
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontValue
            font.bold: true
            // Shown by the fitted text below unless being edited.
            color: activeFocus ? (root.pending ? Theme.pendingText : Theme.valueText) : "transparent"
            selectionColor: Theme.accent
            selectedTextColor: Theme.textOnAccent
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            onAccepted: root.commit()
            onActiveFocusChanged: {
                if (activeFocus)
                    selectAll()
                else if (!root.pending)
                    text = root.shown()
            }
            Keys.onEscapePressed: {
                text = root.shown()
                focus = false
            }
            background: Rectangle {
                radius: Theme.radius
                color: Theme.well
                border.color: field.activeFocus ? Theme.accent : Theme.edge
                border.width: field.activeFocus ? 2 : 1
            }
            // The value, made smaller rather than cut where the field is narrow.
            Text {
                objectName: "valueText"
                visible: !field.activeFocus
                anchors.fill: parent
                anchors.leftMargin: 6
                anchors.rightMargin: 6
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                text: field.text
                color: root.pending ? Theme.pendingText : Theme.valueText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontValue
                font.bold: true
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 11
            }
        }
        TarnCustomButton {
            id: up
            objectName: "nudgeUp"
            anchors.right: parent.right
            width: root.keyWidth
            height: Theme.touch
            poName: root.poName
            svName: root.svName
            buttonType: TarnButton.Nudge
            bumpDirection: 1
            poClass: root.poClass
            svClass: root.svClass
            nudgeJsonData: root.ranges()
            enabled: root.enabled && label.labelValue !== ""
        }
    }
}
