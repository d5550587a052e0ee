.pragma library

// The first item below (or at) item whose objectName is name.
function find(item, name) {
    if (!item)
        return null
    if (item.objectName === name)
        return item
    var children = item.children
    for (var i = 0; i < children.length; ++i) {
        var found = find(children[i], name)
        if (found)
            return found
    }
    if (item.contentItem && item.contentItem !== item) {
        var inContent = find(item.contentItem, name)
        if (inContent)
            return inContent
    }
    return null
}
