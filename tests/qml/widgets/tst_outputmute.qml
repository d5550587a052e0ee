import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"

Item {
    id: stage
    width: 400
    height: 200

    Component {
        id: out4
        OutputMute { channel: 4 }
    }

    TestCase {
        name: "OutputMute"
        when: windowShown

        function test_bindsItsOutput() {
            TestLink.clearSent()
            var b = createTemporaryObject(out4, stage)
            compare(b.poName, "OutputGains")
            compare(b.svName, "Channel_4_Mute")
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
    }
}
