import QtQuick 2.15

// The option card the processor carries, by its hardware variant: its network audio inputs
// and where they are set up. Shown only for the variant it describes.
Column {
    id: card
    property string variant: ""     // "Dante" or "Parvane"
    readonly property string deviceType: typeof rootQML !== "undefined" && rootQML.strDeviceType !== undefined
                                         ? rootQML.strDeviceType : ""
    objectName: "optionCard" + variant
    visible: deviceType === variant
    width: parent ? parent.width : 400
    spacing: 8

    Text {
        text: card.variant + " option card"
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontNormal
        font.bold: true
    }
    Text {
        width: parent.width
        wrapMode: Text.WordWrap
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        text: card.variant === "Dante"
              ? "Eight network audio inputs, Dante 1 to 8, are offered to the input router beside inputs A, B and C. "
                + "Their subscriptions are made on the audio network itself."
              : "Eight network audio inputs, Parvane 1 to 8, are offered to the input router beside inputs A, B and C. "
                + "The Parvane wizard, started from the processor, sets the card's sample rate and channel order."
    }
    TarnPushButton {
        visible: card.variant === "Parvane"
        text: "Wizards"
        onClicked: rootQML.guiSignal("Wizard", "")
    }
}
