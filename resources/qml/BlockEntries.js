.pragma library

// Picks from a descriptor's resolved controls (ControlDescriptor.controls). Bindings pass the
// list itself, so that they are evaluated again when the descriptor loads another variant.

function ofKind(controls, kind) {
    return (controls || []).filter(function(c) { return c.kind === kind })
}

function inGroup(controls, group, kind) {
    return (controls || []).filter(function(c) { return c.group === group && (kind === undefined || c.kind === kind) })
}

// The first control that passes the test, or an empty object.
function first(list, test) {
    var l = list || []
    for (var i = 0; i < l.length; ++i) {
        if (test === undefined || test(l[i]))
            return l[i]
    }
    return ({})
}

function withRole(controls, role) {
    return first(controls, function(c) { return c.role === role })
}

// The switch of the block, "" when it has none.
function toggleSv(controls) {
    var t = first(ofKind(controls, "toggle"))
    return t.sv !== undefined ? t.sv : ""
}
