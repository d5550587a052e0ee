// Guards against a root document that loses its always-bound processor values, misses a wizard,
// preset change or lost link, accepts unsafe names, or leaves no way home from a missing screen,
// and a screen tour list read wrongly or taken in part when unsafe (paths, blanks, long lines).
#include "clientconnectionwatchdog.h"
#include "qmltypes.h"
#include "quickitems.h"
#include "remoteconnectionwatchdog.h"
#include "screentour.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QGuiApplication>
#include <QValidator>
#include <QtQml>

namespace {
// Stands in for the controls' text state variable, which registers under the same name: it
// records what the root document binds and lets the test play the processor's values.
class RecordingTextSV : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString poName MEMBER m_poName)
    Q_PROPERTY(QString svName MEMBER m_svName)
    Q_PROPERTY(QString value READ value WRITE setValue NOTIFY valueChanged)
public:
    using QObject::QObject;

    // The first one below `within` bound to svName.
    static RecordingTextSV *find(const QString &svName, const QObject *within)
    {
        for (RecordingTextSV *sv : within->findChildren<RecordingTextSV *>()) {
            if (sv->m_svName == svName)
                return sv;
        }
        return nullptr;
    }

    QString value() const { return m_value; }
    void setValue(const QString &value)
    {
        if (value != m_value)
            emit valueChanged(m_value = value);
    }
    Q_INVOKABLE void componentCompleted() { m_completed = true; }
    Q_INVOKABLE void setValueWithoutFeedback(const QString &value) { m_sent.append(value); }

    QString m_poName, m_svName, m_value;
    bool m_completed = false;
    QStringList m_sent;

signals:
    void valueChanged(QString value);
};
} // namespace

