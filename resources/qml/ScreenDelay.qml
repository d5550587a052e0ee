import QtQuick 2.15
import ControlDescriptor 1.0
import TarnHomeScreenModel 1.0
import TarnSettings 1.0
import "BlockBands.js" as Bands
import "BlockEntries.js" as Entries

// The alignment delay of one output band (chosen on the home screen, "Data/DelayType"; the
// other bands in use are tabs).
BlockScreenFrame {
    id: frame
    objectName: "delayScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Alignment Delay"
    subtitle: blockDescriptor.variantLabel
    screenName: "Delay"
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
        settings.setValue("Data/DelayType", name)
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    ControlDescriptor {
        id: blockDescriptor
        source: "/xml/DelayControlDescriptor.xml"
    }

    TarnAlignmentDelay {
        id: delay
        anchors.fill: parent
        descriptor: blockDescriptor
    }
}
