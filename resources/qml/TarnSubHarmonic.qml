import QtQuick 2.15
import ControlDescriptor 1.0
import TarnSlider 1.0
import "BlockEntries.js" as Entries

// Sub-harmonic synthesis: the amount of synthesis and the levels of the two octaves it adds
// ("24Hz-36Hz", "36Hz-56Hz"), with a picture of where they sit below the programme's bass.
BlockScreenFrame {
    id: frame
    objectName: "subHarmonicScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Sub harmonic Synth"
    subtitle: quarra.place()
    screenName: "SubHarmonic"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)

    readonly property var numbers: Entries.ofKind(blockDescriptor.controls, "number")
    function svOf(label) {
        for (var i = 0; i < numbers.length; ++i) {
            if (numbers[i].label === label)
                return numbers[i].sv
        }
        return ""
    }

    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/SubHarmonicControlDescriptor.xml"
    }
    // The levels are percentages of 0 … 100 %: the position in the range is the value itself.
    TarnSlider { id: amountSV; poName: frame.poName; svName: frame.svOf("Subharmonics"); Component.onCompleted: componentCompleted() }
    TarnSlider { id: lowSV; poName: frame.poName; svName: frame.svOf("24Hz-36Hz"); Component.onCompleted: componentCompleted() }
    TarnSlider { id: highSV; poName: frame.poName; svName: frame.svOf("36Hz-56Hz"); Component.onCompleted: componentCompleted() }

    BlockPanel {
        id: picture
        objectName: "synthesisPicture"
        x: 0
        width: 470
        height: parent.height
        caption: "Added octaves"

        readonly property real lowHz: 18
        readonly property real highHz: 125
        readonly property real plotLeft: padding + 34
        readonly property real plotRight: width - padding - 6
        readonly property real plotTop: contentTop + 34
        readonly property real plotBottom: height - 64
        function xOf(hz) {
            return plotLeft + (plotRight - plotLeft) * Math.log(hz / lowHz) / Math.log(highHz / lowHz)
        }
        function yOf(percent) {
            return plotBottom - (plotBottom - plotTop) * Math.max(0, Math.min(100, percent)) / 100
        }
        // How much of a band's level reaches the output: its level scaled by the amount.
        function share(levelSV) {
            if (levelSV.stringProperty < 0 || amountSV.stringProperty < 0)
                return 0
            return levelSV.stringProperty * (0.35 + 0.65 * amountSV.stringProperty / 100)
        }

        Rectangle {
            x: picture.plotLeft; y: picture.plotTop
            width: picture.plotRight - picture.plotLeft
            height: picture.plotBottom - picture.plotTop
            color: Theme.well
            border.color: Theme.edge
        }
        Repeater {
            model: [20, 30, 40, 50, 60, 80, 100, 125]
            delegate: Item {
                Rectangle {
                    x: picture.xOf(modelData)
                    y: picture.plotTop
                    width: 1
                    height: picture.plotBottom - picture.plotTop
                    color: Theme.edge
                    opacity: 0.6
                }
                Text {
                    x: picture.xOf(modelData) - width / 2
                    y: picture.plotBottom + 6
                    text: modelData
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: 12
                }
            }
        }
        Text {
            x: picture.plotLeft + (picture.plotRight - picture.plotLeft) / 2 - width / 2
            y: picture.plotBottom + 24
            text: "Frequency (Hz)"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
        }
        Text {
            x: picture.padding - 4
            y: picture.plotTop - height - 6
            text: "Level (%)"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
        }
        Repeater {
            model: [0, 50, 100]
            delegate: Text {
                x: picture.plotLeft - width - 6
                y: picture.yOf(modelData) - height / 2
                text: modelData
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: 12
            }
        }
        // The programme's own bass, above the added octaves.
        Rectangle {
            x: picture.xOf(56)
            y: picture.yOf(70)
            width: picture.plotRight - x - 1
            height: picture.plotBottom - y
            color: Theme.textDim
            opacity: 0.18
        }
        Text {
            x: picture.xOf(56) + 10
            y: picture.yOf(70) + 8
            text: "Programme"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
        }
        OctaveBar { objectName: "octaveLow"; from: 24; to: 36; label: "24Hz-36Hz"; level: picture.share(lowSV) }
        OctaveBar { objectName: "octaveHigh"; from: 36; to: 56; label: "36Hz-56Hz"; level: picture.share(highSV) }
    }

    // One added octave: its band on the frequency axis, as high as the level that reaches the output.
    component OctaveBar: Item {
        property real from: 24
        property real to: 36
        property string label: ""
        property real level: 0
        readonly property real startX: picture.xOf(from)
        readonly property real endX: picture.xOf(to)
        x: 0
        y: 0
        Rectangle {
            x: parent.startX + 1
            width: parent.endX - parent.startX - 2
            y: picture.yOf(parent.level)
            height: picture.plotBottom - y
            color: frame.blockOn ? Theme.accent : Theme.textDim
            opacity: frame.blockOn ? 0.85 : 0.35
            Behavior on y { NumberAnimation { duration: 120 } }
        }
        Text {
            x: parent.startX + (parent.endX - parent.startX) / 2 - width / 2
            y: picture.plotTop + 6
            text: parent.label
            color: frame.blockOn ? Theme.text : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
        }
    }

    BlockPanel {
        id: meters
        objectName: "metersPanel"
        x: picture.width + 12
        width: 90
        height: parent.height
        caption: "Input"
        TarnCustomMeter {
            objectName: "inputMeter"
            x: 12
            y: meters.contentTop
            width: 66
            height: meters.height - meters.contentTop - 12
            title: ""
            poName: "InputMeters"
            svName: "Channel_1_Level"
            clipSvName: "Channel_1_Clip"
            rangeBounaryValues: [-90, -40, -20, -6, 0]
            rangeLengthsInPercentage: [10, 30, 40, 20]
            cppSignalThreshold: -89
            rangeColorsInHex: ["#2fbf55", "#2fbf55", "#e8c21f", "#e8392b"]
        }
    }

    BlockPanel {
        id: settingsPanel
        objectName: "settingsPanel"
        x: meters.x + meters.width + 12
        width: parent.width - x
        height: parent.height
        caption: "Settings"
        Column {
            x: settingsPanel.padding
            y: settingsPanel.contentTop + 4
            width: settingsPanel.width - 2 * settingsPanel.padding
            spacing: 22
            Repeater {
                model: frame.numbers
                delegate: BlockParameter {
                    objectName: "parameter_" + modelData.sv
                    width: parent.width
                    entry: modelData
                }
            }
            Rectangle { width: parent.width; height: 1; color: Theme.edge }
            Text {
                width: parent.width
                wrapMode: Text.WordWrap
                lineHeight: 1.15
                text: "The synthesizer adds bass an octave below what the programme holds. "
                      + "Subharmonics sets how much of it is made; the two levels set how much of each octave "
                      + "goes to the output. Start low: the added octaves take amplifier power and speaker excursion."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
        }
    }
}
