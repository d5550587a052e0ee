import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import DiscoveredDevicesModel 1.0
import TarnSettings 1.0
import "StateVariables.js" as SV

// The home screen: the connected processor and the way to every other screen.
Item {
    id: home
    objectName: "homeScreen"
    anchors.fill: parent

    property string address: settings.value("Data/CurrentDeviceAddress", "")
    property var device: ({})
    property bool detailsKnown: false
    property var deviceNameSV: null
    readonly property bool offline: viewLoader !== null && viewLoader.offlineMode
    readonly property string deviceName: {
        if (deviceNameSV !== null && deviceNameSV.value !== "")
            return deviceNameSV.value
        if (device.instanceName !== undefined && device.instanceName !== "")
            return device.instanceName
        return offline ? "Offline model" : "Cadenzo Tarn"
    }
    // The remote watchdog's flag has no change signal; its events keep this one current.
    property bool remoteUp: true
    readonly property bool linkUp: remoteUp && clientConnectionWatchdog.networkAvailable

    function field(name, fallback) {
        var v = device[name]
        return (v === undefined || v === "") ? fallback : v
    }

    Component.onCompleted: {
        rootQML.funcLastScreen("Home")
        remoteUp = remoteConnectionWatchdog.connectionAvailable
        deviceNameSV = SV.create("TarnTextSV", home, "NPO", "Node\\SV\\DeviceName")
        // The processor's own discovery answer gives its name, model and versions.
        detailsProbe.getDeviceDetailsForIP(address)
    }
    Component.onDestruction: detailsProbe.ignoreDeviceDetailsResponse()

    TarnSettings { id: settings }
    Connections {
        target: remoteConnectionWatchdog
        function onConnectionLost() { home.remoteUp = false }
        function onCorvexReady() { home.remoteUp = true }
    }
    DiscoveredDevicesModel {
        id: detailsProbe
        onDeviceConfirmed: { home.device = device; home.detailsKnown = true }
        onInvalidIPForQuarra: home.detailsKnown = true
    }

    ScreenBackground {}
    MenuBar { id: menuBar; currentScreen: "Home" }

    Rectangle {
        id: devicePanel
        objectName: "devicePanel"
        anchors.top: menuBar.bottom
        anchors.topMargin: 32
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(parent.width - 64, 860)
        height: panelColumn.implicitHeight + 56
        radius: Theme.radius + 4
        color: "#d91a1f27"
        border.color: Theme.edge

        Column {
            id: panelColumn
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 28
            spacing: 22

            Row {
                spacing: 22
                Image {
                    source: "/images/Logo.png"
                    width: 84; height: 84
                }
                Column {
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 8
                    Text {
                        objectName: "deviceName"
                        width: panelColumn.width - 110
                        text: home.deviceName
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontTitle
                        font.bold: true
                    }
                    Row {
                        spacing: 10
                        Rectangle {
                            width: 16; height: 16; radius: 8
                            anchors.verticalCenter: parent.verticalCenter
                            color: home.linkUp ? Theme.ok : Theme.error
                        }
                        Text {
                            objectName: "connectionState"
                            text: home.linkUp ? (home.offline ? "Connected to the offline model" : "Connected")
                                              : "Connection lost"
                            color: home.linkUp ? Theme.ok : Theme.error
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontNormal + 2
                            font.bold: true
                        }
                    }
                }
            }

            Rectangle { width: parent.width; height: 1; color: Theme.edge }

            Grid {
                columns: 2
                columnSpacing: 40
                rowSpacing: 14
                Repeater {
                    model: [
                        ["IP address", home.address],
                        ["Model", home.field("className", home.detailsKnown ? "—" : "…")],
                        ["Hardware", rootQML.strDeviceType !== "" ? rootQML.strDeviceType
                                                                  : home.field("hardwareVersion", home.detailsKnown ? "—" : "…")],
                        ["Software version", home.field("softwareVersion", home.detailsKnown ? "—" : "…")],
                    ]
                    delegate: Column {
                        spacing: 4
                        width: (panelColumn.width - 40) / 2
                        Text {
                            text: modelData[0]
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                            font.capitalization: Font.AllUppercase
                        }
                        Text {
                            objectName: "detail_" + modelData[0]
                            width: parent.width
                            text: modelData[1]
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            color: Theme.text
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontLarge
                        }
                    }
                }
            }

            Rectangle { width: parent.width; height: 1; color: Theme.edge }

            Row {
                spacing: 14
                TarnPushButton {
                    objectName: "disconnectButton"
                    text: home.offline ? "Stop Offline Model" : "Disconnect"
                    onClicked: rootQML.guiSignal("DisconnectDevice", "")
                }
                TarnPushButton {
                    text: "Presets"
                    onClicked: rootQML.guiSignal("Presets", "")
                }
                TarnPushButton {
                    text: "Utilities"
                    onClicked: rootQML.guiSignal("Utilities", "")
                }
            }
        }
    }
}
