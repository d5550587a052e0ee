.pragma library
.import "../../qml/widgets/helpers.js" as W

// The first item at or below item whose objectName is name.
function find(item, name) {
    return W.find(item, name)
}

// Every item below item whose objectName is name.
function findAll(item, name, out) {
    out = out || []
    if (!item)
        return out
    if (item.objectName === name)
        out.push(item)
    for (var i = 0; i < item.children.length; ++i)
        findAll(item.children[i], name, out)
    return out
}

// Texts shown below item (Text elements only).
function texts(item, out) {
    out = out || []
    if (!item)
        return out
    if (item.text !== undefined && typeof item.text === "string" && item.font !== undefined)
        out.push(item.text)
    for (var i = 0; i < item.children.length; ++i)
        texts(item.children[i], out)
    return out
}

// A request line for a node variable, as the link writes it.
function nodeLine(command, path, value) {
    var text = command + " \"\\\\" + path + "\\\""
    if (value !== undefined)
        text += " \"" + value + "\""
    return text
}
