// Guards against output and input meters that are not polled, show the wrong level or clip, or a mute shown before the processor confirms it.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

Item {
    id: rootQML
    width: 1024
    height: 768

    signal guiSignal(string param, string payload)
    property var appDataStore: null
    property string strHelpFileName: ""
    property bool rootCfgMode: false
    function funcLastScreen(name) {}

    Component {
        id: screenComponent
        ScreenOutputMeters {}
    }

    TestCase {
        name: "ScreenOutputMeters"
        when: windowShown

        function test_everyChannelIsPolled() {
            TestLink.clearSent()
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var polled = []
            for (var i = 1; i <= 3; ++i)
                polled.push(["InputMeters", "Channel_" + i + "_Level"], ["InputMeters", "Channel_" + i + "_Clip"])
            for (var o = 1; o <= 6; ++o)
                polled.push(["OutputMeters", "Channel_" + o + "_Level"], ["OutputMeters", "Channel_" + o + "_Clip"])
            tryVerify(function() {
                return polled.every(function(p) { return TestLink.count(TestLink.line("asyncget", p[0], p[1])) >= 1 })
            }, 3000)
            for (var m = 1; m <= 6; ++m) {
                verify(TestLink.count(TestLink.line("sub", "OutputGains", "Channel_" + m + "_Mute")) >= 1)
                verify(TestLink.count(TestLink.line("sub", "OutputGains", "Channel_" + m + "_Gain", "", "%")) >= 1)
            }
            var shown = H.texts(screen)
            var roles = ["Low L", "Low R", "Mid L", "Mid R", "High L", "High R"]
            for (var r = 0; r < roles.length; ++r)
                verify(shown.indexOf(roles[r]) >= 0, roles[r])
        }

        function test_levelsClipsAndMutes() {
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var meter = H.find(screen, "meter_Output 2")
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Level", "-6.0dB")
            // -6 dB sits where the top range (red) starts: 10 + 30 + 40 percent of the travel.
            compare(meter.level, 80)
            compare(H.find(meter, "readout").text, "\u22126.0\u2009dB")
            verify(!meter.clipping)
            TestLink.offer("asyncget", "OutputMeters", "Channel_2_Clip", "On")
            verify(meter.clipping)
            TestLink.offer("asyncget", "InputMeters", "Channel_3_Level", "-95.0dB")
            compare(H.find(screen, "meter_Input C").level, 0)

            var mute = H.find(screen, "mute_Output 4")
            TestLink.offer("subr", "OutputGains", "Channel_4_Mute", "On")
            verify(mute.muted)
            compare(mute.text, "MUTED")
            TestLink.clearSent()
            mouseClick(mute)
            tryVerify(function() { return TestLink.count(TestLink.line("set", "OutputGains", "Channel_4_Mute", "0")) === 1 })
            // Still muted until the processor says otherwise.
            verify(mute.muted)
            TestLink.offer("subr", "OutputGains", "Channel_4_Mute", "Off")
            compare(mute.text, "MUTE")
        }
    }
}
