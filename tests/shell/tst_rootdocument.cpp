// Guards against a root document that loses its always-bound processor values, misses a wizard,
// preset change or lost link, accepts unsafe names, or leaves no way home from a missing screen.
#include "clientconnectionwatchdog.h"
#include "qmltypes.h"
#include "quickitems.h"
#include "remoteconnectionwatchdog.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
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
        if (value == m_value)
            return;
        m_value = value;
        emit valueChanged(value);
    }
    Q_INVOKABLE void componentCompleted() { m_completed = true; }
    Q_INVOKABLE void setValueWithoutFeedback(const QString &value) { m_sent.append(value); }

    QString m_poName, m_svName, m_value;
    bool m_completed = false;
    QStringList m_sent;

signals:
    void valueChanged(QString value);
};

class ModeFlags : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool offlineMode MEMBER offlineMode NOTIFY changed)
    Q_PROPERTY(bool validationMode MEMBER validationMode NOTIFY changed)
public:
    bool offlineMode = false;
    bool validationMode = false;
signals:
    void changed();
};
} // namespace

class TstRootDocument : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void membersAndStart();
    void wizardStateReactions();
    void presetChangeSendsHome();
    void connectionLossReturnsToDiscovery();
    void nameValidator();
    void pageLoading();
    void menuBarMutesAndIndicator();
    void discoveryScreenFlows();

private:
    QQmlEngine m_engine;
    ModeFlags m_flags;
    QQuickItem *m_root = nullptr;
};

void TstRootDocument::initTestCase()
{
    TarnSettings().clear();
    tarn::registerQmlTypes();
    qmlRegisterType<RecordingTextSV>("TarnTextSV", 1, 0, "TarnTextSV");
    QQmlContext *context = m_engine.rootContext();
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
}

void TstRootDocument::cleanupTestCase()
{
    delete m_root;
}

void TstRootDocument::membersAndStart()
{
    QCOMPARE(m_root->property("startUpScreenVisible").toBool(), true);
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::IsConfigMode)), QStringLiteral("false"));

    // The processor-wide state variables, bound and subscribed for the whole run.
    struct Binding {
        const char *po;
        const char *sv;
    };
    for (const Binding &b : {Binding{"NPO", "Node\\SV\\HardwareVersion"}, Binding{"Presets", "CurrentPreset"},
                             Binding{"NPO", "Node\\Wizard\\SV\\WizardState"},
                             Binding{"NPO", "Node\\Wizard\\SV\\LevelAssistOutput"},
                             Binding{"NPO", "Node\\Config\\SV\\Progress"}}) {
        RecordingTextSV *sv = RecordingTextSV::find(QString::fromLatin1(b.sv), m_root);
        QVERIFY2(sv, b.sv);
        QCOMPARE(sv->m_poName, QString::fromLatin1(b.po));
        QVERIFY(sv->m_completed);
    }
    QCOMPARE(RecordingTextSV::find(QStringLiteral("Node\\Wizard\\SV\\WizardState"), m_root)->value(), QStringLiteral("Inactive"));

    // The hardware variant feeds strDeviceType.
    RecordingTextSV::find(QStringLiteral("Node\\SV\\HardwareVersion"), m_root)->setValue(QStringLiteral("Dante"));
    QCOMPARE(m_root->property("strDeviceType").toString(), QStringLiteral("Dante"));

    QSignalSpy timeout(m_root, SIGNAL(timeout()));
    QMetaObject::invokeMethod(m_root, "onTimeOutError");
    QCOMPARE(timeout.count(), 1);
}

