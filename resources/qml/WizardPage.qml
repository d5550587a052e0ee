import QtQuick 2.15
import QtQuick.Controls 2.15

// What every wizard page shares: a title and the processor's question at the top, the page's
// content, and a footer with Back on the left and the page's own actions on the right. Texts
// from the descriptors are plain text; the two characters "\n" in them start a new line.
Item {
    id: page

    // Set by the wizard screen: the processor's state shown and the screen itself (sendEvent).
    property string wizardState: ""
    property var wizard: null

    property string title: ""
    property string heading: ""
    property string backText: "Back"
    property bool backVisible: backText !== ""
    // The main action; hidden when empty.
    property string primaryText: ""
    property bool primaryEnabled: true
    // Items for the footer, left of the main action.
    property alias actions: actionRow.data
    default property alias content: body.data
    readonly property alias body: body

    signal primary()
    signal backPressed()

    function lines(text) {
        return String(text).replace(/\\n/g, "\n")
    }
    function sendEvent(word) {
        if (wizard !== null)
            wizard.sendEvent(word)
    }
    onBackPressed: sendEvent("Back")

    Column {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        spacing: 6
        Text {
            objectName: "pageTitle"
            width: parent.width
            visible: text !== ""
            text: page.lines(page.title)
            textFormat: Text.PlainText
            color: Theme.accent
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.bold: true
            font.capitalization: Font.AllUppercase
            elide: Text.ElideRight
        }
        Text {
            objectName: "pageHeading"
            width: parent.width
            visible: text !== ""
            text: page.lines(page.heading)
            textFormat: Text.PlainText
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontLarge + 2
            font.bold: true
            wrapMode: Text.WordWrap
            maximumLineCount: 3
            elide: Text.ElideRight
        }
    }

    Item {
        id: body
        objectName: "pageBody"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.topMargin: 16
        anchors.bottom: footer.top
        anchors.bottomMargin: 12
    }

    Item {
        id: footer
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: Theme.touch + 8

        TarnPushButton {
            objectName: "backButton"
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            visible: page.backVisible
            text: "\u2039  " + page.backText
            onClicked: page.backPressed()
        }
        Row {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 12
            Row {
                id: actionRow
                spacing: 12
            }
            TarnPushButton {
                objectName: "primaryButton"
                visible: page.primaryText !== ""
                enabled: page.primaryEnabled
                primary: true
                implicitWidth: Math.max(200, contentItem.implicitWidth + 48)
                text: page.lines(page.primaryText)
                onClicked: page.primary()
            }
        }
    }
}
