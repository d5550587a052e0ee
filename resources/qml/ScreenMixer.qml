import QtQuick 2.15
import ControlDescriptor 1.0
import TarnHomeScreenModel 1.0
import TarnSettings 1.0
import "BlockEntries.js" as Entries

// The input mixer: for each input its level, fader, pan (stereo mixer only) and mute, and the
// mute of the whole mixer. Which mixer the running preset has (stereo or mono) comes from the
// processor's listing of it; until that arrives, from the home screen's choice ("Data/MixerType").
BlockScreenFrame {
    id: frame
    objectName: "mixerScreen"
    title: quarra.active ? (quarra.displayName !== "" ? quarra.displayName : "Mixer") : blockDescriptor.valid ? blockDescriptor.title : "Input Mixer"
    subtitle: quarra.active ? quarra.place() : blockDescriptor.variantLabel
    screenName: "Mixers"
    poName: blockDescriptor.poName

    readonly property var quarraInfo: quarra
    readonly property string mixerType: String(settings.value("Data/MixerType", ""))
    property bool listingKnown: false
    readonly property string chosen: listingKnown ? (chainModel.stereoInput ? "StereoMixer" : "MonoMixer")
                                                  : (mixerType === "StereoMixer" || mixerType === "MonoMixer" ? mixerType : "")
    readonly property bool stereo: blockDescriptor.currentVariant === "StereoMixer"
    readonly property var inputGroups: blockDescriptor.valid ? blockDescriptor.groups.filter(function(g) { return g.indexOf("Input") === 0 }) : []

    TarnSettings { id: settings }
    TarnHomeScreenModel {
        id: chainModel
        // Sent for every listing of the running preset, whatever the flag.
        onIsDualMonoChanged: frame.listingKnown = true
    }
    ControlDescriptor {
        id: blockDescriptor
        source: "/xml/MixerControlDescriptor.xml"
        variant: frame.chosen
    }
    QuarraBlock { id: quarra }

    // The configurable model's mixers and routers have their own inputs; the fixed chain's
    // mixer has inputs A, B and C.
    Loader {
        id: body
        objectName: "mixerBody"
        anchors.fill: parent
        sourceComponent: quarra.active ? quarraBody : tarnBody
    }
    Component {
        id: quarraBody
        QuarMixerBody { quarra: frame.quarraInfo }
    }
    Component {
        id: tarnBody
        Item {
            anchors.fill: parent
            Row {
                id: strips
                spacing: 12
                height: parent.height

                Repeater {
                    model: frame.inputGroups
                    delegate: BlockPanel {
                        id: strip
                        objectName: "strip_" + modelData.replace(" ", "")
                        readonly property var entries: Entries.inGroup(blockDescriptor.controls, modelData)
                        readonly property var meterEntry: Entries.first(entries, function(c) { return c.kind === "meter" })
                        readonly property var gainEntry: Entries.first(entries, function(c) { return c.kind === "number" && c.label === "Gain" })
                        readonly property var panEntry: Entries.first(entries, function(c) { return c.kind === "number" && c.label === "Pan" })
                        readonly property var muteEntry: Entries.first(entries, function(c) { return c.kind === "mute" })
                        width: 226
                        height: strips.height
                        caption: modelData

                        TarnCustomMeter {
                            id: level
                            objectName: "inputLevel"
                            x: strip.padding - 4
                            y: strip.contentTop
                            width: 64
                            height: fader.height
                            title: "Level"
                            poName: strip.meterEntry.po || ""
                            svName: strip.meterEntry.sv || ""
                            clipSvName: (strip.meterEntry.sv || "").replace("_Level", "_Clip")
                            rangeBounaryValues: strip.meterEntry.scale !== undefined ? strip.meterEntry.scale : [-90, 0]
                            rangeLengthsInPercentage: strip.meterEntry.lengths !== undefined ? strip.meterEntry.lengths : [100]
                            cppSignalThreshold: strip.meterEntry.signalThreshold !== undefined ? strip.meterEntry.signalThreshold : -89
                            // Green up to -20 dB, yellow to -6 dB, red above.
                            rangeColorsInHex: ["#2fbf55", "#2fbf55", "#e8c21f", "#e8392b"]
                        }
                        TarnFader {
                            id: fader
                            objectName: "inputFader"
                            x: level.x + level.width + 6
                            y: strip.contentTop
                            width: strip.width - x - strip.padding + 4
                            height: strip.height - y - (pan.visible ? pan.height + 14 : 0) - mute.height - 26
                            title: "Gain"
                            poName: strip.gainEntry.po || ""
                            svName: strip.gainEntry.sv || ""
                            // Positions in percent of the range: "Off" at the bottom is a place, not 0 dB.
                            valueType: "%"
                            minimum: strip.gainEntry.min !== undefined ? strip.gainEntry.min : -80
                            maximum: strip.gainEntry.max !== undefined ? strip.gainEntry.max : 12
                            scaleMarks: []
                        }
                        TarnCustomSlider {
                            id: pan
                            objectName: "inputPan"
                            visible: strip.panEntry.sv !== undefined
                            x: strip.padding
                            y: fader.y + fader.height + 14
                            width: strip.width - 2 * strip.padding
                            title: "Pan"
                            poName: strip.panEntry.po || ""
                            svName: strip.panEntry.sv || ""
                        }
                        MuteButton {
                            id: mute
                            objectName: "inputMute"
                            x: strip.padding
                            anchors.bottom: parent.bottom
                            anchors.bottomMargin: 14
                            width: strip.width - 2 * strip.padding
                            poName: strip.muteEntry.po || ""
                            svName: strip.muteEntry.sv || ""
                            label: "MUTE " + modelData.replace("Input ", "")
                        }
                    }
                }
            }

            BlockPanel {
                id: master
                objectName: "mixerMaster"
                readonly property var muteEntry: Entries.first(Entries.inGroup(blockDescriptor.controls, "Mixer", "mute"))
                x: strips.width + 12
                width: parent.width - x
                height: parent.height
                caption: "Mixer"

                Column {
                    x: master.padding
                    y: master.contentTop + 6
                    width: master.width - 2 * master.padding
                    spacing: 14
                    Text {
                        width: parent.width
                        text: frame.stereo ? "Stereo" : "Mono"
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontLarge
                        font.bold: true
                    }
                    Text {
                        width: parent.width
                        wrapMode: Text.WordWrap
                        text: frame.stereo
                              ? "Inputs A, B and C are mixed to the left and right of the processing chain; pan places each input between them."
                              : "Inputs A, B and C are mixed to the single channel of the processing chain."
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                    }
                    Item { width: 1; height: 12 }
                    MuteButton {
                        objectName: "mixerMute"
                        width: parent.width
                        height: Theme.touch + 12
                        poName: master.muteEntry.po || ""
                        svName: master.muteEntry.sv || ""
                        label: "MUTE ALL"
                    }
                    Text {
                        width: parent.width
                        wrapMode: Text.WordWrap
                        text: "Mutes the mixer's output: nothing reaches the outputs while it is lit."
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontCaption
                    }
                }
            }
        }
    }
}
