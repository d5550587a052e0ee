// Guards against read-only widgets (labels, LEDs, the level assistant) that show texts, lights or
// verdicts other than the processor's, or that send anything.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 500
    height: 200

    Component { id: release; TarnCustomLabel { title: "Release"; poName: "Compressor"; svName: "Release" } }
    Component { id: clip; TarnCustomLED { text: "Clip"; poName: "OutputMeters"; svName: "Channel_2_Clip" } }
    Component {
        id: assist
        LevelAssistMeter {
            width: 420; poName: "InputMeters"; svName: "Channel_3_Level"
            minimum: -60; maximum: 0; targetLow: -24; targetHigh: -12
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
    }
}
