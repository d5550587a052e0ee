import QtQuick 2.15
import ControlDescriptor 1.0
import TarnHomeScreenModel 1.0
import TarnSettings 1.0
import "BlockBands.js" as Bands

// The output limiter of one band (chosen on the home screen, "Data/LimiterType"; the other bands
// in use are tabs): its transfer graph drawn from the live settings, the input level and gain
// reduction, and every setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "limiterScreen"
    title: descriptor.valid ? descriptor.title : "Limiter"
    subtitle: descriptor.variantLabel
    screenName: "Limiter"
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
        settings.setValue("Data/LimiterType", name)
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    ControlDescriptor {
        id: descriptor
        source: "/xml/LimiterControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: descriptor
        groups: ["Detector", "Timing"]
        graph: Component {
            TarnGraphLimiter {
                descriptor: descriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
