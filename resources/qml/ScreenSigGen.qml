import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnButton 1.0
import TarnEnumSV 1.0
import TarnLabel 1.0

// The signal generator: on/off, pink noise, white noise or a sine, the sine's frequency and the
// level. The generator feeds the outputs, so its switch warns while it is on.
ToolScreenFrame {
    id: screen
    objectName: "sigGenScreen"
    title: "Signal Generator"
    subtitle: generatorOn ? "On" : "Off"
    screenName: "SignalGenerator"

    readonly property bool generatorOn: onOff.activeState
    readonly property bool sine: signalType.labelValue === "Sine"
    readonly property var store: typeof rootQML !== "undefined" ? rootQML.appDataStore : null

    function ranges(svClass) {
        return store !== null ? store.getJsonArray("SignalGenerator", svClass) : "[]"
    }

    TarnEnumSV {
        id: types
        poName: "SignalGenerator"
        svName: "Signal Type"
        Component.onCompleted: componentCompleted()
    }
    TarnLabel {
        id: signalType
        poName: "SignalGenerator"
        svName: "Signal Type"
        Component.onCompleted: componentCompleted()
    }

    // A parameter: its slider with the value and unit, and a step down and up.
    component Parameter: Rectangle {
        id: parameter
        property string svName: ""
        property string label: ""
        property string hint: ""
        property alias slider: slider
        readonly property string valueText: slider.valueText
        width: parent.width
        height: column.implicitHeight + 28
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        Column {
            id: column
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 14
            spacing: 8
            TarnCustomSlider {
                id: slider
                objectName: "slider"
                width: parent.width
                title: parameter.label
                poName: "SignalGenerator"
                svName: parameter.svName
            }
            Row {
                spacing: 8
                TarnCustomButton {
                    objectName: "down"
                    buttonType: TarnButton.Nudge
                    bumpDirection: -1
                    poName: "SignalGenerator"
                    svName: parameter.svName
                    poClass: "SignalGenerator"
                    svClass: parameter.svName
                    nudgeJsonData: screen.ranges(parameter.svName)
                    enabled: parameter.enabled
                }
                TarnCustomButton {
                    objectName: "up"
                    buttonType: TarnButton.Nudge
                    bumpDirection: 1
                    poName: "SignalGenerator"
                    svName: parameter.svName
                    poClass: "SignalGenerator"
                    svClass: parameter.svName
                    nudgeJsonData: screen.ranges(parameter.svName)
                    enabled: parameter.enabled
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    leftPadding: 8
                    text: parameter.hint
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontCaption
                }
            }
        }
    }

    Column {
        anchors.fill: parent
        spacing: 16

        Rectangle {
            width: parent.width
            height: Theme.touch + 36
            radius: Theme.radius + 2
            color: "#cc141920"
            border.color: screen.generatorOn ? Theme.warning : Theme.edge
            border.width: screen.generatorOn ? 2 : 1
            Row {
                anchors.left: parent.left
                anchors.leftMargin: 14
                anchors.verticalCenter: parent.verticalCenter
                spacing: 18
                TarnCustomButton {
                    id: onOff
                    objectName: "generatorSwitch"
                    width: 240
                    height: Theme.touch + 8
                    buttonType: TarnButton.SV
                    poName: "SignalGenerator"
                    svName: "SignalGenerator"
                    text: activeState ? "GENERATOR ON" : "GENERATOR OFF"
                    litColor: Theme.warning
                    font.pixelSize: Theme.fontLarge
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: screen.generatorOn ? "The outputs carry " + signalType.labelValue.toLowerCase() + " at " + levelText.valueText + "."
                                             : "Nothing is sent to the outputs."
                    color: screen.generatorOn ? Theme.warning : Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: screen.generatorOn
                }
            }
        }

        Rectangle {
            width: parent.width
            height: typeGroup.implicitHeight + 28
            radius: Theme.radius + 2
            color: "#cc141920"
            border.color: Theme.edge
            TarnCustomExclusiveGroup {
                id: typeGroup
                objectName: "signalType"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 14
                title: "Signal Type"
                poName: "SignalGenerator"
                svName: "Signal Type"
                model: types.enums
            }
        }

        Parameter {
            objectName: "frequency"
            svName: "Sine Frequency"
            label: "Sine Frequency"
            hint: screen.sine ? "" : "Used when the signal type is Sine."
            enabled: screen.sine
            opacity: enabled ? 1.0 : 0.55
        }

        Parameter {
            id: levelText
            objectName: "level"
            svName: "Signal Amplitude"
            label: "Level"
            hint: "Set the level before switching the generator on."
        }
    }
}
