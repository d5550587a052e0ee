// Guards against buttons, mute buttons and button groups that light before the processor confirms,
// bind the wrong output, nudge by the wrong step, or send out of order or what they must not.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import TarnButton 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 600
    height: 300

    Component {
        id: onOff
        TarnCustomButton { text: "Gate"; poName: "Gate"; svName: "Gate" }
    }
    Component {
        id: nudge
        TarnCustomButton {
            buttonType: TarnButton.Nudge
            bumpDirection: 1
            poName: "Compressor"; svName: "Attack"; poClass: "Compressor"; svClass: "Attack"
            nudgeJsonData: '[{"range":"0","low":0,"high":1},{"range":"1","low":1,"high":10},{"range":"2","low":10,"high":100}]'
        }
    }
    Component {
        id: singleShot
        TarnCustomButton { text: "Store"; buttonType: TarnButton.SingleShot; poName: "Presets"; svName: "Store" }
    }
    Component {
        id: member
        TarnCustomButton { text: "LR 24"; buttonType: TarnButton.XGroupMember; poName: "Crossover"; svName: "Band_1_HPType" }
    }
    Component {
        id: curves
        TarnCustomExclusiveGroup {
            width: 560
            title: "Quick curve"
            poName: "GEQ"
            svName: "QuickCurve"
            model: ["Flat", "Speech", "DJ"]
            labels: ["Flat", "Speech", "DJ set"]
        }
    }
    Component { id: mute; MuteButton { poName: "MonoMixer"; svName: "Mute" } }
    Component { id: out4; OutputMute { channel: 4 } }
    Component { id: muteAll; OutputMuteAll { outputCount: 3 } }

    TestCase {
        name: "Buttons"
        when: windowShown

        function init() { TestLink.clearSent() }

        function test_onOffFollowsTheProcessor() {
            var b = createTemporaryObject(onOff, stage)
            verify(TestLink.count(TestLink.line("sub", "Gate", "Gate")) >= 1)
            TestLink.offer("subr", "Gate", "Gate", "Off")
            verify(!b.lit)
            TestLink.clearSent()
            mouseClick(b)
            compare(TestLink.sent, [TestLink.line("set", "Gate", "Gate", "1")])
            verify(!b.lit) // not before the processor says so
            TestLink.offer("subr", "Gate", "Gate", "On")
            verify(b.lit)
            compare(b.activeState, true)
            // A tap works the same.
            TestLink.clearSent()
            var touch = touchEvent(b)
            touch.press(0, b, b.width / 2, b.height / 2).commit()
            touch.release(0, b, b.width / 2, b.height / 2).commit()
            compare(TestLink.sent, [TestLink.line("set", "Gate", "Gate", "0")])
            // And the keyboard.
            TestLink.clearSent()
            b.forceActiveFocus()
            keyClick(Qt.Key_Space)
            compare(TestLink.sent, [TestLink.line("set", "Gate", "Gate", "0")])
        }

        function test_nudgeStepsAndRepeats() {
            var b = createTemporaryObject(nudge, stage)
            compare(b.text, "+")
            TestLink.offer("subr", "Compressor", "Attack", "10.0ms")
            compare(b.valueToNudge, 10)
            TestLink.clearSent()
            mouseClick(b)
            compare(TestLink.sent, [TestLink.line("set", "Compressor", "Attack", "10.5")])
            // Held down, it keeps stepping.
            TestLink.clearSent()
            mousePress(b)
            tryVerify(function() { return TestLink.sent.length >= 3 }, 3000)
            mouseRelease(b)
            compare(TestLink.sent[0], TestLink.line("set", "Compressor", "Attack", "11"))
            compare(TestLink.sent[1], TestLink.line("set", "Compressor", "Attack", "11.5"))
            b.bumpDirection = -1
            compare(b.text, "\u2212")
        }

        function test_singleShotAndGroupMember() {
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
            compare(clicks, 1)
            compare(setLines(), 0)
            verify(!m.lit)
            m.selected = true
            verify(m.lit)
        }

        function setLines() { return TestLink.sent.filter(function(l) { return l.indexOf("set ") === 0 }).length }

        function test_selectionFollowsTheProcessor() {
            var g = createTemporaryObject(curves, stage)
            var flat = H.find(g, "choice_Flat"), speech = H.find(g, "choice_Speech"), dj = H.find(g, "choice_DJ")
            compare(dj.text, "DJ set")
            // Nothing can be chosen before the processor's value is known.
            verify(!speech.enabled)
            TestLink.clearSent()
            mouseClick(speech)
            compare(TestLink.sent, [])

            TestLink.offer("subr", "GEQ", "QuickCurve", "Flat")
            verify(g.known)
            verify(flat.lit)
            verify(speech.enabled)
            mouseClick(speech)
            compare(TestLink.sent, [TestLink.line("set", "GEQ", "QuickCurve", "\"Speech\"")])
            // Lit stays with the processor's value; the request is outlined meanwhile.
            verify(flat.lit)
            verify(speech.asked)
            TestLink.offer("subr", "GEQ", "QuickCurve", "Speech")
            verify(speech.lit)
            verify(!flat.lit)
            verify(!speech.asked)
            compare(g.selectedValue, "Speech")

            // A tap chooses too; choosing the processor's own value sends nothing.
            TestLink.clearSent()
            var touch = touchEvent(dj)
            touch.press(0, dj, 10, 10).commit()
            touch.release(0, dj, 10, 10).commit()
            compare(TestLink.sent, [TestLink.line("set", "GEQ", "QuickCurve", "\"DJ\"")])
            TestLink.offer("subr", "GEQ", "QuickCurve", "DJ")
            TestLink.clearSent()
            mouseClick(dj)
            compare(TestLink.sent, [])
        }

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
            verify(b.enabled)
            verify(!b.muted)
            TestLink.offer("subr", "OutputGains", "Channel_5_Mute", "On") // another output's
            verify(!b.muted)

            TestLink.clearSent()
            mouseClick(b)
            tryCompare(TestLink, "sent", [TestLink.line("set", data.po, data.sv, "1")])
            verify(!b.muted) // not before the processor says so
            TestLink.offer("subr", data.po, data.sv, "On")
            verify(b.muted)
            TestLink.clearSent()
            var touch = touchEvent(b)
            touch.press(0, b, 10, 10).commit()
            touch.release(0, b, 10, 10).commit()
            tryCompare(TestLink, "sent", [TestLink.line("set", data.po, data.sv, "0")])
        }

        function test_muteAllInOrder() {
            var b = createTemporaryObject(muteAll, stage)
            TestLink.clearSent()
            mouseClick(b)
            var sets = TestLink.sent.filter(function(l) { return l.indexOf("set ") === 0 })
            compare(sets, [TestLink.line("set", "OutputGains", "Channel_1_Mute", "1"),
                           TestLink.line("set", "OutputGains", "Channel_2_Mute", "1"),
                           TestLink.line("set", "OutputGains", "Channel_3_Mute", "1")])
            verify(!b.lit)
            TestLink.offer("subr", "OutputGains", "Channel_3_Mute", "On")
            verify(b.lit)
            TestLink.offer("subr", "OutputGains", "Channel_3_Mute", "Off")
            verify(!b.lit)
        }
    }
}
