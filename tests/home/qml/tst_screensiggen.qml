// Guards against a signal generator screen that sends the wrong value or shows one the processor has not confirmed.
import QtQuick 2.15
import QtTest 1.15
import TarnTest 1.0
import AppDataStore 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

Item {
    id: rootQML
    width: 1024
    height: 768

    signal guiSignal(string param, string payload)
    property AppDataStore appDataStore: AppDataStore {}
    property string strHelpFileName: ""
    property bool rootCfgMode: false
    function funcLastScreen(name) {}

    Component {
        id: screenComponent
        ScreenSigGen {}
    }

    TestCase {
        name: "ScreenSigGen"
        when: windowShown

        function test_switchShowsOnlyWhatTheProcessorSays() {
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var button = H.find(screen, "generatorSwitch")
            TestLink.offer("subr", "SignalGenerator", "SignalGenerator", "Off")
            compare(button.text, "GENERATOR OFF")
            compare(screen.subtitle, "Off")
            TestLink.clearSent()
            mouseClick(button)
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "SignalGenerator", "1")), 1)
            verify(!screen.generatorOn)
            TestLink.offer("subr", "SignalGenerator", "Signal Type", "White Noise")
            TestLink.offer("subr", "SignalGenerator", "Signal Amplitude", "-12.0dB")
            TestLink.offer("subr", "SignalGenerator", "SignalGenerator", "On")
            verify(screen.generatorOn)
            compare(button.text, "GENERATOR ON")
            verify(H.texts(screen).indexOf("The outputs carry white noise at \u221212.0\u2009dB.") >= 0, H.texts(screen).join("|"))
        }

        function test_frequencyOnlyForTheSine() {
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var frequency = H.find(screen, "frequency")
            TestLink.offer("subr", "SignalGenerator", "Signal Type", "Pink Noise")
            verify(!frequency.enabled)
            TestLink.offer("subr", "SignalGenerator", "Signal Type", "Sine")
            verify(frequency.enabled)
            TestLink.offerEnums(["Pink Noise", "White Noise", "Sine"], "\\\\Preset\\SignalGenerator\\SV\\Signal Type\\EN")
            compare(H.find(screen, "signalType").model.length, 3)
            compare(H.find(screen, "signalType").selectedValue, "Sine")
        }

        function test_stepsFollowTheRanges() {
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            TestLink.offer("subr", "SignalGenerator", "Signal Type", "Sine")
            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "1.00kHz")
            TestLink.offer("subr", "SignalGenerator", "Signal Amplitude", "-20.0dB")
            var frequency = H.find(screen, "frequency")
            var level = H.find(screen, "level")
            compare(H.find(frequency, "slider").valueText, "1.00\u2009kHz")
            TestLink.clearSent()
            // At 1 kHz, the top of the 100 Hz - 1 kHz range: up in steps of 100 Hz, down in 10 Hz.
            mouseClick(H.find(frequency, "up"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Sine Frequency", "1100")), 1)
            mouseClick(H.find(frequency, "down"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Sine Frequency", "990")), 1)
            // The level has one step of a decibel.
            mouseClick(H.find(level, "up"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Signal Amplitude", "-19")), 1)
            mouseClick(H.find(level, "down"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Signal Amplitude", "-21")), 1)
        }
    }
}
