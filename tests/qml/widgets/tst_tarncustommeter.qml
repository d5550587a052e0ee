// Guards against meter bars lit to the wrong height on their scale, peaks that never fall, and
// a clip light that never shows.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 400
    height: 400

    Component {
        id: vertical
        TarnCustomMeter {
            height: 300
            title: "Out 4"
            poName: "OutputMeters"
            svName: "Channel_4_Level"
            clipSvName: "Channel_4_Clip"
            rangeBounaryValues: [-40, -20, 0]
            rangeLengthsInPercentage: [50, 50]
            rangeColorsInHex: ["#00ff00", "#ff0000"]
            cppSignalThreshold: -60
        }
    }
    Component {
        id: horizontal
        TarnCustomMeter {
            width: 300
            orientation: Qt.Horizontal
            poName: "Compressor"
            svName: "GainReduction"
            showScale: false
        }
    }

    TestCase {
        name: "TarnCustomMeter"
        when: windowShown

        function test_levelOnThePiecewiseScale() {
            TestLink.clearSent()
            var m = createTemporaryObject(vertical, stage)
            verify(!m.known)
            compare(m.level, 0)
            compare(H.find(m, "readout").text, "\u2212\u221e")
            // The meter and its clip LED poll; neither subscribes.
            tryVerify(function() { return TestLink.count(TestLink.line("asyncget", "OutputMeters", "Channel_4_Clip")) >= 1 })
            compare(TestLink.count(TestLink.line("sub", "OutputMeters", "Channel_4_Level")), 0)

            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Level", "-10 dB")
            verify(m.known)
            compare(m.level, 75)
            compare(H.find(m, "readout").text, "\u221210\u2009dB")
            // The lower range is fully lit, the upper half lit.
            var bar = H.find(m, "bar")
            var low = H.find(m, "lit0"), high = H.find(m, "lit1")
            compare(low.height, low.parent.height)
            fuzzyCompare(high.height, high.parent.height / 2, 0.01)
            compare(String(high.color), "#ff0000")
            compare(m.peak, 75)

            // Under the threshold: nothing lit; the peak holds a moment, then falls.
            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Level", "-70 dB")
            compare(m.level, 0)
            compare(low.height, 0)
            compare(m.peak, 75)
            tryCompare(m, "peak", 0, 3000)

            // The clip LED on top of the bar.
            verify(!m.clipping)
            TestLink.offer("asyncget", "OutputMeters", "Channel_4_Clip", "On")
            verify(m.clipping)
            verify(H.find(m, "clipLed").visible)
        }

        function test_horizontalWithDefaultRanges() {
            var m = createTemporaryObject(horizontal, stage)
            compare(m.rangeColorsInHex.length, 3)
            verify(!H.find(m, "clipLed").visible)
            TestLink.offer("asyncget", "Compressor", "GainReduction", "-12.0dB")
            // Defaults: [-60, -18, -6, 0] over [55, 30, 15].
            fuzzyCompare(m.level, 55 + 6 / 12 * 30, 0.001)
            var lit = H.find(m, "lit1")
            fuzzyCompare(lit.width, lit.parent.width / 2, 0.01)
            compare(lit.height, lit.parent.height)
        }
    }
}
