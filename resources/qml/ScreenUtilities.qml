import QtQuick 2.15
import QtQuick.Controls 2.15
import AppAnalytics 1.0
import TarnButton 1.0
import TarnSettings 1.0
import TarnTextSV 1.0

// Utilities: the processor's name, reboot and firmware (with its option card), and the
// application's own choices (usage reporting, the update checks) and its updates.
ToolScreenFrame {
    id: screen
    objectName: "utilitiesScreen"
    title: "Utilities"
    currentScreen: "Utilities"

    readonly property bool offline: typeof viewLoader !== "undefined" && viewLoader !== null && viewLoader.offlineMode
    // A name sent and not yet confirmed; it is given up after a while.
    property string pendingName: ""
    property string nameMessage: ""
    readonly property alias rebootDialog: rebootDialog

    function commitName() {
        var name = nameField.text.trim()
        nameField.focus = false
        if (name === "" || name === deviceName.value) {
            nameField.text = deviceName.value
            return
        }
        pendingName = name
        nameMessage = ""
        deviceName.setValueWithoutFeedback(name)
        nameTimeout.restart()
    }

    TarnSettings { id: settings }

    TarnTextSV {
        id: deviceName
        poName: "NPO"
        svName: "Node\\SV\\DeviceName"
        Component.onCompleted: componentCompleted()
        onValueChanged: {
            if (screen.pendingName !== "" && value === screen.pendingName) {
                screen.pendingName = ""
                screen.nameMessage = "Name changed."
                nameTimeout.stop()
            }
            if (!nameField.activeFocus)
                nameField.text = value
        }
    }
    Timer {
        id: nameTimeout
        interval: 3000
        onTriggered: {
            if (screen.pendingName === "")
                return
            screen.pendingName = ""
            screen.nameMessage = "The processor did not take this name."
            nameField.text = deviceName.value
        }
    }
    TarnButton {
        id: reboot
        poName: "NPO"
        svName: "Node\\SV\\Reboot"
        buttonType: TarnButton.SingleShot
        Component.onCompleted: componentCompleted()
    }

    // A titled panel.
    component Panel: Rectangle {
        property string heading: ""
        default property alias content: inner.data
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        height: inner.implicitHeight + headingText.height + 40
        Text {
            id: headingText
            x: 16
            y: 12
            text: parent.heading
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
            font.bold: true
            font.capitalization: Font.AllUppercase
        }
        Column {
            id: inner
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: headingText.bottom
            anchors.margins: 16
            spacing: 14
        }
    }

    // A setting that is on or off, with what it means.
    component SettingSwitch: Item {
        id: setting
        property string key: ""
        property string defaultValue: "false"
        property string label: ""
        property string explanation: ""
        readonly property bool checked: toggle.checked
        width: parent.width
        height: Math.max(Theme.touch, texts.implicitHeight)
        function refresh() {
            toggle.checked = settings.value(key, defaultValue) === "true"
        }
        Component.onCompleted: refresh()
        Column {
            id: texts
            anchors.left: parent.left
            anchors.right: toggle.left
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 4
            Text {
                width: parent.width
                text: setting.label
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                font.bold: true
                wrapMode: Text.WordWrap
            }
            Text {
                width: parent.width
                text: setting.explanation
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                wrapMode: Text.WordWrap
            }
        }
        Switch {
            id: toggle
            objectName: "switch"
            width: 96
            height: Theme.touch
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            focusPolicy: Qt.StrongFocus
            onToggled: settings.setValue(setting.key, checked ? "true" : "false")
            indicator: Rectangle {
                implicitWidth: 84
                implicitHeight: 44
                x: toggle.leftPadding
                y: (toggle.height - height) / 2
                radius: height / 2
                color: toggle.checked ? Theme.accent : Theme.well
                border.color: toggle.visualFocus ? Theme.text : Theme.edge
                border.width: toggle.visualFocus ? 2 : 1
                Rectangle {
                    x: toggle.checked ? parent.width - width - 4 : 4
                    anchors.verticalCenter: parent.verticalCenter
                    width: 36
                    height: 36
                    radius: 18
                    color: toggle.down ? Theme.capBottom : Theme.capTop
                    Behavior on x { NumberAnimation { duration: 90 } }
                }
            }
            contentItem: Item {}
        }
    }

    // The strips outgrow a small window: the two columns scroll together.
    Flickable {
        id: pane
        objectName: "utilitiesPane"
        anchors.fill: parent
        contentWidth: width
        contentHeight: columns.implicitHeight
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: pane.contentHeight > pane.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff }

        Row {
            id: columns
            width: pane.width - (pane.contentHeight > pane.height ? 14 : 0)
            spacing: 16

            Column {
                width: (parent.width - parent.spacing) / 2
                spacing: 16

                Panel {
                    objectName: "devicePart"
                    width: parent.width
                    heading: "Processor"

                    Text {
                        text: "Device Name"
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontCaption
                        font.capitalization: Font.AllUppercase
                    }
                    Row {
                        width: parent.width
                        spacing: 10
                        TextField {
                            id: nameField
                            objectName: "deviceNameField"
                            width: parent.width - renameButton.width - parent.spacing
                            height: Theme.touch
                            leftPadding: 14
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontNormal + 2
                            font.bold: true
                            color: screen.pendingName !== "" ? Theme.pendingText : Theme.valueText
                            selectionColor: Theme.accent
                            selectedTextColor: Theme.textOnAccent
                            selectByMouse: true
                            maximumLength: 32
                            validator: typeof rootQML !== "undefined" ? rootQML.nameValidator : null
                            placeholderText: "\u2014"
                            placeholderTextColor: Theme.textDim
                            onAccepted: screen.commitName()
                            Keys.onEscapePressed: {
                                text = deviceName.value
                                focus = false
                            }
                            background: Rectangle {
                                radius: Theme.radius
                                color: Theme.well
                                border.color: nameField.activeFocus ? Theme.accent : Theme.edge
                                border.width: nameField.activeFocus ? 2 : 1
                            }
                        }
                        TarnPushButton {
                            id: renameButton
                            objectName: "renameButton"
                            text: "Rename"
                            implicitWidth: 120
                            enabled: nameField.text.trim() !== "" && nameField.text.trim() !== deviceName.value
                                     && screen.pendingName === ""
                            onClicked: screen.commitName()
                        }
                    }
                    Text {
                        objectName: "nameMessage"
                        width: parent.width
                        text: screen.pendingName !== "" ? "Renaming\u2026" : screen.nameMessage !== "" ? screen.nameMessage
                            : "Letters, digits, spaces and ! # $ % & ' ( ) + , - . = [ ] ^ _ \\ { } ~ @, up to 32 characters."
                        color: screen.nameMessage.indexOf("did not") >= 0 ? Theme.error : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                        wrapMode: Text.WordWrap
                    }

                    Rectangle { width: parent.width; height: 1; color: Theme.edge }

                    Row {
                        width: parent.width
                        spacing: 16
                        TarnPushButton {
                            id: rebootButton
                            objectName: "rebootButton"
                            text: "Reboot Processor"
                            implicitWidth: 210
                            onClicked: rebootDialog.open()
                        }
                        Text {
                            width: parent.width - rebootButton.width - parent.spacing
                            anchors.verticalCenter: parent.verticalCenter
                            text: "Restarts the processor. Its outputs are silent and this connection drops until it is back."
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                            wrapMode: Text.WordWrap
                        }
                    }
                }

                Panel {
                    objectName: "firmwarePart"
                    width: parent.width
                    heading: "Firmware"
                    FirmwareUpdateStrip {}
                    OptionCardStrip { variant: "Dante" }
                    OptionCardStrip { variant: "Parvane" }
                }

                SettingsTransferStrip { width: parent.width }
            }

            Column {
                width: (parent.width - parent.spacing) / 2
                spacing: 16

                Panel {
                    objectName: "applicationPart"
                    width: parent.width
                    heading: "Application"

                    SettingSwitch {
                        id: analytics
                        objectName: "analyticsSwitch"
                        key: "Data/appAnalytics"
                        defaultValue: "true"
                        label: "Send anonymous usage data"
                        explanation: "Which screens are used, without names, addresses or settings. Helps to improve the application."
                        // The client keeps its own record of the choice and drops what it queued when it is withdrawn.
                        onCheckedChanged: AppAnalytics.setIsAnalyticsAllowed(checked)
                    }
                    Rectangle { width: parent.width; height: 1; color: Theme.edge }
                    SettingSwitch {
                        id: checkOnStart
                        objectName: "checkOnStartSwitch"
                        key: "Data/checkOnStart"
                        defaultValue: "true"
                        label: "Check for updates"
                        explanation: "Of this application at start, and of a processor's firmware when its home screen opens "
                                     + "after connecting" + (screen.offline ? " (not for the offline model)." : ".")
                    }
                }

                Panel {
                    objectName: "applicationUpdatePart"
                    width: parent.width
                    heading: "Application Update"
                    ApplicationUpdateStrip {}
                }

                Panel {
                    objectName: "tuningPart"
                    width: parent.width
                    heading: "Tuning Library"
                    Row {
                        width: parent.width
                        spacing: 16
                        TarnPushButton {
                            id: tuningsButton
                            objectName: "manageTuningsButton"
                            text: "Manage Tunings"
                            implicitWidth: 210
                            onClicked: if (typeof rootQML !== "undefined") rootQML.guiSignal("ManageTunings", "")
                        }
                        Text {
                            width: parent.width - tuningsButton.width - parent.spacing
                            anchors.verticalCenter: parent.verticalCenter
                            text: "Speaker tunings and amplifier data: which the processor holds, updates from the cloud."
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                            wrapMode: Text.WordWrap
                        }
                    }
                }
            }
        }
    }

    Popup {
        id: rebootDialog
        objectName: "rebootDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: 520
        modal: true
        focus: true
        padding: 24
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        background: Rectangle {
            radius: Theme.radius + 4
            color: Theme.surface
            border.color: Theme.warning
            border.width: 2
        }
        Overlay.modal: Rectangle { color: "#b3000000" }
        contentItem: Column {
            spacing: 18
            Text {
                text: "Reboot the processor?"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            Text {
                width: 472
                text: "The processor restarts at once: sound stops on every output and this application returns to the device list until it is back."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            Row {
                anchors.right: parent.right
                spacing: 12
                TarnPushButton {
                    objectName: "rebootCancel"
                    text: "Cancel"
                    onClicked: rebootDialog.close()
                }
                TarnPushButton {
                    objectName: "rebootConfirm"
                    text: "Reboot"
                    primary: true
                    tone: Theme.error
                    onClicked: {
                        rebootDialog.close()
                        reboot.setMultipleSV(reboot.svName)
                    }
                }
            }
        }
    }
}
