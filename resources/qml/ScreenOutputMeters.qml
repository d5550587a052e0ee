import QtQuick 2.15
import QtQuick.Controls 2.15
import ControlDescriptor 1.0

// Headroom of every input and output: a level meter per channel with its clip light, and for
// the outputs their mute and gain. The channels and their variables come from the control
// descriptor, one group per channel.
ToolScreenFrame {
    id: screen
    objectName: "outputMetersScreen"
    title: "Output Meters"
    subtitle: "Headroom to 0 dBFS"
    screenName: "OutputMeters"

    // Which band each output carries on the fixed-chain model; the configurable model names
    // its outputs in its configuration.
    readonly property bool configurable: typeof rootQML !== "undefined" && rootQML.platform === "Quarra" && rootQML.hsModel !== null
    readonly property var outputRoles: configurable
        ? rootQML.hsModel.objectsOfType("Output").map(function(o) { return rootQML.hsModel.objectAttribute(o, "OutputName") })
        : ["Low L", "Low R", "Mid L", "Mid R", "High L", "High R"]
    readonly property var meterColours: [Theme.meterColors[0], Theme.meterColors[0], Theme.meterColors[1], Theme.meterColors[2]]

    function controlOf(group, kind) {
        var list = descriptor.controlsInGroup(group)
        for (var i = 0; i < list.length; ++i) {
            if (list[i].kind === kind)
                return list[i]
        }
        return null
    }
    function inputGroups() {
        return descriptor.groups.filter(function(g) { return g.indexOf("Input") === 0 })
    }
    function outputGroups() {
        return descriptor.groups.filter(function(g) { return g.indexOf("Output") === 0 })
    }

    ControlDescriptor {
        id: descriptor
        source: "/xml/OutputMetersControlDescriptor.xml"
    }

    Row {
        anchors.fill: parent
        spacing: 16

        Rectangle {
            id: inputsPanel
            objectName: "inputsPanel"
            width: inputColumns.implicitWidth + 28
            height: parent.height
            radius: Theme.radius + 2
            color: "#cc141920"
            border.color: Theme.edge
            Text {
                id: inputsTitle
                x: 14
                y: 10
                text: "INPUTS"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
                font.bold: true
            }
            Row {
                id: inputColumns
                x: 14
                anchors.top: inputsTitle.bottom
                anchors.topMargin: 8
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 12
                spacing: 6
                Repeater {
                    model: screen.inputGroups()
                    delegate: Column {
                        id: inputChannel
                        readonly property var meterSpec: screen.controlOf(modelData, "meter")
                        readonly property var clipSpec: screen.controlOf(modelData, "clip")
                        width: 70
                        height: parent.height
                        TarnCustomMeter {
                            objectName: "meter_" + modelData
                            width: parent.width
                            height: parent.height - Theme.touch - 8
                            title: modelData
                            poName: inputChannel.meterSpec.po
                            svName: inputChannel.meterSpec.sv
                            clipSvName: inputChannel.clipSpec !== null ? inputChannel.clipSpec.sv : ""
                            rangeBounaryValues: inputChannel.meterSpec.scale
                            rangeLengthsInPercentage: inputChannel.meterSpec.lengths
                            rangeColorsInHex: screen.meterColours
                            cppSignalThreshold: inputChannel.meterSpec.signalThreshold
                        }
                    }
                }
            }
        }

        Rectangle {
            objectName: "outputsPanel"
            width: parent.width - inputsPanel.width - parent.spacing
            height: parent.height
            radius: Theme.radius + 2
            color: "#cc141920"
            border.color: Theme.edge
            Text {
                id: outputsTitle
                x: 14
                y: 10
                text: "OUTPUTS"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
                font.bold: true
            }
            Row {
                x: 14
                anchors.top: outputsTitle.bottom
                anchors.topMargin: 8
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 12
                spacing: 10
                Repeater {
                    model: screen.outputGroups()
                    delegate: Column {
                        id: channel
                        readonly property var meterSpec: screen.controlOf(modelData, "meter")
                        readonly property var clipSpec: screen.controlOf(modelData, "clip")
                        readonly property var muteSpec: screen.controlOf(modelData, "mute")
                        readonly property var gainSpec: screen.controlOf(modelData, "number")
                        width: 106
                        height: parent.height
                        spacing: 6
                        Row {
                            id: channelTitle
                            spacing: 6
                            Text {
                                text: modelData
                                color: Theme.text
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontCaption
                                font.bold: true
                            }
                            Text {
                                width: 106 - x
                                elide: Text.ElideRight
                                textFormat: Text.PlainText
                                // A configured name that only repeats the channel's says nothing.
                                text: screen.outputRoles[index] !== undefined && screen.outputRoles[index] !== modelData ? screen.outputRoles[index] : ""
                                color: Theme.accent
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontCaption
                                font.bold: true
                            }
                        }
                        Row {
                            height: parent.height - muteButton.height - channelTitle.height - 2 * parent.spacing
                            spacing: 0
                            TarnCustomMeter {
                                objectName: "meter_" + modelData
                                width: 58
                                height: parent.height
                                title: "Level"
                                poName: channel.meterSpec.po
                                svName: channel.meterSpec.sv
                                clipSvName: channel.clipSpec !== null ? channel.clipSpec.sv : ""
                                rangeBounaryValues: channel.meterSpec.scale
                                rangeLengthsInPercentage: channel.meterSpec.lengths
                                rangeColorsInHex: screen.meterColours
                                cppSignalThreshold: channel.meterSpec.signalThreshold
                            }
                            TarnCustomSlider {
                                objectName: "gain_" + modelData
                                width: 48
                                height: parent.height
                                orientation: Qt.Vertical
                                title: "Gain"
                                poName: channel.gainSpec.po
                                svName: channel.gainSpec.sv
                            }
                        }
                        MuteButton {
                            id: muteButton
                            objectName: "mute_" + modelData
                            width: parent.width - 6
                            poName: channel.muteSpec.po
                            svName: channel.muteSpec.sv
                            label: muted ? "MUTED" : "MUTE"
                        }
                    }
                }
            }
        }
    }
}
