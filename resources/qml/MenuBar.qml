import QtQuick 2.15
import QtQuick.Controls 2.15
import "StateVariables.js" as SV

// Runs across the top of every screen: navigation, the preset-modified indicator and the
// output mutes.
Rectangle {
    id: bar
    objectName: "menuBar"

    // Which navigation button shows as current: "Home", "Presets", "Wizard", "Utilities", "Devices".
    property string currentScreen: ""
    // Navigation to the processor's screens makes sense only while one is connected.
    property bool connected: true
    readonly property bool configMode: typeof rootQML !== "undefined" && rootQML.rootCfgMode
    readonly property int outputCount: 6

    property var presetModifiedSV: null
    property var muteSVs: []
    readonly property bool presetModified: presetModifiedSV !== null && SV.isOn(presetModifiedSV.value)

    anchors.left: parent.left
    anchors.right: parent.right
    anchors.top: parent.top
    height: Math.max(parent.height * 0.09, Theme.touch + 18)
    color: "#e6101318"

    function send(param, payload) {
        if (typeof rootQML !== "undefined")
            rootQML.guiSignal(param, payload)
    }

    Component.onCompleted: {
        if (!connected)
            return
        presetModifiedSV = SV.create("TarnTextSV", bar, "NPO", "Node\\Settings\\SV\\PresetIsModified")
        var list = []
        for (var i = 1; i <= outputCount; ++i) {
            var mute = SV.create("TarnTextSV", bar, "OutputGains", "Channel_" + i + "_Mute")
            if (mute === null)
                break
            list.push(mute)
        }
        muteSVs = list
    }

    Rectangle { anchors.left: parent.left; anchors.right: parent.right; anchors.bottom: parent.bottom; height: 1; color: Theme.edge }

    Row {
        id: brand
        anchors.left: parent.left
        anchors.leftMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        spacing: 10
        Image {
            objectName: "logo"
            source: "/images/Logo.png"
            width: 40; height: 40
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            visible: bar.width >= 1200
            text: "Tarn Control"
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontLarge
            font.bold: true
        }
    }

    Row {
        id: navigation
        anchors.left: brand.right
        anchors.leftMargin: 18
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
        MenuBarButton {
            objectName: "homeButton"
            text: "Home"; iconSource: "/images/Menu/Home.png"
            current: bar.currentScreen === "Home"
            enabled: bar.connected && !bar.configMode
            onClicked: bar.send("HomeButtonPressed", "")
        }
        MenuBarButton {
            objectName: "presetsButton"
            text: "Presets"; iconSource: "/images/Menu/Presets.png"
            current: bar.currentScreen === "Presets"
            enabled: bar.connected && !bar.configMode
            onClicked: bar.send("Presets", "")
            Rectangle {
                objectName: "presetModifiedIndicator"
                visible: bar.presetModified
                width: 14; height: 14; radius: 7
                color: Theme.warning
                anchors.right: parent.right; anchors.top: parent.top; anchors.margins: 8
            }
        }
        MenuBarButton {
            objectName: "wizardButton"
            text: "Wizard"; iconSource: "/images/Menu/Wizard.png"
            current: bar.currentScreen === "Wizard"
            enabled: bar.connected && !bar.configMode
            onClicked: bar.send("Wizard", "")
        }
        MenuBarButton {
            objectName: "utilitiesButton"
            text: "Utilities"; iconSource: "/images/Menu/Utilities.png"
            current: bar.currentScreen === "Utilities"
            enabled: bar.connected && !bar.configMode
            onClicked: bar.send("Utilities", "")
        }
        MenuBarButton {
            objectName: "discoveryButton"
            text: "Devices"; iconSource: "/images/Menu/Discovery.png"
            current: bar.currentScreen === "Devices"
            enabled: !bar.configMode
            onClicked: if (bar.connected) bar.send("DeviceDiscovery", "")
        }
    }

    Row {
        objectName: "outputMutes"
        anchors.right: helpButton.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
        visible: bar.connected
        Image {
            source: "/images/Menu/Mute.png"
            width: 26; height: 26
            anchors.verticalCenter: parent.verticalCenter
            opacity: 0.8
        }
        Repeater {
            model: bar.outputCount
            delegate: AbstractButton {
                id: muteButton
                objectName: "mute" + (index + 1)
                readonly property var sv: index < bar.muteSVs.length ? bar.muteSVs[index] : null
                readonly property bool muted: sv !== null && SV.isOn(sv.value)
                enabled: sv !== null && !bar.configMode
                width: 42; height: Theme.touch
                onClicked: sv.setValueWithoutFeedback(muted ? "Off" : "On")
                background: Rectangle {
                    radius: 6
                    color: muteButton.muted ? Theme.error : (muteButton.down ? Theme.surfacePressed : Theme.surfaceRaised)
                    border.color: muteButton.muted ? Theme.error : Theme.edge
                    opacity: muteButton.enabled ? 1.0 : 0.4
                }
                contentItem: Text {
                    text: index + 1
                    color: muteButton.muted ? Theme.textOnAccent : Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontNormal
                    font.bold: true
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    opacity: muteButton.enabled ? 1.0 : 0.5
                }
            }
        }
    }

    AbstractButton {
        id: helpButton
        objectName: "helpButton"
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        width: Theme.touch; height: Theme.touch
        visible: typeof rootQML !== "undefined" && rootQML.strHelpFileName !== ""
        onClicked: rootQML.showHelp()
        background: Rectangle { radius: width / 2; color: helpButton.down ? Theme.surfacePressed : "transparent" }
        contentItem: Image { source: "/images/Menu/Help.png"; fillMode: Image.PreserveAspectFit; anchors.margins: 10 }
    }
}
