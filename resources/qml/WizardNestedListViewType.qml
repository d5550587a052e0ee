import QtQuick 2.15
import QtQuick.Controls 2.15
import WizardBrandListViewModel 1.0
import WizardBrandModelsModel 1.0

// A speaker or amplifier of the setup wizard, chosen by brand, then series and model from what
// the processor offers. The chosen model goes to the processor's choice variable; the
// processor moves on when it takes it.
WizardPage {
    id: page
    objectName: "wizardNestedListPage"

    readonly property var questions: ({
        "SelectMainSpeaker": ["Main speakers", "Which speakers are the main PA?"],
        "SelectSubSpeaker": ["Subwoofers", "Which subwoofers are used?"],
        "SelectMonitorSpeaker": ["Monitor speaker", "Which speaker is this monitor?"],
        "SelectHighAmplifier": ["High amplifier", "Which amplifier drives the high band?"],
        "SelectMidAmplifier": ["Mid amplifier", "Which amplifier drives the mid band?"],
        "SelectLowAmplifier": ["Low amplifier", "Which amplifier drives the low band (or the subwoofers)?"],
        "PoweredHighAmplifier": ["Powered speaker", "These speakers are powered: choose their own amplifier."],
        "PoweredMidAmplifier": ["Powered speaker", "These speakers are powered: choose their own amplifier."],
        "PoweredLowAmplifier": ["Powered speaker", "These speakers are powered: choose their own amplifier."]
    })
    readonly property var question: questions[wizardState] !== undefined ? questions[wizardState] : ["", wizardState]
    property string pendingValue: ""
    property string shownBrand: ""
    readonly property alias brands: brands

    title: question[0]
    heading: question[1]
    onWizardStateChanged: {
        pendingValue = ""
        shownBrand = ""
    }

    function describe(entry) {
        var parts = String(entry).split("|")
        return parts.length === 3 ? parts[0] + "  \u00b7  " + parts[2] : "Nothing chosen yet"
    }

    WizardBrandListViewModel {
        id: brands
        wizardState: page.wizardState
        onCurrentValueChanged: if (value === page.pendingValue) page.pendingValue = ""
    }
    WizardBrandModelsModel {
        id: models
        brandList: brands
        brand: page.shownBrand !== "" ? page.shownBrand : (brands.currentBrand !== "" ? brands.currentBrand : brands.brandAt(0))
    }

    Text {
        id: now
        objectName: "currentChoice"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        text: "Chosen now: " + page.describe(brands.currentValue)
        textFormat: Text.PlainText
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontNormal
        elide: Text.ElideRight
    }

    Rectangle {
        id: brandPanel
        anchors.left: parent.left
        anchors.top: now.bottom
        anchors.topMargin: 12
        anchors.bottom: parent.bottom
        width: Math.round(parent.width * 0.34)
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        ListView {
            id: brandList
            objectName: "brandList"
            anchors.fill: parent
            anchors.margins: 10
            clip: true
            spacing: 6
            model: brands
            header: Text {
                width: brandList.width
                height: 32
                text: "BRAND"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
                font.bold: true
            }
            delegate: AbstractButton {
                id: brandButton
                objectName: "brand_" + brandName
                readonly property bool shown: brandName === models.brand
                width: brandList.width
                height: Theme.touch + 4
                onClicked: page.shownBrand = brandName
                background: Rectangle {
                    radius: Theme.radius
                    color: brandButton.shown ? "#33f2992e" : brandButton.down ? Theme.surfacePressed : "transparent"
                    border.color: brandButton.shown ? Theme.accent : "transparent"
                    border.width: 2
                }
                contentItem: Item {
                    Text {
                        anchors.left: parent.left
                        anchors.leftMargin: 12
                        anchors.right: countText.left
                        anchors.verticalCenter: parent.verticalCenter
                        text: brandName
                        textFormat: Text.PlainText
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        font.bold: isCurrent
                        elide: Text.ElideRight
                    }
                    Text {
                        id: countText
                        anchors.right: parent.right
                        anchors.rightMargin: 12
                        anchors.verticalCenter: parent.verticalCenter
                        text: (isCurrent ? "\u2713  " : "") + modelCount
                        color: isCurrent ? Theme.accent : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                    }
                }
            }
        }
    }

    Rectangle {
        anchors.left: brandPanel.right
        anchors.leftMargin: 16
        anchors.right: parent.right
        anchors.top: brandPanel.top
        anchors.bottom: parent.bottom
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        ListView {
            id: modelList
            objectName: "modelList"
            anchors.fill: parent
            anchors.margins: 10
            clip: true
            spacing: 6
            model: models
            section.property: "seriesName"
            section.delegate: Text {
                width: modelList.width
                height: 34
                verticalAlignment: Text.AlignBottom
                bottomPadding: 4
                text: section
                textFormat: Text.PlainText
                color: Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
                font.capitalization: Font.AllUppercase
            }
            delegate: WizardChoiceTile {
                objectName: "model_" + modelName
                width: modelList.width
                label: modelName
                current: isCurrent
                pending: entryValue === page.pendingValue
                onClicked: {
                    page.pendingValue = entryValue
                    brands.choose(entryValue)
                }
            }
            ScrollBar.vertical: ScrollBar {}
        }
        Text {
            anchors.centerIn: parent
            visible: models.count === 0
            text: brands.count === 0 ? "Waiting for the processor's list\u2026" : "No models"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
        }
    }
}