void TstRootDocument::wizardStateReactions()
{
    QSignalSpy gui(m_root, SIGNAL(guiSignal(QString, QString)));
    RecordingTextSV *wizard = RecordingTextSV::find(QStringLiteral("Node\\Wizard\\SV\\WizardState"), m_root);
    QVERIFY(wizard);

    m_root->setProperty("wizardSubState", QStringLiteral("page 2"));
    wizard->setValue(QStringLiteral("SystemSetup"));
    QCOMPARE(gui.count(), 1);
    QCOMPARE(gui.at(0), QVariantList({QStringLiteral("Wizard"), QString()}));
    QCOMPARE(m_root->property("wizardState").toString(), QStringLiteral("SystemSetup"));
    QCOMPARE(m_root->property("wizardSubState").toString(), QString());

    m_root->setProperty("wizardSubState", QStringLiteral("page 3"));
    wizard->setValue(QStringLiteral("Inactive"));
    QCOMPARE(gui.count(), 1);
    QCOMPARE(m_root->property("wizardState").toString(), QStringLiteral("Inactive"));
    QCOMPARE(m_root->property("wizardSubState").toString(), QString());

    // Empty: no wizard, nothing changes.
    m_root->setProperty("wizardState", QStringLiteral("Keep"));
    wizard->setValue(QString());
    QCOMPARE(gui.count(), 1);
    QCOMPARE(m_root->property("wizardState").toString(), QStringLiteral("Keep"));
}

void TstRootDocument::presetChangeSendsHome()
{
    QSignalSpy gui(m_root, SIGNAL(guiSignal(QString, QString)));
    RecordingTextSV *preset = RecordingTextSV::find(QStringLiteral("CurrentPreset"), m_root);
    QVERIFY(preset);
    QMetaObject::invokeMethod(m_root, "funcLastScreen", Q_ARG(QVariant, QStringLiteral("PEQ")));
    preset->setValue(QStringLiteral("Preset 4"));
    QCOMPARE(gui.count(), 1);
    QCOMPARE(gui.at(0), QVariantList({QStringLiteral("HomeButtonPressed"), QString()}));

    // The preset screen itself stays where it is.
    QMetaObject::invokeMethod(m_root, "funcLastScreen", Q_ARG(QVariant, QStringLiteral("Preset")));
    preset->setValue(QStringLiteral("Preset 5"));
    QCOMPARE(gui.count(), 1);
}

void TstRootDocument::connectionLossReturnsToDiscovery()
{
    RecordingTextSV *wizard = RecordingTextSV::find(QStringLiteral("Node\\Wizard\\SV\\WizardState"), m_root);
    RecordingTextSV *level = RecordingTextSV::find(QStringLiteral("Node\\Wizard\\SV\\LevelAssistOutput"), m_root);
    QSignalSpy gui(m_root, SIGNAL(guiSignal(QString, QString)));

    for (QObject *watchdog : {static_cast<QObject *>(RemoteConnectionWatchDog::instance()),
                              static_cast<QObject *>(ClientConnectionWatchDog::instance())}) {
        wizard->setValue(QStringLiteral("AutoEQ"));
        level->setValue(QStringLiteral("-12 dB"));
        gui.clear();
        QVERIFY(QMetaObject::invokeMethod(watchdog, "connectionLost"));
        QCOMPARE(gui.count(), 1);
        QCOMPARE(gui.at(0), QVariantList({QStringLiteral("DeviceDiscovery"), QString()}));
        QCOMPARE(m_root->property("wizardState").toString(), QStringLiteral("Inactive"));
        QCOMPARE(wizard->value(), QString());
        QCOMPARE(level->value(), QString());
    }
}

void TstRootDocument::nameValidator()
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

void TstRootDocument::pageLoading()
{
    auto *loader = m_root->findChild<QObject *>(QStringLiteral("pageLoader"));
    QVERIFY(loader);
    QMetaObject::invokeMethod(m_root, "pageLoadSlot", Q_ARG(QVariant, QStringLiteral("qrc:/qml/main.qml")),
                              Q_ARG(QVariant, QStringLiteral("HelpAGC.jpg")));
    QCOMPARE(loader->property("source").toUrl(), QUrl());
    QCOMPARE(m_root->property("strHelpFileName").toString(), QStringLiteral("/images/Help/HelpAGC.jpg"));

    // Discovery keeps the start-up panel up; it is the user who dismisses it.
    QMetaObject::invokeMethod(m_root, "pageLoadSlot", Q_ARG(QVariant, QStringLiteral("qrc:/qml/TarnDiscovery.qml")),
                              Q_ARG(QVariant, QString()));
    QCOMPARE(loader->property("source").toUrl(), QUrl(QStringLiteral("qrc:/qml/TarnDiscovery.qml")));
    QCOMPARE(m_root->property("strHelpFileName").toString(), QString());
    QVERIFY(m_root->property("startUpScreenVisible").toBool());
    QVERIFY(m_root->findChild<QObject *>(QStringLiteral("discoveryScreen")));
    auto *search = m_root->findChild<QObject *>(QStringLiteral("searchForDevicesButton"));
    QVERIFY(search);
    QMetaObject::invokeMethod(search, "clicked");
    QVERIFY(!m_root->property("startUpScreenVisible").toBool());
    QVERIFY(m_root->findChild<QObject *>(QStringLiteral("discoveryScreen")));

    // A screen this build lacks leaves a way home.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("NoSuchScreen.qml")));
    QMetaObject::invokeMethod(m_root, "pageLoadSlot", Q_ARG(QVariant, QStringLiteral("qrc:/qml/NoSuchScreen.qml")),
                              Q_ARG(QVariant, QString()));
    auto *fallback = m_root->findChild<QQuickItem *>(QStringLiteral("screenUnavailable"));
    QVERIFY(fallback && fallback->isVisible());
    QVERIFY(fallback->findChild<QObject *>(QStringLiteral("homeButton")));
}

