import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnNumericalSV 1.0
import WizardDialProvider 1.0
import "WidgetText.js" as WT

// Level matching: a dial showing where the processor wants an amplifier's level control (turn it
// to where the control really is; the meter shows what that does to the level), or a slider for
// a share (the number of fixed feedback filters). The button tells the processor it is done.
WizardPage {
    id: page
    objectName: "wizardDialPage"

    readonly property bool slider: texts.dialOrSlider === "slider"
    // The dial's value asked for and not yet confirmed.
    property real requested: NaN

    heading: texts.heading
    primaryText: texts.buttonText
    onPrimary: page.sendEvent("Next")

    WizardDialProvider {
        id: texts
        wizardState: page.wizardState
    }
    TarnNumericalSV {
        id: ampLevel
        poName: page.slider ? "" : "NPO"
        svName: page.slider ? "" : "Node\\Wizard\\SV\\WizardGenericAmpLevel"
        Component.onCompleted: componentCompleted()
        onValueChanged: {
            if (Math.abs(value - page.requested) < 0.05)
                page.requested = NaN
            if (!dial.pressed && isNaN(page.requested))
                dial.value = value
        }
    }

    // The dial
    Row {
        visible: !page.slider
        anchors.fill: parent
        spacing: 40

        Item {
            width: Math.min(parent.height, parent.width * 0.45)
            height: width
            Dial {
                id: dial
                objectName: "levelDial"
                anchors.fill: parent
                from: -40
                to: 0
                stepSize: 0.5
                snapMode: Dial.SnapAlways
                inputMode: Dial.Vertical
                // The processor's value, except under the hand (see ampLevel).
                Component.onCompleted: value = ampLevel.value
                onMoved: {
                    page.requested = value
                    ampLevel.setValueWithoutFeedback(value)
                }
                background: Rectangle {
                    x: dial.width / 2 - width / 2
                    y: dial.height / 2 - height / 2
                    width: Math.min(dial.width, dial.height)
                    height: width
                    radius: width / 2
                    color: Theme.surfaceRaised
                    border.color: dial.visualFocus ? Theme.accent : Theme.edge
                    border.width: 3
                    // Scale marks every 5 dB.
                    Repeater {
                        model: 9
                        delegate: Rectangle {
                            width: 3
                            height: 14
                            color: Theme.textDim
                            antialiasing: true
                            x: parent.width / 2 - width / 2
                            y: 6
                            transform: Rotation {
                                origin.x: 1.5
                                origin.y: parent.height / 2 - 6
                                angle: -140 + index * 35
                            }
                        }
                    }
                }
                handle: Rectangle {
                    x: dial.background.x + dial.background.width / 2 - width / 2
                    y: dial.background.y + dial.background.height / 2 - height / 2
                    width: 22
                    height: dial.background.height * 0.42
                    radius: 8
                    color: isNaN(page.requested) ? Theme.accent : Theme.pendingText
                    antialiasing: true
                    transform: [
                        Translate { y: -dial.background.height * 0.18 },
                        Rotation {
                            angle: dial.angle
                            origin.x: 11
                            origin.y: dial.background.height * 0.21 + dial.background.height * 0.18
                        }
                    ]
                }
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                anchors.bottomMargin: parent.height * 0.12
                text: "\u221240 dB \u2026 0 dB"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
            }
        }
        Column {
            width: parent.width - parent.height - parent.spacing
            anchors.verticalCenter: parent.verticalCenter
            spacing: 22
            Text {
                objectName: "dialValue"
                text: ampLevel.value === -1000 ? "\u2014" : WT.pretty((isNaN(page.requested) ? ampLevel.value : page.requested).toFixed(1) + " dB")
                color: isNaN(page.requested) ? Theme.valueText : Theme.pendingText
                font.family: Theme.fontFamily
                font.pixelSize: 56
                font.bold: true
            }
            Text {
                width: parent.width
                text: "Set the amplifier's level control to this mark. If it has to stay elsewhere, turn the dial to where it is: the processor makes up the difference."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            LevelAssistMeter {
                objectName: "levelMeter"
                width: parent.width
                title: "Level against the recommended setting"
                poName: page.slider ? "" : "NPO"
                svName: page.slider ? "" : "Node\\Wizard\\SV\\LevelAssistOutput"
                minimum: -12
                maximum: 12
                targetLow: -1
                targetHigh: 1
            }
        }
    }

    // The slider
    Column {
        visible: page.slider
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 28
        readonly property int fixed: share.known ? Math.round(share.position / 100 * 12) : -1
        Text {
            objectName: "sliderSummary"
            text: parent.fixed < 0 ? "\u2014" : parent.fixed + " fixed filters, " + (12 - parent.fixed) + " live"
            color: share.pending ? Theme.pendingText : Theme.valueText
            font.family: Theme.fontFamily
            font.pixelSize: 44
            font.bold: true
        }
        TarnCustomSlider {
            id: share
            objectName: "shareSlider"
            width: parent.width
            title: "Fixed filters"
            showValue: false
            poName: page.slider ? "NPO" : ""
            svName: page.slider ? "Node\\Wizard\\SV\\DialTypeSlider" : ""
        }
        Text {
            width: parent.width
            text: "Fixed filters stay where the ring-out places them. Live filters follow new rings during the show and let go after a while."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            wrapMode: Text.WordWrap
        }
    }
}
