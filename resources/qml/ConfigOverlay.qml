import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnSettings 1.0

// Configuration mode of the configurable model, over its home screen: the way in, the bar with
// Apply and Discard while in it, and the dialog of the place pressed (chosen by the column:
// input router, input rows, mid mixers, crossovers, outputs, or any insert block).
Item {
    id: overlay
    objectName: "configOverlay"

    property var model: null
    // The grid screen whose places ask to be edited.
    property var flow: null
    property var copyPaste: typeof rootQML !== "undefined" ? rootQML.editModeCopyPaste : null
    readonly property bool configMode: typeof rootQML !== "undefined" && rootQML.rootCfgMode
    readonly property bool applying: model !== null && model.applying
    readonly property var dialog: dialogLoader.item

    function enter() {
        settings.setValue("isConfigMode", "true")
        model.clearConfigError()
        // A processor without configuration starts from the library's default chain.
        model.enteringConfigMode()
        model.refreshConfig()
        rootQML.guiSignal("ConfigMode", "")
    }
    function leave(apply) {
        dialogLoader.close()
        if (apply && model.enCfgApply) {
            // The processor rebuilds and the screen follows its new document; until then the
            // grid stays, out of configuration mode.
            model.applyAllChanges()
            rootQML.rootCfgMode = false
            rootQML.cfgModeChangedSig(false)
            return
        }
        if (apply)
            model.applyAllChanges()
        else
            model.discardAllChanges()
        model.refreshConfig()
    }
    // The dialog for a place of the grid: its builder column decides which.
    function edit(gridName, column, row, info) {
        var colID = info.column !== undefined ? info.column : model.builderColumn(gridName, column)
        var name = model.columnName(colID)
        var component = name === "Column_InputRouter" ? routerDialog
                      : name === "Column_In_Mixer" ? inputMixDialog
                      : name === "Column_Mid_Mixer" ? mixerDialog
                      : name === "Column_Out_Crossover" ? crossoverDialog
                      : name === "Column_Output" ? outputDialog
                      : name !== "" ? linkDialog : null
        if (component === null)
            return
        dialogLoader.open(component, { model: model, colID: colID, row: row, info: info })
    }

    TarnSettings { id: settings }
    Connections {
        target: overlay.flow
        ignoreUnknownSignals: true
        function onEditRequested(gridName, column, row, info) { overlay.edit(gridName, column, row, info) }
        function onEmptyPressed(gridName, column, row) { overlay.edit(gridName, column, row, {}) }
    }
    Connections {
        target: overlay.model
        // An edit made, or refused with the builder's words: the dialog has done its part.
        function onReadyChanged(ready) { if (ready && dialogLoader.item !== null && overlay.model.configError !== "") dialogLoader.close() }
    }

    // The way in, beside the grid.
    TarnPushButton {
        objectName: "configureButton"
        visible: !overlay.configMode && !overlay.applying && overlay.model !== null && overlay.model.ready
        // In the header line, beside the processor's name.
        anchors.right: parent.right
        anchors.rightMargin: 14
        anchors.bottom: parent.top
        anchors.bottomMargin: 2
        implicitHeight: 40
        text: overlay.model !== null && overlay.model.configEmpty ? "Configure Processor" : "Configure Chain"
        primary: overlay.model !== null && overlay.model.configEmpty
        onClicked: overlay.enter()
    }

    // While a new configuration is applied.
    Rectangle {
        objectName: "applyingBanner"
        visible: overlay.applying
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 14
        width: applyingRow.width + 40
        height: Theme.touch + 8
        radius: Theme.radius
        color: "#e61a1f27"
        border.color: Theme.warning
        Row {
            id: applyingRow
            anchors.centerIn: parent
            spacing: 12
            BusyIndicator { width: 32; height: 32; running: overlay.applying; anchors.verticalCenter: parent.verticalCenter }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "The processor is applying the new configuration\u2026"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
            }
        }
    }

    // The bar of configuration mode.
    Rectangle {
        objectName: "configBar"
        visible: overlay.configMode
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: Theme.touch + 20
        color: "#e6200c0c"
        border.color: Theme.error
        Text {
            anchors.left: parent.left
            anchors.leftMargin: 20
            anchors.right: buttons.left
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            wrapMode: Text.WordWrap
            maximumLineCount: 2
            textFormat: Text.PlainText
            text: overlay.model !== null && overlay.model.configError !== "" ? overlay.model.configError
                : "CONFIGURATION MODE \u2014 press a block or a free place to change it."
            color: overlay.model !== null && overlay.model.configError !== "" ? Theme.warning : Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.bold: true
        }
        Row {
            id: buttons
            anchors.right: parent.right
            anchors.rightMargin: 14
            anchors.verticalCenter: parent.verticalCenter
            spacing: 10
            TarnPushButton {
                objectName: "discardButton"
                text: "Discard"
                onClicked: overlay.leave(false)
            }
            TarnPushButton {
                objectName: "applyButton"
                primary: true
                text: "Apply"
                enabled: overlay.model !== null && overlay.model.enCfgApply
                onClicked: overlay.leave(true)
            }
        }
    }

    // The dialog open, made with its place's properties set from the start.
    QtObject {
        id: dialogLoader
        objectName: "configDialog"
        property var item: null
        function open(component, properties) {
            close()
            item = component.createObject(overlay, properties)
            if (item !== null)
                item.closed.connect(close)
        }
        function close() {
            if (item === null)
                return
            var closing = item
            item = null
            // Gone at once for the hand, deleted when the event loop has a moment.
            closing.visible = false
            closing.enabled = false
            closing.destroy()
        }
    }

    Component { id: linkDialog; LinkInsertDialog { copyPaste: overlay.copyPaste } }
    Component { id: crossoverDialog; CrossOverConfigListView {} }
    Component { id: outputDialog; OutputNameSetter {} }
    Component { id: routerDialog; InputRouterConfigListView {} }
    Component { id: inputMixDialog; InputMIXConfigListView {} }
    Component { id: mixerDialog; MixerSelector {} }
}
