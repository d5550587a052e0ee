import QtQuick 2.15
import QtQuick.Controls 2.15
import CrossoverBandInfoProvider 1.0
import CrossoverGraphItem 1.0

// The crossover: every band's magnitude on a 16 Hz … 20 kHz, +20 … −60 dB grid, and below it
// one group per band in use (low, mid, high) with its slope types, corner frequencies, gain
// and polarity. Which groups exist follows the band count and the sub mode.
Item {
    id: root
    objectName: "crossoverGraph"

    property string poName: "Crossover"
    // Ways of the processor's crossover, and whether a mono sub is added (0 or 1).
    property int waysCount: 3
    property int subsCount: 0
    property bool lowVisible: true
    property bool midVisible: true
    property bool highVisible: true
    property int currentBandIndex: 0
    readonly property alias graphItem: graph

    readonly property color lowColour: "#ff6a3d"
    readonly property color midColour: "#f5c542"
    readonly property color highColour: "#3ba4ff"

    // The state-variable prefix of each group: the mono sub is the low group when there is one,
    // and the top way is always the high group.
    function prefixOf(group) {
        var sub = subsCount > 0
        if (group === "Low")
            return sub ? "MonoSub_" : "Band_1_"
        if (group === "Mid")
            return sub ? "Band_1_" : "Band_2_"
        return "Band_" + waysCount + "_"
    }
    // The graph's band index of a group: the ways in order, then the sub.
    function bandOf(group) {
        var prefix = prefixOf(group)
        if (prefix === "MonoSub_")
            return waysCount
        return parseInt(prefix.split("_")[1]) - 1
    }
    function colourOfBand(band) {
        if (band >= waysCount)
            return lowColour
        var groups = ["Low", "Mid", "High"]
        for (var i = 0; i < groups.length; ++i) {
            if (groupVisible(groups[i]) && bandOf(groups[i]) === band)
                return groupColour(groups[i])
        }
        return highColour
    }
    function groupVisible(group) {
        return group === "Low" ? lowVisible : group === "Mid" ? midVisible : highVisible
    }
    function groupColour(group) {
        return group === "Low" ? lowColour : group === "Mid" ? midColour : highColour
    }
    // The item paints band i in colour i, but the last of several bands in colour 2.
    function graphColours() {
        var count = waysCount + subsCount
        var colours = []
        for (var i = 0; i < 3; ++i)
            colours.push(i < count ? colourOfBand(i).toString() : highColour.toString())
        if (count > 1)
            colours[2] = colourOfBand(count - 1).toString()
        return colours
    }
    function groupTitle(group) {
        var name = info.getBandName(bandOf(group))
        var title = group
        if (name !== "" && name !== "Band")
            title += " \u2014 " + name
        else if (prefixOf(group) === "MonoSub_")
            title += " \u2014 Mono Sub"
        return title
    }

    CrossoverBandInfoProvider { id: info }

    GraphAxes {
        id: axes
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: groups.top
        anchors.bottomMargin: 12
        logMin: 16
        logMax: 20000
        levelTop: 20
        levelBottom: -60
        levelStep: 20

        CrossoverGraphItem {
            id: graph
            objectName: "crossoverGraphItem"
            anchors.fill: parent
            poName: root.poName
            svName: "Crossover"
            waysCount: root.waysCount
            subsCount: root.subsCount
            bandCount: root.waysCount + root.subsCount
            isSubPresent: root.subsCount > 0
            bandColors: root.graphColours()
            currentBandIndex: root.currentBandIndex
            Component.onCompleted: {
                componentCompleted()
                dimensionsChanged()
            }
        }
    }

    Row {
        id: groups
        objectName: "bandGroups"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 286
        spacing: 14
        readonly property int shown: (root.lowVisible ? 1 : 0) + (root.midVisible ? 1 : 0) + (root.highVisible ? 1 : 0)

        Repeater {
            model: ["Low", "Mid", "High"]
            delegate: Rectangle {
                id: group
                objectName: "group" + modelData
                readonly property string prefix: root.prefixOf(modelData)
                readonly property int band: root.bandOf(modelData)
                readonly property color colour: root.groupColour(modelData)
                readonly property bool selected: band === root.currentBandIndex
                // A group not in use binds nothing: its band may not exist on the processor.
                readonly property string boundPo: root.groupVisible(modelData) ? root.poName : ""
                visible: root.groupVisible(modelData)
                width: (groups.width - (Math.max(1, groups.shown) - 1) * groups.spacing) / Math.max(1, groups.shown)
                height: groups.height
                radius: Theme.radius
                color: "#cc1a1f27"
                border.color: selected ? colour : Theme.edge
                border.width: selected ? 2 : 1

                MouseArea {
                    anchors.fill: parent
                    onPressed: {
                        root.currentBandIndex = group.band
                        mouse.accepted = false
                    }
                }

                Row {
                    id: groupTitle
                    x: 14
                    y: 10
                    spacing: 10
                    Rectangle {
                        width: 16; height: 16; radius: 8
                        anchors.verticalCenter: parent.verticalCenter
                        color: group.colour
                    }
                    Text {
                        objectName: "groupTitle"
                        text: root.groupTitle(modelData)
                        color: Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontNormal
                        font.bold: true
                    }
                }

                // Choices on the left (slope types, polarity), numbers on the right.
                Grid {
                    id: fields
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.top: groupTitle.bottom
                    anchors.margins: 14
                    anchors.topMargin: 8
                    columns: 2
                    columnSpacing: 10
                    rowSpacing: 8
                    readonly property real narrow: Math.round((width - columnSpacing) * 0.4)
                    readonly property real wide: width - columnSpacing - narrow

                    Column {
                        width: fields.narrow
                        spacing: 4
                        Text {
                            text: "HP Slope Type"
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                        }
                        TarnComboBox {
                            objectName: "hpSlopeType"
                            width: parent.width
                            poName: group.boundPo
                            svName: group.prefix + "HPType"
                        }
                    }
                    GraphNudgeField {
                        objectName: "hpFrequency"
                        width: fields.wide
                        title: "HP Frequency"
                        poName: group.boundPo
                        svName: group.prefix + "HPFrequency"
                        poClass: "Crossover"
                        svClass: "Frequency"
                    }
                    Column {
                        width: fields.narrow
                        spacing: 4
                        Text {
                            text: "LP Slope Type"
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                        }
                        TarnComboBox {
                            objectName: "lpSlopeType"
                            width: parent.width
                            poName: group.boundPo
                            svName: group.prefix + "LPType"
                        }
                    }
                    GraphNudgeField {
                        objectName: "lpFrequency"
                        width: fields.wide
                        title: "LP Frequency"
                        poName: group.boundPo
                        svName: group.prefix + "LPFrequency"
                        poClass: "Crossover"
                        svClass: "Frequency"
                    }
                    Column {
                        width: fields.narrow
                        spacing: 4
                        Text {
                            text: "Polarity"
                            color: Theme.textDim
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.fontSmall
                        }
                        TarnComboBox {
                            objectName: "polarity"
                            width: parent.width
                            poName: group.boundPo
                            svName: group.prefix + "Polarity"
                        }
                    }
                    GraphNudgeField {
                        objectName: "gain"
                        width: fields.wide
                        title: "Gain"
                        poName: group.boundPo
                        svName: group.prefix + "Gain"
                        poClass: "Crossover"
                        svClass: "Gain"
                    }
                }
            }
        }
    }
}
