import QtQuick 2.15
import QtQuick.Controls 2.15

// A mixer or router of the configurable model. A mixer has a strip per input (its level, gain
// fader and mute; the inputs are the variables its description lists); a fixed router has no
// settings and shows which inputs it passes on. Both show the level of the row they feed.
Item {
    id: body
    objectName: "quarMixerBody"

    property var quarra: null
    readonly property string poName: quarra.poName
    readonly property string type: quarra.type
    readonly property var meters: quarra.provider.meterPO(type).split(":")
    readonly property string inputMeterPO: meters.length > 1 ? meters[0] : ""
    readonly property string outputMeterPO: meters.length > 1 ? meters[1] : ""
    // The row the mixer feeds: the number its name ends with.
    readonly property int row: {
        var m = /([0-9]+)$/.exec(poName)
        return m !== null ? parseInt(m[1]) : 1
    }
    readonly property var inputs: {
        var list = quarra.provider.mixerSVList()
        var found = []
        for (var i = 0; i < list.length; ++i) {
            var m = /^Input_([0-9]+)_Gain$/.exec(list[i])
            if (m !== null)
                found.push(parseInt(m[1]))
        }
        return found.sort(function(a, b) { return a - b })
    }
    readonly property bool router: inputs.length === 0
    readonly property string route: quarra.attribute("RouteMix")
    readonly property string routeImage: {
        var key = (type === "FixedInputRoute" ? "In:" : "Mid:") + route
        return String(quarra.provider.routerImage(key))
    }
    readonly property var meterColours: [Theme.meterColors[0], Theme.meterColors[0], Theme.meterColors[1], Theme.meterColors[2]]

    function inputLabel(n) {
        if (type === "MidMixerABC")
            return "Input " + ["A", "B", "C"][n - 1]
        if (type === "MidMixer123")
            return "Row " + n
        if (n === 8 && type === "8x1InputMixer")
            return "Generator"
        return "Slot " + n
    }
    // What feeds an input slot, from the input router.
    function sourceOf(n) {
        if (type !== "8x1InputMixer" && type !== "MidMixerInputs" || n > 7)
            return ""
        var model = rootQML.hsModel
        return model !== null ? model.getInputRouterSourceName(n) : ""
    }

    Flickable {
        id: strips
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: outputPanel.left
        anchors.rightMargin: 12
        visible: !body.router
        clip: true
        contentWidth: stripRow.width
        ScrollBar.horizontal: ScrollBar {}
        Row {
            id: stripRow
            height: strips.height
            spacing: 10
            Repeater {
                model: body.inputs
                delegate: BlockPanel {
                    id: strip
                    objectName: "strip_" + modelData
                    width: Math.max(88, Math.min(190, (strips.width - (body.inputs.length - 1) * stripRow.spacing) / body.inputs.length))
                    height: stripRow.height - (stripRow.width > strips.width ? 14 : 0)
                    caption: body.inputLabel(modelData)
                    Text {
                        id: source
                        x: strip.padding
                        y: strip.contentTop - 4
                        width: strip.width - 2 * strip.padding
                        height: 18
                        text: body.sourceOf(modelData)
                        elide: Text.ElideRight
                        textFormat: Text.PlainText
                        color: Theme.accent
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontCaption
                        font.bold: true
                    }
                    TarnCustomMeter {
                        id: level
                        objectName: "inputLevel"
                        visible: body.inputMeterPO !== "" && (modelData <= 7 || body.type !== "8x1InputMixer")
                        x: strip.padding - 6
                        y: source.y + source.height + 2
                        width: 34
                        height: fader.height
                        poName: visible ? body.inputMeterPO : ""
                        svName: visible ? "Channel_" + modelData + "_Level" : ""
                        clipSvName: visible ? "Channel_" + modelData + "_Clip" : ""
                        rangeBounaryValues: [-90, -40, -20, -6, 0]
                        rangeLengthsInPercentage: [10, 30, 40, 20]
                        rangeColorsInHex: body.meterColours
                        cppSignalThreshold: -89
                        showScale: false
                        showReadout: false
                    }
                    TarnFader {
                        id: fader
                        objectName: "inputFader"
                        x: level.x + level.width + 4
                        y: level.y
                        width: strip.width - x - 6
                        height: strip.height - y - mute.height - 24
                        title: "Gain"
                        poName: body.poName
                        svName: "Input_" + modelData + "_Gain"
                        valueType: "%"
                        minimum: -80
                        maximum: 12
                        scaleMarks: []
                    }
                    MuteButton {
                        id: mute
                        objectName: "inputMute"
                        x: strip.padding
                        anchors.bottom: parent.bottom
                        anchors.bottomMargin: 12
                        width: strip.width - 2 * strip.padding
                        poName: body.poName
                        svName: "Input_" + modelData + "_Mute"
                        label: muted ? "MUTED" : "MUTE"
                    }
                }
            }
        }
    }

    // A fixed router: the picture of what it passes on.
    BlockPanel {
        objectName: "routePanel"
        visible: body.router
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: outputPanel.left
        anchors.rightMargin: 12
        caption: "Route " + body.route
        Image {
            anchors.centerIn: parent
            width: Math.min(parent.width - 40, 540)
            height: width * 220 / 360
            source: body.routeImage
            fillMode: Image.PreserveAspectFit
            sourceSize.width: width
        }
        Text {
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 16
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width - 40
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: "A fixed route has no settings; choose another mixer type in configuration mode to mix inputs."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
    }

    // What the block sends on: the level of the row it feeds, and the mixer's mute.
    BlockPanel {
        id: outputPanel
        objectName: "mixerOutput"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 190
        caption: "Row " + body.row
        TarnCustomMeter {
            objectName: "outputLevel"
            visible: body.outputMeterPO !== ""
            x: outputPanel.padding
            y: outputPanel.contentTop
            width: 60
            height: outputPanel.height - y - mixerMute.height - 26
            title: "Level"
            poName: visible ? body.outputMeterPO : ""
            svName: visible ? "Channel_" + body.row + "_Level" : ""
            clipSvName: visible ? "Channel_" + body.row + "_Clip" : ""
            rangeBounaryValues: [-90, -40, -20, -6, 0]
            rangeLengthsInPercentage: [10, 30, 40, 20]
            rangeColorsInHex: body.meterColours
            cppSignalThreshold: -89
        }
        MuteButton {
            id: mixerMute
            objectName: "mixerMute"
            x: outputPanel.padding
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 14
            width: outputPanel.width - 2 * outputPanel.padding
            height: Theme.touch + 8
            poName: body.poName
            svName: "Mute"
            label: body.router ? "MUTE" : "MUTE ALL"
        }
    }
}
