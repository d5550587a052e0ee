// Guards against home screens, configuration dialogs and utility screens that raise or send the wrong
// thing, show what the processor has not confirmed, bind objects it lacks, or lose edits.
import QtQuick 2.15
import QtTest 1.15
import AppAnalytics 1.0
import AppDataStore 1.0
import EditModeCopyPaste 1.0
import HomeScreenModel 1.0
import TarnHomeTest 1.0
import TarnSettings 1.0
import TarnTest 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

// The screens reach the root document by its id; this stands in for it. Each home screen test case
// names the processor kind it plays.
Item {
    id: rootQML
    width: 1024
    height: 768

    signal guiSignal(string param, string payload)
    property var appDataStore: null
    property string platform: "Tarn"
    property string strHelpFileName: ""
    property bool rootCfgMode: false
    property var hsModel: chain
    property var editModeCopyPaste: copyPaste
    // The root document's validator for names the user types.
    property RegularExpressionValidator nameValidator: RegularExpressionValidator {
        regularExpression: /[A-Za-z0-9 !#$%&'()+,\-.=\[\]^_\\{}~@]*/
    }
    function funcLastScreen(name) {}

    HomeScreenModel { id: chain }
    EditModeCopyPaste { id: copyPaste }
    AppDataStore { id: store }
    TarnSettings { id: settings }
    SignalSpy { id: gui; target: rootQML; signalName: "guiSignal" }
    Component { id: metersComponent; ScreenOutputMeters {} }
    Component { id: rtaComponent; ScreenRTA {} }
    Component { id: sigGenComponent; ScreenSigGen {} }
    Component { id: utilitiesComponent; ScreenUtilities {} }
    // The configurable model's grid home screen and its configuration mode, on the library's
    // default chain.
    Component {
        id: homeComponent
        Item {
            anchors.fill: parent
            property alias flow: flow
            property alias overlay: overlay
            CustomQuarHomeScreen { id: flow; anchors.fill: parent }
            ConfigOverlay { id: overlay; anchors.fill: parent; model: chain; flow: flow }
        }
    }
    Component {
        id: flowComponent
        CustomTarnHomeScreen { anchors.fill: parent }
    }

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
            // Outside the scale (-100, 12 dB) the bar stops at its ends.
            var heights = [0, 1 / 2, 1, 0, 1, 1 / 3]
            for (var b = 0; b < heights.length; ++b)
                fuzzyCompare(bars[b].height, full * heights[b], 0.5)

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
            var labels = ["31.5 Hz", "63 Hz", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz", "16 kHz", "0 dB", "\u221290"]
            for (var i = 0; i < labels.length; ++i)
                verify(shown.indexOf(labels[i]) >= 0, labels[i])

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

            // A reboot asks first: cancelled, nothing is sent; confirmed, the reboot.
            for (var answer of [["rebootCancel", 0], ["rebootConfirm", 1]]) {
                mouseClick(H.find(screen, "rebootButton"))
                tryCompare(screen.rebootDialog, "opened", true)
                mouseClick(H.find(screen.rebootDialog.contentItem, answer[0]))
                tryCompare(screen.rebootDialog, "visible", false)
                compare(TestLink.count(H.nodeLine("set", "Node\\SV\\Reboot", "1")), answer[1])
            }

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

    // Test cases run from the last to the first: the configurable model first, before the extra
    // features are written ready; the screens last, on the fixed chain.
    TestCase {
        name: "CustomTarnHomeScreen"
        when: windowShown

        // The extra features (analyser, generator, meter blocks) are written ready at every start.
        function initTestCase() { settings.setValue("ExtraFeaturesReady", "true") }
        function init() { rootQML.platform = "Tarn" }

        readonly property var stereo3Way: ["SignalGenerator", "RTARouter", "RTA", "InputMeters", "StereoMixer", "InputDelay",
            "Afs", "GEQ", "SubHarmonicSynth", "RoomEQ", "Compressor", "Gate", "AGC", "Crossover", "Low Outputs PEQ",
            "Mid Outputs PEQ", "High Outputs PEQ", "OutputGains", "OutputMeters"]

        function find(item, name) {
            return H.find(item, name)
        }
        function shown(flow, name) {
            var item = find(flow, name)
            return item !== null && item.visible
        }
        // The band blocks shown, and the outputs: "Low High | 1 2 5 6".
        function bands(flow) {
            var peq = ["Low", "Mid", "High"].filter(function(b) { return shown(flow, "block_PEQ_" + b) })
            var outputs = [1, 2, 3, 4, 5, 6].filter(function(n) { return shown(flow, "output_" + n) })
            return peq.join(" ") + " | " + outputs.join(" ")
        }
        function makeFlow(numBands, monoSub, objects) {
            var flow = createTemporaryObject(flowComponent, rootQML)
            verify(flow)
            HomeProcessor.crossover(numBands, monoSub)
            HomeProcessor.listing(objects)
            waitForRendering(flow)
            return flow
        }
        function pressAndExpect(item, command, payload) {
            verify(item)
            gui.clear()
            mouseClick(item)
            compare(gui.count + " " + gui.signalArguments[0][0] + " " + gui.signalArguments[0][1], "1 " + command + " " + payload, item.objectName)
        }

        // Every block raises its command and shows what the resolver and the processor say.
        function test_everyBlock() {
            var flow = makeFlow("3", "0", stereo3Way)
            var expected = [
                ["block_MIX", "MIX", "StereoMixer"], ["block_InputDelay", "InputDelay", ""], ["block_AFS", "AFS", ""],
                ["block_GEQ", "GEQ", "StereoGEQ"], ["block_SUB", "SUB", ""], ["block_AEQ", "AEQ", ""],
                ["block_CMP", "CMP", ""], ["block_GAT", "GAT", ""], ["block_AGC", "AGC", ""],
                ["block_Crossover", "Crossover", ""], ["block_RTA", "RTA", ""], ["block_SIGGEN", "SIGGEN", ""],
                ["block_Meters", "1", "Output 1"]]
            for (var i = 0; i < expected.length; ++i)
                pressAndExpect(find(flow, expected[i][0]), expected[i][1], expected[i][2])
            var bands = ["High", "Mid", "Low"]
            for (var b = 0; b < bands.length; ++b) {
                pressAndExpect(find(flow, "block_PEQ_" + bands[b]), "PEQ", bands[b])
                pressAndExpect(find(flow, "block_Delay_" + bands[b]), "Delay", bands[b])
                pressAndExpect(find(flow, "block_LMT_" + bands[b]), "LMT", bands[b])
            }
            for (var n = 1; n <= 6; ++n)
                pressAndExpect(find(find(flow, "output_" + n), "open"), String(n), "Output " + n)

            // Icons come from the resolver and exist as images.
            var icons = [["block_MIX", "ICN_Mixer"], ["block_InputDelay", "ICN_AlignmentDelay"], ["block_AEQ", "ICN_AutoEQ"],
                         ["block_PEQ_Mid", "ICN_ParaEQ"], ["block_LMT_High", "ICN_Limiter"],
                         ["block_SIGGEN", "ICN_SignalGenerator"], ["block_Meters", "ICN_Meters"]]
            for (var i = 0; i < icons.length; ++i) {
                var icon = find(find(flow, icons[i][0]), "icon")
                compare(String(icon.source), "qrc:/images/Home/" + icons[i][1] + ".png", icons[i][0])
                tryCompare(icon, "status", Image.Ready)
            }
            // Captions as the processor's panel writes them, double blanks included.
            compare(find(flow, "block_AGC").caption, "Automatic  Gain  Control")
            compare(find(flow, "block_InputDelay").caption, "Backline Delay")
            compare(find(flow, "output_4").caption, "Output 4")

            // Each block follows its own on/off switch.
            var toggles = [["block_InputDelay", "InputDelay", "Delay"], ["block_SUB", "SubHarmonicSynth", "SubharmonicSynth"],
                           ["block_AEQ", "RoomEQ", "AutoEQ"], ["block_PEQ_Mid", "Mid Outputs PEQ", "ParametricEQ"],
                           ["block_Delay_High", "High Outputs Delay", "Delay"], ["block_LMT_Low", "Low Outputs Limiter", "Limiter"]]
            for (var t = 0; t < toggles.length; ++t) {
                var block = find(flow, toggles[t][0])
                compare(block.toggleControl.poName + "/" + block.toggleControl.svName, toggles[t][1] + "/" + toggles[t][2], toggles[t][0])
            }
            var cmp = find(flow, "block_CMP")
            compare(cmp.stateText, "\u2014")
            cmp.toggleControl.value = 1
            compare(cmp.stateText, "ON")
            cmp.toggleControl.value = 0
            compare(cmp.stateText, "OFF")
            compare(find(flow, "block_Crossover").stateText, "")

            // Mutes change the picture where the resolver has a muted one.
            var mixer = find(flow, "block_MIX")
            compare(mixer.muteControl.poName + "/" + mixer.muteControl.svName, "StereoMixer/Mute")
            mixer.muteControl.value = 1
            compare(String(find(mixer, "icon").source), "qrc:/images/Home/ICN_MixerMute.png")
            compare(mixer.stateText, "MUTED")
            var output = find(flow, "output_3")
            var mute = find(output, "mute")
            compare(mute.control.poName + "/" + mute.control.svName, "OutputGains/Channel_3_Mute")
            compare(String(find(output, "icon").source), "qrc:/images/Home/ICN_Output.png")
            mute.control.value = 1
            compare(String(find(output, "icon").source), "qrc:/images/Home/ICN_OutputMute.png")
            // A block the resolver has no muted picture for keeps its own.
            compare(String(find(cmp, "icon").source), "qrc:/images/Home/ICN_Compressor.png")
        }

        function test_followsTheCrossoverAndTheListing() {
            // Two bands: no mid outputs; the low and high bands are stereo.
            var flow = makeFlow("2", "0", ["StereoMixer", "GEQ", "Low Outputs PEQ", "High Outputs PEQ"])
            compare(bands(flow), "Low High | 1 2 5 6")
            // Two bands with a mono sub: three bands, the low one mono on output 1.
            HomeProcessor.crossover("2", "1")
            tryVerify(function() { return bands(flow) === "Low Mid High | 1 3 4 5 6" }, 5000, bands(flow))
            // Full range: the high band only.
            HomeProcessor.crossover("1", "0")
            tryVerify(function() { return bands(flow) === "High | 5 6" }, 5000, bands(flow))
            // An unknown band count leaves the screen as it was.
            HomeProcessor.crossover("4", "0")
            compare(bands(flow), "High | 5 6")

            // A mono mixer: the mixer command and mute name the mono mixer.
            HomeProcessor.listing(["MonoMixer", "GEQ"])
            pressAndExpect(find(flow, "block_MIX"), "MIX", "MonoMixer")
            compare(find(flow, "block_MIX").muteControl.poName, "MonoMixer")
            compare(find(flow, "inputsTitle").text, "INPUTS \u00b7 MONO")

            // Dual mono: a graphic EQ per side.
            HomeProcessor.listing(["StereoMixer", "LeftGEQ", "RightGEQ"])
            tryVerify(function() { return find(flow, "block_LeftGEQ") !== null })
            verify(find(flow, "block_GEQ") === null)
            pressAndExpect(find(flow, "block_LeftGEQ"), "GEQ", "LeftGEQ")
            pressAndExpect(find(flow, "block_RightGEQ"), "GEQ", "RightGEQ")
            compare(find(flow, "block_RightGEQ").toggleControl.poName, "RightGEQ")
            compare(find(flow, "block_MIX").payload, "StereoMixer")

            // Back to one stereo graphic EQ.
            HomeProcessor.listing(["StereoMixer", "GEQ"])
            tryVerify(function() { return find(flow, "block_GEQ") !== null })
            verify(find(flow, "block_LeftGEQ") === null)
        }

        function test_extraFeaturesFollowTheirSetting() {
            settings.setValue("ExtraFeaturesReady", "false")
            var without = createTemporaryObject(flowComponent, rootQML)
            verify(!shown(without, "block_RTA"))
            settings.setValue("ExtraFeaturesReady", "true")
            var withThem = createTemporaryObject(flowComponent, rootQML)
            verify(shown(withThem, "block_RTA") && shown(withThem, "block_SIGGEN") && shown(withThem, "block_Meters"))
        }

        function test_bindsNothingTheListingMayNotHave() {
            // Before the listing the mixer and the graphic EQ are shown but not bound: a dual-mono
            // or mono preset lacks the objects they would otherwise name.
            TestLink.clearSent()
            var flow = createTemporaryObject(flowComponent, rootQML)
            // The mixer's mute, the graphic EQ's and the compressor's switches, and whether each is
            // subscribed, with the first output band's switch (none before the crossover answers).
            function bindings() {
                var subscribed = [["StereoMixer", "Mute"], ["GEQ", "GraphicEQ"], ["Compressor", "Compressor"],
                                  ["Low Outputs PEQ", "ParametricEQ"]].map(function(b) { return TestLink.count(TestLink.line("sub", b[0], b[1])) > 0 })
                return [find(flow, "block_MIX").muteControl.poName, find(flow, "block_GEQ").toggleControl.poName,
                        find(flow, "block_CMP").toggleControl.poName].concat(subscribed).join(" ")
            }
            compare(bindings(), "  Compressor false false true false")
            HomeProcessor.listing(stereo3Way)
            compare(bindings(), "StereoMixer GEQ Compressor true true true false")
            HomeProcessor.crossover("3", "0")
            compare(bindings(), "StereoMixer GEQ Compressor true true true true")
            // The processor's answers reach the blocks.
            TestLink.offer("subr", "Compressor", "Compressor", "On")
            compare(find(flow, "block_CMP").stateText, "ON")
            TestLink.offer("subr", "StereoMixer", "Mute", "On")
            compare(find(flow, "block_MIX").stateText, "MUTED")
        }
    }

    TestCase {
        name: "CustomQuarHomeScreen"
        when: windowShown

        function init() {
            rootQML.platform = "Quarra"
            rootQML.rootCfgMode = false
            chain.reset()
            chain.enteringConfigMode()
        }
        function cleanup() { rootQML.platform = "Tarn" }
        function makeHome() {
            var home = createTemporaryObject(homeComponent, rootQML)
            verify(home)
            waitForRendering(home)
            return home
        }
        function cell(home, name) {
            var item = H.find(home, "cell_" + name)
            verify(item, name)
            return item
        }
        // Configuration mode: the place's dialog, opened by a press.
        function openDialog(home, place, objectName) {
            mouseClick(H.find(home, place))
            var dialog = home.overlay.dialog
            verify(dialog !== null, place)
            compare(dialog.objectName, objectName)
            waitForRendering(home)
            return dialog
        }

        function test_blocksRaiseTheirScreens() {
            var home = makeHome()
            var cells = 0
            for (var grid of ["in", "mid", "out", "rta"]) {
                var size = chain.gridSize(grid)
                for (var c = 0; c < size.columns; ++c)
                    for (var r = 0; r < size.rows; ++r)
                        cells += H.find(home, "cell_" + grid + "_" + c + "_" + r) !== null ? 1 : 0
            }
            compare(cells, 1 + 12 + 18 + 32 + 2)
            // A block linked over rows is as tall as they are.
            fuzzyCompare(cell(home, "out_2_0").height, 6 * cell(home, "out_1_0").height + 5 * 6, 1)
            // (A press on each kind of block opens its screen bound to the block's processing object in
            // the configurable model's screen tour.) One press here for what that tour cannot see.
            gui.clear()
            mouseClick(cell(home, "out_6_2"))
            compare(gui.signalArguments[0][0] + " " + gui.signalArguments[0][1], "3 Output 3")
            compare(JSON.parse(settings.value("Data/CurrentPOData")).POName, "Output3")
            var delays = JSON.parse(settings.value("Data/DelayPOJson"))
            compare(delays["4"], "MidDelay1")
            compare(delays["15"], "OutDelay6")
            compare(cell(home, "out_6_2").caption, "Output 3")
        }

        // (Linking over a row freed by a removal, a crossover layout and an output name are
        // driven against the offline model by the configurable model's screen suite.)
        function test_configurationDialogs() {
            var home = makeHome()
            rootQML.rootCfgMode = true
            waitForRendering(home)
            // The row below holds a block of its own: no link is offered.
            var dialog = openDialog(home, "cell_in_3_0", "linkInsertDialog")
            verify(!H.find(dialog, "linkButton").enabled)
            mouseClick(H.find(dialog, "configDialogClose"))
            // A free place takes a new block of the column's kinds.
            dialog = openDialog(home, "cell_in_3_2", "linkInsertDialog")
            mouseClick(H.find(dialog, "removeButton"))
            waitForRendering(home)
            compare(home.overlay.dialog, null)
            dialog = openDialog(home, "free_in_3_2", "linkInsertDialog")
            var gate = dialog.templates.indexOf("In_Gate")
            verify(gate >= 0)
            H.find(dialog, "templateList").chosen(gate)
            waitForRendering(home)
            compare(chain.cellInfo("in", 3, 2).type, "Gate")
            verify(chain.enCfgApply)

            // With the row below freed, the crossover's dialog offers layouts and marks the chain's.
            var dialog = openDialog(home, "cell_out_0_1", "crossoverConfigDialog")
            mouseClick(H.find(dialog, "removeCrossover"))
            dialog = openDialog(home, "cell_out_0_0", "crossoverConfigDialog")
            var names = dialog.layouts.map(function(l) { return l.configName })
            verify(names.length > 1)
            compare(dialog.counts.curIdx, names.indexOf("Mono Fullrange"))
            mouseClick(H.find(dialog, "configDialogClose"))

            dialog = openDialog(home, "cell_mid_0_0", "mixerSelectorDialog")
            var options = chain.midMixerOptions().map(function(o) { return o.template })
            H.find(dialog, "mixerList").chosen(options.indexOf("Mid_Mixer_ABC"))
            waitForRendering(home)
            compare(chain.cellInfo("mid", 0, 0).type, "MidMixerABC")

            dialog = openDialog(home, "cell_in_1_1", "inputMixConfigDialog")
            H.find(dialog, "inputMixList").chosen(3) // slot 3 routed alone
            waitForRendering(home)
            compare(chain.objectAttribute(chain.cellInfo("in", 1, 1).name, "RouteMix"), "In3")

            dialog = openDialog(home, "cell_in_0_0", "inputRouterConfigDialog")
            H.find(dialog, "routerList").chosen(1)
            compare(chain.getInputRouterIdx(), 1)
            compare(chain.getInputRouterSourceName(1), "OptionCard1")
            verify(chain.enCfgApply)
        }
    }
}
