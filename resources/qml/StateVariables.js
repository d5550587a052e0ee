.pragma library

// State-variable controls are created by name, so a document works (without live values) in a
// build where the control types are not registered yet.
function create(typeName, parent, poName, svName, initialValue) {
    var control = null
    try {
        control = Qt.createQmlObject("import " + typeName + " 1.0; " + typeName + " {}", parent, typeName)
    } catch (e) {
        return null
    }
    // The initial value goes first: with no names yet it cannot be sent to the processor.
    if (initialValue !== undefined)
        control.value = initialValue
    if (poName !== undefined) {
        control.poName = poName
        control.svName = svName
        if (typeof control.componentCompleted === "function")
            control.componentCompleted()
    }
    return control
}

// True for the texts a processor uses for a set flag.
function isOn(text) {
    var t = String(text).toLowerCase()
    return t === "on" || t === "1" || t === "true" || t === "yes"
}
