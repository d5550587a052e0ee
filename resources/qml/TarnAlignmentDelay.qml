import QtQuick 2.15
import "BlockEntries.js" as Entries

// One delay, as its control descriptor binds it: the amount as time and as distance (each field
// keeps the part of the processor's value text in its unit, and an edit is sent in that unit),
// a slider with step buttons, and a picture of the distance the delay makes up for.
Item {
    id: delay

    property var descriptor: null
    readonly property string poName: descriptor !== null && descriptor.valid ? descriptor.poName : ""
    readonly property var controls: descriptor !== null && descriptor.valid ? descriptor.controls : []
    readonly property var amountEntry: Entries.first(Entries.ofKind(controls, "number"))
    readonly property var fieldEntries: Entries.ofKind(controls, "text")
    // The distance in metres as the processor reports it (NaN before the first value).
    readonly property real metres: {
        for (var i = 0; i < fields.count; ++i) {
            var f = fields.itemAt(i)
            if (f !== null && f.unit === "m" && f.labelValue !== "")
                return parseFloat(f.labelValue)
        }
        return NaN
    }
    readonly property alias amount: amountRow

    BlockPanel {
        id: amountPanel
        objectName: "delayAmountPanel"
        width: parent.width
        height: contentTop + fieldRow.height + 18 + amountRow.height + 20
        caption: "Amount"

        Row {
            id: fieldRow
            x: amountPanel.padding
            y: amountPanel.contentTop
            spacing: 16
            Repeater {
                id: fields
                model: delay.fieldEntries
                delegate: TarnCustomTextField {
                    objectName: "delayField_" + modelData.unit
                    width: (amountPanel.width - 2 * amountPanel.padding - 2 * fieldRow.spacing) / 3
                    poName: modelData.po
                    svName: modelData.sv
                    title: modelData.label
                    unit: modelData.unit
                    validator: RegularExpressionValidator { regularExpression: /[0-9]{0,5}([.,][0-9]{0,3})?/ }
                }
            }
        }
        BlockParameter {
            id: amountRow
            objectName: "delayAmount"
            x: amountPanel.padding
            y: fieldRow.y + fieldRow.height + 18
            width: amountPanel.width - 2 * amountPanel.padding
            entry: delay.amountEntry
        }
    }

    // The delay stands for the extra distance from the main speakers to the listener that a
    // delayed (fill or back-line) source makes up for.
    BlockPanel {
        id: picture
        objectName: "delayPicture"
        anchors.top: amountPanel.bottom
        anchors.topMargin: 12
        anchors.bottom: parent.bottom
        width: parent.width
        caption: "Distance the delay makes up"

        readonly property real trackLeft: speaker.x + speaker.width + 28
        readonly property real trackRight: width - padding - 30
        readonly property real trackY: speaker.y + speaker.height / 2
        // Along the ruler distances grow with their square root, so that short delays show
        // and a second (343 m) still fits.
        readonly property real longest: 343
        function xOf(m) {
            return trackLeft + (trackRight - trackLeft) * Math.sqrt(Math.max(0, Math.min(longest, m)) / longest)
        }
        readonly property real farX: xOf(isNaN(delay.metres) ? 0 : delay.metres)

        Rectangle {
            id: speaker
            x: picture.padding + 10
            y: picture.contentTop + (picture.height - picture.contentTop - 70) / 2 - height / 2
            width: 56; height: 92; radius: 6
            color: Theme.surfaceRaised
            border.color: Theme.edge
            Rectangle { x: 14; y: 10; width: 28; height: 28; radius: 14; color: Theme.well; border.color: Theme.textDim }
            Rectangle { x: 9; y: 46; width: 38; height: 38; radius: 19; color: Theme.well; border.color: Theme.textDim }
        }
        Text {
            anchors.horizontalCenter: speaker.horizontalCenter
            anchors.top: speaker.bottom
            anchors.topMargin: 6
            text: "Source"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontCaption
        }
        // The ruler.
        Rectangle {
            x: picture.trackLeft
            y: picture.trackY - 1
            width: picture.trackRight - picture.trackLeft
            height: 2
            color: Theme.edge
        }
        Repeater {
            model: [0, 2, 5, 10, 20, 50, 100, 200, 343]
            delegate: Item {
                x: picture.xOf(modelData)
                y: picture.trackY
                Rectangle { x: -0.5; y: 6; width: 1; height: 8; color: Theme.textDim }
                Text {
                    x: -width / 2
                    y: 18
                    text: modelData + (modelData === 343 ? "\u2009m" : "")
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: 12
                }
            }
        }
        Rectangle {
            // How far the sound travels in the delay.
            objectName: "delayReach"
            x: picture.trackLeft
            y: picture.trackY - 3
            width: Math.max(0, picture.farX - picture.trackLeft)
            height: 6
            radius: 3
            color: Theme.accent
            Behavior on width { NumberAnimation { duration: 120 } }
        }
        Repeater {
            // Wave fronts on their way.
            model: 3
            delegate: Rectangle {
                readonly property real at: picture.trackLeft + (picture.farX - picture.trackLeft) * (index + 1) / 4
                visible: picture.farX - picture.trackLeft > 60
                x: at - width / 2
                y: picture.trackY - height / 2
                width: 18
                height: 40 + index * 10
                radius: width / 2
                color: "transparent"
                border.color: Theme.accent
                border.width: 2
                opacity: 0.25 + 0.2 * index
            }
        }
        Rectangle {
            id: marker
            x: picture.farX - width / 2
            y: picture.trackY - height / 2
            width: 22; height: 22; radius: 11
            color: Theme.accent
            border.color: Theme.window
            border.width: 2
            Behavior on x { NumberAnimation { duration: 120 } }
        }
        Text {
            objectName: "delayDistance"
            x: Math.max(picture.trackLeft - 10, Math.min(picture.trackRight - width + 20, marker.x + marker.width / 2 - width / 2))
            anchors.bottom: marker.top
            anchors.bottomMargin: 12
            text: isNaN(delay.metres) ? "\u2014" : delay.metres.toFixed(2) + "\u2009m"
            color: Theme.valueText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontLarge
            font.bold: true
        }
        Text {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: picture.padding
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: "Sound travels about 0.343 m per millisecond. Delay a source by the time its sound "
                  + "needs for the extra distance, and it arrives together with the rest of the system."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
    }
}
