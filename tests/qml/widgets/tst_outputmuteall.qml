import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"

Item {
    id: stage
    width: 400
    height: 200

    Component {
        id: muteAll
        OutputMuteAll { outputCount: 3 }
    }

    TestCase {
        name: "OutputMuteAll"
        when: windowShown

        function test_mutesEveryOutputInOrder() {
            var b = createTemporaryObject(muteAll, stage)
            compare(b.text, "MUTE ALL")
            verify(!b.lit)
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
