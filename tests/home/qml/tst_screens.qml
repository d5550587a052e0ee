// Guards against analyser, generator, meter and utility screens that send the wrong value or command,
// show a value, level, clip or mute before the processor confirms it, or draw bars off the scale.
import QtQuick 2.15
import QtTest 1.15
import AppAnalytics 1.0
import AppDataStore 1.0
import TarnTest 1.0
import TarnSettings 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

// The screens reach the root document by its id; this stands in for it.
Item {
    id: rootQML
    width: 1024
    height: 768

    signal guiSignal(string param, string payload)
    property var appDataStore: null
    property string strHelpFileName: ""
    property bool rootCfgMode: false
    // The root document's validator for names the user types.
    property RegularExpressionValidator nameValidator: RegularExpressionValidator {
        regularExpression: /[A-Za-z0-9 !#$%&'()+,\-.=\[\]^_\\{}~@]*/
    }
    function funcLastScreen(name) {}

    AppDataStore { id: store }
    TarnSettings { id: settings }
    Component { id: metersComponent; ScreenOutputMeters {} }
    Component { id: rtaComponent; ScreenRTA {} }
    Component { id: sigGenComponent; ScreenSigGen {} }
    Component { id: utilitiesComponent; ScreenUtilities {} }

    TestCase {
        name: "ScreenOutputMeters"
        when: windowShown

        function test_everyChannelIsPolledAndShown() {
            TestLink.clearSent()
            var screen = createTemporaryObject(metersComponent, rootQML)
            waitForRendering(screen)
            // (That every level, clip, mute and gain is asked for and answered, the screen tour checks
            // against the offline model.)
            var shown = H.texts(screen)
            var roles = ["Low L", "Low R", "Mid L", "Mid R", "High L", "High R"]
            for (var r = 0; r < roles.length; ++r)
                verify(shown.indexOf(roles[r]) >= 0, roles[r])

            // Levels, clips and mutes reach their strips.
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

            // The strip's mute is bound to its output (pressing it is driven in the widget suite).
            var mute = H.find(screen, "mute_Output 4")
            TestLink.offer("subr", "OutputGains", "Channel_4_Mute", "On")
            compare(mute.text, "MUTED")
            TestLink.offer("subr", "OutputGains", "Channel_4_Mute", "Off")
            compare(mute.text, "MUTE")
        }
    }

    TestCase {
        name: "ScreenRTA"
        when: windowShown

        function spectrum(first) {
            var levels = first.slice()
            while (levels.length < 31)
                levels.push(-60)
            return levels.join(" ")
        }

        function test_barsFollowTheSpectrumAndSettings() {
            TestLink.clearSent()
            var screen = createTemporaryObject(rtaComponent, rootQML)
            waitForRendering(screen)
            var graph = H.find(screen, "graphRTA")
            // The spectrum is polled like a meter, never subscribed.
            tryVerify(function() { return TestLink.count(TestLink.line("asyncget", "RTA", "AllMeters")) >= 1 }, 3000)
            compare(TestLink.count(TestLink.line("sub", "RTA", "AllMeters")), 0)
            compare(graph.bandLabels.length, 31)
            compare(graph.minimumDb, -90)
            compare(graph.maximumDb, 0)

            TestLink.offer("asyncget", "RTA", "AllMeters", spectrum([-90, -45, 0, -100, 12]))
            compare(graph.levels.length, 31)
            var bars = H.findAll(H.find(graph, "bars"), "bar")
            compare(bars.length, 31)
            var full = H.find(graph, "plot").height
            compare(bars[0].height, 0)
            fuzzyCompare(bars[1].height, full / 2, 0.5)
            fuzzyCompare(bars[2].height, full, 0.5)
            // Outside the scale the bar stops at its ends.
            compare(bars[3].height, 0)
            fuzzyCompare(bars[4].height, full, 0.5)
            fuzzyCompare(bars[5].height, full / 3, 0.5)

            // Peaks hold while the level falls back.
            TestLink.offer("asyncget", "RTA", "AllMeters", spectrum([-90, -90, -90]))
            compare(graph.levels[2], -90)
            compare(graph.peaks[2].level, 0)
            compare(bars[2].height, 0)

            // A tap on a band reads it out with its frequency and level.
            var plotBars = H.find(graph, "bars")
            var slot = plotBars.width / 31
            mouseClick(plotBars, slot * 17.5, plotBars.height / 2)
            compare(graph.selectedBand, 17)
            verify(H.texts(graph).indexOf("1 kHz   \u221260.0 dB") >= 0, H.texts(graph).join("|"))

            // Frequencies with their units, and the scale's labels.
            compare(graph.frequencyText("12.5k"), "12.5 kHz")
            compare(graph.frequencyText("20.0k"), "20 kHz")
            var shown = H.texts(graph)
            var octaves = ["31.5 Hz", "63 Hz", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz", "16 kHz"]
            for (var i = 0; i < octaves.length; ++i)
                verify(shown.indexOf(octaves[i]) >= 0, octaves[i])
            verify(shown.indexOf("0 dB") >= 0)
            verify(shown.indexOf("\u221290") >= 0)

            // The settings: choices shown once the processor has them; the gain in half decibels.
            TestLink.offerEnums(["RTA Mic", "Input A", "Input B", "Input C"], "\\\\Preset\\RTARouter\\SV\\Source\\EN")
            TestLink.offer("subr", "RTARouter", "Source", "RTA Mic")
            var source = H.find(screen, "source")
            compare(source.selectedValue, "RTA Mic")
            waitForRendering(source)
            mouseClick(H.find(source, "choice_Input B"))
            tryVerify(function() { return TestLink.sent.some(function(l) { return l.indexOf("RTARouter\\SV\\Source") > 0 && l.indexOf("set") === 0 && l.indexOf("Input B") > 0 }) })

            TestLink.offerEnums(["Fast", "Medium", "Slow"], "\\\\Preset\\RTA\\SV\\Averaging\\EN")
            compare(H.find(screen, "averaging").model.length, 3)

            // The gain steps by half a decibel.
            TestLink.offer("subr", "RTA", "Gain", "10.0dB")
            TestLink.clearSent()
            mouseClick(H.find(screen, "gainUp"))
            compare(TestLink.count(TestLink.line("set", "RTA", "Gain", "10.5")), 1)
        }
    }

    TestCase {
        name: "ScreenSigGen"
        when: windowShown

        // Only this screen is given the store: the others fall back to their own steps without one.
        function init() { rootQML.appDataStore = store }
        function cleanup() { rootQML.appDataStore = null }

        function test_switchFrequencyAndSteps() {
            var screen = createTemporaryObject(sigGenComponent, rootQML)
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

            // The frequency only for the sine; its steps and the level's follow the ranges.
            var frequency = H.find(screen, "frequency")
            var level = H.find(screen, "level")
            TestLink.offer("subr", "SignalGenerator", "Signal Type", "Pink Noise")
            verify(!frequency.enabled)
            TestLink.offer("subr", "SignalGenerator", "Signal Type", "Sine")
            verify(frequency.enabled)
            TestLink.offerEnums(["Pink Noise", "White Noise", "Sine"], "\\\\Preset\\SignalGenerator\\SV\\Signal Type\\EN")
            compare(H.find(screen, "signalType").model.length, 3)
            compare(H.find(screen, "signalType").selectedValue, "Sine")

            TestLink.offer("subr", "SignalGenerator", "Sine Frequency", "1.00kHz")
            TestLink.offer("subr", "SignalGenerator", "Signal Amplitude", "-20.0dB")
            compare(H.find(frequency, "slider").valueText, "1.00\u2009kHz")
            TestLink.clearSent()
            // At 1 kHz, the top of the 100 Hz - 1 kHz range: up in steps of 100 Hz, down in 10 Hz.
            mouseClick(H.find(frequency, "up"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Sine Frequency", "1100")), 1)
            mouseClick(H.find(frequency, "down"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Sine Frequency", "990")), 1)
            // The level has one step of a decibel.
            mouseClick(H.find(level, "down"))
            compare(TestLink.count(TestLink.line("set", "SignalGenerator", "Signal Amplitude", "-21")), 1)
        }
    }

    TestCase {
        name: "ScreenUtilities"
        when: windowShown

        function type(text) {
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function test_nameRebootAndChoices() {
            settings.setValue("Data/appAnalytics", "true")
            settings.remove("Data/checkOnStart")
            TestLink.clearSent()
            var screen = createTemporaryObject(utilitiesComponent, rootQML)
            waitForRendering(screen)
            verify(TestLink.count(H.nodeLine("sub", "Node\\SV\\DeviceName")) >= 1)
            TestLink.offer("subr", "NPO", "Node\\SV\\DeviceName", "Cadenzo Tarn")
            var field = H.find(screen, "deviceNameField")
            var rename = H.find(screen, "renameButton")
            compare(field.text, "Cadenzo Tarn")
            compare(field.validator, rootQML.nameValidator)
            verify(!rename.enabled)

            // Characters outside the name set are not taken.
            field.forceActiveFocus()
            field.selectAll()
            type("Stage/Left:1")
            compare(field.text, "StageLeft1")
            field.selectAll()
            type("Stage Left")
            verify(rename.enabled)
            mouseClick(rename)
            tryVerify(function() { return TestLink.count(H.nodeLine("set", "Node\\SV\\DeviceName", "Stage Left")) === 1 })
            compare(screen.pendingName, "Stage Left")
            verify(H.texts(screen).indexOf("Renaming\u2026") >= 0)
            // Shown as taken only when the processor reports it.
            TestLink.offer("subr", "NPO", "Node\\SV\\DeviceName", "Stage Left")
            compare(screen.pendingName, "")
            compare(screen.nameMessage, "Name changed.")
            compare(field.text, "Stage Left")

            // A name the processor does not take: after a while the field shows its name again.
            field.forceActiveFocus()
            field.selectAll()
            type("Refused")
            keyClick(Qt.Key_Return)
            tryVerify(function() { return TestLink.count(H.nodeLine("set", "Node\\SV\\DeviceName", "Refused")) === 1 })
            tryCompare(screen, "nameMessage", "The processor did not take this name.", 6000)
            compare(field.text, "Stage Left")
            compare(screen.pendingName, "")

            // A reboot asks first.
            var rebootLine = H.nodeLine("set", "Node\\SV\\Reboot", "1")
            mouseClick(H.find(screen, "rebootButton"))
            tryCompare(screen.rebootDialog, "opened", true)
            mouseClick(H.find(screen.rebootDialog.contentItem, "rebootCancel"))
            tryCompare(screen.rebootDialog, "visible", false)
            compare(TestLink.count(rebootLine), 0)

            mouseClick(H.find(screen, "rebootButton"))
            tryCompare(screen.rebootDialog, "opened", true)
            mouseClick(H.find(screen.rebootDialog.contentItem, "rebootConfirm"))
            tryCompare(screen.rebootDialog, "visible", false)
            compare(TestLink.count(rebootLine), 1)

            // The application's own choices: stored at once, and followed by the analytics client.
            var analytics = H.find(H.find(screen, "analyticsSwitch"), "switch")
            var check = H.find(H.find(screen, "checkOnStartSwitch"), "switch")
            verify(analytics.checked)
            // Absent means on.
            verify(check.checked)
            mouseClick(analytics)
            compare(settings.value("Data/appAnalytics"), "false")
            verify(!AppAnalytics.isAnalyticsAllowed)
            mouseClick(check)
            compare(settings.value("Data/checkOnStart"), "false")
            var again = createTemporaryObject(utilitiesComponent, rootQML)
            waitForRendering(again)
            verify(!H.find(H.find(again, "analyticsSwitch"), "switch").checked)
            verify(!H.find(H.find(again, "checkOnStartSwitch"), "switch").checked)
        }
    }
}
