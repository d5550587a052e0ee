import QtQuick 2.15
import TarnSettings 1.0
import TarnTextSV 1.0

// The crossover screen. Its band groups follow the band count, the sub mode and the group
// visibility the home screen stored; a screen opened before the home screen had them reads the
// processor's own band count and sub mode and decides the groups the same way.
BlockScreenFrame {
    id: screen
    objectName: "crossoverScreen"
    title: "Crossover"
    subtitle: quarra.active ? quarra.place() + " \u00b7 " + quarra.attributeText() : configurationText()
    screenName: "Crossover"

    // The configurable model's crossover tells its bands and subs in its description.
    readonly property int quarraWays: Math.max(1, Math.min(3, quarra.number("NumBands", 1)))
    readonly property int quarraSubs: quarra.number("NumSubCabinets", 0) > 0 ? 1 : 0
    readonly property string storedBands: String(settings.value("Crossover/NumBand", ""))
    readonly property string storedSub: String(settings.value("Crossover/MonoSub", ""))
    readonly property bool stored: (storedBands === "1" || storedBands === "2" || storedBands === "3")
                                   && (storedSub === "0" || storedSub === "1")
    readonly property string numBands: stored ? storedBands : numBandsSV.value
    readonly property string monoSub: stored ? storedSub : monoSubSV.value
    readonly property bool known: quarra.active || (numBands === "1" || numBands === "2" || numBands === "3")
                                  && (monoSub === "0" || monoSub === "1")
    readonly property int ways: quarra.active ? quarraWays : known ? parseInt(numBands) : 0
    readonly property int subs: quarra.active ? quarraSubs : known ? parseInt(monoSub) : 0

    function storedFlag(key, fallback) {
        var v = String(settings.value(key, ""))
        return v === "true" ? true : v === "false" ? false : fallback
    }
    // As the home screen decides them.
    function groupShown(group) {
        if (group === "High")
            return true
        if (group === "Low")
            return ways === 3 || ways === 2 || subs === 1
        return ways === 3 || (ways === 2 && subs === 1)
    }
    function configurationText() {
        if (!known)
            return ""
        var text = ways === 1 ? "Full Range" : ways + "-Way"
        return subs === 1 ? text + " + Mono Sub" : text
    }

    TarnSettings { id: settings }
    QuarraBlock {
        id: quarra
        function attributeText() {
            var info = provider.value(".info")
            return (info !== "" ? info + " " : "") + provider.value(".type").replace(/^IIR |^FIR |^XOR /, "")
        }
    }
    TarnTextSV {
        id: numBandsSV
        poName: quarra.active ? "" : "Crossover"
        svName: "NumBands"
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: monoSubSV
        poName: quarra.active ? "" : "Crossover"
        svName: "MonoSub"
        Component.onCompleted: componentCompleted()
    }

    // The graph binds its bands once, so it is made when the band count is known.
    Loader {
        objectName: "crossoverLoader"
        anchors.fill: parent
        anchors.topMargin: 12
        active: screen.known
        sourceComponent: TarnGraphCrossover {
            poName: quarra.active ? quarra.poName : "Crossover"
            waysCount: screen.ways
            subsCount: screen.subs
            lowVisible: quarra.active ? screen.groupShown("Low") : screen.stored ? screen.storedFlag("Crossover_LowGroupVisible", screen.groupShown("Low"))
                                      : screen.groupShown("Low")
            midVisible: quarra.active ? screen.groupShown("Mid") : screen.stored ? screen.storedFlag("Crossover_MidGroupVisible", screen.groupShown("Mid"))
                                      : screen.groupShown("Mid")
            highVisible: quarra.active ? true : screen.stored ? screen.storedFlag("Crossover_HighGroupVisible", true) : true
        }
    }
    Text {
        anchors.centerIn: parent
        visible: !screen.known
        text: "Reading the crossover\u2026"
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontLarge
    }
}
