import QtQuick 2.15
import QtQuick.Controls 2.15
import TuningFileListModel 1.0
import BrandListModel 1.0

// The tuning library: speaker tunings and amplifier data on this computer by brand and series,
// whether the processor holds them, and what to add, remove or update there.
ToolScreenFrame {
    id: screen
    objectName: "manageTuningsScreen"
    title: "Manage Tunings"
    subtitle: tunings.validationMode ? "Validation feed" : ""
    currentScreen: "Utilities"
    screenName: "ManageTunings"

    readonly property alias tunings: tunings
    readonly property alias resetDialog: resetDialog
    property string progressText: ""
    property string errorText: ""
    // Apply and reset write to the processor: the window stays open until they end.
    property bool holdingWindow: false
    readonly property bool haveViewLoader: typeof viewLoader !== "undefined" && viewLoader !== null
    readonly property int progressPercent: {
        var m = /(\d+)%$/.exec(progressText)
        return m ? Math.min(100, parseInt(m[1])) : -1
    }
    readonly property bool canChoose: tunings.processorStateKnown && !tunings.busy

    function typeText(type) {
        if (type === "SPK")
            return "Speaker"
        if (type === "AMP")
            return "Amplifier"
        return "Speaker + Amp"
    }
    function stateColor(state) {
        if (state === "Loaded")
            return Theme.ok
        if (state === "Has Update")
            return Theme.warning
        return Theme.textDim
    }
    function holdWindow(hold) {
        if (!haveViewLoader || holdingWindow === hold)
            return
        holdingWindow = hold
        viewLoader.appBusyPreventClose = hold
    }
    function startCommand() {
        errorText = ""
        progressText = ""
    }

    TuningFileListModel {
        id: tunings
        validationMode: screen.haveViewLoader && viewLoader.validationMode
        onProgressMessage: screen.progressText = message
        onError: screen.errorText = errorString
        onBrandList: brands.onBrandList(brandList)
        onBusyChanged: {
            if (!busy) {
                screen.holdWindow(false)
                if (screen.errorText === "")
                    screen.progressText = ""
            }
        }
    }
    BrandListModel { id: brands }

    Component.onCompleted: tunings.initializeModel(false)
    Component.onDestruction: holdWindow(false)

    headerTools: [
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "Filter By:"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
        },
        StyledComboBox {
            id: brandFilter
            objectName: "brandFilter"
            width: 200
            model: brands
            textRole: "modelData"
            onActivated: tunings.filterBy(currentText)
            function follow() {
                var at = find(tunings.brandFilter)
                if (at >= 0)
                    currentIndex = at
            }
            Connections {
                target: brands
                function onCountChanged() { brandFilter.follow() }
            }
            Connections {
                target: tunings
                function onBrandFilterChanged() { brandFilter.follow() }
            }
        },
        TarnPushButton {
            objectName: "updateFromCloudButton"
            text: "Update from cloud"
            enabled: !tunings.busy
            onClicked: {
                screen.startCommand()
                tunings.updateFromCloud()
            }
        },
        TarnPushButton {
            objectName: "resetButton"
            text: "Reset"
            implicitWidth: 110
            enabled: !tunings.busy
            onClicked: resetDialog.open()
        }
    ]

    // Column positions shared by the heading and the rows.
    readonly property real buttonsWidth: 232
    readonly property real typeX: (width - buttonsWidth) * 0.40
    readonly property real stateX: (width - buttonsWidth) * 0.57
    readonly property real actionX: (width - buttonsWidth) * 0.79

    Rectangle {
        id: table
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: footer.top
        anchors.bottomMargin: 12
        radius: Theme.radius + 2
        color: "#cc141920"
        border.color: Theme.edge
        clip: true

        Item {
            id: heading
            width: parent.width
            height: 44
            Repeater {
                model: [["Brand / Series", 16], ["Type", screen.typeX], ["State", screen.stateX], ["Action", screen.actionX]]
                Text {
                    x: modelData[1]
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData[0]
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontCaption
                    font.bold: true
                    font.capitalization: Font.AllUppercase
                }
            }
            Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.edge }
        }

        ListView {
            id: list
            objectName: "tuningList"
            anchors.top: heading.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            clip: true
            model: tunings
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            delegate: Item {
                id: row
                objectName: "tuningRow"
                width: list.width
                height: filterRole ? 60 : 0
                visible: filterRole
                readonly property bool loaded: addRemoveRole === "Remove"
                readonly property bool addOrRemoveChosen: actionRole === (loaded ? "Will Remove" : "Will Add")
                readonly property bool updateChosen: actionRole === "Will Update"

                Rectangle {
                    anchors.fill: parent
                    anchors.leftMargin: 6
                    anchors.rightMargin: 6
                    radius: Theme.radius
                    color: actionRole !== "No Change" ? "#2a2416" : (index % 2 ? "transparent" : "#0dffffff")
                }
                Text {
                    x: 16
                    width: screen.typeX - 24
                    anchors.verticalCenter: parent.verticalCenter
                    text: brandSeriesRole
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: true
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                }
                Text {
                    x: screen.typeX
                    anchors.verticalCenter: parent.verticalCenter
                    text: screen.typeText(typeRole)
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                }
                Row {
                    x: screen.stateX
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 8
                    Rectangle {
                        anchors.verticalCenter: parent.verticalCenter
                        width: 12; height: 12; radius: 6
                        color: tunings.processorStateKnown ? screen.stateColor(stateRole) : Theme.edge
                    }
                    Text {
                        objectName: "stateText"
                        anchors.verticalCenter: parent.verticalCenter
                        text: tunings.processorStateKnown ? stateRole : (tunings.busy ? "Reading\u2026" : "Unknown")
                        color: tunings.processorStateKnown ? screen.stateColor(stateRole) : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                        font.bold: tunings.processorStateKnown && stateRole !== "Not Loaded"
                    }
                }
                Text {
                    objectName: "actionText"
                    x: screen.actionX
                    anchors.verticalCenter: parent.verticalCenter
                    text: actionRole
                    color: actionRole === "No Change" ? Theme.textDim : Theme.accent
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: actionRole !== "No Change"
                }
                Row {
                    anchors.right: parent.right
                    anchors.rightMargin: 14
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 8
                    TarnPushButton {
                        objectName: "addRemoveButton"
                        text: addRemoveRole
                        implicitWidth: 100
                        implicitHeight: 44
                        enabled: screen.canChoose
                        primary: row.addOrRemoveChosen
                        onClicked: model.actionRole = row.addOrRemoveChosen ? "No Change" : (row.loaded ? "Will Remove" : "Will Add")
                    }
                    TarnPushButton {
                        objectName: "updateButton"
                        text: "Update"
                        implicitWidth: 100
                        implicitHeight: 44
                        visible: updateRole === "Update"
                        enabled: screen.canChoose
                        primary: row.updateChosen
                        onClicked: model.actionRole = row.updateChosen ? "No Change" : "Will Update"
                    }
                }
            }

            Text {
                anchors.centerIn: parent
                visible: list.count === 0
                text: tunings.busy ? "Reading the tuning library\u2026" : "No tuning files."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
            }
        }
    }

    Item {
        id: footer
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: Theme.touch

        Column {
            anchors.left: parent.left
            anchors.right: buttons.left
            anchors.rightMargin: 20
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6
            Text {
                objectName: "statusText"
                width: parent.width
                text: screen.errorText !== "" ? screen.errorText
                    : screen.progressText !== "" ? screen.progressText
                    : !tunings.processorStateKnown && !tunings.busy ? "The processor's tuning folders could not be read."
                    : tunings.enableApplyCancel ? "Apply sends the chosen changes to the processor."
                    : "Choose Add, Remove or Update for a brand and series, then Apply."
                color: screen.errorText !== "" ? Theme.error : (screen.progressText !== "" ? Theme.text : Theme.textDim)
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: screen.errorText !== ""
                elide: Text.ElideRight
                maximumLineCount: 2
                wrapMode: Text.WordWrap
                textFormat: Text.PlainText
            }
            ProgressBar {
                id: progress
                objectName: "progressBar"
                width: parent.width
                height: 8
                visible: tunings.busy
                from: 0
                to: 100
                value: Math.max(0, screen.progressPercent)
                indeterminate: screen.progressPercent < 0
                background: Rectangle { implicitHeight: 8; radius: 4; color: Theme.well; border.color: Theme.edge }
                contentItem: Item {
                    implicitHeight: 8
                    Rectangle {
                        visible: !progress.indeterminate
                        width: progress.visualPosition * parent.width
                        height: parent.height
                        radius: 4
                        color: Theme.accent
                    }
                    Rectangle {
                        id: sweep
                        visible: progress.indeterminate
                        width: parent.width * 0.25
                        height: parent.height
                        radius: 4
                        color: Theme.accent
                        SequentialAnimation on x {
                            running: progress.indeterminate && progress.visible
                            loops: Animation.Infinite
                            NumberAnimation { from: 0; to: progress.width * 0.75; duration: 900 }
                            NumberAnimation { from: progress.width * 0.75; to: 0; duration: 900 }
                        }
                    }
                }
            }
        }

        Row {
            id: buttons
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 12
            TarnPushButton {
                objectName: "cancelButton"
                text: "Cancel"
                enabled: tunings.enableApplyCancel && !tunings.busy
                onClicked: tunings.discardChanges()
            }
            TarnPushButton {
                objectName: "applyButton"
                text: "Apply"
                primary: true
                enabled: tunings.enableApplyCancel && !tunings.busy
                onClicked: {
                    screen.startCommand()
                    screen.holdWindow(true)
                    tunings.applyChanges()
                }
            }
        }
    }

    Popup {
        id: resetDialog
        objectName: "resetDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: 560
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
                text: "Reset the tuning library?"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            Text {
                width: 512
                text: "Every tuning file on this computer goes back to the factory set: files from the cloud and from processors are deleted. The processor is then made to hold exactly that set; tuning files on it that are not in the set are removed."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                wrapMode: Text.WordWrap
            }
            Row {
                anchors.right: parent.right
                spacing: 12
                TarnPushButton {
                    objectName: "resetCancel"
                    text: "Cancel"
                    onClicked: resetDialog.close()
                }
                TarnPushButton {
                    objectName: "resetConfirm"
                    text: "Reset"
                    primary: true
                    tone: Theme.error
                    onClicked: {
                        resetDialog.close()
                        screen.startCommand()
                        screen.holdWindow(true)
                        tunings.resetTunings()
                    }
                }
            }
        }
    }
}
