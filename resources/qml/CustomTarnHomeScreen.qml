import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnHomeScreenModel 1.0
import ButtonImageResolver 1.0
import TarnSettings 1.0

// The signal flow of the fixed-chain processor: the inputs through the input mixer and the
// input blocks to the crossover, and from there each output band (low, mid, high) through its
// equaliser, delay and limiter to its outputs. Which bands exist and which paths are stereo is
// what the processor's crossover attributes and preset listing say (TarnHomeScreenModel).
Item {
    id: flow
    objectName: "customTarnHomeScreen"

    // The model may be given (tests); otherwise the screen makes its own.
    property var model: ownModel
    property bool extraFeatures: settings.value("ExtraFeaturesReady", "") === "true"
    // The preset listing names the objects; until it has come, blocks whose object depends on it
    // (mixer, graphic EQ) are shown but not bound.
    property bool listingKnown: false

    readonly property string mixerPO: model.stereoInput ? "StereoMixer" : "MonoMixer"
    readonly property var meterScale: [-90, -40, -20, -6, 0]
    readonly property var meterLengths: [10, 30, 40, 20]
    readonly property var meterColours: [Theme.meterColors[0], Theme.meterColors[0], Theme.meterColors[1], Theme.meterColors[2]]

    readonly property int tileWidth: 84
    readonly property int tileHeight: 132
    readonly property int gap: 12
    readonly property color wire: "#6c7889"

    TarnHomeScreenModel { id: ownModel }
    ButtonImageResolver { id: imageResolver }
    TarnSettings { id: settings }
    Connections {
        target: flow.model
        // Every listing announces the dual-mono state, so this marks its arrival.
        function onIsDualMonoChanged() { flow.listingKnown = true }
    }

    // A path between two blocks: one line for mono, two for stereo.
    component Wire: Item {
        property bool stereo: false
        property bool vertical: false
        property color tone: flow.wire
        Rectangle {
            color: parent.tone
            x: parent.vertical ? (parent.width - width) / 2 - (parent.stereo ? 3 : 0) : 0
            y: parent.vertical ? 0 : (parent.height - height) / 2 - (parent.stereo ? 3 : 0)
            width: parent.vertical ? 2 : parent.width
            height: parent.vertical ? parent.height : 2
        }
        Rectangle {
            visible: parent.stereo
            color: parent.tone
            x: parent.vertical ? (parent.width - width) / 2 + 3 : 0
            y: parent.vertical ? 0 : (parent.height - height) / 2 + 3
            width: parent.vertical ? 2 : parent.width
            height: parent.vertical ? parent.height : 2
        }
    }

    // Everything is laid out for 1024 x 768 and centred in a larger window.
    Item {
        id: stage
        width: 990
        height: 650
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.top
        anchors.topMargin: 4

        // Inputs A, B and C with their levels.
        Rectangle {
            id: inputs
            objectName: "inputs"
            x: 0
            y: 0
            width: 118
            height: flow.tileHeight
            radius: Theme.radius
            color: "#cc141920"
            border.color: Theme.edge

            Text {
                id: inputsTitle
                objectName: "inputsTitle"
                anchors.top: parent.top
                anchors.topMargin: 5
                anchors.horizontalCenter: parent.horizontalCenter
                text: flow.model.stereoInput ? "INPUTS \u00b7 STEREO" : "INPUTS \u00b7 MONO"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: 10
                font.bold: true
            }
            Row {
                anchors.top: inputsTitle.bottom
                anchors.topMargin: 4
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 4
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 4
                Repeater {
                    model: ["A", "B", "C"]
                    delegate: TarnCustomMeter {
                        objectName: "inputMeter" + modelData
                        width: 34
                        height: parent.height
                        title: modelData
                        poName: "InputMeters"
                        svName: ["Channel", index + 1, "Level"].join("_")
                        clipSvName: "Channel_" + (index + 1) + "_Clip"
                        rangeBounaryValues: flow.meterScale
                        rangeLengthsInPercentage: flow.meterLengths
                        rangeColorsInHex: flow.meterColours
                        cppSignalThreshold: -89
                        showScale: false
                        showReadout: false
                    }
                }
            }
        }

        // The input chain, left to right.
        Row {
            id: inputChain
            objectName: "inputChain"
            anchors.left: inputs.right
            y: 0
            Repeater {
                model: [
                    { name: "MIX", icon: "MIX", caption: "in:MIX", command: "MIX" },
                    { name: "InputDelay", icon: "DLY", caption: "in:DLY", po: "InputDelay", toggle: "DLY", command: "InputDelay" },
                    { name: "AFS", icon: "AFS", caption: "in:AFS", po: "Afs", toggle: "AFS", command: "AFS" },
                    { name: "GEQ", icon: "GEQ", caption: "in:GEQ", toggle: "GEQ", command: "GEQ" },
                    { name: "SUB", icon: "SUB", caption: "in:SUB", po: "SubHarmonicSynth", toggle: "SUB", command: "SUB" },
                    { name: "AEQ", icon: "AEQ", caption: "mid:AEQ", po: "RoomEQ", toggle: "AEQ", command: "AEQ" },
                    { name: "CMP", icon: "CMP", caption: "in:CMP", po: "Compressor", toggle: "CMP", command: "CMP" },
                    { name: "GAT", icon: "norvGate", caption: "in:GAT", po: "Gate", toggle: "GAT", command: "GAT" },
                    { name: "AGC", icon: "AGC", caption: "in:AGC", po: "AGC", toggle: "AGC", command: "AGC" }
                ]
                delegate: Row {
                    id: link
                    readonly property var entry: modelData
                    Wire {
                        width: flow.gap
                        height: flow.tileHeight
                        stereo: flow.model.stereoInput
                    }
                    Loader {
                        sourceComponent: link.entry.name === "GEQ" && flow.model.isDualMono ? dualGeq
                                       : link.entry.name === "MIX" ? mixerBlock : plainBlock
                        property var entry: link.entry
                    }
                }
            }
        }

        Component {
            id: plainBlock
            HomeBlockButton {
                objectName: "block_" + entry.name
                width: flow.tileWidth
                height: flow.tileHeight
                resolver: imageResolver
                iconKey: entry.icon
                captionKey: entry.caption
                poName: entry.name === "GEQ" ? "GEQ" : entry.po
                toggleSvName: imageResolver.toggleSVName(entry.toggle)
                // Stereo and dual-mono presets carry different graphic EQ objects.
                bindable: entry.name !== "GEQ" || flow.listingKnown
                command: entry.command
                payload: entry.name === "GEQ" ? "StereoGEQ" : ""
            }
        }
        Component {
            id: mixerBlock
            HomeBlockButton {
                objectName: "block_MIX"
                width: flow.tileWidth
                height: flow.tileHeight
                resolver: imageResolver
                iconKey: "MIX"
                captionKey: "in:MIX"
                poName: flow.mixerPO
                muteSvName: "Mute"
                bindable: flow.listingKnown
                command: "MIX"
                payload: flow.mixerPO
            }
        }
        Component {
            id: dualGeq
            Column {
                spacing: 2
                Repeater {
                    model: [["LeftGEQ", "L"], ["RightGEQ", "R"]]
                    delegate: HomeBlockButton {
                        objectName: "block_" + modelData[0]
                        compact: true
                        width: flow.tileWidth
                        height: (flow.tileHeight - 2) / 2
                        resolver: imageResolver
                        iconKey: "GEQ"
                        caption: "Graphic EQ " + modelData[1]
                        poName: modelData[0]
                        toggleSvName: imageResolver.toggleSVName("GEQ")
                        bindable: flow.listingKnown
                        command: "GEQ"
                        payload: modelData[0]
                    }
                }
            }
        }

        // From the end of the input chain back down to the crossover.
        Wire {
            id: returnDown
            vertical: true
            stereo: flow.model.stereoInput
            x: inputChain.x + inputChain.width - flow.tileWidth / 2 - 6
            y: flow.tileHeight
            width: 12
            height: 16
        }
        Wire {
            stereo: flow.model.stereoInput
            x: crossover.x + crossover.width / 2 - 3
            y: flow.tileHeight + 10
            width: returnDown.x - x + 9
            height: 12
        }
        Wire {
            vertical: true
            stereo: flow.model.stereoInput
            x: crossover.x + crossover.width / 2 - 6
            y: flow.tileHeight + 16
            width: 12
            height: crossover.y - y
        }

        HomeBlockButton {
            id: crossover
            objectName: "block_Crossover"
            x: 12
            y: flow.tileHeight + 40
            width: 96
            height: Math.max(flow.tileHeight, bands.height)
            resolver: imageResolver
            iconKey: "XOV"
            captionKey: "out:CadenzoCrossover"
            command: "Crossover"
            readonly property int bandCount: (flow.model.lowVisible ? 1 : 0) + (flow.model.midVisible ? 1 : 0)
                                             + (flow.model.highVisible ? 1 : 0)
            note: bandCount === 0 ? "" : bandCount === 1 ? "1 BAND" : bandCount + " BANDS"
        }

        // The output bands, high at the top as on the processor's front panel.
        Column {
            id: bands
            objectName: "bands"
            anchors.left: crossover.right
            anchors.top: crossover.top
            spacing: 10
            Repeater {
                model: [
                    { band: "High", first: 5, shown: flow.model.highVisible, stereo: flow.model.stereoOutputHigh },
                    { band: "Mid", first: 3, shown: flow.model.midVisible, stereo: flow.model.stereoOutputMid },
                    { band: "Low", first: 1, shown: flow.model.lowVisible, stereo: flow.model.stereoOutputLow }
                ]
                delegate: Loader {
                    objectName: "band" + modelData.band
                    active: modelData.shown
                    visible: active
                    property var entry: modelData
                    sourceComponent: bandRow
                }
            }
        }

        Component {
            id: bandRow
            Row {
                id: row
                readonly property string band: entry.band
                readonly property bool stereo: entry.stereo
                height: flow.tileHeight
                Wire { width: 22; height: flow.tileHeight; stereo: row.stereo }
                Rectangle {
                    width: 62
                    height: flow.tileHeight
                    radius: Theme.radius
                    color: "#cc141920"
                    border.color: Theme.edge
                    Column {
                        anchors.centerIn: parent
                        spacing: 4
                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: row.band.toUpperCase()
                            color: Theme.accent
                            font.family: Theme.fontFamily
                            font.pixelSize: 15
                            font.bold: true
                        }
                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: row.stereo ? "STEREO" : "MONO"
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: 10
                            font.bold: true
                        }
                    }
                }
                Repeater {
                    model: [
                        { name: "PEQ", icon: "PEQ", caption: "out:PEQ", suffix: "PEQ", toggle: "PEQ", command: "PEQ" },
                        { name: "Delay", icon: "DLY", caption: "out:DLY", suffix: "Delay", toggle: "DLY", command: "Delay" },
                        { name: "LMT", icon: "LMT", caption: "out:LMT", suffix: "Limiter", toggle: "LMT", command: "LMT" }
                    ]
                    delegate: Row {
                        Wire { width: flow.gap; height: flow.tileHeight; stereo: row.stereo }
                        HomeBlockButton {
                            objectName: "block_" + modelData.name + "_" + row.band
                            width: flow.tileWidth
                            height: flow.tileHeight
                            resolver: imageResolver
                            iconKey: modelData.icon
                            captionKey: modelData.caption
                            poName: row.band + " Outputs " + modelData.suffix
                            toggleSvName: imageResolver.toggleSVName(modelData.toggle)
                            command: modelData.command
                            payload: row.band
                        }
                    }
                }
                Wire { width: flow.gap; height: flow.tileHeight; stereo: row.stereo }
                Column {
                    spacing: 4
                    Repeater {
                        model: row.stereo ? [entry.first, entry.first + 1] : [entry.first]
                        delegate: HomeOutput {
                            channel: modelData
                            resolver: imageResolver
                            width: 300
                            height: row.stereo ? (flow.tileHeight - 4) / 2 : flow.tileHeight
                            meterScale: flow.meterScale
                            meterLengths: flow.meterLengths
                            meterColours: flow.meterColours
                        }
                    }
                }
            }
        }

        // The analyser, the generator and the meters stand beside the flow.
        Column {
            id: tools
            objectName: "tools"
            visible: flow.extraFeatures
            anchors.right: parent.right
            anchors.top: crossover.top
            spacing: 8
            HomeBlockButton {
                objectName: "block_RTA"
                width: flow.tileWidth
                height: 96
                resolver: imageResolver
                iconKey: "RTA"
                captionKey: "rta:RTA"
                command: "RTA"
            }
            HomeBlockButton {
                objectName: "block_SIGGEN"
                width: flow.tileWidth
                height: flow.tileHeight
                resolver: imageResolver
                iconSource: "/images/Home/ICN_SignalGenerator.png"
                captionKey: "in:SIG"
                poName: "SignalGenerator"
                toggleSvName: "SignalGenerator"
                onIsAlert: true
                command: "SIGGEN"
            }
            HomeBlockButton {
                objectName: "block_Meters"
                width: flow.tileWidth
                height: 96
                resolver: imageResolver
                iconSource: "/images/Home/ICN_Meters.png"
                caption: "Meters"
                command: "1"
                payload: "Output 1"
            }
        }
    }
}
