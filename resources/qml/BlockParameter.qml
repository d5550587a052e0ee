import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnButton 1.0
import "WidgetText.js" as WT

// One setting of a block, as its control descriptor names it: the name and the processor's value
// with its unit above, a slider, and step buttons that move the value by the step of the range
// it lies in.
Item {
    id: cell

    // A control of a descriptor (ControlDescriptor.controls): po, sv, label, unit, rangeClass,
    // nudgeClass, ratioSlider.
    property var entry: ({})
    readonly property string poName: entry.po !== undefined ? entry.po : ""
    readonly property string svName: entry.sv !== undefined ? entry.sv : ""
    readonly property string rangeData: typeof rootQML !== "undefined" && rootQML.appDataStore !== null
                                        ? rootQML.appDataStore.getJsonArray(entry.rangeClass || "", entry.nudgeClass || "")
                                        : "[]"
    readonly property alias slider: slider
    readonly property alias stepDown: down
    readonly property alias stepUp: up

    // A value given in several units ("12.00ms/4.12m/13.50ft") shows its first; "dB/s" is one unit.
    function firstOf(text) {
        var parts = String(text).split("/")
        if (parts.length < 2)
            return text
        for (var i = 1; i < parts.length; ++i) {
            if (!/^[-+\u2212]?[0-9.]/.test(parts[i]))
                return text
        }
        return WT.pretty(parts[0])
    }

    implicitWidth: 400
    implicitHeight: slider.implicitHeight

    Text {
        id: name
        anchors.left: parent.left
        anchors.top: parent.top
        width: parent.width - value.implicitWidth - 12
        text: cell.entry.label !== undefined ? cell.entry.label : cell.svName
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        font.bold: true
        font.capitalization: Font.AllUppercase
        elide: Text.ElideRight
    }
    Text {
        id: value
        objectName: "parameterValue"
        anchors.right: parent.right
        anchors.baseline: name.baseline
        text: slider.valueText !== "" ? cell.firstOf(slider.valueText) : "\u2014"
        color: slider.pending ? Theme.pendingText : Theme.valueText
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontValue - 2
        font.bold: true
    }

    // The slider's own title and value stay empty: the row above carries them across the cell.
    TarnCustomSlider {
        id: slider
        objectName: "parameterSlider"
        x: 0
        y: 0
        width: parent.width - down.width - up.width - 16
        poName: cell.poName
        svName: cell.svName
        ratioSlider: cell.entry.ratioSlider === true
        title: ""
        showValue: false
    }
    TarnCustomButton {
        id: down
        objectName: "stepDown"
        anchors.right: up.left
        anchors.rightMargin: 6
        anchors.bottom: parent.bottom
        width: Theme.touch
        poName: cell.poName
        svName: cell.svName
        buttonType: TarnButton.Nudge
        bumpDirection: -1
        poClass: cell.entry.rangeClass || ""
        svClass: cell.entry.nudgeClass || ""
        nudgeJsonData: cell.rangeData
    }
    TarnCustomButton {
        id: up
        objectName: "stepUp"
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        width: Theme.touch
        poName: cell.poName
        svName: cell.svName
        buttonType: TarnButton.Nudge
        bumpDirection: 1
        poClass: cell.entry.rangeClass || ""
        svClass: cell.entry.nudgeClass || ""
        nudgeJsonData: cell.rangeData
    }
}
