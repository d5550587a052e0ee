import QtQuick 2.15
import ControlDescriptor 1.0
import "BlockEntries.js" as Entries

// The back-line delay on the input side: it holds the whole system back so that it lines up
// with a loud source on stage.
BlockScreenFrame {
    id: frame
    objectName: "inputDelayScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Backline Delay"
    subtitle: quarra.active ? quarra.place() : "Inputs"
    screenName: "InputDelay"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)

    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/InputDelayControlDescriptor.xml"
    }

    TarnAlignmentDelay {
        id: delay
        anchors.fill: parent
        descriptor: blockDescriptor
    }
}
