import QtQuick 2.15
import QtQuick.Controls 2.15

// The drop-down list of the widgets: dark, finger-sized rows, the current entry marked.
ComboBox {
    id: box

    implicitHeight: Theme.touch
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontNormal
    focusPolicy: Qt.StrongFocus
    // The indicator's strip is the box's own, so a press there opens the list also when editable.
    leftPadding: 0
    rightPadding: arrow.width + 28

    delegate: ItemDelegate {
        id: row
        width: box.width
        height: Theme.touch
        highlighted: box.highlightedIndex === index
        contentItem: Text {
            text: modelData
            color: index === box.currentIndex ? Theme.accent : Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            font.bold: index === box.currentIndex
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: row.highlighted ? Theme.surfacePressed : Theme.surfaceRaised
        }
    }

    indicator: Text {
        id: arrow
        x: box.width - width - 14
        y: (box.height - height) / 2
        text: "\u25be"
        color: Theme.textDim
        font.pixelSize: Theme.fontNormal
    }

    // A text field, so that an editable list can be typed into; read-only otherwise.
    contentItem: TextField {
        leftPadding: 14
        rightPadding: 4
        text: box.editable ? box.editText : box.displayText
        enabled: box.editable
        autoScroll: box.editable
        readOnly: box.down
        inputMethodHints: box.inputMethodHints
        validator: box.validator
        selectByMouse: true
        font: box.font
        color: Theme.valueText
        selectionColor: Theme.accent
        selectedTextColor: Theme.textOnAccent
        verticalAlignment: Text.AlignVCenter
        background: null
    }

    background: Rectangle {
        radius: Theme.radius
        color: box.down ? Theme.surfacePressed : Theme.surfaceRaised
        border.color: box.visualFocus || box.popup.visible ? Theme.accent : Theme.edge
        border.width: box.visualFocus || box.popup.visible ? 2 : 1
    }

    popup: Popup {
        y: box.height + 2
        width: box.width
        implicitHeight: contentItem.implicitHeight + 2
        padding: 1
        contentItem: ListView {
            clip: true
            implicitHeight: Math.min(contentHeight, Theme.touch * 7)
            model: box.popup.visible ? box.delegateModel : null
            currentIndex: box.highlightedIndex
            ScrollIndicator.vertical: ScrollIndicator {}
        }
        background: Rectangle {
            color: Theme.surfaceRaised
            border.color: Theme.edge
            radius: 4
        }
    }
}
