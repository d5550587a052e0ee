import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 400
    height: 200

    Component {
        id: hold
        CustomSpinBox { width: 260; title: "Max attenuation"; poName: "Gate"; svName: "MaxAttenuation"; from: 0; to: 80; stepSize: 5; decimals: 0; unit: "dB" }
    }

    TestCase {
        name: "CustomSpinBox"
        when: windowShown

        function test_stepsFromTheConfirmedValue() {
            var s = createTemporaryObject(hold, stage)
            var up = H.find(s, "up"), down = H.find(s, "down"), text = H.find(s, "valueText")
            verify(!s.known)
            verify(!up.enabled)
            compare(text.text, "\u2014")
            TestLink.offer("subr", "Gate", "MaxAttenuation", "50dB")
            compare(s.value, 50)
            compare(text.text, "50\u2009dB")

            // Two quick presses ask for two steps; one throttled set carries the second.
            TestLink.clearSent()
            mouseClick(up)
            mouseClick(up)
            verify(s.pending)
            compare(s.requested, 60)
            tryCompare(TestLink, "sent", [TestLink.line("set", "Gate", "MaxAttenuation", "60")])
            compare(s.value, 50) // shown once the processor has it
            TestLink.offer("subr", "Gate", "MaxAttenuation", "60dB")
            compare(text.text, "60\u2009dB")
            tryCompare(s, "pending", false)

            // The wheel and the arrow keys step too.
            TestLink.clearSent()
            mouseWheel(H.find(s, "frame"), 130, 20, 0, -120)
            tryCompare(TestLink, "sent", [TestLink.line("set", "Gate", "MaxAttenuation", "55")])
            TestLink.offer("subr", "Gate", "MaxAttenuation", "55dB")
            tryCompare(s, "pending", false)
            TestLink.clearSent()
            H.find(s, "frame").forceActiveFocus()
            keyClick(Qt.Key_Up)
            tryCompare(TestLink, "sent", [TestLink.line("set", "Gate", "MaxAttenuation", "60")])

            // At the bottom of the range − does nothing.
            TestLink.offer("subr", "Gate", "MaxAttenuation", "0dB")
            tryCompare(s, "pending", false)
            verify(!down.enabled)
            verify(up.enabled)
        }
    }
}
