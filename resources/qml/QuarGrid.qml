import QtQuick 2.15

// One grid of the configurable model's home screen ("in", "mid", "out", "rta"), laid out from
// the model: a tile per block at the row it starts on, as tall as the rows it is linked over;
// empty rows are drawn as free places.
Item {
    id: grid
    objectName: "grid_" + gridName

    property var model: null
    property var resolver: null
    property string gridName: ""
    property real cellWidth: 84
    property real cellHeight: 60
    property real gap: 6
    property bool configMode: false
    // Bumped by the screen when the model has a new document (or edit) to be read again.
    property int version: 0

    // The shape drawn as free places when the processor has no such grid (no configuration yet).
    property int emptyColumns: 0
    property int emptyRows: 0
    readonly property var size: {
        var known = version >= 0 && model !== null ? model.gridSize(gridName) : ({ columns: 0, rows: 0, map: [] })
        if (known.columns > 0 || emptyColumns === 0)
            return known
        var map = []
        for (var c = 0; c < emptyColumns; ++c) {
            var column = []
            for (var r = 0; r < emptyRows; ++r)
                column.push("EMPTY")
            map.push(column)
        }
        return { columns: emptyColumns, rows: emptyRows, map: map }
    }
    readonly property int columns: size.columns
    readonly property int rows: size.rows

    signal editRequested(string gridName, int column, int row, var info)
    signal emptyPressed(string gridName, int column, int row)

    implicitWidth: columns > 0 ? columns * (cellWidth + gap) - gap : 0
    implicitHeight: rows > 0 ? rows * (cellHeight + gap) - gap : 0

    // Rows a block covers: its own and the LINKED rows right below it.
    function spanAt(column, row) {
        var cells = size.map[column]
        var n = 1
        while (row + n < cells.length && cells[row + n] === "LINKED")
            ++n
        return n
    }

    Repeater {
        model: grid.columns * grid.rows
        delegate: Loader {
            readonly property int column: Math.floor(index / Math.max(1, grid.rows))
            readonly property int row: index % Math.max(1, grid.rows)
            readonly property var cells: grid.size.map[column] || []
            readonly property string text: row < cells.length ? cells[row] : "EMPTY"
            x: column * (grid.cellWidth + grid.gap)
            y: row * (grid.cellHeight + grid.gap)
            width: grid.cellWidth
            height: text === "LINKED" ? 0 : grid.spanAt(column, row) * (grid.cellHeight + grid.gap) - grid.gap
            active: text !== "LINKED"
            sourceComponent: text === "EMPTY" || text === "" ? freePlace : block
            property int cellColumn: column
            property int cellRow: row
        }
    }

    Component {
        id: block
        QuarCell {
            model: grid.model
            resolver: grid.resolver
            gridName: grid.gridName
            column: cellColumn
            row: cellRow
            configMode: grid.configMode
            version: grid.version
            onEditRequested: grid.editRequested(grid.gridName, column, row, info)
        }
    }
    Component {
        id: freePlace
        Rectangle {
            objectName: "free_" + grid.gridName + "_" + cellColumn + "_" + cellRow
            radius: Theme.radius
            color: "transparent"
            border.color: grid.configMode ? Theme.accent : Theme.edge
            border.width: 1
            opacity: grid.configMode ? 0.9 : 0.45
            Text {
                anchors.centerIn: parent
                text: grid.configMode ? "+" : ""
                color: Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            MouseArea {
                anchors.fill: parent
                enabled: grid.configMode
                onClicked: grid.emptyPressed(grid.gridName, cellColumn, cellRow)
            }
        }
    }
}
