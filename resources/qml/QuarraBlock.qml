import QtQuick 2.15
import ConfigDataProvider 1.0

// For a block screen of the configurable model: which processing object it shows (the block
// pressed on the home screen left its description behind) and facts from that description.
// Inactive, everything is empty, and the screen keeps the fixed-chain model's objects.
Item {
    id: block
    visible: false

    readonly property bool active: typeof rootQML !== "undefined" && rootQML.platform === "Quarra"
    readonly property string poName: active ? provider.value("POName") : ""
    readonly property string type: active ? provider.value("type") : ""
    readonly property alias provider: provider
    // The block type's name in the template library ("Input Mixer", "Fill Delay").
    readonly property string displayName: active && rootQML.hsModel !== null ? rootQML.hsModel.blockName(type) : ""

    function attribute(name) {
        if (!active)
            return ""
        // The provider hands back the text of the objects on the way when the member is missing.
        var v = provider.value("Attributes/" + name)
        return v.charAt(0) === "{" ? "" : v
    }
    function number(name, fallback) {
        var n = parseInt(attribute(name))
        return isNaN(n) ? fallback : n
    }
    // An object's place on the home screen in words ("Output 3"), from the number its name
    // ends with (the row it starts on).
    function place(name) {
        if (name === undefined)
            name = poName
        var m = /([0-9]+)$/.exec(name)
        if (m === null)
            return name
        var n = parseInt(m[1])
        var inputs = ["In", "PEQIn", "AFS", "Compressor", "Gate", "AGC", "GEQ", "SubSynth"]
        if (inputs.some(function(p) { return name.indexOf(p) === 0 }))
            return "Input " + (n >= 1 && n <= 26 ? String.fromCharCode(64 + n) : n)
        return (name.indexOf("Mid") === 0 || name.indexOf("AutoEQ") === 0 ? "Channel " : "Output ") + n
    }
    // The blocks of the same type as tabs ({ name, label }), this one among them.
    function siblings() {
        if (!active || rootQML.hsModel === null)
            return []
        var names = rootQML.hsModel.objectsOfType(type)
        // Many blocks of a kind: their numbers, so the tabs fit beside the title.
        return names.map(function(n) {
            var m = /([0-9]+)$/.exec(n)
            return { name: n, label: names.length > 3 && m !== null ? m[1] : place(n) }
        })
    }

    ConfigDataProvider { id: provider }
}
