import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import TarnSettings 1.0
import "StateVariables.js" as SV

// The root document: hosts one screen at a time, fans backend events out to the screens and
// keeps the processor-wide state variables alive for the whole run.
Rectangle {
    id: rootQML
    width: 1024
    height: 768
    color: Theme.window

    property string platform: "Tarn"
    property string strHelpFileName: ""
    property string strDeviceType: hardwareVersionSV !== null ? hardwareVersionSV.value : ""
    property string strSimulateDeviceType: "Standard"
    property bool rootCfgMode: false
    property string wizardState: ""
    property string wizardSubState: ""
    property string lastPresetId: ""
    property string lastPresetName: ""
    property string lastPresetType: ""
    property string lastPresetModify: ""
    property string lastScreen: ""
    property bool startUpScreenVisible: true

    // Names typed by the user (presets, outputs, device name).
    property RegularExpressionValidator nameValidator: RegularExpressionValidator {
        regularExpression: /[A-Za-z0-9 !#$%&'()+,\-.=\[\]^_\\{}~@]*/
    }

    // Always alive: hardware variant, current preset, wizard state, level assist, config progress.
    property var hardwareVersionSV: null
    property var currentPresetSV: null
    property var wizardStateSV: null
    property var levelAssistSV: null
    property var configProgressSV: null
    // Owned for the screens: home screen model, its app data store and copy/paste.
    property var hsModel: null
    property var appDataStore: null
    property var editModeCopyPaste: null

    signal guiSignal(string param, string payload)
    signal backendSignal(string param, string payload)
    signal timeout()
    signal wizardModeState(string state)
    signal homescreenReadyStateChanged(bool ready)
    signal deviceBusy(bool busy)
    signal cfgModeChangedSig(bool cfgMode)

    function pageLoadSlot(qmlPath, helpFileName) {
        strHelpFileName = (helpFileName === undefined || helpFileName === "") ? "" : "/images/Help/" + helpFileName
        helpOverlay.visible = false
        var parts = String(qmlPath).split("/")
        var document = parts[parts.length - 1]
        if (document === "main.qml")
            return
        // Any screen but discovery means a processor is connected: the start-up panel has done its job.
        if (document !== "TarnDiscovery.qml")
            startUpScreenVisible = false
        pageLoader.source = ""
        pageLoader.source = document
    }

    function messageFromBackend(message) {
        backendSignal("Discovery", message)
    }

    function onTimeOutError() {
        timeout()
    }

    function funcLastScreen(name) {
        lastScreen = name
    }

    function dpX(value) {
        return value * screenDpiX
    }

    function dpY(value) {
        return value * screenDpiY
    }

    function showHelp() {
        if (strHelpFileName !== "")
            helpOverlay.visible = true
    }

    function onCurrentPresetValue() {
        if (lastScreen !== "Preset")
            guiSignal("HomeButtonPressed", "")
    }

    function onWizardStateValue(value) {
        if (value === "")
            return
        if (value === "Inactive") {
            wizardState = "Inactive"
            wizardSubState = ""
            return
        }
        wizardState = value
        wizardSubState = ""
        wizardModeState(value)
        guiSignal("Wizard", "")
    }

    function onDeviceConnectionLost() {
        if (wizardStateSV !== null)
            wizardStateSV.value = ""
        if (levelAssistSV !== null)
            levelAssistSV.value = ""
        wizardState = "Inactive"
        if (appDataStore !== null)
            appDataStore.setWizardActive(false)
        guiSignal("DeviceDiscovery", "")
    }

    function createOwned(typeName) {
        try {
            return Qt.createQmlObject("import " + typeName + " 1.0; " + typeName + " {}", rootQML, typeName)
        } catch (e) {
            return null
        }
    }

    Component.onCompleted: {
        settings.setValue("isConfigMode", "false")

        hardwareVersionSV = SV.create("TarnTextSV", rootQML, "NPO", "Node\\SV\\HardwareVersion")
        currentPresetSV = SV.create("TarnTextSV", rootQML, "Presets", "CurrentPreset")
        if (currentPresetSV !== null)
            currentPresetSV.valueChanged.connect(onCurrentPresetValue)
        wizardStateSV = SV.create("TarnTextSV", rootQML, "NPO", "Node\\Wizard\\SV\\WizardState", "Inactive")
        if (wizardStateSV !== null)
            wizardStateSV.valueChanged.connect(function() { onWizardStateValue(wizardStateSV.value) })
        levelAssistSV = SV.create("TarnTextSV", rootQML, "NPO", "Node\\Wizard\\SV\\LevelAssistOutput")
        configProgressSV = SV.create("TarnTextSV", rootQML, "NPO", "Node\\Config\\SV\\Progress")

        appDataStore = createOwned("AppDataStore")
        if (appDataStore !== null) {
            appDataStore.deviceBusyStateChanged.connect(function(busy) {
                deviceBusy(busy)
                if (busy)
                    guiSignal("HomeButtonPressed", "")
            })
        }
        editModeCopyPaste = createOwned("EditModeCopyPaste")
        hsModel = createOwned("HomeScreenModel")
        if (hsModel !== null) {
            // The connected processor's model picks the home screen and block screen variants.
            platform = Qt.binding(function() { return hsModel.platform })
            hsModel.readyChanged.connect(function() {
                rootCfgMode = settings.value("isConfigMode") === "true"
                cfgModeChangedSig(rootCfgMode)
                homescreenReadyStateChanged(hsModel.ready)
                // In configuration mode the grid re-reads its cells itself; a reload of the
                // screen would close the dialog the edit came from.
                if (hsModel.ready && !rootCfgMode)
                    guiSignal("PresetChanged", "")
            })
            hsModel.limiterListChanged.connect(function(list) {
                if (appDataStore !== null)
                    appDataStore.setLimiterList(list)
            })
        }
    }

    TarnSettings { id: settings }

    Connections {
        target: clientConnectionWatchdog
        function onConnectionLost() { rootQML.onDeviceConnectionLost() }
    }
    Connections {
        target: remoteConnectionWatchdog
        function onConnectionLost() { rootQML.onDeviceConnectionLost() }
    }

    // A close refused while the processor is busy says why.
    Connections {
        target: viewLoader
        function onCloseEventIgnored() { busyNotice.visible = true; busyNoticeTimer.restart() }
    }
    Timer { id: busyNoticeTimer; interval: 4000; onTriggered: busyNotice.visible = false }

    Loader {
        id: pageLoader
        objectName: "pageLoader"
        anchors.fill: parent
        focus: true
    }

    UpdateWatcher {}

    // A screen whose document is not in this build still leaves a way back.
    Loader {
        objectName: "screenUnavailable"
        anchors.fill: parent
        active: pageLoader.status === Loader.Error
        visible: active
        sourceComponent: Item {
            ScreenBackground {}
            MenuBar { currentScreen: "" }
            Column {
                anchors.centerIn: parent
                spacing: 14
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "This screen is not available in this version."
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontLarge
                }
                TarnPushButton {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Back to Home"
                    primary: true
                    onClicked: rootQML.guiSignal("HomeButtonPressed", "")
                }
            }
        }
    }

    // Start-up panel, until the user asks for the device list.
    Item {
        id: startUpPanel
        objectName: "startUpPanel"
        anchors.fill: parent
        visible: rootQML.startUpScreenVisible

        ScreenBackground {}
        MouseArea { anchors.fill: parent } // nothing below reacts while it is shown

        Column {
            anchors.centerIn: parent
            width: Math.min(parent.width - 80, 900)
            spacing: 22

            Image {
                anchors.horizontalCenter: parent.horizontalCenter
                source: "/images/Splash_Screen.png"
                width: parent.width
                height: width * sourceSize.height / Math.max(1, sourceSize.width)
                fillMode: Image.PreserveAspectFit
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Tarn Control"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: 52
                font.bold: true
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: "You must connect your Cadenzo Tarn to enter the control app."
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
            }
            TarnPushButton {
                objectName: "searchForDevicesButton"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Search For Devices"
                primary: true
                implicitWidth: 300
                implicitHeight: 60
                font.pixelSize: Theme.fontLarge
                onClicked: {
                    rootQML.startUpScreenVisible = false
                    pageLoader.source = ""
                    pageLoader.source = "qrc:/qml/TarnDiscovery.qml"
                }
            }
            Text {
                objectName: "watchAppDemoLink"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Watch App Demo"
                color: Theme.accent
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                font.underline: true
                MouseArea {
                    anchors.fill: parent
                    anchors.margins: -12
                    cursorShape: Qt.PointingHandCursor
                    onClicked: Qt.openUrlExternally("https://www.tessil.example/cadenzo-tarn/demo")
                }
            }
        }
    }

    Rectangle {
        id: busyNotice
        objectName: "busyNotice"
        visible: false
        z: 20
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 30
        width: busyNoticeText.implicitWidth + 48
        height: Theme.touch
        radius: Theme.radius
        color: "#f21a1f27"
        border.color: Theme.warning
        Text {
            id: busyNoticeText
            anchors.centerIn: parent
            text: "Tarn Control cannot close while the processor is busy. Please wait until it has finished."
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
        }
    }

    // The current screen's help picture, over everything.
    Rectangle {
        id: helpOverlay
        objectName: "helpOverlay"
        anchors.fill: parent
        visible: false
        color: "#d9000000"
        Image {
            anchors.centerIn: parent
            width: parent.width * 0.85
            height: parent.height * 0.85
            fillMode: Image.PreserveAspectFit
            source: helpOverlay.visible ? rootQML.strHelpFileName : ""
        }
        MouseArea { anchors.fill: parent; onClicked: helpOverlay.visible = false }
    }
}
