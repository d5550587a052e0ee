import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"

Item {
    id: stage
    width: 400
    height: 200

    Component {
        id: mute
        MuteButton { poName: "MonoMixer"; svName: "Mute" }
    }

    TestCase {
        name: "MuteButton"
        when: windowShown

        function test_togglesWithTheProcessor() {
            TestLink.clearSent()
            var b = createTemporaryObject(mute, stage)
            verify(TestLink.count(TestLink.line("sub", "MonoMixer", "Mute")) >= 1)
            verify(!b.known)
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
            TestLink.offer("subr", "MonoMixer", "Mute", "Off")
            verify(!b.muted)
        }
    }
}
