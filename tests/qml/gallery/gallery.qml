import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnButton 1.0
import "qrc:/qml"

// Every widget document once, bound to the offline model's processor.
Rectangle {
    width: 1280
    height: 800
    color: Theme.window

    Text {
        x: 24; y: 14
        text: "Widgets"
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontLarge
        font.bold: true
    }

    // Output section: meters with clip LEDs, faders, mutes.
    Rectangle {
        x: 16; y: 56; width: 560; height: 720
        radius: 10
        color: Theme.surface
        border.color: Theme.edge

        Row {
            x: 12; y: 14
            spacing: 6
            Repeater {
                model: 3
                delegate: TarnCustomMeter {
                    height: 330
                    title: "Out " + (index + 1)
                    poName: "OutputMeters"
                    svName: "Channel_" + (index + 1) + "_Level"
                    clipSvName: "Channel_" + (index + 1) + "_Clip"
                    rangeBounaryValues: [-60, -18, -6, 0]
                    rangeLengthsInPercentage: [55, 30, 15]
                    rangeColorsInHex: ["#2fbf55", "#e8c21f", "#e8392b"]
                }
            }
            TarnFader {
                height: 330
                title: "Out 1"
                poName: "OutputGains"
                svName: "Channel_1_Gain"
                minimum: -80
                maximum: 12
                rangeBounaryValues: [-80, -40, -20, 0, 12]
                rangeLengthsInPercentage: [10, 20, 40, 30]
            }
            TarnFader {
                height: 330
                title: "Out 2"
                poName: "OutputGains"
                svName: "Channel_2_Gain"
                minimum: -80
                maximum: 12
            }
            TarnCustomSlider {
                height: 330
                orientation: Qt.Vertical
                title: "Ratio"
                poName: "Compressor"
                svName: "Ratio"
                ratioSlider: true
            }
        }
        Row {
            x: 16; y: 360
            spacing: 8
            Repeater {
                model: 6
                delegate: OutputMute { channel: index + 1 }
            }
            OutputMuteAll {}
        }
        Column {
            x: 16; y: 430
            spacing: 14
            width: parent.width - 32
            LevelAssistMeter {
                width: parent.width
                title: "Level assist"
                poName: "InputMeters"
                svName: "Channel_1_Level"
                minimum: -60
                maximum: 0
                targetLow: -24
                targetHigh: -10
            }
            TarnCustomMeter {
                width: parent.width
                orientation: Qt.Horizontal
                title: "Gain reduction"
                poName: "Compressor"
                svName: "GainReduction"
                rangeBounaryValues: [-40, -20, -10, 0]
                rangeLengthsInPercentage: [30, 35, 35]
                rangeColorsInHex: ["#2fbf55", "#e8c21f", "#e8392b"]
                cppSignalThreshold: -40
            }
            Row {
                spacing: 18
                TarnCustomLED { text: "Clip In A"; poName: "InputMeters"; svName: "Channel_1_Clip" }
                TarnCustomLED { text: "Clip In B"; poName: "InputMeters"; svName: "Channel_2_Clip"; onColor: Theme.ledOnYellow }
                TarnCustomLED { text: "Signal"; poName: "OutputGains"; svName: "Channel_1_Mute"; onColor: Theme.ledOnGreen }
            }
        }
    }

    // Block section: sliders, buttons, fields, lists.
    Rectangle {
        x: 592; y: 56; width: 672; height: 720
        radius: 10
        color: Theme.surface
        border.color: Theme.edge

        Column {
            x: 18; y: 14
            width: parent.width - 36
            spacing: 14

            TarnCustomSlider { width: parent.width; title: "Threshold"; poName: "Compressor"; svName: "Threshold" }
            TarnCustomSlider { width: parent.width; title: "Gain"; poName: "Compressor"; svName: "Gain" }
            Row {
                spacing: 10
                TarnCustomButton { text: "Compressor"; poName: "Compressor"; svName: "Compressor" }
                TarnCustomButton { text: "Gate"; poName: "Gate"; svName: "Gate" }
                TarnCustomButton {
                    buttonType: TarnButton.Nudge; bumpDirection: -1
                    poName: "Compressor"; svName: "Attack"; poClass: "Compressor"; svClass: "Attack"
                    nudgeJsonData: "[{\"range\":\"0\",\"low\":0,\"high\":1},{\"range\":\"1\",\"low\":1,\"high\":10},{\"range\":\"2\",\"low\":10,\"high\":100},{\"range\":\"3\",\"low\":100,\"high\":200}]"
                }
                TarnCustomLabel { width: 110; title: "Attack"; poName: "Compressor"; svName: "Attack"; horizontalAlignment: Text.AlignHCenter }
                TarnCustomButton {
                    buttonType: TarnButton.Nudge; bumpDirection: 1
                    poName: "Compressor"; svName: "Attack"; poClass: "Compressor"; svClass: "Attack"
                    nudgeJsonData: "[{\"range\":\"0\",\"low\":0,\"high\":1},{\"range\":\"1\",\"low\":1,\"high\":10},{\"range\":\"2\",\"low\":10,\"high\":100},{\"range\":\"3\",\"low\":100,\"high\":200}]"
                }
                MuteButton { poName: "StereoMixer"; svName: "Mute" }
            }
            TarnCustomExclusiveGroup {
                width: parent.width
                title: "Quick curve"
                poName: "GEQ"
                svName: "QuickCurve"
                model: ["Flat", "MyBand", "Speech", "Performance Venue", "DJ", "Manual"]
                columns: 3
            }
            Row {
                spacing: 14
                TarnComboBox { width: 260; title: "Content"; poName: "Afs"; svName: "ContentMode" }
                EditableComboBox {
                    width: 260
                    title: "Sine frequency"
                    poName: "SignalGenerator"
                    svName: "Sine Frequency"
                    model: ["100Hz", "440Hz", "1.00kHz", "2.00kHz", "10.00kHz"]
                }
            }
            Row {
                spacing: 14
                TarnCustomTextField { width: 200; title: "Delay"; poName: "InputDelay"; svName: "Amount"; unit: "ms" }
                CustomSpinBox {
                    width: 260
                    title: "Max attenuation"
                    poName: "Gate"
                    svName: "MaxAttenuation"
                    from: 0; to: 80; stepSize: 1; decimals: 0; unit: "dB"
                }
            }
            Row {
                spacing: 24
                TarnCustomLabel { width: 160; title: "Device"; poName: "NPO"; svName: "Node\\SV\\DeviceName"; pixelSize: Theme.fontNormal }
                TarnCustomLabel { width: 160; title: "Lift time"; poName: "Afs"; svName: "LiftTime" }
                TarnCustomLabel { width: 160; title: "Release"; poName: "Compressor"; svName: "Release" }
            }
        }
    }
}
