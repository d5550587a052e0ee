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
    subtitle: quarra.active ? quarra.place(blockDescriptor.poOverride) : blockDescriptor.variantLabel
    screenName: "Delay"
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
        settings.setValue("Data/DelayType", name)
    }

    TarnSettings { id: settings }
    TarnHomeScreenModel { id: bandModel }
    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/DelayControlDescriptor.xml"
    }

    TarnAlignmentDelay {
        id: delay
        anchors.fill: parent
        descriptor: blockDescriptor
    }
}
