// Guards against buttons, mute buttons and button groups that light before the processor confirms,
// bind the wrong output, nudge by the wrong step, or send out of order or what they must not, and
// read-only widgets (labels, LEDs, meters, level assistant) that show other than the processor's
// texts, lights, levels or verdicts, keep peaks that never fall, or send.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import TarnButton 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 600
    height: 400

    Component { id: onOff; TarnCustomButton { text: "Gate"; poName: "Gate"; svName: "Gate" } }
    Component {
        id: nudge
        TarnCustomButton {
            buttonType: TarnButton.Nudge; bumpDirection: 1
            poName: "Compressor"; svName: "Attack"; poClass: "Compressor"; svClass: "Attack"
            nudgeJsonData: '[{"range":"0","low":0,"high":1},{"range":"1","low":1,"high":10},{"range":"2","low":10,"high":100}]'
        }
    }
    Component { id: singleShot; TarnCustomButton { text: "Store"; buttonType: TarnButton.SingleShot; poName: "Presets"; svName: "Store" } }
    Component { id: member; TarnCustomButton { text: "LR 24"; buttonType: TarnButton.XGroupMember; poName: "Crossover"; svName: "Band_1_HPType" } }
    Component {
        id: curves
        TarnCustomExclusiveGroup {
            width: 560; title: "Quick curve"; poName: "GEQ"; svName: "QuickCurve"
            model: ["Flat", "Speech", "DJ"]; labels: ["Flat", "Speech", "DJ set"]
        }
    }
    Component { id: mute; MuteButton { poName: "MonoMixer"; svName: "Mute" } }
    Component { id: out4; OutputMute { channel: 4 } }
    Component { id: muteAll; OutputMuteAll { outputCount: 3 } }

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
            height: 300; title: "Out 4"; poName: "OutputMeters"; svName: "Channel_4_Level"; clipSvName: "Channel_4_Clip"
            rangeBounaryValues: [-40, -20, 0]; rangeLengthsInPercentage: [50, 50]; rangeColorsInHex: ["#00ff00", "#ff0000"]
            cppSignalThreshold: -60
        }
    }
    Component { id: horizontal; TarnCustomMeter { width: 300; orientation: Qt.Horizontal; poName: "Compressor"; svName: "GainReduction"; showScale: false } }

    TestCase {
        name: "ButtonsAndReadouts"
        when: windowShown

        function init() { TestLink.clearSent() }

        function test_buttonKinds() {
            var b = createTemporaryObject(onOff, stage)
            verify(TestLink.count(TestLink.line("sub", "Gate", "Gate")) >= 1)
            TestLink.offer("subr", "Gate", "Gate", "Off")
            verify(!b.lit)
            TestLink.clearSent()
            mouseClick(b)
            compare(TestLink.sent, [TestLink.line("set", "Gate", "Gate", "1")])
            verify(!b.lit) // not before the processor says so
            TestLink.offer("subr", "Gate", "Gate", "On")
            compare([b.lit, b.activeState], [true, true])
            // A tap works the same.
            TestLink.clearSent()
            var touch = touchEvent(b)
            touch.press(0, b, b.width / 2, b.height / 2).commit()
            touch.release(0, b, b.width / 2, b.height / 2).commit()
            compare(TestLink.sent, [TestLink.line("set", "Gate", "Gate", "0")])

            var nudger = createTemporaryObject(nudge, stage)
            compare(nudger.text, "+")
            TestLink.offer("subr", "Compressor", "Attack", "10.0ms")
            compare(nudger.valueToNudge, 10)
            TestLink.clearSent()
            mouseClick(nudger)
            compare(TestLink.sent, [TestLink.line("set", "Compressor", "Attack", "10.5")])
            // Held down, it keeps stepping.
            TestLink.clearSent()
            mousePress(nudger)
            tryVerify(function() { return TestLink.sent.length >= 3 }, 3000)
            mouseRelease(nudger)
            compare(TestLink.sent.slice(0, 2), [TestLink.line("set", "Compressor", "Attack", "11"), TestLink.line("set", "Compressor", "Attack", "11.5")])
            nudger.bumpDirection = -1
            compare(nudger.text, "\u2212")

            var s = createTemporaryObject(singleShot, stage)
            TestLink.clearSent()
            mouseClick(s)
            compare(setLines(), 1)
            verify(TestLink.sent.indexOf("set \"\\\\Storage\\Presets\\SV\\Store\\\" \"1\"") >= 0)

            var m = createTemporaryObject(member, stage)
            var clicks = 0
            m.clicked.connect(function() { ++clicks })
            TestLink.clearSent()
            mouseClick(m)
            compare([clicks, setLines(), m.lit], [1, 0, false])
            m.selected = true
            verify(m.lit)

            var all = createTemporaryObject(muteAll, stage)
            TestLink.clearSent()
            mouseClick(all)
            var sets = TestLink.sent.filter(function(l) { return l.indexOf("set ") === 0 })
            compare(sets, [1, 2, 3].map(function(n) { return TestLink.line("set", "OutputGains", "Channel_" + n + "_Mute", "1") }))
            verify(!all.lit)
            TestLink.offer("subr", "OutputGains", "Channel_3_Mute", "On")
            verify(all.lit)
            TestLink.offer("subr", "OutputGains", "Channel_3_Mute", "Off")
            verify(!all.lit)

            var g = createTemporaryObject(curves, stage)
            var flat = H.find(g, "choice_Flat"), speech = H.find(g, "choice_Speech"), dj = H.find(g, "choice_DJ")
            compare(dj.text, "DJ set")
            // Nothing can be chosen before the processor's value is known.
            verify(!speech.enabled)
            TestLink.clearSent()
            mouseClick(speech)
            compare(TestLink.sent, [])

            TestLink.offer("subr", "GEQ", "QuickCurve", "Flat")
            compare([g.known, flat.lit, speech.enabled], [true, true, true])
            mouseClick(speech)
            compare(TestLink.sent, [TestLink.line("set", "GEQ", "QuickCurve", "\"Speech\"")])
            // Lit stays with the processor's value; the request is outlined meanwhile.
            compare([flat.lit, speech.asked], [true, true])
            TestLink.offer("subr", "GEQ", "QuickCurve", "Speech")
            compare([flat.lit, speech.lit, speech.asked, g.selectedValue], [false, true, false, "Speech"])

            // Choosing the processor's own value sends nothing.
            TestLink.clearSent()
            mouseClick(dj)
            compare(TestLink.sent, [TestLink.line("set", "GEQ", "QuickCurve", "\"DJ\"")])
            TestLink.offer("subr", "GEQ", "QuickCurve", "DJ")
            TestLink.clearSent()
            mouseClick(dj)
            compare(TestLink.sent, [])
        }

        function setLines() { return TestLink.sent.filter(function(l) { return l.indexOf("set ") === 0 }).length }

        function test_muteButtons_data() {
            return [{tag: "mono mixer", component: mute, po: "MonoMixer", sv: "Mute", text: "MUTE"},
                    {tag: "output 4", component: out4, po: "OutputGains", sv: "Channel_4_Mute", text: "4"}]
        }

        function test_muteButtons(data) {
            var b = createTemporaryObject(data.component, stage)
            compare(b.text, data.text)
            verify(b.width >= 44 && b.height >= 44) // a finger's size
            verify(TestLink.count(TestLink.line("sub", data.po, data.sv)) >= 1)
            verify(!b.enabled)
            TestLink.offer("subr", data.po, data.sv, "Off")
            compare([b.enabled, b.muted], [true, false])
            TestLink.offer("subr", "OutputGains", "Channel_5_Mute", "On") // another output's
            verify(!b.muted)

            TestLink.clearSent()
            mouseClick(b)
            tryCompare(TestLink, "sent", [TestLink.line("set", data.po, data.sv, "1")])
            verify(!b.muted) // not before the processor says so
            TestLink.offer("subr", data.po, data.sv, "On")
            verify(b.muted)
            TestLink.clearSent()
            mouseClick(b)
            tryCompare(TestLink, "sent", [TestLink.line("set", data.po, data.sv, "0")])
        }

        function test_readouts() {
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

            var m = createTemporaryObject(assist, stage)
            compare(H.find(m, "verdict").text, "\u2014")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-30.0dB")
            compare([m.level, m.verdict], [50, "Too low"])
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-18.0dB")
            compare(H.find(m, "verdict").text, "Good  \u221218.0\u2009dB")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-3.0dB")
            compare(m.verdict, "Too high")
            // The fill follows the level; the target window sits between its limits.
            var bar = H.find(m, "bar"), fill = H.find(m, "fill"), target = H.find(m, "target")
            fuzzyCompare(fill.width, (bar.width - 4) * 0.95, 0.01)
            fuzzyCompare(target.x, 2 + (bar.width - 4) * 0.6, 0.01)
            fuzzyCompare(target.width, (bar.width - 4) * 0.2, 0.01)

            var meter = createTemporaryObject(vertical, stage)
            compare([meter.known, meter.level, H.find(meter, "readout").text], [false, 0, "\u2212\u221e"])
            // The meter and its clip LED poll; neither subscribes.
            tryVerify(function() { return TestLink.count(TestLink.line("asyncget", "OutputMeters", "Channel_4_Clip")) >= 1 })
            compare(TestLink.count(TestLink.line("sub", "OutputMeters", "Channel_4_Level")), 0)

            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Level", "-10 dB")
            compare([meter.known, meter.level, H.find(meter, "readout").text], [true, 75, "\u221210\u2009dB"])
            // The lower range is fully lit, the upper half lit.
            var low = H.find(meter, "lit0"), high = H.find(meter, "lit1")
            compare(low.height, low.parent.height)
            fuzzyCompare(high.height, high.parent.height / 2, 0.01)
            compare([String(high.color), meter.peak], ["#ff0000", 75])

            // Under the threshold: nothing lit; the peak holds a moment, then falls.
            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Level", "-70 dB")
            compare([meter.level, low.height, meter.peak], [0, 0, 75])
            tryCompare(meter, "peak", 0, 3000)

            // The clip LED on top of the bar.
            verify(!meter.clipping)
            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Clip", "On")
            verify(meter.clipping && H.find(meter, "clipLed").visible)

            var reduction = createTemporaryObject(horizontal, stage)
            compare([reduction.rangeColorsInHex.length, H.find(reduction, "clipLed").visible], [3, false])
            TestLink.offer("asyncget", "Compressor", "GainReduction", "-12.0dB")
            // Defaults: [-60, -18, -6, 0] over [55, 30, 15].
            fuzzyCompare(reduction.level, 55 + 6 / 12 * 30, 0.001)
            var lit = H.find(reduction, "lit1")
            fuzzyCompare(lit.width, lit.parent.width / 2, 0.01)
            compare(lit.height, lit.parent.height)
        }

    }
}
