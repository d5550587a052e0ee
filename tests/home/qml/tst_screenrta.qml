// Guards against analyser bars drawn off the scale, peaks that do not hold, and analyser settings shown before the processor confirms them.
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
        ScreenRTA {}
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

        function test_barsFollowTheSpectrum() {
            TestLink.clearSent()
            var screen = createTemporaryObject(screenComponent, rootQML)
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
        }

        function test_frequencyLabels() {
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var graph = H.find(screen, "graphRTA")
            compare(graph.frequencyText("31.5"), "31.5 Hz")
            compare(graph.frequencyText("1.0k"), "1 kHz")
            compare(graph.frequencyText("12.5k"), "12.5 kHz")
            compare(graph.frequencyText("20.0k"), "20 kHz")
            var shown = H.texts(graph)
            var octaves = ["31.5 Hz", "63 Hz", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz", "16 kHz"]
            for (var i = 0; i < octaves.length; ++i)
                verify(shown.indexOf(octaves[i]) >= 0, octaves[i])
            verify(shown.indexOf("0 dB") >= 0)
            verify(shown.indexOf("\u221290") >= 0)
        }

        function test_settings() {
            TestLink.clearSent()
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            TestLink.offerEnums(["RTA Mic", "Input A", "Input B", "Input C"], "\\\\Preset\\RTARouter\\SV\\Source\\EN")
            TestLink.offer("subr", "RTARouter", "Source", "RTA Mic")
            var source = H.find(screen, "source")
            compare(source.selectedValue, "RTA Mic")
            waitForRendering(source)
            mouseClick(H.find(source, "choice_Input B"))
            tryVerify(function() { return TestLink.sent.some(function(l) { return l.indexOf("RTARouter\\SV\\Source") > 0 && l.indexOf("set") === 0 && l.indexOf("Input B") > 0 }) })
            // The choice shows only once the processor has it.
            compare(source.selectedValue, "RTA Mic")
            TestLink.offer("subr", "RTARouter", "Source", "Input B")
            compare(source.selectedValue, "Input B")

            TestLink.offerEnums(["Fast", "Medium", "Slow"], "\\\\Preset\\RTA\\SV\\Averaging\\EN")
            compare(H.find(screen, "averaging").model.length, 3)

            // The gain steps by half a decibel.
            TestLink.offer("subr", "RTA", "Gain", "10.0dB")
            TestLink.clearSent()
            mouseClick(H.find(screen, "gainUp"))
            compare(TestLink.count(TestLink.line("set", "RTA", "Gain", "10.5")), 1)
        }
    }
}
