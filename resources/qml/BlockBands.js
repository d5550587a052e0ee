.pragma library

// The output bands a block screen offers as tabs: those of the descriptor's variants that the
// processor's crossover says are in use (the home model's visibility flags).
function visible(model, variantNames) {
    var shown = []
    for (var i = 0; i < variantNames.length; ++i) {
        var name = variantNames[i]
        var on = name === "Low" ? model.lowVisible : name === "Mid" ? model.midVisible : name === "High" ? model.highVisible : true
        if (on)
            shown.push({ name: name, label: name + " Outputs" })
    }
    return shown
}

// The band to show: the one asked for while it is in use, else the first that is.
function settle(current, bands) {
    if (bands.length === 0)
        return current
    for (var i = 0; i < bands.length; ++i) {
        if (bands[i].name === current)
            return current
    }
    return bands[0].name
}
