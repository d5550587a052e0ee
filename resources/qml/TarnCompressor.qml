import QtQuick 2.15
import ControlDescriptor 1.0

// The compressor: its transfer graph drawn from the live settings, the input level and gain
// reduction, and every setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "compressorScreen"
    title: descriptor.valid ? descriptor.title : "Compressor"
    screenName: "Compressor"
    poName: descriptor.poName
    toggleSvName: descriptor.valid && descriptor.controlsOfKind("toggle").length > 0 ? descriptor.controlsOfKind("toggle")[0].sv : ""

    ControlDescriptor {
        id: descriptor
        source: "/xml/CompressorControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: descriptor
        groups: ["Detector", "Timing"]
        graph: Component {
            TarnGraphCompressor {
                descriptor: descriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