void TstRootDocument::menuBarMutesAndIndicator()
{
    QMetaObject::invokeMethod(m_root, "pageLoadSlot", Q_ARG(QVariant, QStringLiteral("qrc:/qml/TarnHomeScreen.qml")),
                              Q_ARG(QVariant, QStringLiteral("HomeScreen.jpg")));
    QObject *home = m_root->findChild<QObject *>(QStringLiteral("homeScreen"));
    QVERIFY(home);
    QVERIFY(!m_root->property("startUpScreenVisible").toBool());

    RecordingTextSV *modified = RecordingTextSV::find(QStringLiteral("Node\\Settings\\SV\\PresetIsModified"), home);
    QVERIFY(modified);
    auto *indicator = home->findChild<QQuickItem *>(QStringLiteral("presetModifiedIndicator"));
    QVERIFY(indicator);
    QVERIFY(!indicator->isVisible());
    modified->setValue(QStringLiteral("On"));
    QVERIFY(indicator->isVisible());
    modified->setValue(QStringLiteral("Off"));
    QVERIFY(!indicator->isVisible());

    RecordingTextSV *mute3 = RecordingTextSV::find(QStringLiteral("Channel_3_Mute"), home);
    QVERIFY(mute3);
    QCOMPARE(mute3->m_poName, QStringLiteral("OutputGains"));
    QVERIFY(RecordingTextSV::find(QStringLiteral("Channel_6_Mute"), m_root));
    QObject *button = tarn::test::findItem(home, QStringLiteral("mute3"));
    QVERIFY(button);
    QMetaObject::invokeMethod(button, "clicked");
    QCOMPARE(mute3->m_sent, QStringList({QStringLiteral("On")}));
    mute3->setValue(QStringLiteral("On"));
    QVERIFY(button->property("muted").toBool());
    QMetaObject::invokeMethod(button, "clicked");
    QCOMPARE(mute3->m_sent.last(), QStringLiteral("Off"));

    // Navigation buttons raise their commands; configuration mode disables them.
    QSignalSpy gui(m_root, SIGNAL(guiSignal(QString, QString)));
    const QPair<const char *, const char *> buttons[] = {{"homeButton", "HomeButtonPressed"}, {"presetsButton", "Presets"},
        {"wizardButton", "Wizard"}, {"utilitiesButton", "Utilities"}, {"discoveryButton", "DeviceDiscovery"}};
    for (const auto &b : buttons) {
        QVERIFY2(QMetaObject::invokeMethod(home->findChild<QObject *>(QLatin1String(b.first)), "clicked"), b.first);
        QCOMPARE(gui.last(), QVariantList({QLatin1String(b.second), QString()}));
    }
    m_root->setProperty("rootCfgMode", true);
    QVERIFY(!home->findChild<QObject *>(QStringLiteral("homeButton"))->property("enabled").toBool());
    auto *tint = home->findChild<QQuickItem *>(QStringLiteral("configTint"));
    QVERIFY(tint && tint->isVisible());
    m_root->setProperty("rootCfgMode", false);

    // The offline and validation tints follow the view loader's flags.
    auto *offlineTint = home->findChild<QQuickItem *>(QStringLiteral("offlineTint"));
    QVERIFY(offlineTint && !offlineTint->isVisible());
    m_flags.offlineMode = true;
    emit m_flags.changed();
    QVERIFY(offlineTint->isVisible());
    m_flags.offlineMode = false;
    emit m_flags.changed();
}

