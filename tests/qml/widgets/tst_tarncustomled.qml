import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"

Item {
    id: stage
    width: 300
    height: 100

    Component {
        id: clip
        TarnCustomLED { text: "Clip"; poName: "OutputMeters"; svName: "Channel_2_Clip" }
    }

    TestCase {
        name: "TarnCustomLED"
        when: windowShown

        function test_lightsWithTheProcessor() {
            TestLink.clearSent()
            var led = createTemporaryObject(clip, stage)
            // Polled, never subscribed.
            verify(TestLink.count(TestLink.line("asyncget", "OutputMeters", "Channel_2_Clip")) >= 1)
            compare(TestLink.count(TestLink.line("sub", "OutputMeters", "Channel_2_Clip")), 0)
            verify(!led.lit)
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "On")
            verify(led.lit)
            compare(led.value, "On")
            // Each answer brings the next poll.
            TestLink.clearSent()
            tryCompare(TestLink, "sent", [TestLink.line("asyncget", "OutputMeters", "Channel_2_Clip")])
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "Off")
            verify(!led.lit)
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "1")
            verify(led.lit)
            verify(led.implicitWidth > led.diameter)
        }
    }
}
