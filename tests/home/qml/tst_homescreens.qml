// Guards against home-screen blocks that raise the wrong command or screen, show the wrong picture
// or state, or bind objects the listing lacks, and configuration dialogs that lose their edits.
import QtQuick 2.15
import QtTest 1.15
import EditModeCopyPaste 1.0
import HomeScreenModel 1.0
import TarnHomeTest 1.0
import TarnSettings 1.0
import TarnTest 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

// The screens reach the root document by its id; this stands in for it. Each test case names the
// processor kind it plays.
Item {
    id: rootQML
    width: 1024
    height: 700

    signal guiSignal(string param, string payload)
    property var appDataStore: null
    property string platform: "Tarn"
    property bool rootCfgMode: false
    property var hsModel: chain
    property var editModeCopyPaste: copyPaste
    property RegularExpressionValidator nameValidator: RegularExpressionValidator { regularExpression: /[A-Za-z0-9 ]*/ }

    HomeScreenModel { id: chain }
    EditModeCopyPaste { id: copyPaste }
    TarnSettings { id: settings }
    SignalSpy { id: gui; target: rootQML; signalName: "guiSignal" }
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

    // Test cases run from the last to the first: the configurable model first, before the extra
    // features are written ready.
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
            compare(gui.count, 1, item.objectName)
            compare(gui.signalArguments[0][0], command, item.objectName)
            compare(gui.signalArguments[0][1], payload, item.objectName)
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
                compare(block.toggleControl.poName, toggles[t][1], toggles[t][0])
                compare(block.toggleControl.svName, toggles[t][2], toggles[t][0])
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
            compare(mixer.muteControl.poName, "StereoMixer")
            compare(mixer.muteControl.svName, "Mute")
            mixer.muteControl.value = 1
            compare(String(find(mixer, "icon").source), "qrc:/images/Home/ICN_MixerMute.png")
            compare(mixer.stateText, "MUTED")
            var output = find(flow, "output_3")
            var mute = find(output, "mute")
            compare(mute.control.poName, "OutputGains")
            compare(mute.control.svName, "Channel_3_Mute")
            compare(String(find(output, "icon").source), "qrc:/images/Home/ICN_Output.png")
            mute.control.value = 1
            compare(String(find(output, "icon").source), "qrc:/images/Home/ICN_OutputMute.png")
            // A block the resolver has no muted picture for keeps its own.
            compare(String(find(cmp, "icon").source), "qrc:/images/Home/ICN_Compressor.png")
        }

        function test_followsTheCrossoverAndTheListing() {
            // Two bands: no mid outputs; the low and high bands are stereo.
            var flow = makeFlow("2", "0", ["StereoMixer", "GEQ", "Low Outputs PEQ", "High Outputs PEQ"])
            verify(shown(flow, "block_PEQ_Low"))
            verify(shown(flow, "block_PEQ_High"))
            verify(!shown(flow, "block_PEQ_Mid"))
            verify(find(flow, "output_3") === null)
            verify(shown(flow, "output_1") && shown(flow, "output_2") && shown(flow, "output_5") && shown(flow, "output_6"))

            // Two bands with a mono sub: three bands, the low one mono on output 1.
            HomeProcessor.crossover("2", "1")
            tryVerify(function() { return shown(flow, "block_PEQ_Mid") })
            verify(shown(flow, "output_1"))
            verify(find(flow, "output_2") === null)
            verify(shown(flow, "output_3") && shown(flow, "output_4"))

            // Full range: the high band only.
            HomeProcessor.crossover("1", "0")
            tryVerify(function() { return !shown(flow, "block_PEQ_Low") })
            verify(!shown(flow, "block_PEQ_Mid"))
            verify(shown(flow, "block_PEQ_High"))
            verify(find(flow, "output_1") === null)

            // An unknown band count leaves the screen as it was.
            HomeProcessor.crossover("4", "0")
            verify(shown(flow, "block_PEQ_High") && !shown(flow, "block_PEQ_Low"))

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
            compare(find(flow, "block_MIX").muteControl.poName, "")
            compare(find(flow, "block_GEQ").toggleControl.poName, "")
            compare(find(flow, "block_CMP").toggleControl.poName, "Compressor")
            verify(TestLink.count(TestLink.line("sub", "Compressor", "Compressor")) >= 1)
            compare(TestLink.count(TestLink.line("sub", "StereoMixer", "Mute")), 0)
            compare(TestLink.count(TestLink.line("sub", "GEQ", "GraphicEQ")), 0)
            // No output band before the crossover has answered.
            verify(find(flow, "output_1") === null)
            compare(TestLink.count(TestLink.line("sub", "Low Outputs PEQ", "ParametricEQ")), 0)
            HomeProcessor.listing(stereo3Way)
            compare(find(flow, "block_MIX").muteControl.poName, "StereoMixer")
            compare(find(flow, "block_GEQ").toggleControl.poName, "GEQ")
            verify(TestLink.count(TestLink.line("sub", "StereoMixer", "Mute")) >= 1)
            verify(TestLink.count(TestLink.line("sub", "GEQ", "GraphicEQ")) >= 1)
            HomeProcessor.crossover("3", "0")
            verify(TestLink.count(TestLink.line("sub", "Low Outputs PEQ", "ParametricEQ")) >= 1)
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
