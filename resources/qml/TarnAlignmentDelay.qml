import QtQuick 2.15
import "BlockSpecs.js" as Specs

// One delay, as its control descriptor binds it: the amount as time and as distance (each field
// keeps the part of the processor's value text in its unit, and an edit is sent in that unit),
// a slider with step buttons, and a picture of the distance the delay makes up for.
Item {
    id: delay

    property var descriptor: null
    readonly property string poName: descriptor !== null && descriptor.valid ? descriptor.poName : ""
    readonly property var controls: descriptor !== null && descriptor.valid ? descriptor.controls : []
    readonly property var amountSpec: Specs.first(Specs.ofKind(controls, "number"))
    readonly property var fieldSpecs: Specs.ofKind(controls, "text")
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
        caption: "Delay"

        Row {
            id: fieldRow
            x: amountPanel.padding
            y: amountPanel.contentTop
            spacing: 16
            Repeater {
                id: fields
                model: delay.fieldSpecs
                delegate: TarnCustomTextField {
                    objectName: "delayField_" + modelData.unit
                    width: (amountPanel.width - 2 * amountPanel.padding - 2 * fieldRow.spacing) / 3
                    poName: modelData.po
                    svName: modelData.sv
                    title: modelData.label + " (" + modelData.unit + ")"
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
            spec: delay.amountSpec
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
        caption: "Distance made up"

        readonly property real trackLeft: padding + 90
        readonly property real trackRight: width - padding - 90
        // Positions along the track grow with the square root of the distance, so short
        // delays still show; 343 m is one second.
        readonly property real share: isNaN(delay.metres) ? 0 : Math.min(1, Math.sqrt(Math.max(0, delay.metres) / 343))
        readonly property real farX: trackLeft + (trackRight - trackLeft) * share

        Rectangle {
            id: speaker
            x: picture.padding + 20
            y: picture.height / 2 - height / 2 + 10
            width: 46; height: 78; radius: 6
            color: Theme.surfaceRaised
            border.color: Theme.edge
            Rectangle { x: 11; y: 10; width: 24; height: 24; radius: 12; color: Theme.well; border.color: Theme.textDim }
            Rectangle { x: 7; y: 40; width: 32; height: 32; radius: 16; color: Theme.well; border.color: Theme.textDim }
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
        Rectangle {
            // The distance line.
            x: picture.trackLeft
            y: speaker.y + speaker.height / 2 - 1
            width: Math.max(0, picture.farX - picture.trackLeft)
            height: 3
            radius: 1.5
            color: Theme.accent
        }
        Repeater {
            // Wave fronts on their way.
            model: 3
            delegate: Rectangle {
                readonly property real at: picture.trackLeft + (picture.farX - picture.trackLeft) * (index + 1) / 4
                visible: picture.share > 0.05
                x: at - width / 2
                y: speaker.y + speaker.height / 2 - height / 2
                width: 22
                height: 44 + index * 8
                radius: width / 2
                color: "transparent"
                border.color: Theme.accent
                border.width: 2
                opacity: 0.25 + 0.2 * index
            }
        }
        Rectangle {
            id: listener
            x: picture.farX - width / 2
            y: speaker.y + speaker.height / 2 - height / 2
            width: 30; height: 30; radius: 15
            color: Theme.accent
            Behavior on x { NumberAnimation { duration: 120 } }
        }
        Text {
            objectName: "delayDistance"
            anchors.horizontalCenter: listener.horizontalCenter
            anchors.bottom: listener.top
            anchors.bottomMargin: 10
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
            text: "Sound travels about 0.343 m per millisecond: delay a source by the time its sound needs to cover the extra distance, so it lines up with the rest of the system."
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
    }
}
