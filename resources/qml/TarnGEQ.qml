import QtQuick 2.15
import TarnHomeScreenModel 1.0
import TarnSettings 1.0

// The graphic EQ the home screen chose ("Data/GEQType"): the stereo one, or the left or right
// one of a dual-mono setup, where the other side is a tab.
BlockScreenFrame {
    id: frame
    objectName: "geqScreen"
    title: "Graphic EQ"
    subtitle: quarra.active ? quarra.place() : side === "Stereo" ? "Stereo" : side + " Side"
    screenName: "GEQ"
    poName: quarra.active ? quarra.poName : geqType === "LeftGEQ" || geqType === "RightGEQ" ? geqType : "GEQ"
    toggleSvName: "GraphicEQ"
    bands: !quarra.active && bandModel.isDualMono ? [{ name: "LeftGEQ", label: "Left" }, { name: "RightGEQ", label: "Right" }] : []
    currentBand: geqType

    property string geqType: String(settings.value("Data/GEQType", "StereoGEQ"))
    readonly property string side: geqType === "LeftGEQ" ? "Left" : geqType === "RightGEQ" ? "Right" : "Stereo"

    onBandChosen: {
        settings.setValue("Data/GEQType", name)
        geqType = name
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    QuarraBlock { id: quarra }

    // The graph binds its bands once, so another side is another body.
    Loader {
        id: body
        objectName: "geqBody"
        anchors.fill: parent
        anchors.topMargin: 12
        property string boundPoName: frame.poName
        onBoundPoNameChanged: {
            active = false
            active = true
        }
        sourceComponent: TarnGraphGEQ {
            poName: body.boundPoName
        }
    }
}