void TstRootDocument::discoveryScreenFlows()
{
    // Opening after a lost link says so.
    RemoteConnectionWatchDog::instance()->setProperty("connectionAvailable", false);
    QMetaObject::invokeMethod(m_root, "pageLoadSlot", Q_ARG(QVariant, QStringLiteral("qrc:/qml/TarnDiscovery.qml")),
                              Q_ARG(QVariant, QString()));
    QObject *discovery = m_root->findChild<QObject *>(QStringLiteral("discoveryScreen"));
    QVERIFY(discovery);
    QCOMPARE(discovery->property("message").toString(), QStringLiteral("Connection to Cadenzo Tarn was lost!"));
    RemoteConnectionWatchDog::instance()->setProperty("connectionAvailable", true);
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::DelayPOJson)), QStringLiteral("{}"));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::CloudFirmwareVersion)), QStringLiteral("0.0.0.0"));

    // Picking a processor connects with the default password; a refusal asks for another.
    QSignalSpy gui(m_root, SIGNAL(guiSignal(QString, QString)));
    QMetaObject::invokeMethod(discovery, "connectTo", Q_ARG(QVariant, QStringLiteral("10.1.2.3")),
                              Q_ARG(QVariant, QStringLiteral("Stage")));
    QCOMPARE(gui.count(), 1);
    QCOMPARE(gui.at(0), QVariantList({QStringLiteral("ConnectDevice"), QStringLiteral("10.1.2.3:stagemanagers")}));
    QMetaObject::invokeMethod(m_root, "messageFromBackend", Q_ARG(QVariant, QStringLiteral("IncorrectPassword")));
    auto *dialog = m_root->findChild<QObject *>(QStringLiteral("passwordDialog"));
    QTRY_VERIFY(dialog && dialog->property("visible").toBool());
    QVERIFY(m_root->findChild<QObject *>(QStringLiteral("passwordField"))->setProperty("text", QStringLiteral("s3cret")));
    QMetaObject::invokeMethod(m_root->findChild<QObject *>(QStringLiteral("loginButton")), "clicked");
    QCOMPARE(gui.count(), 2);
    QCOMPARE(gui.at(1), QVariantList({QStringLiteral("EnterPassword"), QStringLiteral("10.1.2.3:s3cret")}));

    // No answer in time: the attempt is dropped and the user told.
    QMetaObject::invokeMethod(m_root, "onTimeOutError");
    QCOMPARE(gui.count(), 3);
    QCOMPARE(gui.last(), QVariantList({QStringLiteral("DisconnectDevice"), QString()}));
    QVERIFY(discovery->property("message").toString().contains(QStringLiteral("10.1.2.3")));
    QCOMPARE(discovery->property("connectingTo").toString(), QString());

    // A typed text that is no address is refused before anything is sent.
    QMetaObject::invokeMethod(discovery, "probe", Q_ARG(QVariant, QStringLiteral("10.0.0.300")));
    QVERIFY(discovery->property("message").toString().contains(QStringLiteral("is not an IPv4 address")));
    QVERIFY(!discovery->property("probing").toBool());

    // The offline model, with the chosen hardware variant.
    QMetaObject::invokeMethod(discovery, "startOfflineModel");
    QCOMPARE(gui.last(), QVariantList({QStringLiteral("ConnectOfflineModel"), QStringLiteral("Standard")}));
    QCOMPARE(TarnSettings::text(QString::fromLatin1(tarn::keys::DatabaseHardwareType)), QStringLiteral("Standard"));

    // Backend failures (the offline model did not start) are shown.
    QMetaObject::invokeMethod(m_root, "messageFromBackend", Q_ARG(QVariant, QStringLiteral("The offline model crashed while starting.")));
    QCOMPARE(discovery->property("message").toString(), QStringLiteral("The offline model crashed while starting."));
    QCOMPARE(discovery->property("connectingTo").toString(), QString());
}

TARN_TEST_MAIN(TstRootDocument, QGuiApplication)
#include "tst_rootdocument.moc"
