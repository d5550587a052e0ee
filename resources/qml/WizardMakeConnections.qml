import QtQuick 2.15
import QtQuick.Controls 2.15
import TarnTextSV 1.0
import WizardDialogProvider 1.0

// What to plug where, from the setup's answers and the processing chain the processor now runs:
// the rear panel with the sockets in use ringed, and a line per connection.
WizardPage {
    id: page
    objectName: "wizardConnectionsPage"

    // Where the sockets sit on the rear-panel picture, as fractions of its width.
    readonly property var inputX: ({ "Input A": 0.10, "Input B": 0.19, "Input C": 0.28, "RTA Mic": 0.39 })
    readonly property var outputX: [0.54, 0.62, 0.70, 0.78, 0.86, 0.94]
    readonly property real socketY: 0.55

    readonly property bool stereo: answer("PaInputFormat") === "Stereo"
    readonly property bool auxSub: answer("UsingSubs") === "Yes" && answer("SubsAuxFed") === "Yes"
    readonly property int bands: parseInt(numBands.value)
    readonly property bool sub: monoSub.value === "1"
    readonly property var connections: {
        var list = []
        var first = answer("FirstPaInput")
        if (first !== "")
            list.push({ "socket": first, "output": false, "text": stereo ? "Console main mix, left" : "Console main mix" })
        if (stereo && answer("SecondPaInput") !== "")
            list.push({ "socket": answer("SecondPaInput"), "output": false, "text": "Console main mix, right" })
        if (auxSub && answer("AuxFedSubInput") !== "")
            list.push({ "socket": answer("AuxFedSubInput"), "output": false, "text": "Console subwoofer send" })
        list.push({ "socket": "RTA Mic", "output": false, "text": "Measurement microphone (Auto EQ)" })
        var outputs = []
        if (sub)
            outputs.push([1, "Subwoofer amplifier"])
        if (bands === 3)
            outputs.push([1, "Low-band amplifier"], [3, "Mid-band amplifier"], [5, "High-band amplifier"])
        else if (bands === 2)
            outputs.push([sub ? 3 : 1, "Main speakers' low-band amplifier"], [5, "Main speakers' high-band amplifier"])
        else if (bands === 1)
            outputs.push([5, "Main speaker amplifier"])
        for (var i = 0; i < outputs.length; ++i)
            list.push({ "socket": outputs[i][0], "output": true, "text": outputs[i][1] + " (left " + outputs[i][0] + ", right " + (outputs[i][0] + 1) + ")" })
        return list
    }

    function answer(name) {
        var sv = answers[name]
        return sv === undefined ? "" : sv.value
    }

    heading: texts.heading
    primaryText: texts.buttonText
    onPrimary: page.sendEvent(texts.svNextVal)

    WizardDialogProvider {
        id: texts
        wizardState: page.wizardState
    }
    readonly property var answers: ({
        "PaInputFormat": paFormat, "FirstPaInput": firstInput, "SecondPaInput": secondInput,
        "UsingSubs": usingSubs, "SubsAuxFed": subsAuxFed, "AuxFedSubInput": auxInput
    })
    TarnTextSV { id: paFormat; poName: "NPO"; svName: "Node\\Wizard\\SV\\PaInputFormat"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: firstInput; poName: "NPO"; svName: "Node\\Wizard\\SV\\FirstPaInput"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: secondInput; poName: "NPO"; svName: "Node\\Wizard\\SV\\SecondPaInput"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: usingSubs; poName: "NPO"; svName: "Node\\Wizard\\SV\\UsingSubs"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: subsAuxFed; poName: "NPO"; svName: "Node\\Wizard\\SV\\SubsAuxFed"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: auxInput; poName: "NPO"; svName: "Node\\Wizard\\SV\\AuxFedSubInput"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: numBands; poName: "Crossover"; svName: "NumBands"; Component.onCompleted: componentCompleted() }
    TarnTextSV { id: monoSub; poName: "Crossover"; svName: "MonoSub"; Component.onCompleted: componentCompleted() }

    Text {
        id: explanation
        anchors.left: parent.left
        anchors.right: parent.right
        text: page.lines(texts.displayText)
        textFormat: Text.PlainText
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontNormal
        wrapMode: Text.WordWrap
    }

    Image {
        id: panel
        objectName: "rearPanel"
        anchors.top: explanation.bottom
        anchors.topMargin: 12
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(parent.width, (parent.height - explanation.height - 12) * 0.45 / 0.27)
        height: width * 0.27
        source: "qrc:/images/Wizards/RearPanel.png"
        fillMode: Image.Stretch
        Repeater {
            model: page.connections
            delegate: Rectangle {
                readonly property real fx: modelData.output ? page.outputX[modelData.socket - 1] : page.inputX[modelData.socket]
                visible: fx !== undefined
                width: panel.height * 0.27
                height: width
                radius: width / 2
                x: panel.width * fx - width / 2
                y: panel.height * page.socketY - height / 2
                color: "transparent"
                border.color: modelData.output ? Theme.ok : Theme.accent
                border.width: 4
            }
        }
        Repeater {
            // The right-hand socket of each output pair.
            model: page.connections
            delegate: Rectangle {
                visible: modelData.output
                width: panel.height * 0.27
                height: width
                radius: width / 2
                x: modelData.output ? panel.width * page.outputX[modelData.socket] - width / 2 : 0
                y: panel.height * page.socketY - height / 2
                color: "transparent"
                border.color: Theme.ok
                border.width: 4
            }
        }
    }

    ListView {
        objectName: "connectionList"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: panel.bottom
        anchors.topMargin: 16
        anchors.bottom: parent.bottom
        clip: true
        spacing: 6
        model: page.connections
        delegate: Row {
            spacing: 14
            height: 34
            Rectangle {
                width: 150
                height: 30
                radius: 6
                color: modelData.output ? "#2640c86e" : "#26f2992e"
                border.color: modelData.output ? Theme.ok : Theme.accent
                Text {
                    anchors.centerIn: parent
                    text: modelData.output ? "Outputs " + modelData.socket + "\u2013" + (modelData.socket + 1) : modelData.socket
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: true
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: (modelData.output ? "\u2192  " : "\u2190  ") + modelData.text
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontNormal
            }
        }
    }
}
