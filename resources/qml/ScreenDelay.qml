import QtQuick 2.15
import ControlDescriptor 1.0
import TarnHomeScreenModel 1.0
import TarnSettings 1.0
import "BlockBands.js" as Bands

// The alignment delay of one output band (chosen on the home screen, "Data/DelayType"; the
// other bands in use are tabs).
BlockScreenFrame {
    id: frame
    objectName: "delayScreen"
    title: descriptor.valid ? descriptor.title : "Alignment Delay"
    subtitle: descriptor.variantLabel
    screenName: "Delay"
    poName: descriptor.poName
    toggleSvName: descriptor.valid && descriptor.controlsOfKind("toggle").length > 0 ? descriptor.controlsOfKind("toggle")[0].sv : ""
    bands: Bands.visible(bandModel, descriptor.variants)
    currentBand: descriptor.currentVariant

    onBandsChanged: {
        var wanted = Bands.settle(descriptor.currentVariant, bands)
        if (wanted !== descriptor.currentVariant)
            descriptor.variant = wanted
    }
    onBandChosen: {
        descriptor.variant = name
        settings.setValue("Data/DelayType", name)
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    ControlDescriptor {
        id: descriptor
        source: "/xml/DelayControlDescriptor.xml"
    }

    TarnAlignmentDelay {
        id: delay
        anchors.fill: parent
        descriptor: descriptor
    }
}
