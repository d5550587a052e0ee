import QtQuick 2.15

// A raised panel on a block screen, with an optional caption along its top edge.
Rectangle {
    id: panel
    property string caption: ""
    // Where the panel's contents start below the caption.
    readonly property real contentTop: caption !== "" ? captionText.y + captionText.height + 8 : padding
    property real padding: 14

    radius: Theme.radius + 4
    color: "#d91a1f27"
    border.color: Theme.edge
    border.width: 1

    Text {
        id: captionText
        visible: panel.caption !== ""
        x: panel.padding
        y: 10
        text: panel.caption
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.bold: true
        font.letterSpacing: 1
        font.capitalization: Font.AllUppercase
    }
}
