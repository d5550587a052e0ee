import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 300
    height: 100

    Component {
        id: release
        TarnCustomLabel { title: "Release"; poName: "Compressor"; svName: "Release" }
    }

    TestCase {
        name: "TarnCustomLabel"
        when: windowShown

        function test_showsTheProcessorsText() {
            TestLink.clearSent()
            var l = createTemporaryObject(release, stage)
            verify(TestLink.count(TestLink.line("sub", "Compressor", "Release")) >= 1)
            compare(H.find(l, "valueText").text, "\u2014")
            TestLink.offer("subr", "Compressor", "Release", "100dB/s")
            compare(l.labelValue, "100dB/s")
            compare(H.find(l, "valueText").text, "100\u2009dB/s")
            TestLink.offer("subr", "Compressor", "Release", "-3.5dB")
            compare(l.valueText, "\u22123.5\u2009dB")
            l.pretty = false
            compare(l.valueText, "-3.5dB")
            // Nothing is ever sent from a label.
            TestLink.clearSent()
            TestLink.offer("subr", "Compressor", "Release", "Off")
            compare(TestLink.sent, [])
        }
    }
}
