import QtQuick 2.15
import ControlDescriptor 1.0
import "BlockEntries.js" as Entries

// The noise gate: its transfer graph drawn from the live settings, the input level and the
// attenuation it applies, and every setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "gateScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Noise Gate"
    subtitle: quarra.place()
    screenName: "Gate"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)

    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/GateControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: blockDescriptor
        groups: ["Detector", "Timing"]
        graph: Component {
            TarnGraphGate {
                descriptor: blockDescriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
