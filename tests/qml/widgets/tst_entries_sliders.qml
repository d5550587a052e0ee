// Guards against spin boxes, text fields and choice lists that step from or show unconfirmed values,
// send without their unit or range or anything but the choice picked, or let reports overwrite
// typing, and sliders and faders that flood the link, jump to unconfirmed values or under the
// finger, send a value off their scale, or ignore the wheel or the keys.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 600
    height: 500

    Component { id: hold; CustomSpinBox { width: 260; title: "Max attenuation"; poName: "Gate"; svName: "MaxAttenuation"; from: 0; to: 80; stepSize: 5; decimals: 0; unit: "dB" } }
    Component { id: delay; TarnCustomTextField { width: 220; title: "Delay"; poName: "InputDelay"; svName: "Amount"; unit: "ms" } }
    Component { id: content; TarnComboBox { width: 260; title: "Content"; poName: "Afs"; svName: "ContentMode" } }
    Component {
        id: frequency
        EditableComboBox {
            width: 260; title: "Sine frequency"; poName: "SignalGenerator"; svName: "Sine Frequency"
            model: ["100Hz", "440Hz", "1.00kHz", "10.00kHz"]
        }
    }

    Component { id: horizontal; TarnCustomSlider { width: 400; title: "Threshold"; poName: "Compressor"; svName: "Threshold" } }
    Component { id: vertical; TarnCustomSlider { width: 96; height: 300; orientation: Qt.Vertical; title: "Ratio"; poName: "Compressor"; svName: "Ratio"; ratioSlider: true } }
    Component { id: straight; TarnFader { height: 400; title: "Out 5"; poName: "OutputGains"; svName: "Channel_5_Gain"; minimum: -80; maximum: 10 } }
    Component {
        id: piecewise
        TarnFader {
            height: 400; poName: "OutputGains"; svName: "Channel_6_Gain"
            rangeBounaryValues: [-80, -40, -20, 0, 10]; rangeLengthsInPercentage: [10, 20, 40, 30]
        }
    }

    TestCase {
        name: "EntriesAndSliders"
        when: windowShown

        function init() { TestLink.clearSent() }

        function test_entries() {
            var s = createTemporaryObject(hold, stage)
            var up = H.find(s, "up"), down = H.find(s, "down"), text = H.find(s, "valueText")
            compare([s.known, up.enabled, text.text], [false, false, "\u2014"])
            TestLink.offer("subr", "Gate", "MaxAttenuation", "50dB")
            compare([s.value, text.text], [50, "50\u2009dB"])

            // Two quick presses ask for two steps; one throttled set carries the second.
            TestLink.clearSent()
            mouseClick(up)
            mouseClick(up)
            compare([s.pending, s.requested], [true, 60])
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
            compare([down.enabled, up.enabled], [false, true])

            var t = createTemporaryObject(delay, stage)
            verify(TestLink.count(TestLink.line("sub", "InputDelay", "Amount")) >= 1)
            var field = H.find(t, "field")
            TestLink.offer("subr", "InputDelay", "Amount", "1.25ms/0.43m/1.41ft")
            compare([field.text, t.labelValue], ["1.25", "1.25ms"])

            // Click, type, Enter: the text goes out with its unit and shows as pending.
            TestLink.clearSent()
            mouseClick(field)
            verify(t.editing)
            for (var c of "2.5")
                keyClick(c)
            keyClick(Qt.Key_Return)
            compare(TestLink.sent, [TestLink.line("set", "InputDelay", "Amount", "2.5ms")])
            compare([t.editing, t.pending], [false, true])
            // The processor's answer to the set settles it.
            TestLink.offer("setr", "InputDelay", "Amount", "2.50ms/0.86m/2.81ft")
            compare([t.pending, field.text], [false, "2.50"])

            // Escape gives an edit up; nothing is sent.
            TestLink.clearSent()
            mouseClick(field)
            keyClick(Qt.Key_9)
            keyClick(Qt.Key_Escape)
            compare([field.text, TestLink.sent], ["2.50", []])

            // While editing, reports do not overwrite what is being typed.
            mouseClick(field)
            keyClick(Qt.Key_7)
            TestLink.offer("subr", "InputDelay", "Amount", "3.00ms/1.03m/3.38ft")
            compare(field.text, "7")
            keyClick(Qt.Key_Escape)
            compare(field.text, "3.00")

            var c = createTemporaryObject(content, stage)
            // The choices are listed and the value subscribed.
            verify(TestLink.count(TestLink.line("lc", "Afs", "ContentMode")) >= 1)
            verify(TestLink.count(TestLink.line("sub", "Afs", "ContentMode")) >= 1)
            var box = H.find(c, "box")
            compare(box.displayText, "\u2014")

            TestLink.offerEnums(["Speech", "Music", "Speech/Music"], "\\\\Preset\\Afs\\SV\\ContentMode\\EN")
            compare(c.choices.length, 3)
            TestLink.offer("subr", "Afs", "ContentMode", "Music")
            compare([c.value, box.currentIndex, box.displayText], ["Music", 1, "Music"])

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
            compare([box.currentIndex, box.displayText], [2, "Speech/Music"])

            var typed = createTemporaryObject(frequency, stage)
            var edit = H.find(typed, "box")
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "1.00kHz")
            compare([typed.value, typed.valueText, edit.editText, edit.currentIndex], [1000, "1.00kHz", "1.00\u2009kHz", 2])
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "523.0Hz")
            compare(edit.currentIndex, 1) // 440 Hz is nearest

            // Typed and entered: sent as typed.
            TestLink.clearSent()
            edit.contentItem.forceActiveFocus()
            edit.editText = ""
            for (var d of "2000")
                keyClick(d)
            keyClick(Qt.Key_Return)
            compare(TestLink.sent, [TestLink.line("set", "SignalGenerator", "Sine Frequency", "\"2000\"")])
            // Until the processor answers, the processor's text stands.
            compare(edit.editText, "523.0\u2009Hz")
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "2.00kHz")
            compare(edit.editText, "2.00\u2009kHz")

            // Picked from the list.
            TestLink.clearSent()
            mouseClick(edit, edit.width - 20, edit.height / 2)
            tryCompare(edit.popup, "opened", true)
            tryVerify(function() { return edit.popup.contentItem.itemAtIndex(3) !== null })
            mouseClick(edit.popup.contentItem.itemAtIndex(3))
            compare(TestLink.sent, [TestLink.line("set", "SignalGenerator", "Sine Frequency", "\"10.00kHz\"")])
        }

        function test_sliders() {
            var w = createTemporaryObject(horizontal, stage)
            // The slider subscribes to the position and the text to the value with its unit.
            verify(TestLink.count(TestLink.line("sub", "Compressor", "Threshold", "", "%")) >= 1)
            verify(TestLink.count(TestLink.line("sub", "Compressor", "Threshold")) >= 1)
            compare(H.find(w, "valueText").text, "\u2014")
            TestLink.offer("subr", "Compressor", "Threshold", "40%", "%")
            TestLink.offer("subr", "Compressor", "Threshold", "-24.0dB")
            var slider = H.find(w, "slider")
            compare([slider.value, H.find(w, "valueText").text], [40, "\u221224.0\u2009dB"])
            TestLink.clearSent()

            // Press on the handle and drag to the right: the handle follows at once.
            var startX = slider.leftPadding + 0.4 * slider.availableWidth
            var y = slider.height / 2
            mousePress(slider, startX, y)
            for (var i = 1; i <= 10; ++i)
                mouseMove(slider, startX + i * 0.02 * slider.availableWidth, y, -1, Qt.LeftButton)
            verify(slider.value > 55 && w.pending)
            mouseRelease(slider, startX + 0.2 * slider.availableWidth, y)
            // Throttled sets leave; the last carries the final position.
            tryVerify(function() { return TestLink.sent.length > 0 })
            var moved = slider.value
            var prefix = "set \"\\\\Preset\\Compressor\\SV\\Threshold\\%\" \""
            tryVerify(function() {
                var last = TestLink.sent[TestLink.sent.length - 1]
                return last.indexOf(prefix) === 0 && Math.abs(parseFloat(last.substring(prefix.length)) - moved) < 1e-3
            })
            for (var k = 0; k < TestLink.sent.length; ++k)
                verify(TestLink.sent[k].indexOf(prefix) === 0)
            verify(TestLink.sent.length < 10) // throttled: fewer sets than moves
            // The text still shows the processor's value until it reports the new one.
            compare([w.valueText, w.position], ["\u221224.0\u2009dB", 40])
            TestLink.offer("subr", "Compressor", "Threshold", "60%", "%")
            TestLink.offer("subr", "Compressor", "Threshold", "-12.0dB")
            tryCompare(w, "pending", false)
            compare([w.valueText, slider.value], ["\u221212.0\u2009dB", 60])

            var stepped = createTemporaryObject(horizontal, stage)
            TestLink.offer("subr", "Compressor", "Threshold", "50%", "%")
            var handle = H.find(stepped, "slider")
            TestLink.clearSent()
            mouseWheel(handle, handle.width / 2, handle.height / 2, 0, 120)
            tryCompare(TestLink, "sent", [TestLink.line("set", "Compressor", "Threshold", "51", "%")])
            // A processor that keeps its value: the handle settles back on it.
            tryCompare(handle, "value", 50)

            TestLink.clearSent()
            handle.forceActiveFocus()
            keyClick(Qt.Key_Left)
            keyClick(Qt.Key_Left)
            tryCompare(TestLink, "sent", [TestLink.line("set", "Compressor", "Threshold", "48", "%")])

            // On the vertical ratio slider one notch down moves one ratio step.
            var r = createTemporaryObject(vertical, stage)
            TestLink.offer("subr", "Compressor", "Ratio", "100%", "%")
            TestLink.offer("subr", "Compressor", "Ratio", "Inf:1")
            var ratio = H.find(r, "slider")
            compare([r.position, H.find(r, "verticalValueText").text, ratio.orientation], [100, "Inf:1", Qt.Vertical])
            TestLink.clearSent()
            mouseWheel(ratio, ratio.width / 2, ratio.height / 2, 0, -120)
            tryCompare(TestLink, "sent", [TestLink.line("set", "Compressor", "Ratio", "39.3939", "%")])
        }

        function test_faders() {
            var f = createTemporaryObject(straight, stage)
            TestLink.offer("subr", "OutputGains", "Channel_5_Gain", "-35")
            TestLink.offer("subr", "OutputGains", "Channel_5_Gain", "-35.0dB")
            compare([f.position, f.capPosition, H.find(f, "valueText").text], [50, 50, "\u221235.0\u2009dB"])
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
            tryCompare(f, "pending", false)
            compare(f.position, 70)

            // The wheel steps; a processor that does not follow pulls the cap back.
            TestLink.clearSent()
            mouseWheel(area, 20, capY, 0, 120)
            tryCompare(TestLink, "sent", [TestLink.line("set", "OutputGains", "Channel_5_Gain", "-16.1")])
            tryCompare(f, "capPosition", 70)

            // A touch on the track away from the cap does not make it jump.
            TestLink.clearSent()
            mouseClick(area, 20, travel.height - 5)
            compare([f.capPosition, TestLink.sent], [70, []])

            var scaled = createTemporaryObject(piecewise, stage)
            TestLink.offer("subr", "OutputGains", "Channel_6_Gain", "-30.0dB")
            compare(scaled.position, 20)
            var steps = H.find(scaled, "travel")
            TestLink.clearSent()
            steps.forceActiveFocus()
            keyClick(Qt.Key_Up)
            // 21 % lies in the -40 ... -20 range: -39.5 + ... ; sent as the scale's value.
            tryCompare(TestLink, "sent", [TestLink.line("set", "OutputGains", "Channel_6_Gain", "-29")])
        }

    }
}
