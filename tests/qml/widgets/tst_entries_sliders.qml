// Guards against spin boxes, text fields and choice lists that step from or show unconfirmed values,
// send without their unit or range or anything but the choice picked, or let reports overwrite typing.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 500
    height: 500

    Component {
        id: hold
        CustomSpinBox { width: 260; title: "Max attenuation"; poName: "Gate"; svName: "MaxAttenuation"; from: 0; to: 80; stepSize: 5; decimals: 0; unit: "dB" }
    }
    Component {
        id: delay
        TarnCustomTextField { width: 220; title: "Delay"; poName: "InputDelay"; svName: "Amount"; unit: "ms" }
    }
    Component {
        id: content
        TarnComboBox { width: 260; title: "Content"; poName: "Afs"; svName: "ContentMode" }
    }
    Component {
        id: frequency
        EditableComboBox {
            width: 260
            title: "Sine frequency"
            poName: "SignalGenerator"
            svName: "Sine Frequency"
            model: ["100Hz", "440Hz", "1.00kHz", "10.00kHz"]
        }
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
            for (var c of "2.5")
                keyClick(c)
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

        function test_choicesAndConfirmedValue() {
            TestLink.clearSent()
            var c = createTemporaryObject(content, stage)
            // The choices are listed and the value subscribed.
            verify(TestLink.count(TestLink.line("lc", "Afs", "ContentMode")) >= 1)
            verify(TestLink.count(TestLink.line("sub", "Afs", "ContentMode")) >= 1)
            var box = H.find(c, "box")
            compare(box.displayText, "\u2014")

            TestLink.offerEnums(["Speech", "Music", "Speech/Music"], "\\\\Preset\\Afs\\SV\\ContentMode\\EN")
            compare(c.choices.length, 3)
            TestLink.offer("subr", "Afs", "ContentMode", "Music")
            compare(c.value, "Music")
            compare(box.currentIndex, 1)
            compare(box.displayText, "Music")

            // Keyboard: the next choice is asked for; the list stays on the processor's value.
            TestLink.clearSent()
            box.forceActiveFocus()
            keyClick(Qt.Key_Down)
            compare(TestLink.sent, [TestLink.line("set", "Afs", "ContentMode", "\"Speech/Music\"")])
            compare(box.currentIndex, 1)
            TestLink.offer("subr", "Afs", "ContentMode", "Speech/Music")
            compare(box.currentIndex, 2)

            // Mouse: open the list and pick the first entry.
            TestLink.clearSent()
            mouseClick(box)
            tryCompare(box.popup, "opened", true)
            var list = box.popup.contentItem
            tryVerify(function() { return list.itemAtIndex(0) !== null })
            mouseClick(list.itemAtIndex(0))
            compare(TestLink.sent, [TestLink.line("set", "Afs", "ContentMode", "\"Speech\"")])
            tryCompare(box.popup, "visible", false)
            // Refused by the processor (it reports the old value again): the list snaps back.
            TestLink.offer("subr", "Afs", "ContentMode", "Speech/Music")
            compare(box.currentIndex, 2)
            compare(box.displayText, "Speech/Music")
        }

        function test_typeOrPick() {
            var c = createTemporaryObject(frequency, stage)
            var box = H.find(c, "box")
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "1.00kHz")
            compare(c.value, 1000)
            compare(c.valueText, "1.00kHz")
            compare(box.editText, "1.00\u2009kHz")
            compare(box.currentIndex, 2)
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "523.0Hz")
            compare(box.currentIndex, 1) // 440 Hz is nearest

            // Typed and entered: sent as typed.
            TestLink.clearSent()
            box.contentItem.forceActiveFocus()
            box.editText = ""
            for (var d of "2000")
                keyClick(d)
            keyClick(Qt.Key_Return)
            compare(TestLink.sent, [TestLink.line("set", "SignalGenerator", "Sine Frequency", "\"2000\"")])
            // Until the processor answers, the processor's text stands.
            compare(box.editText, "523.0\u2009Hz")
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "2.00kHz")
            compare(box.editText, "2.00\u2009kHz")

            // Picked from the list.
            TestLink.clearSent()
            mouseClick(box, box.width - 20, box.height / 2)
            tryCompare(box.popup, "opened", true)
            tryVerify(function() { return box.popup.contentItem.itemAtIndex(3) !== null })
            mouseClick(box.popup.contentItem.itemAtIndex(3))
            compare(TestLink.sent, [TestLink.line("set", "SignalGenerator", "Sine Frequency", "\"10.00kHz\"")])
        }
    }
}
