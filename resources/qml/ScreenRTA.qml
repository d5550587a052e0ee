import QtQuick 2.15
import QtQuick.Controls 2.15
import ControlDescriptor 1.0
import TarnButton 1.0
import TarnEnumSV 1.0

// The real-time analyser: the spectrum of what the analyser router feeds it, its input and
// gain, and how quickly it averages.
ToolScreenFrame {
    id: screen
    objectName: "rtaScreen"
    title: "Real-Time Analyser"
    subtitle: "31 bands \u00b7 1/3 octave"
    screenName: "RTA"

    readonly property var spectrum: descriptor.controlsOfKind("spectrum")[0]
    readonly property string rangeData: typeof rootQML !== "undefined" && rootQML.appDataStore !== null
                                        ? rootQML.appDataStore.getJsonArray("RTA", "Gain") : "[]"

    ControlDescriptor {
        id: descriptor
        source: "/xml/RTAControlDescriptor.xml"
    }
    TarnEnumSV {
        id: sources
        poName: "RTARouter"
        svName: "Source"
        Component.onCompleted: componentCompleted()
    }
    TarnEnumSV {
        id: averaging
        poName: "RTA"
        svName: "Averaging"
        Component.onCompleted: componentCompleted()
    }

    Rectangle {
        id: graphPanel
        objectName: "graphPanel"
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: parent.width - side.width - 16
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge

        GraphRTA {
            id: graph
            objectName: "graphRTA"
            anchors.fill: parent
            anchors.margins: 12
            poName: screen.spectrum !== undefined ? screen.spectrum.po : "RTA"
            svName: screen.spectrum !== undefined ? screen.spectrum.sv : "AllMeters"
            bandLabels: screen.spectrum !== undefined ? screen.spectrum.bandLabels : []
            minimumDb: screen.spectrum !== undefined && screen.spectrum.min !== undefined ? screen.spectrum.min : -90
            maximumDb: screen.spectrum !== undefined && screen.spectrum.max !== undefined ? screen.spectrum.max : 0
        }
    }

    Rectangle {
        id: side
        objectName: "settingsPanel"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 270
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge

        Column {
            anchors.fill: parent
            anchors.margins: 14
            spacing: 22

            TarnCustomExclusiveGroup {
                objectName: "source"
                width: parent.width
                title: "Input Source"
                poName: "RTARouter"
                svName: "Source"
                model: sources.enums
                columns: 2
            }

            Column {
                width: parent.width
                spacing: 6
                TarnCustomSlider {
                    id: gain
                    objectName: "gain"
                    width: parent.width
                    title: "Gain"
                    poName: "RTA"
                    svName: "Gain"
                }
                Row {
                    spacing: 8
                    TarnCustomButton {
                        objectName: "gainDown"
                        buttonType: TarnButton.Nudge
                        bumpDirection: -1
                        poName: "RTA"
                        svName: "Gain"
                        poClass: "RTA"
                        svClass: "Gain"
                        nudgeJsonData: screen.rangeData
                    }
                    TarnCustomButton {
                        objectName: "gainUp"
                        buttonType: TarnButton.Nudge
                        bumpDirection: 1
                        poName: "RTA"
                        svName: "Gain"
                        poClass: "RTA"
                        svClass: "Gain"
                        nudgeJsonData: screen.rangeData
                    }
                }
            }

            TarnCustomExclusiveGroup {
                objectName: "averaging"
                width: parent.width
                title: "Averaging"
                poName: "RTA"
                svName: "Averaging"
                model: averaging.enums
            }

            Text {
                width: parent.width
                wrapMode: Text.WordWrap
                text: "Tap a band to read its level. Use the signal generator with the RTA Mic to check the room."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
            }
        }
    }
}