class TstRootDocument : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TarnSettings().clear();
        tarn::registerQmlTypes();
        qmlRegisterType<RecordingTextSV>("TarnTextSV", 1, 0, "TarnTextSV");
        QQmlContext *context = m_engine.rootContext();
        m_flags.insert(QStringLiteral("offlineMode"), false);
        m_flags.insert(QStringLiteral("validationMode"), false);
        context->setContextProperty(QStringLiteral("viewLoader"), &m_flags);
        context->setContextProperty(QStringLiteral("clientConnectionWatchdog"), ClientConnectionWatchDog::instance());
        context->setContextProperty(QStringLiteral("remoteConnectionWatchdog"), RemoteConnectionWatchDog::instance());
        context->setContextProperty(QStringLiteral("offlineModeSupported"), true);
        context->setContextProperty(QStringLiteral("screenDpiX"), 1.5);
        context->setContextProperty(QStringLiteral("screenDpiY"), 2.0);

        QQmlComponent component(&m_engine, QUrl(QStringLiteral("qrc:/qml/main.qml")));
        QObject *object = component.create();
        QVERIFY2(object, qPrintable(component.errorString()));
        m_root = qobject_cast<QQuickItem *>(object);
        QVERIFY(m_root);
        m_gui = std::make_unique<QSignalSpy>(m_root, SIGNAL(guiSignal(QString, QString)));
    }

    void cleanupTestCase() { delete m_root; }

    void membersAndStart()
    {
        QCOMPARE(m_root->property("startUpScreenVisible").toBool(), true);
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::IsConfigMode)), QStringLiteral("false"));

        // The processor-wide state variables, bound and subscribed for the whole run.
        const QPair<const char *, const char *> bindings[] = {{"NPO", "Node\\SV\\HardwareVersion"}, {"Presets", "CurrentPreset"},
            {"NPO", "Node\\Wizard\\SV\\WizardState"}, {"NPO", "Node\\Wizard\\SV\\LevelAssistOutput"}, {"NPO", "Node\\Config\\SV\\Progress"}};
        for (const auto &b : bindings) {
            RecordingTextSV *bound = sv(QString::fromLatin1(b.second));
            QVERIFY2(bound && bound->m_completed, b.second);
            QCOMPARE(bound->m_poName, QString::fromLatin1(b.first));
        }
        QCOMPARE(sv(QStringLiteral("Node\\Wizard\\SV\\WizardState"))->value(), QStringLiteral("Inactive"));

        // The hardware variant feeds strDeviceType.
        sv(QStringLiteral("Node\\SV\\HardwareVersion"))->setValue(QStringLiteral("Dante"));
        QCOMPARE(m_root->property("strDeviceType").toString(), QStringLiteral("Dante"));

        QSignalSpy timeout(m_root, SIGNAL(timeout()));
        QMetaObject::invokeMethod(m_root, "onTimeOutError");
        QCOMPARE(timeout.count(), 1);
    }

    void wizardPresetAndLinkLoss()
    {
        RecordingTextSV *wizard = sv(QStringLiteral("Node\\Wizard\\SV\\WizardState"));
        RecordingTextSV *level = sv(QStringLiteral("Node\\Wizard\\SV\\LevelAssistOutput"));
        RecordingTextSV *preset = sv(QStringLiteral("CurrentPreset"));
        QVERIFY(wizard && level && preset);
        raised();

        // A wizard opens the wizard screen, "Inactive" ends it; both clear the sub-state. Empty means
        // no wizard: nothing changes.
        const struct {
            const char *value, *state, *subState;
        } steps[] = {{"SystemSetup", "SystemSetup", ""}, {"Inactive", "Inactive", ""}, {"", "Keep", "page"}};
        for (const auto &step : steps) {
            m_root->setProperty("wizardState", QStringLiteral("Keep"));
            m_root->setProperty("wizardSubState", QStringLiteral("page"));
            wizard->setValue(QLatin1String(step.value));
            QCOMPARE(m_root->property("wizardState").toString(), QLatin1String(step.state));
            QCOMPARE(m_root->property("wizardSubState").toString(), QLatin1String(step.subState));
        }
        QCOMPARE(raised(), QStringList{"Wizard"});

        // Another preset sends a block screen home; the preset screen itself stays where it is.
        QMetaObject::invokeMethod(m_root, "funcLastScreen", Q_ARG(QVariant, QStringLiteral("PEQ")));
        preset->setValue(QStringLiteral("Preset 4"));
        QCOMPARE(raised(), QStringList{"HomeButtonPressed"});
        QMetaObject::invokeMethod(m_root, "funcLastScreen", Q_ARG(QVariant, QStringLiteral("Preset")));
        preset->setValue(QStringLiteral("Preset 5"));
        QCOMPARE(raised(), QStringList());

        // Either link lost: back to discovery, the wizard ended and its values forgotten.
        for (QObject *watchdog : {static_cast<QObject *>(RemoteConnectionWatchDog::instance()),
                                  static_cast<QObject *>(ClientConnectionWatchDog::instance())}) {
            wizard->setValue(QStringLiteral("AutoEQ"));
            level->setValue(QStringLiteral("-12 dB"));
            raised();
            QVERIFY(QMetaObject::invokeMethod(watchdog, "connectionLost"));
            QCOMPARE(raised(), QStringList{"DeviceDiscovery"});
            QCOMPARE(m_root->property("wizardState").toString(), QStringLiteral("Inactive"));
            QCOMPARE(wizard->value() + level->value(), QString());
        }
    }

    void nameValidator()
    {
        auto *validator = qvariant_cast<QValidator *>(m_root->property("nameValidator"));
        QVERIFY(validator);
        auto check = [validator](QString text) {
            int pos = 0;
            return validator->validate(text, pos);
        };
        QCOMPARE(check(QStringLiteral("a!#$%&'()+,-.=[]^_\\{}~@z 09")), QValidator::Acceptable);
        for (const char *refused : {"bad\"quote", "semi;colon", "slash/", "line\nbreak"})
            QCOMPARE(check(QString::fromLatin1(refused)), QValidator::Invalid);
    }

    void pageLoading()
    {
        auto *loader = m_root->findChild<QObject *>(QStringLiteral("pageLoader"));
        QVERIFY(loader);
        loadPage(QStringLiteral("qrc:/qml/main.qml"), QStringLiteral("HelpAGC.jpg"));
        QCOMPARE(loader->property("source").toUrl(), QUrl());
        QCOMPARE(m_root->property("strHelpFileName").toString(), QStringLiteral("/images/Help/HelpAGC.jpg"));

        // Discovery keeps the start-up panel up; it is the user who dismisses it.
        loadPage(QStringLiteral("qrc:/qml/TarnDiscovery.qml"), QString());
        QCOMPARE(loader->property("source").toUrl(), QUrl(QStringLiteral("qrc:/qml/TarnDiscovery.qml")));
        QCOMPARE(m_root->property("strHelpFileName").toString(), QString());
        QVERIFY(m_root->property("startUpScreenVisible").toBool());
        QVERIFY(m_root->findChild<QObject *>(QStringLiteral("discoveryScreen")));
        QVERIFY(QMetaObject::invokeMethod(m_root->findChild<QObject *>(QStringLiteral("searchForDevicesButton")), "clicked"));
        QVERIFY(!m_root->property("startUpScreenVisible").toBool());
        QVERIFY(m_root->findChild<QObject *>(QStringLiteral("discoveryScreen")));

        // A screen this build lacks leaves a way home.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("NoSuchScreen.qml")));
        loadPage(QStringLiteral("qrc:/qml/NoSuchScreen.qml"), QString());
        auto *fallback = m_root->findChild<QQuickItem *>(QStringLiteral("screenUnavailable"));
        QVERIFY(fallback && fallback->isVisible());
        QVERIFY(fallback->findChild<QObject *>(QStringLiteral("homeButton")));
    }

    void menuBarMutesAndIndicator()
    {
        loadPage(QStringLiteral("qrc:/qml/TarnHomeScreen.qml"), QStringLiteral("HomeScreen.jpg"));
        QObject *home = m_root->findChild<QObject *>(QStringLiteral("homeScreen"));
        QVERIFY(home);
        QVERIFY(!m_root->property("startUpScreenVisible").toBool());

        RecordingTextSV *modified = RecordingTextSV::find(QStringLiteral("Node\\Settings\\SV\\PresetIsModified"), home);
        auto *indicator = home->findChild<QQuickItem *>(QStringLiteral("presetModifiedIndicator"));
        QVERIFY(modified && indicator && !indicator->isVisible());
        modified->setValue(QStringLiteral("On"));
        QVERIFY(indicator->isVisible());
        modified->setValue(QStringLiteral("Off"));
        QVERIFY(!indicator->isVisible());

        RecordingTextSV *mute3 = RecordingTextSV::find(QStringLiteral("Channel_3_Mute"), home);
        QVERIFY(mute3);
        QCOMPARE(mute3->m_poName, QStringLiteral("OutputGains"));
        QVERIFY(sv(QStringLiteral("Channel_6_Mute")));
        QObject *button = tarn::test::findItem(home, QStringLiteral("mute3"));
        QVERIFY(QMetaObject::invokeMethod(button, "clicked"));
        QCOMPARE(mute3->m_sent, QStringList({QStringLiteral("On")}));
        mute3->setValue(QStringLiteral("On"));
        QVERIFY(button->property("muted").toBool());
        QMetaObject::invokeMethod(button, "clicked");
        QCOMPARE(mute3->m_sent.last(), QStringLiteral("Off"));

        // Navigation buttons raise their commands; configuration mode disables them.
        raised();
        const QPair<const char *, const char *> buttons[] = {{"homeButton", "HomeButtonPressed"}, {"presetsButton", "Presets"},
            {"wizardButton", "Wizard"}, {"utilitiesButton", "Utilities"}, {"discoveryButton", "DeviceDiscovery"}};
        for (const auto &b : buttons) {
            QVERIFY2(QMetaObject::invokeMethod(home->findChild<QObject *>(QLatin1String(b.first)), "clicked"), b.first);
            QCOMPARE(raised(), QStringList{QLatin1String(b.second)});
        }
        m_root->setProperty("rootCfgMode", true);
        QVERIFY(!home->findChild<QObject *>(QStringLiteral("homeButton"))->property("enabled").toBool());
        auto *tint = home->findChild<QQuickItem *>(QStringLiteral("configTint"));
        QVERIFY(tint && tint->isVisible());
        m_root->setProperty("rootCfgMode", false);

        // The offline and validation tints follow the view loader's flags.
        auto *offlineTint = home->findChild<QQuickItem *>(QStringLiteral("offlineTint"));
        QVERIFY(offlineTint && !offlineTint->isVisible());
        m_flags.insert(QStringLiteral("offlineMode"), true);
        QVERIFY(offlineTint->isVisible());
        m_flags.insert(QStringLiteral("offlineMode"), false);
    }

    void discoveryScreenFlows()
    {
        // Opening after a lost link says so.
        RemoteConnectionWatchDog::instance()->setProperty("connectionAvailable", false);
        loadPage(QStringLiteral("qrc:/qml/TarnDiscovery.qml"), QString());
        QObject *discovery = m_root->findChild<QObject *>(QStringLiteral("discoveryScreen"));
        QVERIFY(discovery);
        QCOMPARE(discovery->property("message").toString(), QStringLiteral("Connection to Cadenzo Tarn was lost!"));
        RemoteConnectionWatchDog::instance()->setProperty("connectionAvailable", true);
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::DelayPOJson)), QStringLiteral("{}"));
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CloudFirmwareVersion)), QStringLiteral("0.0.0.0"));

        // Picking a processor connects with the default password; a refusal asks for another.
        raised();
        QMetaObject::invokeMethod(discovery, "connectTo", Q_ARG(QVariant, QStringLiteral("10.1.2.3")),
                                  Q_ARG(QVariant, QStringLiteral("Stage")));
        QCOMPARE(raised(), QStringList{"ConnectDevice 10.1.2.3:stagemanagers"});
        QMetaObject::invokeMethod(m_root, "messageFromBackend", Q_ARG(QVariant, QStringLiteral("IncorrectPassword")));
        auto *dialog = m_root->findChild<QObject *>(QStringLiteral("passwordDialog"));
        QTRY_VERIFY(dialog && dialog->property("visible").toBool());
        QVERIFY(m_root->findChild<QObject *>(QStringLiteral("passwordField"))->setProperty("text", QStringLiteral("s3cret")));
        QMetaObject::invokeMethod(m_root->findChild<QObject *>(QStringLiteral("loginButton")), "clicked");
        QCOMPARE(raised(), QStringList{"EnterPassword 10.1.2.3:s3cret"});

        // No answer in time: the attempt is dropped and the user told.
        QMetaObject::invokeMethod(m_root, "onTimeOutError");
        QCOMPARE(raised(), QStringList{"DisconnectDevice"});
        QVERIFY(discovery->property("message").toString().contains(QStringLiteral("10.1.2.3")));
        QCOMPARE(discovery->property("connectingTo").toString(), QString());

        // A typed text that is no address is refused before anything is sent.
        QMetaObject::invokeMethod(discovery, "probe", Q_ARG(QVariant, QStringLiteral("10.0.0.300")));
        QVERIFY(discovery->property("message").toString().contains(QStringLiteral("is not an IPv4 address")));
        QVERIFY(!discovery->property("probing").toBool());

        // The offline model, with the chosen hardware variant.
        QMetaObject::invokeMethod(discovery, "startOfflineModel");
        QCOMPARE(raised(), QStringList{"ConnectOfflineModel Standard"});
        QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::DatabaseHardwareType)), QStringLiteral("Standard"));

        // Backend failures (the offline model did not start) are shown.
        QMetaObject::invokeMethod(m_root, "messageFromBackend", Q_ARG(QVariant, QStringLiteral("The offline model crashed while starting.")));
        QCOMPARE(discovery->property("message").toString(), QStringLiteral("The offline model crashed while starting."));
        QCOMPARE(discovery->property("connectingTo").toString(), QString());
    }

    // A list is taken whole (document|command|payload of each stop) or not at all (the reason told).
    void tourList_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("read") << QByteArray("# comment\n\nTarnHomeScreen\tHomeButtonPressed\t-\r\nScreenOutputMeters\t3\tOutput 3\n"
                                            "  ScreenRTA\tRTA\t-  \n")
                              << "TarnHomeScreen|HomeButtonPressed|, ScreenOutputMeters|3|Output 3, ScreenRTA|RTA|";
        QTest::newRow("two fields") << QByteArray("A\tB\n") << QStringLiteral("line 1: three fields");
        QTest::newRow("blanks for tabs") << QByteArray("# x\nA B C\n") << QStringLiteral("line 2: three fields");
        QTest::newRow("path in the name") << QByteArray("../../etc/x\tRTA\t-\n") << QStringLiteral("no document name");
        QTest::newRow("file suffix") << QByteArray("ScreenRTA.qml\tRTA\t-\n") << QStringLiteral("no document name");
        QTest::newRow("empty command") << QByteArray("ScreenRTA\t\t-\n") << QStringLiteral("empty or overlong");
        QTest::newRow("long payload") << QByteArray("ScreenRTA\tRTA\t" + QByteArray(300, 'x') + "\n")
                                      << QStringLiteral("empty or overlong");
        QByteArray many;
        for (int i = 0; i <= tarn::ScreenTour::kMaxStops; ++i)
            many += "ScreenRTA\tRTA\t-\n";
        QTest::newRow("too many stops") << many << QStringLiteral("more than");
        QTest::newRow("too long") << QByteArray(tarn::ScreenTour::kMaxListBytes + 1, '#') << QStringLiteral("longer than");
    }

    void tourList()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, result);
        QList<tarn::ScreenTour::Stop> stops{{QStringLiteral("Kept"), QStringLiteral("x"), QString()}};
        QString error;
        const bool read = tarn::ScreenTour::parse(text, &stops, &error);
        QStringList taken;
        for (const tarn::ScreenTour::Stop &stop : stops)
            taken << stop.document + QLatin1Char('|') + stop.command + QLatin1Char('|') + stop.payload;
        if (read) {
            QCOMPARE(taken.join(QLatin1String(", ")), result);
        } else {
            QVERIFY2(error.contains(result), qPrintable(error));
            QCOMPARE(taken, QStringList{"Kept|x|"});
        }
    }

private:
    void loadPage(const QString &document, const QString &help)
    {
        QMetaObject::invokeMethod(m_root, "pageLoadSlot", Q_ARG(QVariant, document), Q_ARG(QVariant, help));
    }
    // The root document's value of that name, as the processor plays it.
    RecordingTextSV *sv(const QString &name) const { return RecordingTextSV::find(name, m_root); }
    // The commands the root document raised since the last call, as "command payload".
    QStringList raised()
    {
        QStringList commands;
        for (const QVariantList &signal : qAsConst(*m_gui))
            commands << (signal.at(0).toString() + QLatin1Char(' ') + signal.at(1).toString()).trimmed();
        m_gui->clear();
        return commands;
    }

    QQmlEngine m_engine;
    QQmlPropertyMap m_flags; // the view loader's mode flags
    QQuickItem *m_root = nullptr;
    std::unique_ptr<QSignalSpy> m_gui;
};

TARN_TEST_MAIN(TstRootDocument, QGuiApplication)
#include "tst_rootdocument.moc"
