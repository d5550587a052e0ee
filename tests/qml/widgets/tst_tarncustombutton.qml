import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import TarnButton 1.0
import "qrc:/qml"

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

    TestCase {
        name: "TarnCustomButton"
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

        function setLines() {
            var n = 0
            for (var i = 0; i < TestLink.sent.length; ++i)
                if (TestLink.sent[i].indexOf("set ") === 0)
                    ++n
            return n
        }
    }
}
