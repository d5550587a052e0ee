import QtQuick 2.15

// One line of transfer state: a bar that fills (or sweeps while the amount is unknown), what
// runs, and a failure in words when one happened.
Item {
    id: strip
    // 0 … 100, or < 0 while the amount is not known.
    property real percent: -1
    property bool running: false
    property string text: ""
    property string errorText: ""
    property string doneText: ""
    // Shown, dimmed, when nothing runs and nothing else is to be said.
    property string hintText: ""

    implicitHeight: label.implicitHeight + (running ? 16 : 0)
    property real sweep: 0

    Rectangle {
        id: bar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: 8
        radius: 4
        color: Theme.well
        border.color: Theme.edge
        visible: strip.running
        Rectangle {
            objectName: "progressFill"
            x: strip.percent < 0 ? strip.sweep * (bar.width - width) : 0
            width: strip.percent < 0 ? bar.width / 4 : bar.width * Math.min(100, strip.percent) / 100
            height: parent.height
            radius: 4
            color: Theme.accent
        }
        SequentialAnimation {
            running: strip.running && strip.percent < 0
            loops: Animation.Infinite
            NumberAnimation { target: strip; property: "sweep"; from: 0; to: 1; duration: 700 }
            NumberAnimation { target: strip; property: "sweep"; from: 1; to: 0; duration: 700 }
        }
    }
    Text {
        id: label
        objectName: "transferText"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: strip.running ? bar.bottom : parent.top
        anchors.topMargin: strip.running ? 8 : 0
        text: strip.errorText !== "" ? strip.errorText
            : strip.running ? strip.text + (strip.percent >= 0 ? "  " + Math.round(strip.percent) + " %" : "")
            : strip.doneText !== "" ? strip.doneText : strip.hintText
        color: strip.errorText !== "" ? Theme.error : strip.running ? Theme.text : strip.doneText !== "" ? Theme.ok : Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        font.bold: strip.errorText !== ""
        wrapMode: Text.WordWrap
        textFormat: Text.PlainText
    }
}
