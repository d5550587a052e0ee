// Guards against mute buttons that show a state the processor has not confirmed, bind the wrong
// output, or mute all outputs out of order.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"

Item {
    id: stage
    width: 400
    height: 200

    Component { id: mute; MuteButton { poName: "MonoMixer"; svName: "Mute" } }
    Component { id: out4; OutputMute { channel: 4 } }
    Component { id: muteAll; OutputMuteAll { outputCount: 3 } }

    TestCase {
        name: "MuteButtons"
        when: windowShown

        function init() { TestLink.clearSent() }

        function test_togglesWithTheProcessor() {
            var b = createTemporaryObject(mute, stage)
            verify(TestLink.count(TestLink.line("sub", "MonoMixer", "Mute")) >= 1)
            verify(!b.enabled)
            TestLink.offer("subr", "MonoMixer", "Mute", "Off")
            verify(b.enabled)
            verify(!b.muted)
            compare(b.text, "MUTE")

            TestLink.clearSent()
            mouseClick(b)
            tryCompare(TestLink, "sent", [TestLink.line("set", "MonoMixer", "Mute", "1")])
            verify(!b.muted)
            TestLink.offer("subr", "MonoMixer", "Mute", "On")
            verify(b.muted)

            TestLink.clearSent()
            var touch = touchEvent(b)
            touch.press(0, b, 10, 10).commit()
            touch.release(0, b, 10, 10).commit()
            tryCompare(TestLink, "sent", [TestLink.line("set", "MonoMixer", "Mute", "0")])
        }

        function test_outputMuteBindsItsOutput() {
            var b = createTemporaryObject(out4, stage)
            compare(b.text, "4")
            verify(TestLink.count(TestLink.line("sub", "OutputGains", "Channel_4_Mute")) >= 1)
            TestLink.offer("subr", "OutputGains", "Channel_4_Mute", "On")
            verify(b.muted)
            TestLink.offer("subr", "OutputGains", "Channel_5_Mute", "Off")
            verify(b.muted)
            TestLink.clearSent()
            mouseClick(b)
            tryCompare(TestLink, "sent", [TestLink.line("set", "OutputGains", "Channel_4_Mute", "0")])
            verify(b.width >= 44 && b.height >= 44) // a finger's size
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
