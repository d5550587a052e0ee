import QtQuick 2.15
import TarnLabel 1.0
import "WidgetText.js" as WT

// A read-only value as the processor reports it, with a caption above.
Item {
    id: root

    property string poName: ""
    property string svName: ""
    property string title: ""
    property int horizontalAlignment: Text.AlignLeft
    property int pixelSize: Theme.fontValue
    // Show "−12.0 dB" rather than "-12.0dB".
    property bool pretty: true

    readonly property string labelValue: label.labelValue
    readonly property string valueText: pretty ? WT.pretty(label.labelValue) : label.labelValue
    readonly property alias control: label

    implicitWidth: Math.max(titleText.implicitWidth, valueLabel.implicitWidth, 80)
    implicitHeight: (titleText.visible ? titleText.implicitHeight + 2 : 0) + valueLabel.implicitHeight

    TarnLabel {
        id: label
        poName: root.poName
        svName: root.svName
        Component.onCompleted: componentCompleted()
    }

    Text {
        id: titleText
        visible: root.title !== ""
        width: parent.width
        horizontalAlignment: root.horizontalAlignment
        text: root.title
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontCaption
        font.capitalization: Font.AllUppercase
        elide: Text.ElideRight
    }
    Text {
        id: valueLabel
        objectName: "valueText"
        anchors.bottom: parent.bottom
        width: parent.width
        horizontalAlignment: root.horizontalAlignment
        text: label.labelValue !== "" ? root.valueText : "\u2014"
        color: label.labelValue !== "" ? Theme.valueText : Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: root.pixelSize
        font.bold: true
        elide: Text.ElideRight
    }
}
