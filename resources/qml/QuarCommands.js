.pragma library

// What pressing a block of the configurable model's grid raises: [command, payload] of the root
// document's guiSignal, from the block's type (".type") and class.
function forBlock(type, className, name, row) {
    if (className === "QuarraCrossover" || className === "CadenzoCrossover")
        return ["Crossover", ""]
    if (type === "8x1InputMixer" || type === "FixedInputRoute" || type.indexOf("MidMixer") === 0 || type.indexOf("MidRouter") === 0)
        return ["MIX", name]
    switch (type) {
    case "InputRouter": return ["InputRouter", "InputRouter"]
    case "AFS": return ["AFS", ""]
    case "GraphicEQ": return ["GEQ", name]
    case "ParametricEQ": return ["PEQ", name]
    case "AutoEQ": return ["AEQ", ""]
    case "Compressor": return ["CMP", ""]
    case "Gate": return ["GAT", ""]
    case "AGC": return ["AGC", ""]
    case "SubharmonicSynth": return ["SUB", ""]
    case "InDelay": return ["InputDelay", ""]
    case "MidDelay":
    case "OutDelay": return ["Delay", name]
    case "Limiter": return ["LMT", name]
    case "ZoneGain":
    case "OutputGain": return ["1", "Output 1"]
    case "Output": return [String(row + 1), "Output " + (row + 1)]
    case "RTAMixer":
    case "RTA": return ["RTA", ""]
    }
    return ["", ""]
}

// The mute a block's tile shows ("" for none; the analyser's router has none of its own).
function muteSv(className, type) {
    if ((className === "norvQuarraMixer" && type !== "RTAMixer") || className === "norvQuarraFixedRouter")
        return "Mute"
    if (className === "norvQuarraOutput")
        return "Channel_1_Mute"
    return ""
}
