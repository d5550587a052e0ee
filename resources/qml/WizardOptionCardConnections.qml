import QtQuick 2.15

// The rear of the processor with the digital audio link card: which port goes to which network
// switch.
Item {
    id: root
    property bool redundant: false

    Image {
        id: picture
        objectName: "optionCardPicture"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: Math.min(parent.height - legend.height - 16, width * 0.5)
        source: "qrc:/images/Wizards/OptionCard.png"
        fillMode: Image.PreserveAspectFit
    }
    Column {
        id: legend
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: picture.bottom
        anchors.topMargin: 16
        spacing: 10
        Repeater {
            model: [
                ["PRIMARY", "to the audio network switch", true],
                ["SECONDARY", root.redundant ? "to the second switch (redundant network)" : "leave free (switched network)", root.redundant]
            ]
            delegate: Row {
                spacing: 14
                Rectangle {
                    width: 130
                    height: 36
                    radius: 6
                    color: modelData[2] ? Theme.accent : Theme.surfaceRaised
                    Text {
                        anchors.centerIn: parent
                        text: modelData[0]
                        color: modelData[2] ? Theme.textOnAccent : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                        font.bold: true
                    }
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData[1]
                    color: modelData[2] ? Theme.text : Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                }
            }
        }
    }
}
