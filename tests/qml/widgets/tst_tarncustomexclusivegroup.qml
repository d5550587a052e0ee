import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 600
    height: 300

    Component {
        id: curves
        TarnCustomExclusiveGroup {
            width: 560
            title: "Quick curve"
            poName: "GEQ"
            svName: "QuickCurve"
            model: ["Flat", "Speech", "DJ"]
            labels: ["Flat", "Speech", "DJ set"]
        }
    }

    TestCase {
        name: "TarnCustomExclusiveGroup"
        when: windowShown

        function test_selectionFollowsTheProcessor() {
            var g = createTemporaryObject(curves, stage)
            var flat = H.find(g, "choice_Flat"), speech = H.find(g, "choice_Speech"), dj = H.find(g, "choice_DJ")
            compare(dj.text, "DJ set")
            // Nothing can be chosen before the processor's value is known.
            verify(!speech.enabled)
            TestLink.clearSent()
            mouseClick(speech)
            compare(TestLink.sent, [])

            TestLink.offer("subr", "GEQ", "QuickCurve", "Flat")
            verify(g.known)
            verify(flat.lit)
            verify(speech.enabled)
            mouseClick(speech)
            compare(TestLink.sent, [TestLink.line("set", "GEQ", "QuickCurve", "\"Speech\"")])
            // Lit stays with the processor's value; the request is outlined meanwhile.
            verify(flat.lit)
            verify(speech.asked)
            TestLink.offer("subr", "GEQ", "QuickCurve", "Speech")
            verify(speech.lit)
            verify(!flat.lit)
            verify(!speech.asked)
            compare(g.selectedValue, "Speech")

            // A tap chooses too; choosing the processor's own value sends nothing.
            TestLink.clearSent()
            var touch = touchEvent(dj)
            touch.press(0, dj, 10, 10).commit()
            touch.release(0, dj, 10, 10).commit()
            compare(TestLink.sent, [TestLink.line("set", "GEQ", "QuickCurve", "\"DJ\"")])
            TestLink.offer("subr", "GEQ", "QuickCurve", "DJ")
            TestLink.clearSent()
            mouseClick(dj)
            compare(TestLink.sent, [])
        }
    }
}
