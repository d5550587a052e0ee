import QtQuick 2.15

// The background every screen starts with, and the tint of the mode the application is in.
Item {
    anchors.fill: parent

    // Configuration mode is read from the root document when it is there.
    property bool configMode: typeof rootQML !== "undefined" && rootQML.rootCfgMode
    property bool offlineMode: typeof viewLoader !== "undefined" && viewLoader !== null && viewLoader.offlineMode
    property bool validationMode: typeof viewLoader !== "undefined" && viewLoader !== null && viewLoader.validationMode

    Rectangle { anchors.fill: parent; color: Theme.window }
    Image {
        anchors.fill: parent
        source: "/images/BG.png"
        fillMode: Image.PreserveAspectCrop
        asynchronous: false
    }
    Rectangle { objectName: "offlineTint"; anchors.fill: parent; color: Theme.offlineTint; visible: parent.offlineMode }
    Rectangle { objectName: "validationTint"; anchors.fill: parent; color: Theme.validationTint; visible: parent.validationMode }
    Rectangle { objectName: "configTint"; anchors.fill: parent; color: Theme.configTint; visible: parent.configMode }
}
