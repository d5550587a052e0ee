// Guards against choice lists that move off the processor's value, or send anything but the
// choice picked or the text typed.
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
        name: "Lists"
        when: windowShown

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
            keyClick(Qt.Key_2)
            keyClick(Qt.Key_0)
            keyClick(Qt.Key_0)
            keyClick(Qt.Key_0)
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
