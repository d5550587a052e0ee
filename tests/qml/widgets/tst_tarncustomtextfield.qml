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
        id: delay
        TarnCustomTextField { width: 220; title: "Delay"; poName: "InputDelay"; svName: "Amount"; unit: "ms" }
    }

    TestCase {
        name: "TarnCustomTextField"
        when: windowShown

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
