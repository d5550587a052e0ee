import QtQuick 2.15
import TarnSettings 1.0

// The graphic EQ the home screen chose: the stereo one, or the left or right one of a dual-mono
// setup ("Data/GEQType").
Item {
    id: screen
    objectName: "geqScreen"
    anchors.fill: parent

    readonly property string geqType: String(settings.value("Data/GEQType", "StereoGEQ"))
    readonly property string poName: geqType === "LeftGEQ" || geqType === "RightGEQ" ? geqType : "GEQ"
    readonly property string side: geqType === "LeftGEQ" ? "Left" : geqType === "RightGEQ" ? "Right" : "Stereo"

    TarnSettings { id: settings }

    GraphScreenFrame {
        title: "Graphic EQ"
        subtitle: screen.side
        screenName: "GEQ"
        switchPoName: screen.poName
        switchSvName: "GraphicEQ"

        TarnGraphGEQ {
            anchors.fill: parent
            poName: screen.poName
        }
    }
}
