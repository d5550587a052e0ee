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

    TestCase {
        name: "TarnComboBox"
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
    }
}
