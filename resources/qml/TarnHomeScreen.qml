import QtQuick 2.15
import QtQuick.Controls 2.15
// After the controls, so that this folder's MenuBar is the one meant.
import "."
import DiscoveredDevicesModel 1.0
import TarnSettings 1.0
import "StateVariables.js" as SV

// The home screen: the connected processor and its signal flow, from which every block's
// screen opens; the model-specific flow comes from CustomTarnHomeScreen (platform "Tarn").
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
    // The running preset, by number and name.
    readonly property string presetNumber: rootQML.currentPresetSV !== null ? rootQML.currentPresetSV.value : ""
    property var presetNameSV: null
    onPresetNumberChanged: bindPresetName()
    function bindPresetName() {
        if (presetNumber === "" || !/^[0-9]+$/.test(presetNumber))
            return
        if (presetNameSV === null)
            presetNameSV = SV.create("TarnTextSV", home, "Presets", "Name_" + presetNumber)
        else
            presetNameSV.svName = "Name_" + presetNumber
    }
    // The remote watchdog's flag has no change signal; its events keep this one current.
    property bool remoteUp: true
    readonly property bool linkUp: remoteUp && clientConnectionWatchdog.networkAvailable

    Component.onCompleted: {
        rootQML.funcLastScreen("Home")
        remoteUp = remoteConnectionWatchdog.connectionAvailable
        deviceNameSV = SV.create("TarnTextSV", home, "NPO", "Node\\SV\\DeviceName")
        bindPresetName()
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

    // The connected processor, in one line under the menu bar.
    Item {
        id: header
        objectName: "deviceHeader"
        anchors.top: menuBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        height: 44

        Row {
            anchors.left: parent.left
            anchors.leftMargin: 20
            anchors.verticalCenter: parent.verticalCenter
            spacing: 14
            Text {
                objectName: "deviceName"
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, 420)
                text: home.deviceName
                textFormat: Text.PlainText
                elide: Text.ElideRight
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontLarge
                font.bold: true
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 12; height: 12; radius: 6
                color: home.linkUp ? Theme.ok : Theme.error
            }
            Text {
                objectName: "connectionState"
                anchors.verticalCenter: parent.verticalCenter
                text: home.linkUp ? (home.offline ? "Offline model" : "Connected") : "Connection lost"
                color: home.linkUp ? Theme.ok : Theme.error
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
            }
            Text {
                objectName: "presetName"
                anchors.verticalCenter: parent.verticalCenter
                visible: home.presetNumber !== ""
                text: "Preset " + home.presetNumber
                      + (home.presetNameSV !== null && home.presetNameSV.value !== "" ? " \u00b7 " + home.presetNameSV.value : "")
                textFormat: Text.PlainText
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
            }
            Text {
                objectName: "detail_IP address"
                anchors.verticalCenter: parent.verticalCenter
                text: home.address
                textFormat: Text.PlainText
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
            Text {
                objectName: "detail_Software version"
                anchors.verticalCenter: parent.verticalCenter
                visible: text !== ""
                text: home.device.softwareVersion !== undefined && home.device.softwareVersion !== ""
                      ? "Firmware " + home.device.softwareVersion : ""
                textFormat: Text.PlainText
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
        }
    }

    // The configurable model's document, when it has one to show.
    readonly property var quarModel: rootQML.platform === "Quarra" ? rootQML.hsModel : null
    readonly property bool quarShown: quarModel !== null && quarModel.ready
                                      && (quarModel.gridNames().length > 0 || quarModel.configEmpty)
    // The front panel's layout holds up to 3 input rows and 8 mid and output rows; any other
    // shape is laid out grid by grid.
    function standardShape() {
        var names = quarModel.gridNames()
        if (names.length === 0)
            return true
        if (names.indexOf("in") < 0 || names.indexOf("mid") < 0 || names.indexOf("out") < 0)
            return false
        var inSize = quarModel.gridSize("in"), mid = quarModel.gridSize("mid"), out = quarModel.gridSize("out")
        return inSize.rows <= 3 && mid.rows <= 8 && out.rows <= 8 && inSize.columns <= 6 && mid.columns + out.columns <= 11
    }

    // The signal flow of the connected model.
    Loader {
        id: flowLoader
        objectName: "flowLoader"
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        source: rootQML.platform === "Tarn" ? "CustomTarnHomeScreen.qml"
              : home.quarShown ? (home.standardShape() ? "CustomQuarHomeScreen.qml" : "CustomDynamicHomeScreen.qml") : ""
    }

    // Configuration mode over the configurable model's grid.
    ConfigOverlay {
        objectName: "configOverlay"
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: home.quarModel !== null
        model: home.quarModel
        flow: flowLoader.item
    }

    // What the configurable model's home screen says while it has no grid to show, or when the
    // processor's configuration could not be taken.
    QuarStatus {
        objectName: "quarStatus"
        anchors.horizontalCenter: parent.horizontalCenter
        y: home.quarShown ? home.height - height - Theme.touch - 40 : header.y + header.height + 120
        width: Math.min(parent.width - 80, 760)
        model: home.quarModel
        gridShown: home.quarShown
    }

    // A model whose signal flow this build cannot draw still shows where to go.
    Row {
        objectName: "otherModel"
        visible: flowLoader.source == "" && rootQML.platform !== "Quarra"
        anchors.centerIn: flowLoader
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
