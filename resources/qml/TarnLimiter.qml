import QtQuick 2.15
import ControlDescriptor 1.0
import TarnHomeScreenModel 1.0
import TarnSettings 1.0
import "BlockBands.js" as Bands
import "BlockEntries.js" as Entries

// The output limiter of one band (chosen on the home screen, "Data/LimiterType"; the other bands
// in use are tabs): its transfer graph drawn from the live settings, the input level and gain
// reduction, and every setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "limiterScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Limiter"
    subtitle: quarra.active ? quarra.place(blockDescriptor.poOverride) : blockDescriptor.variantLabel
    screenName: "Limiter"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)
    bands: quarra.active ? quarra.siblings() : Bands.visible(bandModel, blockDescriptor.variants)
    currentBand: quarra.active ? blockDescriptor.poOverride : blockDescriptor.currentVariant

    // A band the running preset lacks gives way to one it has (after this change settles).
    onBandsChanged: Qt.callLater(function() {
        if (quarra.active)
            return
        var wanted = Bands.settle(blockDescriptor.currentVariant, frame.bands)
        if (wanted !== blockDescriptor.currentVariant)
            blockDescriptor.variant = wanted
    })
    onBandChosen: {
        if (quarra.active) {
            blockDescriptor.poOverride = name
            return
        }
        blockDescriptor.variant = name
        settings.setValue("Data/LimiterType", name)
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/LimiterControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: blockDescriptor
        groups: ["Detector", "Timing"]
        graph: Component {
            TarnGraphLimiter {
                descriptor: blockDescriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
