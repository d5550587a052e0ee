import QtQuick 2.15
import QtQuick.Controls 2.15
import DevicePresetModel 1.0
import FileSystemModel 1.0
import TarnTextSV 1.0

// Presets: those stored in the processor beside those saved on this PC. Recall, store and
// rename on the processor; copy either way; rename and delete on the PC. What runs shows
// below, and every failure is said in words.
ToolScreenFrame {
    id: screen
    objectName: "presetsScreen"
    title: "Presets"
    currentScreen: "Presets"
    // The root document sends other screens home when the current preset changes; this one
    // goes home through the processor's busy report of the recall.
    screenName: "Preset"

    readonly property int currentId: Number(currentPreset.value)
    readonly property bool modified: presetModified.value === "On"
    property int selectedId: 0
    property string selectedFile: ""
    // Copies under way: where a fetched preset goes, and where a PC preset goes.
    property string pendingPcName: ""
    property int pendingSlot: 0
    property string pendingSlotName: ""
    property bool deviceBusy: false
    property bool pcBusy: false
    property string busyText: ""
    property real percent: -1
    property string errorText: ""
    property string doneText: ""
    // The running preset is the one selected until the user picks another.
    onCurrentIdChanged: if (selectedId === 0) selectedId = currentId
    readonly property bool busy: deviceBusy || pcBusy || pendingPcName !== "" || pendingSlot > 0

    function started(text) {
        errorText = ""
        doneText = ""
        busyText = text
        percent = -1
    }
    function failed(text) {
        errorText = text
        pendingPcName = ""
        pendingSlot = 0
    }
    readonly property string selectedName: devicePresets.revision, devicePresets.nameOf(selectedId)
    readonly property string currentName: devicePresets.revision, devicePresets.nameOf(currentId)
    function slotChoices() {
        var list = []
        for (var id = 1; id <= devicePresets.slotCount; ++id) {
            var name = devicePresets.nameOf(id)
            list.push(id + "  \u2013  " + (name !== "" ? name : "empty"))
        }
        return list
    }

    TarnTextSV {
        id: currentPreset
        poName: "Presets"
        svName: "CurrentPreset"
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: presetModified
        poName: "NPO"
        svName: "Node\\Settings\\SV\\PresetIsModified"
        Component.onCompleted: componentCompleted()
    }

    DevicePresetModel {
        id: devicePresets
        onBusy: {
            screen.deviceBusy = state
            if (state)
                screen.started(msg)
        }
        onTransferProgress: screen.percent = total > 0 ? 100 * done / total : -1
        onError: screen.failed(errorString)
        onPresetAvailable: {
            if (screen.pendingPcName === "")
                return
            var name = screen.pendingPcName
            screen.pendingPcName = ""
            pcPresets.addPresetToFileSystem(name, presetData)
            if (screen.errorText === "" && pcPresets.contains(name)) {
                screen.selectedFile = name
                screen.doneText = "\u201c" + name + "\u201d copied to this PC."
            }
        }
        onActionFinished: {
            if (screen.pendingSlot > 0) {
                screen.doneText = "\u201c" + screen.pendingSlotName + "\u201d copied to slot " + screen.pendingSlot + " of the processor."
                screen.selectedId = screen.pendingSlot
                screen.pendingSlot = 0
            }
        }
    }
    FileSystemModel {
        id: pcPresets
        onBusy: screen.pcBusy = busy
        onError: screen.failed(errorString)
        onPresetAvailable: {
            if (screen.pendingSlot > 0)
                devicePresets.transfer(String(screen.pendingSlot), screen.pendingSlotName, configData)
        }
    }

    // A list of presets in a titled panel, with its buttons below.
    component PresetPanel: Rectangle {
        id: panel
        property string heading: ""
        property string note: ""
        property var model
        property Component delegate
        readonly property alias list: listView
        property alias buttons: buttonRow.data
        property string emptyText: ""
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        Column {
            id: head
            x: 16
            y: 12
            width: parent.width - 32
            spacing: 2
            Text {
                text: panel.heading
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontCaption
                font.bold: true
                font.capitalization: Font.AllUppercase
            }
            Text {
                width: parent.width
                text: panel.note
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                elide: Text.ElideMiddle
                textFormat: Text.PlainText
            }
        }
        ListView {
            id: listView
            model: panel.model
            delegate: panel.delegate
            anchors.top: head.bottom
            anchors.topMargin: 10
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: buttonRow.top
            anchors.margins: 12
            clip: true
            spacing: 4
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: listView.contentHeight > listView.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded }
            Text {
                anchors.centerIn: parent
                width: parent.width - 40
                visible: listView.count === 0
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: panel.emptyText
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
            }
        }
        Row {
            id: buttonRow
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 12
            height: Theme.touch
            spacing: 8
        }
    }

    // A row of a list: finger-high, the selection lit, an optional badge on the left.
    component PresetRow: AbstractButton {
        id: row
        property string badge: ""
        property string name: ""
        property bool selected: false
        property bool current: false
        property string tag: ""
        width: ListView.view ? ListView.view.width - 14 : 200
        height: Theme.touch
        background: Rectangle {
            radius: Theme.radius
            color: row.selected ? Theme.surfacePressed : (row.down ? Theme.surfaceRaised : Theme.surface)
            border.color: row.selected ? Theme.accent : Theme.edge
            border.width: row.selected ? 2 : 1
            Rectangle {
                visible: row.current
                width: 6
                height: parent.height - 12
                radius: 3
                x: 4
                anchors.verticalCenter: parent.verticalCenter
                color: Theme.accent
            }
        }
        contentItem: Item {
            Text {
                id: badgeText
                visible: row.badge !== ""
                x: 10
                width: 34
                anchors.verticalCenter: parent.verticalCenter
                horizontalAlignment: Text.AlignRight
                text: row.badge
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
            }
            Text {
                anchors.left: badgeText.visible ? badgeText.right : parent.left
                anchors.leftMargin: 14
                anchors.right: tagText.left
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: row.name !== "" ? row.name : "\u2026"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                font.bold: row.current
                elide: Text.ElideRight
                textFormat: Text.PlainText
            }
            Text {
                id: tagText
                anchors.right: parent.right
                anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                text: row.tag
                color: row.tag === "Modified" || row.tag.indexOf("modified") >= 0 ? Theme.warning : Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
                font.capitalization: Font.AllUppercase
            }
        }
    }

    component PanelButton: TarnPushButton {
        // Share of the row's width; the row's buttons add up to 1.
        property real share: 0.25
        width: (parent.width - parent.spacing * (parent.children.length - 1)) * share
        implicitWidth: 80
        leftPadding: 6
        rightPadding: 6
        font.pixelSize: Theme.fontSmall + 1
    }

    Column {
        anchors.fill: parent
        spacing: 12

        Row {
            id: panels
            width: parent.width
            height: parent.height - status.height - parent.spacing
            spacing: 16

            PresetPanel {
                id: devicePanel
                objectName: "devicePresets"
                width: (parent.width - parent.spacing) / 2
                height: parent.height
                heading: "In the processor"
                note: currentPreset.value === "" ? "" :
                      "Running: " + (screen.currentName !== "" ? screen.currentName : "slot " + currentPreset.value)
                      + (screen.modified ? "  (modified)" : "")
                emptyText: "The processor's presets appear here."
                model: devicePresets
                delegate: PresetRow {
                    objectName: "devicePreset" + presetId
                    badge: String(presetId)
                    name: presetName
                    selected: presetId === screen.selectedId
                    current: presetId === screen.currentId
                    tag: current ? (screen.modified ? "Running, modified" : "Running") : ""
                    onClicked: screen.selectedId = presetId
                    onDoubleClicked: { screen.selectedId = presetId; recallButton.clicked() }
                }
                buttons: [
                    PanelButton {
                        id: recallButton
                        objectName: "recallButton"
                        text: "Recall"
                        primary: true
                        enabled: screen.selectedId > 0 && !screen.busy
                        onClicked: {
                            screen.started("")
                            devicePresets.recall(String(screen.selectedId), screen.selectedName)
                        }
                    },
                    PanelButton {
                        objectName: "storeButton"
                        text: "Store\u2026"
                        enabled: !screen.busy
                        onClicked: nameDialog.ask("store", "Store the running settings",
                                                  "The processor's running settings become the preset in this slot.",
                                                  screen.selectedId > 0 ? screen.selectedName : "",
                                                  screen.selectedId > 0 ? screen.selectedId : devicePresets.freeSlot())
                    },
                    PanelButton {
                        objectName: "renameDeviceButton"
                        text: "Rename\u2026"
                        enabled: screen.selectedId > 0 && !screen.busy
                        onClicked: nameDialog.ask("renameDevice", "Rename preset " + screen.selectedId,
                                                  "The new name is stored in the processor.", screen.selectedName, 0)
                    },
                    PanelButton {
                        objectName: "copyToPcButton"
                        text: "Copy to PC"
                        enabled: screen.selectedId > 0 && !screen.busy
                        onClicked: nameDialog.ask("toPc", "Copy to this PC",
                                                  "The preset is saved on this PC under this name.",
                                                  pcPresets.availablePresetName(screen.selectedName !== "" ? screen.selectedName
                                                                                                          : "Preset " + screen.selectedId), 0)
                    }
                ]
            }

            PresetPanel {
                id: pcPanel
                objectName: "pcPresets"
                width: (parent.width - parent.spacing) / 2
                height: parent.height
                heading: "On this PC"
                note: pcPresets.folder
                emptyText: "No presets saved on this PC yet. Copy one from the processor."
                model: pcPresets
                delegate: PresetRow {
                    objectName: "pcPreset" + index
                    name: presetName
                    selected: presetName === screen.selectedFile
                    onClicked: screen.selectedFile = presetName
                }
                buttons: [
                    PanelButton {
                        share: 0.42
                        objectName: "copyToDeviceButton"
                        text: "Copy to Processor"
                        primary: true
                        enabled: screen.selectedFile !== "" && !screen.busy
                        onClicked: nameDialog.ask("toDevice", "Copy to the processor",
                                                  "The preset is stored in the processor's slot under this name.",
                                                  devicePresets.isValidName(screen.selectedFile) ? screen.selectedFile : "",
                                                  devicePresets.freeSlot() > 0 ? devicePresets.freeSlot() : 1)
                    },
                    PanelButton {
                        share: 0.29
                        objectName: "renamePcButton"
                        text: "Rename\u2026"
                        enabled: screen.selectedFile !== "" && !screen.busy
                        onClicked: nameDialog.ask("renamePc", "Rename on this PC", "", screen.selectedFile, 0)
                    },
                    PanelButton {
                        share: 0.29
                        objectName: "deletePcButton"
                        text: "Delete\u2026"
                        tone: Theme.surfaceRaised
                        enabled: screen.selectedFile !== "" && !screen.busy
                        onClicked: deleteDialog.open()
                    }
                ]
            }
        }

        Rectangle {
            id: status
            objectName: "presetStatus"
            width: parent.width
            height: 64
            radius: Theme.radius
            color: "#cc141920"
            border.color: screen.errorText !== "" ? Theme.error : Theme.edge
            TransferProgress {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                anchors.margins: 16
                running: screen.busy
                percent: screen.percent
                text: screen.busyText !== "" ? screen.busyText : "Working\u2026"
                errorText: screen.errorText
                doneText: screen.doneText
                hintText: "Select a preset. Recall loads it into the processor; the screens return home while it loads."
            }
        }
    }

    // Asks for a name (and for some actions a slot), then carries the action out.
    Popup {
        id: nameDialog
        objectName: "nameDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: 560
        modal: true
        focus: true
        padding: 24
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        property string action: ""
        property string heading: ""
        property string explanation: ""
        property int slot: 0
        readonly property bool withSlot: action === "store" || action === "toDevice"
        readonly property bool forDevice: action === "store" || action === "toDevice" || action === "renameDevice"
        readonly property string name: nameInput.text.trim()
        readonly property string problem: {
            if (name === "")
                return "Enter a name."
            if (forDevice)
                return devicePresets.isValidName(name) ? "" : "Up to 32 letters, digits, blanks and ! # $ % & ' ( ) + , - . = [ ] ^ _ \\ { } ~ @."
            var why = pcPresets.nameProblem(name)
            if (why !== "")
                return why
            if ((action === "toPc" || (action === "renamePc" && name !== screen.selectedFile)) && pcPresets.contains(name))
                return "A preset with this name is already on this PC; \u201c" + pcPresets.availablePresetName(name) + "\u201d is free."
            return ""
        }
        readonly property string slotName: devicePresets.revision, devicePresets.nameOf(slot)
        readonly property string slotWarning: withSlot && slotName !== ""
                                              ? "Slot " + slot + " holds \u201c" + slotName + "\u201d; it is replaced." : ""

        function ask(what, title, text, initialName, initialSlot) {
            action = what
            heading = title
            explanation = text
            slot = initialSlot > 0 ? initialSlot : 1
            slotBox.model = screen.slotChoices()
            slotBox.currentIndex = slot - 1
            nameInput.text = initialName
            open()
            nameInput.forceActiveFocus()
            nameInput.selectAll()
        }
        function accept() {
            if (problem !== "")
                return
            close()
            var name = nameDialog.name
            if (action === "store") {
                screen.started("Storing\u2026")
                devicePresets.store(String(slot), name)
                screen.selectedId = slot
            } else if (action === "renameDevice") {
                screen.started("")
                devicePresets.rename(String(screen.selectedId), name)
            } else if (action === "toPc") {
                screen.started("Copying preset from the processor...")
                screen.pendingPcName = name
                devicePresets.presetFetch(String(screen.selectedId))
            } else if (action === "toDevice") {
                screen.started("Copying preset to the processor...")
                screen.pendingSlot = slot
                screen.pendingSlotName = name
                pcPresets.transfer(screen.selectedFile)
            } else if (action === "renamePc") {
                screen.started("")
                if (name !== screen.selectedFile) {
                    pcPresets.rename(screen.selectedFile, name)
                    if (pcPresets.contains(name))
                        screen.selectedFile = name
                }
            }
        }

        background: Rectangle {
            radius: Theme.radius + 4
            color: Theme.surface
            border.color: Theme.accent
            border.width: 2
        }
        Overlay.modal: Rectangle { color: "#b3000000" }
        contentItem: Column {
            spacing: 14
            Text {
                text: nameDialog.heading
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            Text {
                width: parent.width
                visible: text !== ""
                text: nameDialog.explanation
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            StyledComboBox {
                id: slotBox
                objectName: "slotBox"
                visible: nameDialog.withSlot
                width: parent.width
                onActivated: nameDialog.slot = index + 1
            }
            TextField {
                id: nameInput
                objectName: "nameInput"
                width: parent.width
                height: Theme.touch
                leftPadding: 14
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal + 2
                color: Theme.valueText
                selectionColor: Theme.accent
                selectedTextColor: Theme.textOnAccent
                selectByMouse: true
                maximumLength: nameDialog.forDevice ? 32 : 64
                validator: nameDialog.forDevice && typeof rootQML !== "undefined" ? rootQML.nameValidator : null
                onAccepted: nameDialog.accept()
                background: Rectangle {
                    radius: Theme.radius
                    color: Theme.well
                    border.color: nameInput.activeFocus ? Theme.accent : Theme.edge
                    border.width: nameInput.activeFocus ? 2 : 1
                }
            }
            Text {
                objectName: "nameProblem"
                width: parent.width
                text: nameDialog.problem !== "" ? nameDialog.problem : nameDialog.slotWarning
                visible: text !== ""
                color: nameDialog.problem !== "" ? Theme.error : Theme.warning
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                wrapMode: Text.WordWrap
                textFormat: Text.PlainText
            }
            Row {
                anchors.right: parent.right
                spacing: 12
                TarnPushButton {
                    objectName: "nameCancel"
                    text: "Cancel"
                    onClicked: nameDialog.close()
                }
                TarnPushButton {
                    objectName: "nameConfirm"
                    text: nameDialog.action === "store" ? "Store" : nameDialog.action.indexOf("rename") === 0 ? "Rename" : "Copy"
                    primary: true
                    enabled: nameDialog.problem === ""
                    onClicked: nameDialog.accept()
                }
            }
        }
    }

    Popup {
        id: deleteDialog
        objectName: "deleteDialog"
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
                width: 472
                text: "Delete \u201c" + screen.selectedFile + "\u201d from this PC?"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
                wrapMode: Text.WordWrap
                textFormat: Text.PlainText
            }
            Text {
                width: 472
                text: "The file is removed from this PC. The processor's presets are not touched."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            Row {
                anchors.right: parent.right
                spacing: 12
                TarnPushButton {
                    objectName: "deleteCancel"
                    text: "Cancel"
                    onClicked: deleteDialog.close()
                }
                TarnPushButton {
                    objectName: "deleteConfirm"
                    text: "Delete"
                    primary: true
                    tone: Theme.error
                    onClicked: {
                        deleteDialog.close()
                        screen.started("")
                        pcPresets.deletePreset(screen.selectedFile)
                        screen.selectedFile = ""
                    }
                }
            }
        }
    }
}
