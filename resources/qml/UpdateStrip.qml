import QtQuick 2.15
import QtQuick.Controls 2.15

// One update strip: what runs, what the update server offers, what is happening in words, a
// progress bar while files move, and the one next step as a button (Cancel beside it while a
// download runs).
Column {
    id: strip
    property string heading: ""
    property string currentLabel: "Installed"
    property string currentVersion: ""
    property string latestVersion: ""
    property string status: ""
    property color statusColor: Theme.textDim
    property bool busy: false
    property real progress: 0
    property bool showProgress: false
    property string actionText: ""
    property bool actionEnabled: true
    property string secondaryText: ""
    property bool cancelVisible: false
    signal action()
    signal secondary()
    signal cancel()

    width: parent ? parent.width : 400
    spacing: 10

    Row {
        width: parent.width
        spacing: 24
        Text {
            text: strip.heading
            width: parent.width - versions.width - parent.spacing
            anchors.verticalCenter: parent.verticalCenter
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontNormal
            font.bold: true
            elide: Text.ElideRight
        }
        Row {
            id: versions
            spacing: 18
            Repeater {
                model: [[strip.currentLabel, strip.currentVersion], ["Latest", strip.latestVersion]]
                Column {
                    Text {
                        text: modelData[0]
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontCaption
                        font.capitalization: Font.AllUppercase
                    }
                    Text {
                        objectName: index === 0 ? "currentVersion" : "latestVersion"
                        text: modelData[1] !== "" ? modelData[1] : "\u2014"
                        textFormat: Text.PlainText
                        color: Theme.valueText
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontValue
                        font.bold: true
                    }
                }
            }
        }
    }

    Text {
        objectName: "status"
        width: parent.width
        text: strip.status
        textFormat: Text.PlainText
        color: strip.statusColor
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        wrapMode: Text.WordWrap
    }

    ProgressBar {
        id: bar
        objectName: "progress"
        visible: strip.showProgress
        width: parent.width
        height: 14
        from: 0
        to: 1
        value: strip.progress
        background: Rectangle {
            radius: 7
            color: Theme.well
            border.color: Theme.edge
        }
        contentItem: Item {
            Rectangle {
                width: bar.visualPosition * parent.width
                height: parent.height
                radius: 7
                color: Theme.trackFill
            }
        }
    }

    Row {
        spacing: 12
        TarnPushButton {
            objectName: "updateAction"
            visible: strip.actionText !== ""
            text: strip.actionText
            primary: true
            enabled: strip.actionEnabled
            implicitWidth: 230
            onClicked: strip.action()
        }
        TarnPushButton {
            objectName: "updateCancel"
            visible: strip.cancelVisible
            text: "Cancel"
            onClicked: strip.cancel()
        }
        TarnPushButton {
            objectName: "updateSecondary"
            visible: strip.secondaryText !== ""
            text: strip.secondaryText
            onClicked: strip.secondary()
        }
        BusyIndicator {
            visible: strip.busy
            running: visible
            width: Theme.touch
            height: Theme.touch
        }
    }
}
