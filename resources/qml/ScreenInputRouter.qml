import QtQuick 2.15
import QtQuick.Controls 2.15

// The input router of the configurable model: which source (analog, AES or option-card input)
// feeds each of the seven input slots, with the slot's level and mute. A slot may take its own
// input or any option-card input no other slot uses. A change is part of the configuration:
// it takes effect when applied, and the processor then rebuilds its chain.
BlockScreenFrame {
    id: frame
    objectName: "inputRouterScreen"
    title: "Input Router"
    subtitle: "Input Slot \u2192 Input Source"
    screenName: "InputRouter"

    readonly property var model: rootQML.hsModel
    property int version: 0
    readonly property int slotCount: 7
    readonly property bool pending: model !== null && model.enCfgApply
    readonly property bool applying: model !== null && model.applying

    Component.onCompleted: if (model !== null) model.requestOptionCardSourceNames()
    Connections {
        target: frame.model
        function onInputSourceNamesChanged() { frame.version++ }
    }

    BlockPanel {
        id: slots
        objectName: "slotsPanel"
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.min(parent.width - side.width - 16, 720)
        caption: "Input Slot \u00b7 Input Source"

        Column {
            x: slots.padding
            y: slots.contentTop
            width: slots.width - 2 * slots.padding
            spacing: 6
            Repeater {
                model: frame.slotCount
                delegate: Rectangle {
                    id: slotRow
                    objectName: "slot" + slot
                    readonly property int slot: index + 1
                    readonly property string source: frame.version >= 0 && frame.model !== null ? frame.model.getInputRouterSourceName(slot) : ""
                    readonly property var options: frame.version >= 0 && frame.model !== null ? frame.model.inputRouterSwapOptionsForSlotNum(slot) : []
                    width: parent.width
                    height: Math.max(Theme.touch + 8, (slots.height - slots.contentTop - 16) / frame.slotCount - 6)
                    radius: Theme.radius
                    color: "#99101318"
                    border.color: Theme.edge

                    Text {
                        id: slotName
                        x: 14
                        anchors.verticalCenter: parent.verticalCenter
                        width: 110
                        text: "Slot " + slotRow.slot
                        color: Theme.accent
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        font.bold: true
                    }
                    TarnCustomMeter {
                        id: level
                        objectName: "slotLevel"
                        anchors.left: slotName.right
                        anchors.verticalCenter: parent.verticalCenter
                        width: 120
                        height: Theme.meterWidth
                        orientation: Qt.Horizontal
                        poName: "InputMeters"
                        svName: ["Channel", slotRow.slot, "Level"].join("_")
                        clipSvName: "Channel_" + slotRow.slot + "_Clip"
                        rangeBounaryValues: [-90, -40, -20, -6, 0]
                        rangeLengthsInPercentage: [10, 30, 40, 20]
                        rangeColorsInHex: [Theme.meterColors[0], Theme.meterColors[0], Theme.meterColors[1], Theme.meterColors[2]]
                        cppSignalThreshold: -89
                        showScale: false
                        showReadout: false
                    }
                    StyledComboBox {
                        id: sourceBox
                        objectName: "sourceBox"
                        anchors.left: level.right
                        anchors.leftMargin: 16
                        anchors.right: mute.left
                        anchors.rightMargin: 12
                        anchors.verticalCenter: parent.verticalCenter
                        enabled: !frame.applying
                        model: slotRow.options.map(function(id) { return frame.model.inputRouterGetSourceNameForSourceID(id) })
                        currentIndex: model.indexOf(slotRow.source)
                        displayText: slotRow.source
                        onActivated: frame.model.inputRouterSetSource(slotRow.slot, slotRow.options[index])
                    }
                    MuteButton {
                        id: mute
                        objectName: "slotMute"
                        anchors.right: parent.right
                        anchors.rightMargin: 10
                        anchors.verticalCenter: parent.verticalCenter
                        width: 96
                        height: Theme.touch - 4
                        poName: "InputGains"
                        svName: ["Channel", slotRow.slot, "Mute"].join("_")
                        label: muted ? "MUTED" : "MUTE"
                    }
                }
            }
        }
    }

    BlockPanel {
        id: side
        objectName: "routerApplyPanel"
        anchors.right: parent.right
        anchors.top: parent.top
        width: 260
        height: sideColumn.height + slots.contentTop + 24
        caption: "Routing"
        Column {
            id: sideColumn
            x: side.padding
            y: side.contentTop
            width: side.width - 2 * side.padding
            spacing: 12
            Text {
                width: parent.width
                wrapMode: Text.WordWrap
                text: frame.applying ? "The processor is rebuilding its chain\u2026"
                    : frame.pending ? "The routing has changed. Apply it to the processor, or discard the change."
                    : "Each slot takes its own input or a free option-card input."
                color: frame.pending ? Theme.warning : Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
            TarnPushButton {
                objectName: "routerApply"
                width: parent.width
                primary: true
                text: "Apply"
                enabled: frame.pending && !frame.applying
                onClicked: frame.model.applyAllChanges()
            }
            TarnPushButton {
                objectName: "routerDiscard"
                width: parent.width
                text: "Discard"
                enabled: frame.pending && !frame.applying
                onClicked: {
                    frame.model.discardAllChanges()
                    frame.version++
                }
            }
        }
    }
}
