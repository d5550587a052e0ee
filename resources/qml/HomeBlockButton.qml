import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnNumericalSV 1.0

// One block of the home screen's signal flow: its icon and caption, whether the processor has
// it switched on, and (for mixers and outputs) whether it is muted. A press opens the block's
// screen through the root document's guiSignal.
AbstractButton {
    id: block

    // What the resolver knows the block as.
    property var resolver: null
    property string iconKey: ""
    property string captionKey: ""
    property string caption: resolver !== null ? resolver.buttonText(captionKey) : ""
    property string iconSource: ""
    // The processing object, its on/off switch and its mute ("" when the block has none).
    property string poName: ""
    property string toggleSvName: ""
    property string mutePoName: poName
    property string muteSvName: ""
    // Binding waits until the processor has said which objects the running preset has.
    property bool bindable: true
    // An on/off switch that warns when on (the signal generator).
    property bool onIsAlert: false
    property string command: ""
    property string payload: ""
    property bool compact: false
    // Shown where the on/off state goes, for blocks without a switch.
    property string note: ""

    readonly property bool toggleKnown: toggleSv.value !== -1000
    readonly property bool isOn: toggleKnown && toggleSv.value >= 0.5
    readonly property bool muted: muteSv.value !== -1000 && muteSv.value >= 0.5
    readonly property string shownIcon: {
        if (iconSource !== "")
            return iconSource
        if (resolver === null)
            return ""
        // Only some blocks have a muted picture; the others keep theirs.
        var mutedIcon = muted ? resolver.imagePath(iconKey + ":Off") : ""
        return mutedIcon !== "" ? mutedIcon : resolver.imagePath(iconKey)
    }
    readonly property alias toggleControl: toggleSv
    readonly property alias muteControl: muteSv
    readonly property string stateText: muted ? "MUTED"
                                              : toggleSvName === "" ? "" : !toggleKnown ? "\u2014" : isOn ? "ON" : "OFF"

    implicitWidth: 84
    implicitHeight: compact ? 60 : 132
    focusPolicy: Qt.StrongFocus

    TarnNumericalSV {
        id: toggleSv
        poName: block.bindable && block.toggleSvName !== "" ? block.poName : ""
        svName: block.bindable ? block.toggleSvName : ""
        Component.onCompleted: componentCompleted()
    }
    TarnNumericalSV {
        id: muteSv
        poName: block.bindable && block.muteSvName !== "" ? block.mutePoName : ""
        svName: block.bindable ? block.muteSvName : ""
        Component.onCompleted: componentCompleted()
    }

    onClicked: {
        if (typeof rootQML !== "undefined" && command !== "")
            rootQML.guiSignal(command, payload)
    }

    background: Rectangle {
        radius: Theme.radius
        color: block.down ? Theme.surfacePressed : Theme.surfaceRaised
        border.color: block.visualFocus ? Theme.accent
                    : block.muted ? Theme.error
                    : block.onIsAlert && block.isOn ? Theme.warning : Theme.edge
        border.width: block.visualFocus || block.muted || (block.onIsAlert && block.isOn) ? 2 : 1
        opacity: block.enabled ? 1.0 : 0.45
    }

    contentItem: Item {
        Image {
            id: icon
            objectName: "icon"
            anchors.horizontalCenter: block.compact ? undefined : parent.horizontalCenter
            anchors.left: block.compact ? parent.left : undefined
            anchors.leftMargin: 6
            anchors.verticalCenter: block.compact ? parent.verticalCenter : undefined
            y: 8
            width: block.compact ? 36 : 46
            height: width
            source: block.shownIcon
            // Scaled once when loaded, smoothly, rather than at every frame.
            sourceSize.width: width
            sourceSize.height: height
            fillMode: Image.PreserveAspectFit
            smooth: true
            // Switched off, the block steps back.
            opacity: block.toggleKnown && !block.isOn ? 0.6 : 1.0
        }
        Text {
            id: captionText
            objectName: "caption"
            anchors.left: block.compact ? icon.right : parent.left
            anchors.right: parent.right
            anchors.leftMargin: block.compact ? 6 : 4
            anchors.rightMargin: 4
            anchors.top: block.compact ? undefined : icon.bottom
            anchors.topMargin: 4
            anchors.verticalCenter: block.compact ? parent.verticalCenter : undefined
            height: block.compact ? parent.height - 8 : 46
            text: block.caption
            textFormat: Text.PlainText
            wrapMode: Text.WordWrap
            maximumLineCount: block.compact ? 2 : 3
            // Long captions shrink rather than lose their end.
            fontSizeMode: Text.Fit
            minimumPixelSize: 10
            horizontalAlignment: block.compact ? Text.AlignLeft : Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 13
            font.bold: true
            lineHeight: 0.9
        }
        Rectangle {
            id: statePill
            objectName: "state"
            visible: (block.stateText !== "" || block.note !== "") && !block.compact
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 6
            width: Math.max(46, stateLabel.implicitWidth + 14)
            height: 18
            radius: 9
            color: block.muted ? Theme.error
                 : block.isOn ? (block.onIsAlert ? Theme.warning : Theme.ok) : "transparent"
            border.color: block.muted || block.isOn ? "transparent" : Theme.edge
            Text {
                id: stateLabel
                anchors.centerIn: parent
                text: block.stateText !== "" ? block.stateText : block.note
                color: block.muted || block.isOn ? Theme.textOnAccent : Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: 11
                font.bold: true
            }
        }
        // Compact blocks show the state as a lamp.
        Rectangle {
            visible: block.compact && block.stateText !== ""
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 5
            width: 10
            height: 10
            radius: 5
            color: block.muted ? Theme.error : block.isOn ? (block.onIsAlert ? Theme.warning : Theme.ok) : Theme.edge
        }
    }
}
