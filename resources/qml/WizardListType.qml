import QtQuick 2.15
import QtQuick.Controls 2.15
import WizardListViewProvider 1.0

// A question of the wizard answered by choosing from a list: the descriptor's title, heading
// and entries for the state; the chosen entry's value goes to the variable the state names (or
// as an event). Entries with pictures are laid out as tiles. Measurement results show the
// microphone's level beside the choices.
WizardPage {
    id: page
    objectName: "wizardListPage"

    // The value sent and not yet confirmed by the processor.
    property string pendingValue: ""
    readonly property bool pictures: provider.hasImages
    readonly property bool matching: wizardState === "MatchReferenceAdjust"
    readonly property bool levelShown: /^(SetChirpLevel|GetReference|MatchReference)./.test(wizardState)
    readonly property alias provider: provider

    title: provider.titleString
    heading: provider.heading
    backText: provider.buttonText
    onBackPressed: provider.updateMySvValue1("Back")
    onWizardStateChanged: pendingValue = ""

    function choose(value) {
        pendingValue = value
        provider.updateMySvValue0(value)
    }

    WizardListViewProvider {
        id: provider
        wizardState: page.wizardState
        onSvValueChanged: if (value === page.pendingValue) page.pendingValue = ""
    }

    Flickable {
        id: flick
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: page.levelShown ? parent.width * 0.6 : parent.width
        contentHeight: grid.height
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { visible: flick.contentHeight > flick.height + 1; policy: ScrollBar.AlwaysOn }

        Grid {
            id: grid
            width: flick.width - 12
            columns: page.pictures ? Math.max(2, Math.min(4, Math.floor(width / 230))) : (provider.count > 4 && !page.levelShown ? 2 : 1)
            spacing: 14
            Repeater {
                id: list
                model: provider
                delegate: WizardChoiceTile {
                    objectName: "choice_" + listViewElementValue
                    width: (grid.width - (grid.columns - 1) * grid.spacing) / grid.columns
                    label: listViewElementText
                    image: listViewElementImage
                    enabled: listViewElementAvailable
                    current: listViewElementValue === provider.svValue && provider.svPath !== ""
                    pending: listViewElementValue === page.pendingValue
                    onClicked: page.choose(listViewElementValue)
                }
            }
        }
    }

    Rectangle {
        visible: page.levelShown
        anchors.right: parent.right
        anchors.top: parent.top
        width: parent.width * 0.4 - 24
        height: levelColumn.implicitHeight + 36
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        Column {
            id: levelColumn
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 18
            spacing: 14
            LevelAssistMeter {
                objectName: "levelMeter"
                width: parent.width
                title: page.matching ? "Difference to the reference" : "Microphone level"
                poName: page.levelShown ? "NPO" : ""
                svName: page.levelShown ? "Node\\Wizard\\SV\\LevelAssistOutput" : ""
                minimum: page.matching ? -12 : -80
                maximum: page.matching ? 12 : 0
                targetLow: page.matching ? -1 : -47
                targetHigh: page.matching ? 1 : -8
            }
            Text {
                width: parent.width
                text: page.matching ? "In the green window the band matches the reference."
                                    : "Good: well above the room noise, below clipping."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                wrapMode: Text.WordWrap
            }
        }
    }
}
