import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnAFSGraphItem 1.0
import TarnLabel 1.0
import TarnNumericalSV 1.0
import TarnSettings 1.0
import WizardAFSGraphProvider 1.0
import WizardDialogProvider 1.0

// Ringing out: the feedback suppressor's filters as the processor places them, with what to do
// meanwhile (raise the gain slowly) and, at the end, the fixed filters placed.
WizardPage {
    id: page
    objectName: "wizardAfsPage"

    readonly property string afsObject: "Afs"
    readonly property var filterColors: ["#ff5a4e", "#ff9f2e", "#f5d32a", "#b6e04a", "#5ad35f", "#2ec7a5",
                                         "#2fb8e8", "#3b82ff", "#8a6cff", "#c35cf0", "#f05cb4", "#f28a8a"]
    // The state as the loader recorded it: while the gain goes up, filters are still coming.
    readonly property bool placing: recordedState === "GainUp"
    readonly property string recordedState: wizardState !== "" ? settings.value("Wizard/CurrentState", "") : ""
    property int placed: 0

    heading: graphTexts.heading
    primaryText: graphTexts.buttonText
    onPrimary: page.sendEvent("Next")

    function countPlaced() {
        var n = 0
        for (var i = 0; i < filters.count; ++i) {
            var f = filters.itemAt(i)
            if (f !== null && f.fixed && f.placed)
                ++n
        }
        placed = n
    }

    TarnSettings { id: settings }
    WizardAFSGraphProvider {
        id: graphTexts
        wizardState: page.wizardState
    }
    WizardDialogProvider {
        id: texts
        wizardState: page.wizardState
    }
    TarnNumericalSV {
        id: maxFixed
        poName: page.afsObject
        svName: "MaxFixedFilters"
        Component.onCompleted: componentCompleted()
        onValueChanged: page.countPlaced()
    }

    Row {
        id: top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: Math.min(150, parent.height * 0.3)
        spacing: 20
        Image {
            objectName: "afsImage"
            visible: graphTexts.imageSrc !== ""
            width: visible ? height * 1.6 : 0
            height: parent.height
            source: graphTexts.imageSrc
            fillMode: Image.PreserveAspectFit
        }
        Column {
            width: parent.width - (graphTexts.imageSrc !== "" ? parent.height * 1.6 + parent.spacing : 0)
            spacing: 10
            Text {
                width: parent.width
                text: page.lines(texts.displayText)
                textFormat: Text.PlainText
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal + 1
                wrapMode: Text.WordWrap
            }
            Row {
                spacing: 12
                WizardBusy {
                    running: page.placing
                    width: 36
                    height: 36
                }
                Text {
                    objectName: "placedCount"
                    anchors.verticalCenter: parent.verticalCenter
                    text: page.placed + " of " + Math.max(0, Math.round(maxFixed.value)) + " fixed filters placed"
                    color: Theme.accent
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontLarge
                    font.bold: true
                }
            }
        }
    }

    GraphAxes {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: top.bottom
        anchors.topMargin: 16
        anchors.bottom: parent.bottom
        logMin: 20
        logMax: 20000
        levelTop: 0
        levelBottom: -20
        levelStep: 5

        TarnAFSGraphItem {
            id: graph
            objectName: "afsGraphItem"
            anchors.fill: parent
            poName: page.afsObject
            svName: "Filters"
            bandCount: 12
            bandColors: page.filterColors
            Component.onCompleted: {
                componentCompleted()
                dimensionsChanged()
            }
        }
    }

    // Which filters are placed; the fixed ones come first.
    Repeater {
        id: filters
        model: 12
        delegate: Item {
            readonly property bool fixed: index < Math.round(maxFixed.value)
            readonly property bool placed: gain.labelValue !== "" && parseFloat(gain.labelValue) < 0
            onPlacedChanged: page.countPlaced()
            TarnLabel {
                id: gain
                poName: page.afsObject
                svName: "Band_" + (index + 1) + "_Gain"
                Component.onCompleted: componentCompleted()
            }
        }
    }
}
