pragma Singleton
import QtQuick 2.15

// Colours and sizes shared by every screen: dark surfaces and high-contrast text for a desk in
// the dark, one warm accent, controls big enough for a finger.
QtObject {
    readonly property string fontFamily: "Arial"

    readonly property color window: "#0b0d11"
    readonly property color surface: "#1a1f27"
    readonly property color surfaceRaised: "#232a35"
    readonly property color surfacePressed: "#2e3644"
    readonly property color edge: "#3a4250"
    readonly property color text: "#eceff4"
    readonly property color textDim: "#a3acb9"
    readonly property color accent: "#f2992e"
    readonly property color accentPressed: "#c77a1f"
    readonly property color textOnAccent: "#14181f"
    readonly property color ok: "#40c86e"
    readonly property color warning: "#f0c02a"
    readonly property color error: "#f0554a"

    // Tints over the background: configuration, offline and validation modes.
    readonly property color configTint: Qt.rgba(1, 0, 0, 0.2)
    readonly property color offlineTint: "#33E5BE36"
    readonly property color validationTint: "#5518A680"

    readonly property int touch: 52        // minimum height of anything pressed with a finger
    readonly property int radius: 8
    readonly property int fontSmall: 15
    readonly property int fontNormal: 18
    readonly property int fontLarge: 24
    readonly property int fontTitle: 34

    // State-variable widgets (sliders, faders, meters, buttons).
    readonly property color well: "#07090c"           // recessed tracks and meter wells
    readonly property color track: "#2a313c"
    readonly property color trackFill: "#f2992e"      // = accent
    readonly property color valueText: "#ffffff"
    readonly property color pendingText: "#f2c28a"    // a value asked for, not yet confirmed
    readonly property color muteOn: "#e0382c"
    readonly property color muteOff: "#2b323d"
    readonly property color ledOff: "#3a2222"
    readonly property color ledOnRed: "#ff3b30"
    readonly property color ledOnGreen: "#3ee06a"
    readonly property color ledOnYellow: "#ffd23a"
    readonly property color groupSelected: "#f2992e"
    readonly property color capTop: "#d9dee6"          // fader cap
    readonly property color capBottom: "#8c95a3"
    readonly property color capLine: "#14181f"
    // Meter ranges when a screen gives no colours: green, yellow, red.
    readonly property var meterColors: ["#2fbf55", "#e8c21f", "#e8392b"]
    readonly property real meterDim: 0.16              // opacity of the unlit part of a range
    readonly property int sliderTrack: 8
    readonly property int handle: 34                   // slider handle: a finger's width
    readonly property int faderCapWidth: 56
    readonly property int faderCapHeight: 30
    readonly property int meterWidth: 18
    readonly property int led: 18
    readonly property int fontValue: 22
    readonly property int fontCaption: 13
}
