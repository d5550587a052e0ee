import QtQuick 2.15
import ControlDescriptor 1.0
import "BlockEntries.js" as Entries

// The compressor: its transfer graph drawn from the live settings, the input level and gain
// reduction, and every setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "compressorScreen"
    title: blockDescriptor.valid ? blockDescriptor.title : "Compressor"
    subtitle: quarra.place()
    screenName: "Compressor"
    poName: blockDescriptor.poName
    toggleSvName: Entries.toggleSv(blockDescriptor.controls)

    QuarraBlock { id: quarra }
    ControlDescriptor {
        id: blockDescriptor
        poOverride: quarra.poName
        source: "/xml/CompressorControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: blockDescriptor
        groups: ["Detector", "Timing"]
        graph: Component {
            TarnGraphCompressor {
                descriptor: blockDescriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
