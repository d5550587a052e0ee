import QtQuick 2.15
import ControlDescriptor 1.0
import "BlockEntries.js" as Entries

// The automatic gain control: its transfer graph drawn from the live settings (target window,
// largest gain, low threshold and limit), the input level and the gain it applies, and every
// setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "agcScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Automatic Gain Control"
    subtitle: quarra.place()
    screenName: "AGC"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)

    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/AGCControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: blockDescriptor
        groups: ["Level", "Limiter"]
        underGroups: ["Timing"]
        graph: Component {
            TarnGraphAGC {
                descriptor: blockDescriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
