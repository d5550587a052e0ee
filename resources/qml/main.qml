import QtQuick 2.15
import QtQuick.Controls 2.15

// The root document. The screen issues grow it into the full shell.
Rectangle {
    id: rootQML
    width: 1024
    height: 768
    color: "#101418"

    Column {
        anchors.centerIn: parent
        spacing: 16

        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Tarn Control"
            color: "#f0f4f8"
            font.family: "Arial"
            font.pixelSize: 48
            font.bold: true
        }
        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Starting…"
            color: "#9fb3c8"
            font.family: "Arial"
            font.pixelSize: 22
        }
    }
}
