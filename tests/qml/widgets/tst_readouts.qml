// Guards against read-only widgets (labels, LEDs, meters, the level assistant) that show texts,
// lights, levels or verdicts other than the processor's, peaks that never fall, or that send.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 500
    height: 400

    Component { id: release; TarnCustomLabel { title: "Release"; poName: "Compressor"; svName: "Release" } }
    Component { id: clip; TarnCustomLED { text: "Clip"; poName: "OutputMeters"; svName: "Channel_2_Clip" } }
    Component {
        id: assist
        LevelAssistMeter {
            width: 420; poName: "InputMeters"; svName: "Channel_3_Level"
            minimum: -60; maximum: 0; targetLow: -24; targetHigh: -12
        }
    }
    Component {
        id: vertical
        TarnCustomMeter {
            height: 300
            title: "Out 4"
            poName: "OutputMeters"
            svName: "Channel_4_Level"
            clipSvName: "Channel_4_Clip"
            rangeBounaryValues: [-40, -20, 0]
            rangeLengthsInPercentage: [50, 50]
            rangeColorsInHex: ["#00ff00", "#ff0000"]
            cppSignalThreshold: -60
        }
    }
    Component {
        id: horizontal
        TarnCustomMeter {
            width: 300
            orientation: Qt.Horizontal
            poName: "Compressor"
            svName: "GainReduction"
            showScale: false
        }
    }

    TestCase {
        name: "Readouts"
        when: windowShown

        function init() { TestLink.clearSent() }

        function test_labelShowsTheProcessorsText() {
            var l = createTemporaryObject(release, stage)
            verify(TestLink.count(TestLink.line("sub", "Compressor", "Release")) >= 1)
            compare(H.find(l, "valueText").text, "\u2014")
            TestLink.offer("subr", "Compressor", "Release", "100dB/s")
            compare(H.find(l, "valueText").text, "100\u2009dB/s")
            TestLink.offer("subr", "Compressor", "Release", "-3.5dB")
            compare(l.valueText, "\u22123.5\u2009dB")
            l.pretty = false
            compare(l.valueText, "-3.5dB")
            TestLink.clearSent()
            TestLink.offer("subr", "Compressor", "Release", "Off")
            compare(TestLink.sent, [])
        }

        function test_ledLightsWithTheProcessor() {
            var led = createTemporaryObject(clip, stage)
            // Polled, never subscribed.
            verify(TestLink.count(TestLink.line("asyncget", "OutputMeters", "Channel_2_Clip")) >= 1)
            compare(TestLink.count(TestLink.line("sub", "OutputMeters", "Channel_2_Clip")), 0)
            verify(!led.lit)
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "On")
            verify(led.lit)
            // Each answer brings the next poll.
            TestLink.clearSent()
            tryCompare(TestLink, "sent", [TestLink.line("asyncget", "OutputMeters", "Channel_2_Clip")])
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "Off")
            verify(!led.lit)
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "1")
            verify(led.lit)
        }

        function test_levelAssistVerdicts() {
            var m = createTemporaryObject(assist, stage)
            compare(H.find(m, "verdict").text, "\u2014")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-30.0dB")
            compare(m.level, 50)
            compare(m.verdict, "Too low")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-18.0dB")
            compare(H.find(m, "verdict").text, "Good  \u221218.0\u2009dB")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-3.0dB")
            compare(m.verdict, "Too high")
            // The fill follows the level; the target window sits between its limits.
            var bar = H.find(m, "bar"), fill = H.find(m, "fill"), target = H.find(m, "target")
            fuzzyCompare(fill.width, (bar.width - 4) * 0.95, 0.01)
            fuzzyCompare(target.x, 2 + (bar.width - 4) * 0.6, 0.01)
            fuzzyCompare(target.width, (bar.width - 4) * 0.2, 0.01)
        }

        function test_levelOnThePiecewiseScale() {
            var m = createTemporaryObject(vertical, stage)
            verify(!m.known)
            compare(m.level, 0)
            compare(H.find(m, "readout").text, "\u2212\u221e")
            // The meter and its clip LED poll; neither subscribes.
            tryVerify(function() { return TestLink.count(TestLink.line("asyncget", "OutputMeters", "Channel_4_Clip")) >= 1 })
            compare(TestLink.count(TestLink.line("sub", "OutputMeters", "Channel_4_Level")), 0)

            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Level", "-10 dB")
            verify(m.known)
            compare(m.level, 75)
            compare(H.find(m, "readout").text, "\u221210\u2009dB")
            // The lower range is fully lit, the upper half lit.
            var bar = H.find(m, "bar")
            var low = H.find(m, "lit0"), high = H.find(m, "lit1")
            compare(low.height, low.parent.height)
            fuzzyCompare(high.height, high.parent.height / 2, 0.01)
            compare(String(high.color), "#ff0000")
            compare(m.peak, 75)

            // Under the threshold: nothing lit; the peak holds a moment, then falls.
            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Level", "-70 dB")
            compare(m.level, 0)
            compare(low.height, 0)
            compare(m.peak, 75)
            tryCompare(m, "peak", 0, 3000)

            // The clip LED on top of the bar.
            verify(!m.clipping)
            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Clip", "On")
            verify(m.clipping)
            verify(H.find(m, "clipLed").visible)
        }

        function test_horizontalWithDefaultRanges() {
            var m = createTemporaryObject(horizontal, stage)
            compare(m.rangeColorsInHex.length, 3)
            verify(!H.find(m, "clipLed").visible)
            TestLink.offer("asyncget", "Compressor", "GainReduction", "-12.0dB")
            // Defaults: [-60, -18, -6, 0] over [55, 30, 15].
            fuzzyCompare(m.level, 55 + 6 / 12 * 30, 0.001)
            var lit = H.find(m, "lit1")
            fuzzyCompare(lit.width, lit.parent.width / 2, 0.01)
            compare(lit.height, lit.parent.height)
        }
    }
}
