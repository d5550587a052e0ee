// Guards against grid blocks that raise the wrong screen or leave the wrong object for it, and
// against configuration-mode dialogs whose edits do not reach the working chain.
import QtQuick 2.15
import QtTest 1.15
import HomeScreenModel 1.0
import EditModeCopyPaste 1.0
import TarnSettings 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

// The configurable model's grid home screen and its configuration mode, on the library's
// default chain: what each block raises and leaves for its screen, and the chain edits made
// through the dialogs as a user makes them.
Item {
    id: rootQML
    width: 1024
    height: 700

    signal guiSignal(string param, string payload)
    property string platform: "Quarra"
    property bool rootCfgMode: false
    property var hsModel: chain
    property var editModeCopyPaste: copyPaste
    property RegularExpressionValidator nameValidator: RegularExpressionValidator { regularExpression: /[A-Za-z0-9 ]*/ }

    HomeScreenModel { id: chain }
    EditModeCopyPaste { id: copyPaste }
    TarnSettings { id: settings }
    SignalSpy { id: gui; target: rootQML; signalName: "guiSignal" }
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

    TestCase {
        name: "CustomQuarHomeScreen"
        when: windowShown

        function init() {
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
            var expected = [["in_0_0", "InputRouter", "InputRouter", "InputRouter"], ["in_1_2", "MIX", "In_Mixer3", "In_Mixer3"],
                            ["in_3_1", "PEQ", "PEQIn2", "PEQIn2"], ["in_4_0", "CMP", "", "Compressor1"],
                            ["mid_0_3", "MIX", "Mid_Router4", "Mid_Router4"], ["mid_1_0", "AEQ", "", "AutoEQPEQ1"],
                            ["mid_2_5", "Delay", "MidDelay6", "MidDelay6"], ["out_0_0", "Crossover", "", "Crossover1"],
                            ["out_3_0", "1", "Output 1", "OutputGains"], ["out_4_1", "LMT", "Limiter2", "Limiter2"],
                            ["out_6_2", "3", "Output 3", "Output3"], ["rta_1_0", "RTA", "", "RTA"]]
            for (var i = 0; i < expected.length; ++i) {
                gui.clear()
                mouseClick(cell(home, expected[i][0]))
                compare(gui.count, 1, expected[i][0])
                compare(gui.signalArguments[0][0], expected[i][1], expected[i][0])
                compare(gui.signalArguments[0][1], expected[i][2], expected[i][0])
                compare(JSON.parse(settings.value("Data/CurrentPOData")).POName, expected[i][3])
            }
            var delays = JSON.parse(settings.value("Data/DelayPOJson"))
            compare(delays["4"], "MidDelay1")
            compare(delays["15"], "OutDelay6")
            compare(cell(home, "out_6_2").caption, "Output 3")
        }

        function test_linkAfterRemovingTheBlockBelow() {
            var home = makeHome()
            rootQML.rootCfgMode = true
            waitForRendering(home)
            var dialog = openDialog(home, "cell_in_3_0", "linkInsertDialog")
            // The row below holds a block of its own: no link is offered.
            verify(!H.find(dialog, "linkButton").enabled)
            mouseClick(H.find(dialog, "configDialogClose"))
            dialog = openDialog(home, "cell_in_3_1", "linkInsertDialog")
            mouseClick(H.find(dialog, "removeButton"))
            waitForRendering(home)
            compare(home.overlay.dialog, null)
            verify(H.find(home, "free_in_3_1") !== null)
            dialog = openDialog(home, "cell_in_3_0", "linkInsertDialog")
            mouseClick(H.find(dialog, "linkButton"))
            waitForRendering(home)
            compare(chain.cellInfo("in", 3, 0).channelSpan, 2)
            fuzzyCompare(cell(home, "in_3_0").height, 2 * cell(home, "in_2_0").height + 6, 1)
            // A free place takes a new block of the column's kinds.
            dialog = openDialog(home, "cell_in_3_2", "linkInsertDialog")
            mouseClick(H.find(dialog, "removeButton"))
            dialog = openDialog(home, "free_in_3_2", "linkInsertDialog")
            var list = H.find(dialog, "templateList")
            var gate = dialog.templates.indexOf("In_Gate")
            verify(gate >= 0)
            list.chosen(gate)
            waitForRendering(home)
            compare(chain.cellInfo("in", 3, 2).type, "Gate")
            verify(chain.enCfgApply)
        }

        function test_crossoverOutputAndMixerDialogs() {
            var home = makeHome()
            rootQML.rootCfgMode = true
            waitForRendering(home)
            // Room below the first crossover, then a layout of two outputs.
            var dialog = openDialog(home, "cell_out_0_1", "crossoverConfigDialog")
            mouseClick(H.find(dialog, "removeCrossover"))
            dialog = openDialog(home, "cell_out_0_0", "crossoverConfigDialog")
            var names = dialog.layouts.map(function(l) { return l.configName })
            verify(names.length > 1)
            compare(dialog.counts.curIdx, names.indexOf("Mono Fullrange"))
            H.find(dialog, "layoutList").chosen(names.indexOf("Mono Fullrange with Mono Sub"))
            waitForRendering(home)
            compare(chain.cellInfo("out", 0, 0).XOverType, "1x2")
            compare(chain.cellInfo("out", 0, 0).channelSpan, 2)

            dialog = openDialog(home, "cell_out_6_0", "outputNameDialog")
            var field = H.find(dialog, "outputNameField")
            field.text = "Front Fill"
            mouseClick(H.find(dialog, "outputNameOk"))
            waitForRendering(home)
            compare(chain.configError, "")
            compare(chain.objectAttribute("Output1", "OutputName"), "Front Fill")
            compare(cell(home, "out_6_0").caption, "Front Fill")

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
