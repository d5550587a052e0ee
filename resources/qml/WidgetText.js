.pragma library

// Texts of the state-variable widgets.

// A processor value as shown on a widget: a blank between number and unit, a true minus sign.
// "-12.0dB" -> "−12.0 dB", "2.50kHz" -> "2.50 kHz"; other texts ("4.0:1", "Off", "1m 30s") as
// they came.
function pretty(text) {
    if (text === undefined || text === null)
        return ""
    var t = String(text)
    var m = t.match(/^([-+]?[0-9]*\.?[0-9]+)\s?([A-Za-z%°][A-Za-z/%° ]*)$/)
    if (m)
        t = m[1] + (m[2] === "%" ? "" : "\u2009") + m[2]
    return t.replace(/^-/, "\u2212")
}

// True for the texts a processor uses for a set switch.
function isOn(text) {
    var t = String(text).toLowerCase()
    return t === "on" || t === "1" || t === "true"
}

function clamp(value, low, high) {
    return Math.max(low, Math.min(high, value))
}

// The number in a meter or position text; NaN when there is none.
function number(text) {
    var v = parseFloat(text)
    return isFinite(v) ? v : NaN
}
