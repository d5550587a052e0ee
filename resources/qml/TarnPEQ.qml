import QtQuick 2.15
import TarnSettings 1.0

// The parametric EQ of one output band: the band ("High", "Mid" or "Low") is the one the home
// screen stored when it opened this screen.
Item {
    id: screen
    objectName: "peqScreen"
    anchors.fill: parent

    readonly property string outputBand: {
        var band = String(settings.value("Data/PEQType", "High"))
        return band === "Mid" || band === "Low" ? band : "High"
    }
    readonly property string poName: outputBand + " Outputs PEQ"

    TarnSettings { id: settings }

    GraphScreenFrame {
        title: "Parametric EQ"
        subtitle: screen.outputBand + " Outputs"
        screenName: "PEQ"
        switchPoName: screen.poName
        switchSvName: "ParametricEQ"

        TarnCommonEQ {
            anchors.fill: parent
            poName: screen.poName
            bandCount: 8
        }
    }
}
