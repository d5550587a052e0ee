import QtQuick 2.15
import ControlDescriptor 1.0

// The back-line delay on the input side: it holds the whole system back so that it lines up
// with a loud source on stage.
BlockScreenFrame {
    id: frame
    objectName: "inputDelayScreen"
    title: descriptor.valid ? descriptor.title : "Backline Delay"
    subtitle: "Inputs"
    screenName: "InputDelay"
    poName: descriptor.poName
    toggleSvName: descriptor.valid && descriptor.controlsOfKind("toggle").length > 0 ? descriptor.controlsOfKind("toggle")[0].sv : ""

    ControlDescriptor {
        id: descriptor
        source: "/xml/InputDelayControlDescriptor.xml"
    }

    TarnAlignmentDelay {
        id: delay
        anchors.fill: parent
        descriptor: descriptor
    }
}
