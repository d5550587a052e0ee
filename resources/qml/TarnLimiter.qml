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
    subtitle: blockDescriptor.variantLabel
    screenName: "Limiter"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)
    bands: Bands.visible(bandModel, blockDescriptor.variants)
    currentBand: blockDescriptor.currentVariant

    // A band the running preset lacks gives way to one it has (after this change settles).
    onBandsChanged: Qt.callLater(function() {
        var wanted = Bands.settle(blockDescriptor.currentVariant, frame.bands)
        if (wanted !== blockDescriptor.currentVariant)
            blockDescriptor.variant = wanted
    })
    onBandChosen: {
        blockDescriptor.variant = name
        settings.setValue("Data/LimiterType", name)
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    ControlDescriptor {
        id: blockDescriptor
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
