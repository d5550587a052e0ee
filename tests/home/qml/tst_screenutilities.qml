// Guards against utility strips that are missing, run off the screen or raise the wrong command.
import QtQuick 2.15
import QtTest 1.15
import AppAnalytics 1.0
import TarnTest 1.0
import TarnSettings 1.0
import "qrc:/qml"
import "screenhelpers.js" as H

Item {
    id: rootQML
    width: 1024
    height: 768

    signal guiSignal(string param, string payload)
    property var appDataStore: null
    property string strHelpFileName: ""
    property bool rootCfgMode: false
    // The root document's validator for names the user types.
    property RegularExpressionValidator nameValidator: RegularExpressionValidator {
        regularExpression: /[A-Za-z0-9 !#$%&'()+,\-.=\[\]^_\\{}~@]*/
    }
    function funcLastScreen(name) {}

    TarnSettings { id: settings }
    Component {
        id: screenComponent
        ScreenUtilities {}
    }

    TestCase {
        name: "ScreenUtilities"
        when: windowShown

        function type(text) {
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i])
        }

        function test_deviceName() {
            TestLink.clearSent()
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            verify(TestLink.count(H.nodeLine("sub", "Node\\SV\\DeviceName")) >= 1)
            TestLink.offer("subr", "NPO", "Node\\SV\\DeviceName", "Cadenzo Tarn")
            var field = H.find(screen, "deviceNameField")
            var rename = H.find(screen, "renameButton")
            compare(field.text, "Cadenzo Tarn")
            compare(field.validator, rootQML.nameValidator)
            verify(!rename.enabled)

            // Characters outside the name set are not taken.
            field.forceActiveFocus()
            field.selectAll()
            type("Stage/Left:1")
            compare(field.text, "StageLeft1")
            field.selectAll()
            type("Stage Left")
            verify(rename.enabled)
            mouseClick(rename)
            tryVerify(function() { return TestLink.count(H.nodeLine("set", "Node\\SV\\DeviceName", "Stage Left")) === 1 })
            compare(screen.pendingName, "Stage Left")
            verify(H.texts(screen).indexOf("Renaming\u2026") >= 0)
            // Shown as taken only when the processor reports it.
            TestLink.offer("subr", "NPO", "Node\\SV\\DeviceName", "Stage Left")
            compare(screen.pendingName, "")
            compare(screen.nameMessage, "Name changed.")
            compare(field.text, "Stage Left")

            // A name the processor does not take: after a while the field shows its name again.
            field.forceActiveFocus()
            field.selectAll()
            type("Refused")
            keyClick(Qt.Key_Return)
            tryVerify(function() { return TestLink.count(H.nodeLine("set", "Node\\SV\\DeviceName", "Refused")) === 1 })
            tryCompare(screen, "nameMessage", "The processor did not take this name.", 6000)
            compare(field.text, "Stage Left")
            compare(screen.pendingName, "")
        }

        function test_rebootAsksFirst() {
            TestLink.clearSent()
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var rebootLine = H.nodeLine("set", "Node\\SV\\Reboot", "1")
            mouseClick(H.find(screen, "rebootButton"))
            tryCompare(screen.rebootDialog, "opened", true)
            mouseClick(H.find(screen.rebootDialog.contentItem, "rebootCancel"))
            tryCompare(screen.rebootDialog, "visible", false)
            compare(TestLink.count(rebootLine), 0)

            mouseClick(H.find(screen, "rebootButton"))
            tryCompare(screen.rebootDialog, "opened", true)
            mouseClick(H.find(screen.rebootDialog.contentItem, "rebootConfirm"))
            tryCompare(screen.rebootDialog, "visible", false)
            compare(TestLink.count(rebootLine), 1)
        }

        function test_applicationChoices() {
            settings.setValue("Data/appAnalytics", "true")
            settings.remove("Data/checkOnStart")
            var screen = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(screen)
            var analytics = H.find(H.find(screen, "analyticsSwitch"), "switch")
            var check = H.find(H.find(screen, "checkOnStartSwitch"), "switch")
            verify(analytics.checked)
            // Absent means on.
            verify(check.checked)
            mouseClick(analytics)
            compare(settings.value("Data/appAnalytics"), "false")
            // The analytics client itself follows the switch.
            verify(!AppAnalytics.isAnalyticsAllowed)
            mouseClick(check)
            compare(settings.value("Data/checkOnStart"), "false")
            var again = createTemporaryObject(screenComponent, rootQML)
            waitForRendering(again)
            verify(!H.find(H.find(again, "analyticsSwitch"), "switch").checked)
            verify(!H.find(H.find(again, "checkOnStartSwitch"), "switch").checked)
            mouseClick(H.find(H.find(again, "analyticsSwitch"), "switch"))
            compare(settings.value("Data/appAnalytics"), "true")
            verify(AppAnalytics.isAnalyticsAllowed)
        }
    }
}
