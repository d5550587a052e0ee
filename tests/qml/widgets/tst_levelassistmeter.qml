import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "helpers.js" as H

Item {
    id: stage
    width: 500
    height: 200

    Component {
        id: assist
        LevelAssistMeter {
            width: 420
            poName: "InputMeters"
            svName: "Channel_3_Level"
            minimum: -60
            maximum: 0
            targetLow: -24
            targetHigh: -12
        }
    }

    TestCase {
        name: "LevelAssistMeter"
        when: windowShown

        function test_verdicts() {
            var m = createTemporaryObject(assist, stage)
            compare(m.verdict, "")
            compare(H.find(m, "verdict").text, "\u2014")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-30.0dB")
            compare(m.level, 50)
            compare(m.levelDb, -30)
            compare(m.verdict, "Too low")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-18.0dB")
            compare(m.verdict, "Good")
            compare(H.find(m, "verdict").text, "Good  \u221218.0\u2009dB")
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-3.0dB")
            compare(m.verdict, "Too high")
            // The fill follows the level; the target window sits between its limits.
            var bar = H.find(m, "bar"), fill = H.find(m, "fill"), target = H.find(m, "target")
            fuzzyCompare(fill.width, (bar.width - 4) * 0.95, 0.01)
            fuzzyCompare(target.x, 2 + (bar.width - 4) * 0.6, 0.01)
            fuzzyCompare(target.width, (bar.width - 4) * 0.2, 0.01)
        }
    }
}
