// Guards against sliders and faders that flood the link, jump to unconfirmed values or under the
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

TestCase {
    id: testCase
    name: "Sliders"
    when: windowShown

    Component {
        id: horizontal
        TarnCustomSlider {
            width: 400
            title: "Threshold"
            poName: "Compressor"
            svName: "Threshold"
        }
    }
    Component {
        id: vertical
        TarnCustomSlider {
            width: 96
            height: 300
            orientation: Qt.Vertical
            title: "Ratio"
            poName: "Compressor"
            svName: "Ratio"
            ratioSlider: true
        }
    }

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

    function init() { TestLink.clearSent() }

    function test_mouseDragSendsAndWaitsForConfirmation() {
        var w = createTemporaryObject(horizontal, stage)
        // The slider subscribes to the position and the text to the value with its unit.
        verify(TestLink.count(TestLink.line("sub", "Compressor", "Threshold", "", "%")) >= 1)
        verify(TestLink.count(TestLink.line("sub", "Compressor", "Threshold")) >= 1)
        compare(H.find(w, "valueText").text, "\u2014")
        TestLink.offer("subr", "Compressor", "Threshold", "40%", "%")
        TestLink.offer("subr", "Compressor", "Threshold", "-24.0dB")
        var slider = H.find(w, "slider")
        compare(slider.value, 40)
        compare(H.find(w, "valueText").text, "\u221224.0\u2009dB")
        TestLink.clearSent()

        // Press on the handle and drag to the right: the handle follows at once.
        var startX = slider.leftPadding + 0.4 * slider.availableWidth
        var y = slider.height / 2
        mousePress(slider, startX, y)
        for (var i = 1; i <= 10; ++i)
            mouseMove(slider, startX + i * 0.02 * slider.availableWidth, y, -1, Qt.LeftButton)
        verify(slider.value > 55)
        verify(w.pending)
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
        compare(w.valueText, "\u221224.0\u2009dB")
        compare(w.position, 40)
        TestLink.offer("subr", "Compressor", "Threshold", "60%", "%")
        TestLink.offer("subr", "Compressor", "Threshold", "-12.0dB")
        compare(w.valueText, "\u221212.0\u2009dB")
        tryCompare(w, "pending", false)
        compare(slider.value, 60)
    }

    function test_wheelAndKeysStep() {
        var w = createTemporaryObject(horizontal, stage)
        TestLink.offer("subr", "Compressor", "Threshold", "50%", "%")
        var slider = H.find(w, "slider")
        TestLink.clearSent()
        mouseWheel(slider, slider.width / 2, slider.height / 2, 0, 120)
        tryCompare(TestLink, "sent", [TestLink.line("set", "Compressor", "Threshold", "51", "%")])
        // A processor that keeps its value: the handle settles back on it.
        tryCompare(slider, "value", 50)

        TestLink.clearSent()
        slider.forceActiveFocus()
        keyClick(Qt.Key_Left)
        keyClick(Qt.Key_Left)
        tryCompare(TestLink, "sent", [TestLink.line("set", "Compressor", "Threshold", "48", "%")])
    }

    function test_verticalRatioSlider() {
        var w = createTemporaryObject(vertical, stage)
        TestLink.offer("subr", "Compressor", "Ratio", "100%", "%")
        TestLink.offer("subr", "Compressor", "Ratio", "Inf:1")
        compare(w.position, 100)
        compare(H.find(w, "verticalValueText").text, "Inf:1")
        var slider = H.find(w, "slider")
        compare(slider.orientation, Qt.Vertical)
        TestLink.clearSent()
        // One notch down moves one ratio step.
        mouseWheel(slider, slider.width / 2, slider.height / 2, 0, -120)
        tryCompare(TestLink, "sent", [TestLink.line("set", "Compressor", "Ratio", "39.3939", "%")])
    }

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
