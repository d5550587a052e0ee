import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import DiscoveredDevicesModel 1.0
import TarnSettings 1.0

// Lists the processors on the network and connects to one, by list, by address or to the
// offline model.
Item {
    id: discovery
    objectName: "discoveryScreen"
    anchors.fill: parent

    readonly property string offlineAddress: "127.0.0.1"
    readonly property string defaultPassword: "stagemanagers"
    readonly property string lostText: "Connection to Cadenzo Tarn was lost!"
    readonly property string noNetworkText: "No network available. Please check your network settings."

    property bool scanning: false
    property bool searchedOnce: false
    property bool probing: false
    property string probeAddress: ""
    // The address being connected to; empty while idle.
    property string connectingTo: ""
    property string connectingName: ""
    property string message: ""
    property bool messageIsError: true

    function showMessage(text, isError) {
        if (text !== "")
            console.info("Discovery message: " + text)
        message = text
        messageIsError = isError === undefined ? true : isError
    }

    function passwordFor(address) {
        var storedAddress = settings.value("Data/CurrentDeviceAddress", "")
        var storedPassword = settings.value("Data/CurrentDevicePassword", "")
        return (storedAddress === address && storedPassword !== "") ? storedPassword : defaultPassword
    }

    // The processor's model, when the list knows it, so that its home screen shows at once.
    function rememberModel(className) {
        if (className !== undefined && className !== "")
            settings.setValue("Data/CurrentDeviceClass", className)
    }

    function connectTo(address, name) {
        devicesModel.stopScanning()
        scanning = false
        connectingTo = address
        connectingName = name
        showMessage("", false)
        rootQML.guiSignal("ConnectDevice", address + ":" + passwordFor(address))
    }

    function startScan() {
        showMessage(clientConnectionWatchdog.networkAvailable ? "" : noNetworkText)
        probing = false
        devicesModel.ignoreDeviceDetailsResponse()
        devicesModel.startScanning()
    }

    function cancelConnection() {
        connectingTo = ""
        passwordDialog.close()
        rootQML.guiSignal("DisconnectDevice", "")
        startScan()
    }

    function probe(address) {
        var text = address.trim()
        if (!/^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])(\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])){3}$/.test(text)) {
            showMessage("\"" + text + "\" is not an IPv4 address such as 192.168.1.20.")
            return
        }
        showMessage("", false)
        probing = true
        scanning = false
        probeAddress = text
        devicesModel.getDeviceDetailsForIP(text)
    }

    function startOfflineModel() {
        settings.setValue("databaseHardwareType", variantBox.currentText)
        settings.setValue("Data/OfflineModel", offlineModelBox.currentIndex === 1 ? "Quarra" : "Tarn")
        devicesModel.stopScanning()
        scanning = false
        connectingTo = offlineAddress
        connectingName = "Offline model"
        showMessage("", false)
        rootQML.guiSignal("ConnectOfflineModel", variantBox.currentText)
    }

    Component.onCompleted: {
        rootQML.funcLastScreen("Discovery")
        settings.setValue("Data/DelayPOJson", "{}")
        // The configuration held belongs to the processor being left.
        if (rootQML.hsModel !== null)
            rootQML.hsModel.reset()
        settings.setValue("Data/CloudFirmwareVersion", "0.0.0.0")
        if (settings.value("isPresetsdbAvailable") === "false") {
            rootQML.guiSignal("StartAndStopOfflineModel", "")
            settings.setValue("isPresetsdbAvailable", "true")
        }
        startScan()
        if (!remoteConnectionWatchdog.connectionAvailable)
            showMessage(lostText)
        if (!clientConnectionWatchdog.networkAvailable)
            showMessage(noNetworkText)
    }
    Component.onDestruction: devicesModel.stopScanning()

    TarnSettings { id: settings }

    DiscoveredDevicesModel {
        id: devicesModel
        objectName: "devicesModel"
        onScanningForDevices: { discovery.scanning = true; discovery.searchedOnce = true }
        onNoDeviceFound: discovery.scanning = clientConnectionWatchdog.networkAvailable
        onDeviceConfirmed: discovery.rememberModel(device.className)
        onQuarraConfirmed: {
            discovery.probing = false
            discovery.connectTo(discovery.probeAddress, "")
        }
        onInvalidIPForQuarra: {
            discovery.probing = false
            discovery.showMessage("No Cadenzo Tarn found at " + discovery.probeAddress)
        }
    }

    Connections {
        target: remoteConnectionWatchdog
        function onConnectionLost() {
            discovery.connectingTo = ""
            passwordDialog.close()
            if (settings.value("Data/CurrentDeviceAddress", "") !== discovery.offlineAddress)
                discovery.showMessage(discovery.lostText)
        }
    }
    Connections {
        target: clientConnectionWatchdog
        function onNetworkAvailableChanged(available) {
            if (!available) {
                discovery.scanning = false
                discovery.showMessage(discovery.noNetworkText)
            } else if (discovery.message === discovery.noNetworkText) {
                discovery.showMessage("", false)
            }
        }
    }
    Connections {
        target: rootQML
        function onTimeout() {
            if (discovery.connectingTo === "")
                return
            var who = discovery.connectingTo
            discovery.cancelConnection()
            discovery.showMessage("Cadenzo Tarn at " + who + " did not answer in time. Check the address and try again.")
        }
        function onBackendSignal(param, payload) {
            if (param !== "Discovery")
                return
            if (payload === "IncorrectPassword") {
                devicesModel.waitForPassword()
                passwordDialog.failed = passwordDialog.asked
                passwordDialog.asked = true
                passwordDialog.open()
            } else {
                discovery.connectingTo = ""
                discovery.startScan()
                discovery.showMessage(String(payload))
            }
        }
    }

    ScreenBackground {}
    MenuBar { id: menuBar; connected: false; currentScreen: "Devices" }

    Item {
        id: content
        anchors.top: menuBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 24

        Rectangle {
            id: banner
            objectName: "discoveryMessage"
            property alias text: bannerText.text
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            height: visible ? Math.max(56, bannerText.implicitHeight + 24) : 0
            visible: discovery.message !== ""
            radius: Theme.radius
            color: discovery.messageIsError ? "#3a1c1c" : "#1d2f24"
            border.color: discovery.messageIsError ? Theme.error : Theme.ok
            border.width: 2
            Text {
                id: bannerText
                anchors.left: parent.left; anchors.leftMargin: 18
                anchors.right: dismiss.left; anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                text: discovery.message
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
                font.bold: true
            }
            AbstractButton {
                id: dismiss
                anchors.right: parent.right; anchors.rightMargin: 4
                anchors.verticalCenter: parent.verticalCenter
                width: Theme.touch; height: Theme.touch
                onClicked: discovery.showMessage("", false)
                contentItem: Text {
                    text: "✕"; color: Theme.textDim
                    font.pixelSize: Theme.fontLarge
                    horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter
                }
            }
        }

        // The processors found.
        Rectangle {
            id: listPanel
            anchors.top: banner.bottom
            anchors.topMargin: banner.visible ? 16 : 0
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            width: parent.width * 0.6 - 12
            radius: Theme.radius
            color: "#cc1a1f27"
            border.color: Theme.edge

            Item {
                id: listHeader
                anchors.top: parent.top
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.margins: 18
                height: Theme.touch
                Text {
                    anchors.left: parent.left
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Devices on your network"
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontLarge
                    font.bold: true
                }
                Row {
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 12
                    BusyIndicator {
                        objectName: "scanningIndicator"
                        palette.dark: Theme.accent
                        running: discovery.scanning
                        visible: discovery.scanning
                        width: 36; height: 36
                        anchors.verticalCenter: parent.verticalCenter
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: discovery.scanning ? "Scanning…" : (discovery.probing ? "Checking address…" : "Stopped")
                        color: discovery.scanning ? Theme.accent : Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                    }
                    TarnPushButton {
                        objectName: "searchAgainButton"
                        text: "Search Again"
                        visible: !discovery.scanning
                        enabled: discovery.connectingTo === ""
                        implicitWidth: 150
                        onClicked: discovery.startScan()
                    }
                }
            }

            ListView {
                id: deviceList
                objectName: "deviceList"
                anchors.top: listHeader.bottom
                anchors.topMargin: 12
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 18
                clip: true
                spacing: 10
                model: devicesModel
                delegate: DeviceCard {
                    width: deviceList.width
                    deviceName: instanceName
                    address: ipAddress
                    variant: hardwareVersion
                    version: softwareVersion
                    enabled: discovery.connectingTo === ""
                    onClicked: {
                        discovery.rememberModel(className)
                        discovery.connectTo(ipAddress, instanceName)
                    }
                }
                ScrollBar.vertical: ScrollBar {}
            }

            Column {
                anchors.centerIn: deviceList
                width: deviceList.width - 40
                spacing: 12
                visible: deviceList.count === 0
                Text {
                    objectName: "emptyListText"
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.WordWrap
                    text: discovery.scanning ? "Searching for Cadenzo Tarn processors…"
                                             : "No Cadenzo Tarn found on your network."
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontLarge
                }
                Text {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.WordWrap
                    text: "Make sure the processor is switched on and on the same network as this computer, or enter its IP address."
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                }
            }
        }

        Column {
            id: sidePanels
            anchors.top: listPanel.top
            anchors.right: parent.right
            width: parent.width * 0.4 - 12
            spacing: 16

            // Typed address.
            Rectangle {
                width: parent.width
                height: manualColumn.implicitHeight + 36
                radius: Theme.radius
                color: "#cc1a1f27"
                border.color: Theme.edge
                Column {
                    id: manualColumn
                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 12
                    Text {
                        text: "Connect by IP address"
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontLarge
                        font.bold: true
                    }
                    TextField {
                        id: addressField
                        objectName: "addressField"
                        width: parent.width
                        height: Theme.touch
                        placeholderText: "e.g. 192.168.1.20"
                        inputMethodHints: Qt.ImhPreferNumbers
                        maximumLength: 15
                        validator: RegularExpressionValidator { regularExpression: /[0-9.]*/ }
                        color: Theme.text
                        placeholderTextColor: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal + 2
                        background: Rectangle {
                            radius: 6
                            color: Theme.window
                            border.color: addressField.activeFocus ? Theme.accent : Theme.edge
                            border.width: addressField.activeFocus ? 2 : 1
                        }
                        onAccepted: discovery.probe(text)
                    }
                    TarnPushButton {
                        objectName: "probeButton"
                        width: parent.width
                        text: discovery.probing ? "Checking…" : "Connect"
                        enabled: !discovery.probing && discovery.connectingTo === "" && addressField.text !== ""
                        onClicked: discovery.probe(addressField.text)
                    }
                }
            }

            // The offline model.
            Rectangle {
                width: parent.width
                height: offlineColumn.implicitHeight + 36
                visible: offlineModeSupported
                radius: Theme.radius
                color: "#cc1a1f27"
                border.color: Theme.edge
                Column {
                    id: offlineColumn
                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 12
                    Text {
                        text: "Offline model"
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontLarge
                        font.bold: true
                    }
                    Text {
                        width: parent.width
                        wrapMode: Text.WordWrap
                        text: "Work without a processor: a simulated Cadenzo Tarn runs on this computer."
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                    }
                    Row {
                        spacing: 12
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 88
                            text: "Model"
                            color: Theme.text
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontNormal
                        }
                        StyledComboBox {
                            id: offlineModelBox
                            objectName: "offlineModelBox"
                            width: offlineColumn.width - 100
                            height: Theme.touch
                            model: ["Fixed chain (Tarn)", "Configurable chain (Quarra)"]
                            Component.onCompleted: currentIndex = settings.value("Data/OfflineModel", "Tarn") === "Quarra" ? 1 : 0
                        }
                    }
                    Row {
                        spacing: 12
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 88
                            text: "Hardware"
                            color: Theme.text
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontNormal
                        }
                        StyledComboBox {
                            id: variantBox
                            objectName: "variantBox"
                            width: offlineColumn.width - 100
                            height: Theme.touch
                            model: ["Standard", "Parvane", "Dante"]
                            Component.onCompleted: {
                                var stored = settings.value("databaseHardwareType", "Standard")
                                var at = find(stored)
                                currentIndex = at >= 0 ? at : 0
                            }
                        }
                    }
                    TarnPushButton {
                        objectName: "offlineButton"
                        width: parent.width
                        primary: true
                        text: "Start Offline Model"
                        enabled: discovery.connectingTo === ""
                        onClicked: discovery.startOfflineModel()
                    }
                }
            }
        }
    }

    // While a connection is being made.
    Rectangle {
        objectName: "connectingOverlay"
        anchors.fill: parent
        visible: discovery.connectingTo !== "" && !passwordDialog.visible
        color: "#b3000000"
        MouseArea { anchors.fill: parent }
        Rectangle {
            anchors.centerIn: parent
            width: 520
            height: 220
            radius: Theme.radius
            color: Theme.surface
            border.color: Theme.edge
            Column {
                anchors.centerIn: parent
                spacing: 16
                BusyIndicator { anchors.horizontalCenter: parent.horizontalCenter; running: parent.visible; palette.dark: Theme.accent }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    textFormat: Text.PlainText
                    text: "Connecting to " + (discovery.connectingName !== "" ? discovery.connectingName + " (" + discovery.connectingTo + ")"
                                                                              : discovery.connectingTo) + "…"
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                }
                TarnPushButton {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "Cancel"
                    onClicked: discovery.cancelConnection()
                }
            }
        }
    }

    // The password prompt, over the whole screen.
    Rectangle {
        id: passwordDialog
        objectName: "passwordDialog"
        property bool asked: false
        property bool failed: false
        anchors.fill: parent
        visible: false
        color: "#b3000000"

        function open() {
            passwordField.text = ""
            visible = true
            passwordField.forceActiveFocus()
        }
        function close() {
            visible = false
        }

        MouseArea { anchors.fill: parent }
        Rectangle {
            anchors.centerIn: parent
            width: 540
            height: dialogColumn.implicitHeight + 48
            radius: Theme.radius
            color: Theme.surface
            border.color: Theme.accent
            border.width: 2
            Column {
                id: dialogColumn
                anchors.fill: parent
                anchors.margins: 24
                spacing: 14
                Text {
                    text: "Password required"
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontLarge
                    font.bold: true
                }
                Text {
                    width: parent.width
                    wrapMode: Text.WordWrap
                    textFormat: Text.PlainText
                    text: (passwordDialog.failed ? "That password was not accepted. " : "")
                          + "Enter the password of the Cadenzo Tarn at " + discovery.connectingTo + "."
                    color: passwordDialog.failed ? Theme.warning : Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                }
                TextField {
                    id: passwordField
                    objectName: "passwordField"
                    width: parent.width
                    height: Theme.touch
                    echoMode: TextInput.Password
                    maximumLength: 64
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    background: Rectangle { radius: 6; color: Theme.window; border.color: Theme.accent }
                    onAccepted: if (loginButton.enabled) loginButton.clicked()
                }
                Row {
                    spacing: 12
                    anchors.right: parent.right
                    TarnPushButton {
                        text: "Cancel"
                        onClicked: discovery.cancelConnection()
                    }
                    TarnPushButton {
                        id: loginButton
                        objectName: "loginButton"
                        primary: true
                        text: "Log In"
                        enabled: passwordField.text !== ""
                        onClicked: {
                            passwordDialog.close()
                            rootQML.guiSignal("EnterPassword", discovery.connectingTo + ":" + passwordField.text)
                        }
                    }
                }
            }
        }
    }
}
