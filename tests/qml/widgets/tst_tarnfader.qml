// Guards against faders whose cap jumps under the finger, or that send a value off their scale.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 300
    height: 500

    Component {
        id: straight
        TarnFader { height: 400; title: "Out 5"; poName: "OutputGains"; svName: "Channel_5_Gain"; minimum: -80; maximum: 10 }
    }
    Component {
        id: piecewise
        TarnFader {
            height: 400
            poName: "OutputGains"
            svName: "Channel_6_Gain"
            rangeBounaryValues: [-80, -40, -20, 0, 10]
            rangeLengthsInPercentage: [10, 20, 40, 30]
        }
    }

    TestCase {
        name: "TarnFader"
        when: windowShown

        function test_dragWheelAndConfirmation() {
            var f = createTemporaryObject(straight, stage)
            TestLink.offer("subr", "OutputGains", "Channel_5_Gain", "-35")
            TestLink.offer("subr", "OutputGains", "Channel_5_Gain", "-35.0dB")
            compare(f.position, 50)
            compare(f.capPosition, 50)
            compare(H.find(f, "valueText").text, "\u221235.0\u2009dB")
            var travel = H.find(f, "travel"), area = H.find(f, "dragArea"), cap = H.find(f, "cap")
            var capY = cap.y + cap.height / 2

            // A drag moves the cap by as much as the finger, wherever it was taken.
            TestLink.clearSent()
            mousePress(area, 20, capY + 30)
            mouseMove(area, 20, capY + 30 - travel.span * 0.2, -1, Qt.LeftButton)
            fuzzyCompare(f.capPosition, 70, 0.5)
            verify(f.pending)
            mouseRelease(area, 20, capY + 30 - travel.span * 0.2)
            // Sent as the value the position shows (20 ms throttle): 70 % of -80 ... 10.
            tryVerify(function() { return TestLink.sent.length > 0 })
            var last = TestLink.sent[TestLink.sent.length - 1]
            var prefix = "set \"\\\\Preset\\OutputGains\\SV\\Channel_5_Gain\\\" \""
            compare(last.indexOf(prefix), 0)
            fuzzyCompare(parseFloat(last.substring(prefix.length)), -17, 0.5)
            // The value text is the processor's until it answers.
            compare(H.find(f, "valueText").text, "\u221235.0\u2009dB")
            TestLink.offer("subr", "OutputGains", "Channel_5_Gain", "-17.0dB")
            compare(f.position, 70)
            tryCompare(f, "pending", false)

            // The wheel steps; a processor that does not follow pulls the cap back.
            TestLink.clearSent()
            mouseWheel(area, 20, capY, 0, 120)
            tryCompare(TestLink, "sent", [TestLink.line("set", "OutputGains", "Channel_5_Gain", "-16.1")])
            tryCompare(f, "capPosition", 70)

            // A touch on the track away from the cap does not make it jump.
            TestLink.clearSent()
            mouseClick(area, 20, travel.height - 5)
            compare(f.capPosition, 70)
            compare(TestLink.sent, [])
        }

        function test_piecewiseScale() {
            var f = createTemporaryObject(piecewise, stage)
            TestLink.offer("subr", "OutputGains", "Channel_6_Gain", "-30.0dB")
            compare(f.position, 20)
            var travel = H.find(f, "travel")
            TestLink.clearSent()
            travel.forceActiveFocus()
            keyClick(Qt.Key_Up)
            // 21 % lies in the -40 ... -20 range: -39.5 + ... ; sent as the scale's value.
            tryVerify(function() { return TestLink.sent.length === 1 })
            compare(TestLink.sent[0], TestLink.line("set", "OutputGains", "Channel_6_Gain", "-29"))
        }
    }
}
