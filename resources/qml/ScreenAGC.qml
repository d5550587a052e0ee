import QtQuick 2.15
import ControlDescriptor 1.0

// The automatic gain control: its transfer graph drawn from the live settings (target window,
// largest gain, low threshold and limit), the input level and the gain it applies, and every
// setting with its value and unit.
BlockScreenFrame {
    id: frame
    objectName: "agcScreen"
    title: descriptor.valid ? descriptor.title : "Automatic Gain Control"
    screenName: "AGC"
    poName: descriptor.poName
    toggleSvName: descriptor.valid && descriptor.controlsOfKind("toggle").length > 0 ? descriptor.controlsOfKind("toggle")[0].sv : ""

    ControlDescriptor {
        id: descriptor
        source: "/xml/AGCControlDescriptor.xml"
    }

    BlockDynamicsLayout {
        id: layout
        descriptor: descriptor
        groups: ["Level", "Limiter"]
        underGroups: ["Timing"]
        graph: Component {
            TarnGraphAGC {
                descriptor: descriptor
                active: frame.blockOn
                signalLevel: layout.signalLevel
            }
        }
    }
}
