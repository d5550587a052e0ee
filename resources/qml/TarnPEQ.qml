import QtQuick 2.15
import TarnHomeScreenModel 1.0
import TarnSettings 1.0
import "BlockBands.js" as Bands

// The parametric EQ of one output band: the band ("High", "Mid" or "Low") the home screen stored
// when it opened this screen; the other bands in use are tabs.
BlockScreenFrame {
    id: frame
    objectName: "peqScreen"
    title: "Parametric EQ"
    subtitle: quarra.active ? quarra.place() : outputBand + " Outputs"
    screenName: "PEQ"
    poName: quarra.active ? quarra.poName : outputBand + " Outputs PEQ"
    toggleSvName: "ParametricEQ"
    bands: quarra.active ? [] : Bands.visible(bandModel, ["Low", "Mid", "High"])
    currentBand: outputBand

    property string outputBand: {
        var band = String(settings.value("Data/PEQType", "High"))
        return band === "Mid" || band === "Low" ? band : "High"
    }

    function choose(band) {
        settings.setValue("Data/PEQType", band)
        outputBand = band
    }
    // A band the running preset lacks gives way to one it has (after this change settles).
    onBandsChanged: Qt.callLater(function() {
        if (quarra.active)
            return
        var wanted = Bands.settle(frame.outputBand, frame.bands)
        if (wanted !== frame.outputBand)
            frame.choose(wanted)
    })
    onBandChosen: choose(name)

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    QuarraBlock { id: quarra }

    // The graph binds its bands once, so another band is another body.
    Loader {
        id: body
        objectName: "peqBody"
        anchors.fill: parent
        anchors.topMargin: 12
        property string boundPoName: frame.poName
        onBoundPoNameChanged: {
            active = false
            active = true
        }
        sourceComponent: TarnCommonEQ {
            poName: body.boundPoName
            bandCount: quarra.number("NumBands", 8)
        }
    }
}
