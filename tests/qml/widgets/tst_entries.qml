// Guards against spin boxes and text fields that step from or show unconfirmed values, send
// without their unit or range, or let reports overwrite what is being typed.
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
    Component {
        id: delay
        TarnCustomTextField { width: 220; title: "Delay"; poName: "InputDelay"; svName: "Amount"; unit: "ms" }
    }

    TestCase {
        name: "Entries"
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

        function test_editSendsWithUnit() {
            TestLink.clearSent()
            var t = createTemporaryObject(delay, stage)
            verify(TestLink.count(TestLink.line("sub", "InputDelay", "Amount")) >= 1)
            var field = H.find(t, "field")
            TestLink.offer("subr", "InputDelay", "Amount", "1.25ms/0.43m/1.41ft")
            compare(field.text, "1.25")
            compare(t.labelValue, "1.25ms")

            // Click, type, Enter: the text goes out with its unit and shows as pending.
            TestLink.clearSent()
            mouseClick(field)
            verify(t.editing)
            keyClick(Qt.Key_2)
            keyClick(Qt.Key_Period)
            keyClick(Qt.Key_5)
            keyClick(Qt.Key_Return)
            compare(TestLink.sent, [TestLink.line("set", "InputDelay", "Amount", "2.5ms")])
            verify(!t.editing)
            verify(t.pending)
            // The processor's answer to the set settles it.
            TestLink.offer("setr", "InputDelay", "Amount", "2.50ms/0.86m/2.81ft")
            verify(!t.pending)
            compare(field.text, "2.50")

            // Escape gives an edit up; nothing is sent.
            TestLink.clearSent()
            mouseClick(field)
            keyClick(Qt.Key_9)
            keyClick(Qt.Key_Escape)
            compare(field.text, "2.50")
            compare(TestLink.sent, [])

            // While editing, reports do not overwrite what is being typed.
            mouseClick(field)
            keyClick(Qt.Key_7)
            TestLink.offer("subr", "InputDelay", "Amount", "3.00ms/1.03m/3.38ft")
            compare(field.text, "7")
            keyClick(Qt.Key_Escape)
            compare(field.text, "3.00")
        }
    }
}
