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
}
