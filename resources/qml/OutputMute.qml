import QtQuick 2.15

// The mute of one output (PO "OutputGains", SV "Channel_<n>_Mute"), marked with the output's
// number; compact enough for a row of six in the menu bar.
MuteButton {
    property int channel: 1

    poName: "OutputGains"
    svName: ["Channel", channel, "Mute"].join("_")
    label: String(channel)
    implicitWidth: Theme.touch
    font.pixelSize: Theme.fontLarge
}
