import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import TarnTextSV 1.0
import WizardScreensLoader 1.0

// The processor's wizards. The processor holds the wizard and publishes its state; this screen
// shows the page document of that state (WizardScreensLoader) and passes the user's answers
// and events back. A wizard that ends or is cancelled returns to the home screen.
Item {
    id: screen
    objectName: "wizardScreen"
    anchors.fill: parent

    // The state whose page is shown; empty until the processor has reported one.
    property string wizardState: ""
    property bool seenActive: false
    readonly property bool active: wizardState !== "" && wizardState !== "Inactive"
    readonly property bool offline: typeof viewLoader !== "undefined" && viewLoader !== null && viewLoader.offlineMode
    readonly property alias page: pageLoader.item
    readonly property alias screensLoader: screens
    readonly property string titleText: titleSV.value

    // Sends an event ("Next", "Back", "Cancel", ...) to the processor's wizard, as it is, without
    // waiting: the processor's new state is the answer.
    function sendEvent(word) {
        eventSV.setValueWithoutFeedback(word)
    }
    function showState(state) {
        if (state === "")
            return
        screens.wizardStateQml = state
    }
    function onScreenChosen(state) {
        // The wizard ended (finished or cancelled): back to the processor's home screen.
        if (state === "Inactive" && seenActive) {
            seenActive = false
            if (typeof rootQML !== "undefined")
                rootQML.guiSignal("HomeButtonPressed", "")
            return
        }
        if (state !== "Inactive")
            seenActive = true
        wizardState = state
        var document = screens.wizardStateQml
        if (pageLoader.item !== null && pageLoader.document === document) {
            pageLoader.item.wizardState = state
            return
        }
        pageLoader.document = document
        pageLoader.setSource(document, {"wizardState": state, "wizard": screen})
    }

    Component.onCompleted: {
        if (typeof rootQML !== "undefined")
            rootQML.funcLastScreen("Wizard")
    }

    TarnTextSV {
        id: stateSV
        poName: "NPO"
        svName: "Node\\Wizard\\SV\\WizardState"
        onValueChanged: screen.showState(value)
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: titleSV
        poName: "NPO"
        svName: "Node\\Wizard\\SV\\TitleString"
        Component.onCompleted: componentCompleted()
    }
    TarnTextSV {
        id: eventSV
        poName: "NPO"
        svName: "Node\\Wizard\\SV\\WizardEvent"
        Component.onCompleted: componentCompleted()
    }
    WizardScreensLoader {
        id: screens
        onWizardStateQmlChanged: screen.onScreenChosen(str)
    }

    ScreenBackground {}
    MenuBar { id: menuBar; currentScreen: "Wizard" }

    Item {
        id: header
        objectName: "wizardHeader"
        anchors.top: menuBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 24
        anchors.rightMargin: 20
        height: 64

        Image {
            id: icon
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            source: "/images/Menu/Wizard.png"
            width: 36
            height: 36
        }
        Text {
            objectName: "wizardTitle"
            anchors.left: icon.right
            anchors.leftMargin: 12
            anchors.right: cancelButton.left
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            text: screen.active && titleSV.value !== "" ? titleSV.value : "Wizards"
            textFormat: Text.PlainText
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontTitle - 6
            font.bold: true
            elide: Text.ElideRight
        }
        TarnPushButton {
            id: cancelButton
            objectName: "cancelWizardButton"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            visible: screen.active
            text: "Cancel wizard"
            tone: "#5a1f1c"
            onClicked: screen.sendEvent("Cancel")
        }
        Rectangle {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 1
            color: Theme.edge
        }
    }

    Loader {
        id: pageLoader
        objectName: "wizardPageLoader"
        property string document: ""
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        anchors.topMargin: 16
        anchors.bottomMargin: 16
    }

    // Until the processor has told its state.
    WizardBusy {
        anchors.centerIn: pageLoader
        running: screen.wizardState === ""
    }

    WizardOfflineDialog {
        objectName: "wizardOfflineDialog"
        anchors.fill: parent
        // Once, when the start menu comes up on the offline model.
        shown: screen.offline && screen.wizardState === "Inactive"
    }
}
