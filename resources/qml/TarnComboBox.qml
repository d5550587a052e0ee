import QtQuick 2.15
import QtQuick.Controls 2.15
import CustomComboBox 1.0
import TarnEnumSV 1.0

// A drop-down list of the processor's choices for a state variable. The list shows the
// processor's value; a choice is sent, and the list returns to the processor's value when the
// processor reports one (so a refused choice does not stay shown).
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""

    readonly property string value: combo.deviceSvValue
    readonly property var choices: enumSv.enums
    readonly property alias control: combo
    readonly property alias choicesControl: enumSv

    implicitWidth: 240
    implicitHeight: (titleText.visible ? titleText.implicitHeight + 4 : 0) + Theme.touch

    CustomComboBox {
        id: combo
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    TarnEnumSV {
        id: enumSv
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }
    function sync() {
        box.currentIndex = enumSv.enums.indexOf(combo.deviceSvValue)
    }
    Connections {
        target: combo
        function onDeviceSvValueChanged() { root.sync() }
    }
    Connections {
        target: enumSv
        function onEnumsChanged() { root.sync() }
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
        model: enumSv.enums
        currentIndex: -1
        displayText: combo.deviceSvValue !== "" ? combo.deviceSvValue : "\u2014"
        onActivated: {
            combo.setValueWithoutFeedback(textAt(index))
            root.sync()
        }
    }
}
