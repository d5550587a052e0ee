import QtQuick 2.15
import ControlDescriptor 1.0

// The noise gate: its transfer graph drawn from the live settings, the input level and the
// attenuation it applies, and every setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "gateScreen"
    title: descriptor.valid ? descriptor.title : "Noise Gate"
    screenName: "Gate"
    poName: descriptor.poName
    toggleSvName: descriptor.valid && descriptor.controlsOfKind("toggle").length > 0 ? descriptor.controlsOfKind("toggle")[0].sv : ""

    ControlDescriptor {
        id: descriptor
        source: "/xml/GateControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: descriptor
        groups: ["Detector", "Timing"]
        graph: Component {
            TarnGraphGate {
                descriptor: descriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
