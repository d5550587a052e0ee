import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnTextField 1.0

// An editable value with a unit, e.g. a delay in "ms". It shows the processor's text; a tap
// (or click) edits it, Enter sends the new text with its unit, Escape gives the edit up. An
// edit shows in the pending colour until the processor reports the value.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property string unit: ""
    property alias validator: field.validator
    property alias inputMethodHints: field.inputMethodHints

    readonly property string labelValue: tf.labelValue
    readonly property bool editing: field.activeFocus
    property bool pending: false
    readonly property alias control: tf

    implicitWidth: 200
    implicitHeight: (titleText.visible ? titleText.implicitHeight + 4 : 0) + Theme.touch

    TarnTextField {
        id: tf
        poName: root.poName
        svName: root.svName
        unit: root.unit
        Component.onCompleted: componentCompleted()
    }
    Connections {
        target: tf
        function onLabelValueChanged() {
            if (root.pending && tf.labelValue.endsWith(root.unit))
                root.pending = false
            if (!field.activeFocus)
                field.text = root.shown()
        }
    }

    // The processor's text without the unit (the unit stands beside the field).
    function shown() {
        var t = tf.labelValue
        if (root.unit !== "" && t.endsWith(root.unit))
            t = t.substring(0, t.length - root.unit.length)
        return t
    }
    function commit() {
        var t = field.text.trim()
        field.focus = false
        if (t === "" || t === root.shown()) {
            field.text = root.shown()
            return
        }
        root.pending = true
        tf.labelValue = t
        field.text = t
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

    TextField {
        id: field
        objectName: "field"
        y: titleText.visible ? titleText.height + 4 : 0
        width: root.width
        height: Theme.touch
        rightPadding: unitText.implicitWidth + 20
        leftPadding: 14
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontValue
        font.bold: true
        color: root.pending ? Theme.pendingText : Theme.valueText
        selectionColor: Theme.accent
        selectedTextColor: Theme.textOnAccent
        placeholderText: "\u2014"
        placeholderTextColor: Theme.textDim
        horizontalAlignment: TextInput.AlignRight
        selectByMouse: true
        inputMethodHints: Qt.ImhFormattedNumbersOnly

        onAccepted: root.commit()
        onActiveFocusChanged: {
            if (activeFocus)
                selectAll()
            else if (text !== root.shown() && !root.pending)
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
        Text {
            id: unitText
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            text: root.unit
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
        }
    }
}
