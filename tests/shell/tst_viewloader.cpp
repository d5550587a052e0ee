// Guards against screen commands that open the wrong screen or lose their payload, a link or
// offline model left running, stopped or failing unreported, and secrets sent with usage reports.
#include "appanalytics.h"
#include "appbusy.h"
#include "httprecorder.h"
#include "linkclient.h"
#include "linkevents.h"
#include "modelprocess.h"
#include "offlinemodellauncher.h"
#include "remoteconnectionwatchdog.h"
#include "qmltypes.h"
#include "screenviewreporter.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"
#include "viewloader.h"

#include <QApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTcpServer>
#include <QTcpSocket>

namespace {
QString setting(const char *key)
{
    return TarnSettings::text(QString::fromLatin1(key));
}
} // namespace

class TstViewLoader : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Nothing may reach a real offline model from here; its launch is the e2e test's business.
        qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
        QVERIFY(m_processor.listen(QHostAddress::Any, 0));
        qputenv("TARN_DEVICE_PORT", QByteArray::number(m_processor.serverPort()));
        TarnSettings().clear();
        TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
        tarn::registerQmlTypes();
        QGuiApplication::setQuitOnLastWindowClosed(false);
        m_loader = std::make_unique<ViewLoader>();
        connect(m_loader->view()->engine(), &QQmlEngine::warnings, this, [this](const QList<QQmlError> &warnings) {
            for (const QQmlError &w : warnings)
                m_qmlWarnings.append(w.toString());
        });
        m_loader->InitLoader(QStringLiteral("offscreen"));
        QVERIFY(m_loader->view()->rootObject());
    }

    void cleanupTestCase() { m_loader.reset(); }
    void init() { TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false")); }

    void startsInDiscoveryWithoutWarnings()
    {
        QTRY_VERIFY(m_loader->stateMachine()->isRunning());
        QCOMPARE(m_loader->activeScreen(), QStringLiteral("TarnDiscovery.qml"));
        QVERIFY(m_loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("pageLoader")));
        QTRY_VERIFY(m_loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("discoveryScreen")));
        QCOMPARE(m_loader->view()->title(), QStringLiteral("Tarn Control"));

        // The home screen document and its help image (the root document makes the image's path).
        QSignalSpy pages(m_loader.get(), &ViewLoader::loadPage);
        emit m_loader->switchToHomeScreen();
        QTRY_COMPARE(pages.count(), 1);
        QCOMPARE(pages.at(0), QVariantList({QStringLiteral("qrc:/qml/TarnHomeScreen.qml"), QStringLiteral("HomeScreen.jpg")}));
        QTRY_VERIFY(m_loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("homeScreen")));
        QVERIFY2(m_qmlWarnings.isEmpty(), qPrintable(m_qmlWarnings.join(QLatin1Char('\n'))));
    }

    // Each command opens its screen; a payload that names a band, a side or a mixer is stored where
    // that screen reads it. (The block screens without payload are visited by the screen tour.)
    void navigationCommands_data()
    {
        QTest::addColumn<QString>("param");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("stored");
        const QString none;
        QTest::newRow("PEQ") << "PEQ" << "Low" << "TarnPEQ.qml" << tarn::keys::PEQType << "Low";
        QTest::newRow("LMT") << "LMT" << "Mid" << "TarnLimiter.qml" << tarn::keys::LimiterType << "Mid";
        QTest::newRow("GEQ") << "GEQ" << "RightGEQ" << "TarnGEQ.qml" << tarn::keys::GEQType << "RightGEQ";
        QTest::newRow("Delay") << "Delay" << "Low" << "ScreenDelay.qml" << tarn::keys::DelayType << "Low";
        QTest::newRow("DLY keeps the band") << "DLY" << "ignored" << "ScreenDelay.qml" << tarn::keys::DelayType << "Low";
        QTest::newRow("MIX") << "MIX" << "Mix1" << "ScreenMixer.qml" << tarn::keys::MixerType << "Mix1";
        QTest::newRow("A+B+C") << "A+B+C" << "ABC" << "ScreenMixer.qml" << none << none;
        QTest::newRow("Utilities") << "Utilities" << "" << "ScreenUtilities.qml" << none << none;
        QTest::newRow("Presets") << "Presets" << "" << "ScreenPresets.qml" << none << none;
        QTest::newRow("Wizard") << "Wizard" << "" << "ScreenWizard.qml" << none << none;
        QTest::newRow("output meters") << "6" << "Output 6" << "ScreenOutputMeters.qml" << none << none;
        QTest::newRow("input mixer") << "3" << "In3" << "ScreenMixer.qml" << tarn::keys::MixerType << "In3";
        QTest::newRow("seven is no output") << "7" << "Output 7" << "ScreenMixer.qml" << tarn::keys::MixerType << "Output 7";
        QTest::newRow("input router by payload") << "Anything" << "InputRouter" << "ScreenInputRouter.qml" << none << none;
    }

    void navigationCommands()
    {
        QFETCH(QString, param);
        QFETCH(QString, payload);
        QFETCH(QString, document);
        QFETCH(QString, setting);
        QFETCH(QString, stored);
        goHome();
        goTo(param, payload, document);
        if (!setting.isEmpty())
            QCOMPARE(TarnSettings::text(setting), stored);

        // Every screen reached from home leads back home and to discovery.
        goTo(QStringLiteral("ConfigButtonPressed"), QString(), QStringLiteral("TarnHomeScreen.qml"));
        goTo(param, payload, document);
        goTo(QStringLiteral("DisconnectDevice"), QString(), QStringLiteral("TarnDiscovery.qml"));
    }

    // Commands given in turn and the screen each leaves. The tuning library opens from the wizard,
    // the utilities and home, not from a block screen; "DeviceNotBusy" reloads only the home screen;
    // "PresetChanged" keeps the wizard and brings any other screen home; unknown commands (compared
    // exactly) are logged and change nothing.
    void screenRules()
    {
        const struct {
            const char *command, *payload, *screen;
            bool loads;
        } steps[] = {
            {"PEQ", "High", "TarnPEQ.qml", true},
            {"ManageTunings", "", "TarnPEQ.qml", false},
            {"HomeButtonPressed", "DeviceNotBusy", "TarnPEQ.qml", false},
            {"HomeButtonPressed", "Other", "TarnPEQ.qml", false},
            {"Utilities", "", "ScreenUtilities.qml", true},
            {"ManageTunings", "", "ManageTunings.qml", true},
            {"HomeButtonPressed", "", "TarnHomeScreen.qml", true},
            {"HomeButtonPressed", "DeviceNotBusy", "TarnHomeScreen.qml", true},
            {"Bogus", "x", "TarnHomeScreen.qml", false},
            {"peq", "", "TarnHomeScreen.qml", false},
            {"ManageTunings", "", "ManageTunings.qml", true},
            {"Wizard", "", "ScreenWizard.qml", true},
            {"PresetChanged", "", "ScreenWizard.qml", false},
            {"ManageTunings", "", "ManageTunings.qml", true},
            {"Utilities", "", "ScreenUtilities.qml", true},
            {"Presets", "", "ScreenPresets.qml", true},
            {"PresetChanged", "", "TarnHomeScreen.qml", true},
        };
        goHome();
        QSignalSpy pages(m_loader.get(), &ViewLoader::loadPage);
        for (const auto &step : steps) {
            pages.clear();
            const QString command = QLatin1String(step.command);
            if (command == QLatin1String("Bogus") || command == QLatin1String("peq"))
                QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Uncaught Parameter \"%1\"").arg(command)));
            m_loader->onGuiSignal(command, QLatin1String(step.payload));
            if (step.loads)
                QTRY_VERIFY2(!pages.isEmpty(), step.command);
            QCoreApplication::processEvents();
            QVERIFY2(pages.isEmpty() != step.loads, step.command);
            QTRY_COMPARE(m_loader->activeScreen(), QLatin1String(step.screen));
        }

        // The configuration overlay has no state: the data is stored and the signal raised.
        QSignalSpy config(m_loader.get(), &ViewLoader::switchToConfigScreen);
        m_loader->onGuiSignal(QStringLiteral("ConfigMode"), QStringLiteral("{\"cell\":3}"));
        QCOMPARE(config.count(), 1);
        QCOMPARE(setting(tarn::keys::ConfigData), QStringLiteral("{\"cell\":3}"));
        QCoreApplication::processEvents();
        QCOMPARE(m_loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"));
    }

    void offlineModelCommands()
    {
        // The launcher's commands and the offline flag's changes, in order; taken() hands them over.
        QStringList events;
        QObject context;
        connect(m_loader.get(), &ViewLoader::stopOfflineModel, &context, [&] { events << QStringLiteral("stop"); });
        connect(m_loader.get(), &ViewLoader::startOfflineModel, &context, [&] { events << QStringLiteral("start"); });
        connect(m_loader.get(), &ViewLoader::updateHarwareVersionInPresetsDB, &context, [&](const QString &v) { events << "update " + v; });
        connect(m_loader.get(), &ViewLoader::offlineModeChanged, &context, [&](bool on) { events << (on ? "offline" : "online"); });
        const auto taken = [&events] { return std::exchange(events, {}).join(QLatin1String(", ")); };
        QSignalSpy message(m_loader.get(), &ViewLoader::messageToGUI);

        m_loader->onGuiSignal(QStringLiteral("ConnectOfflineModel"), QStringLiteral("Dante"));
        QCOMPARE(taken(), QStringLiteral("stop, update Dante, start, offline"));
        QCOMPARE(setting(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
        QCOMPARE(setting(tarn::keys::CurrentDevicePassword), QStringLiteral("stagemanagers"));
        // No offline model installed here: the failure comes after the command, and is shown.
        QVERIFY(message.wait(5000));
        QVERIFY(message.at(0).at(0).toString().contains(QStringLiteral("not installed (/nonexistent/tarn-offline-model)")));
        QCOMPARE(taken(), QStringLiteral("online"));
        // A program that ends while starting is reported with its exit code.
        qputenv("TARN_OFFLINE_MODEL", "/bin/false");
        m_loader->onGuiSignal(QStringLiteral("ConnectOfflineModel"), QStringLiteral("Standard"));
        QVERIFY(message.wait(10000));
        QVERIFY2(message.last().at(0).toString().contains(QStringLiteral("exit code 1")), qPrintable(message.last().at(0).toString()));
        QVERIFY(!m_loader->offlineMode());
        qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");

        // Start and stop once, e.g. to build the presets database.
        taken();
        m_loader->onGuiSignal(QStringLiteral("StartAndStopOfflineModel"), QString());
        QVERIFY(message.wait(5000));
        QCOMPARE(taken(), QStringLiteral("start, offline, stop, online"));

        // Leaving for discovery stops it and clears offline mode; so does a lost remote link in
        // offline mode (the screens' return to discovery stops it again), and outside offline mode
        // nothing is stopped.
        const QPair<const char *, const char *> leaving[] = {{"DeviceDiscovery", "online, stop"}, {"RemoteConnectionLost", "stop, online, stop"}};
        for (const auto &leave : leaving) {
            m_loader->onGuiSignal(QStringLiteral("ConnectOfflineModel"), QStringLiteral("Standard"));
            QVERIFY(m_loader->offlineMode());
            taken();
            if (qstrcmp(leave.first, "DeviceDiscovery") == 0)
                m_loader->onGuiSignal(QLatin1String(leave.first), QString());
            else
                m_loader->onRemoteConnectionLost();
            QCOMPARE(taken(), QLatin1String(leave.second));
            QVERIFY(message.wait(5000)); // the queued launch failure
        }
        m_loader->onRemoteConnectionLost();
        QCOMPARE(taken(), QString());
    }

    void analyticsReporting()
    {
        // Every command reaches the collection endpoint through the real client, and no secret goes
        // with it: connection payloads hold the address and password, configuration data is the
        // user's, and an unknown command may carry anything.
        tarn::test::HttpRecorder collector;
        qputenv("TARN_ANALYTICS_URL", collector.url().toEncoded());
        TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("true"));
        AppAnalytics analytics;
        analytics.setSendInterval(10);
        tarn::ScreenViewReporter::setInstance(&analytics);
        const QByteArray keptPort = qgetenv("TARN_DEVICE_PORT");
        qputenv("TARN_DEVICE_PORT", QByteArray::number(tarn::test::HttpRecorder().port())); // refuses
        const auto restore = qScopeGuard([&]() {
            TCPAdaptor::instance()->doDisconnect();
            qputenv("TARN_DEVICE_PORT", keptPort);
            TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
        });
        const QList<QPair<QString, QString>> commands{{"EnterPassword", "127.0.0.1:hunter2"}, {"ConnectDevice", "127.0.0.1:hunter2"},
            {"ConfigMode", "{\"owner\":\"hunter2\"}"}, {"Nonsense", "hunter2"}, {"PEQ", "High"}};
        for (const auto &command : commands)
            m_loader->onGuiSignal(command.first, command.second);
        // Not allowed: the command is not reported.
        TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
        m_loader->onGuiSignal(QStringLiteral("PEQ"), QStringLiteral("Low"));
        analytics.setIsAnalyticsAllowed(true);
        m_loader->onGuiSignal(QStringLiteral("PEQ"), QStringLiteral("Mid"));
        // + the platform event; the screens' own reactions to the refused link may follow.
        QTRY_VERIFY_WITH_TIMEOUT(collector.requests().size() >= commands.size() + 2, 10000);
        for (int i = 0; i < commands.size(); ++i) {
            const auto &request = collector.requests().at(i);
            QVERIFY2(!request.body.contains("hunter2") && !request.body.contains("127.0.0.1"), request.body.constData());
            const auto form = request.form();
            QVERIFY(form.contains({QStringLiteral("cd"), commands.at(i).first}));
            QCOMPARE(form.contains({QStringLiteral("Payload"), QStringLiteral("High")}), i == commands.size() - 1);
        }
        QCOMPARE(collector.requests().at(commands.size() + 1).field(QStringLiteral("Payload")), QStringLiteral("Mid"));
    }

    void busyFlagAndCloseGuard()
    {
        QSignalSpy busy(m_loader.get(), &ViewLoader::appBusyPreventCloseChanged);
        QSignalSpy resend(m_loader.get(), &ViewLoader::resendDataRequest);
        QSignalSpy controlsResend(tarn::LinkEvents::instance(), &tarn::LinkEvents::resendDataRequest);
        QSignalSpy refused(m_loader.get(), &ViewLoader::closeEventIgnored);

        // Set twice, told once.
        m_loader->setAppBusyPreventClose(true);
        m_loader->setAppBusyPreventClose(true);
        QCOMPARE(busy + resend, (QList<QVariantList>{{true}, {false}}));
        QCOMPARE(controlsResend.count(), 1);
        QVERIFY(tarn::AppBusy::isBusy());

        // Busy: the window stays open, and the screens are told why.
        QQuickView *view = m_loader->view();
        view->close();
        QCOMPARE(refused.count(), 1);
        QVERIFY(view->isVisible());

        // A processor that vanishes while busy frees the window.
        goHome();
        m_loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:pw"));
        QTcpSocket *peer = acceptConnection();
        QVERIFY(peer);
        QTRY_VERIFY(TCPAdaptor::instance()->isConnected());
        QVERIFY(m_loader->appBusyPreventClose());
        peer->abort();
        QTRY_VERIFY_WITH_TIMEOUT(!m_loader->appBusyPreventClose(), 10000);
        QVERIFY(!tarn::AppBusy::isBusy());
        QCOMPARE(resend.last().at(0).toBool(), true);

        // Not busy: closing disconnects and the window goes.
        view->close();
        QCOMPARE(refused.count(), 1);
        QTRY_VERIFY(!view->isVisible());
        QTRY_COMPARE(m_loader->activeScreen(), QStringLiteral("TarnDiscovery.qml"));
        view->show();
    }

    void connectDeviceRules()
    {
        TCPAdaptor *adaptor = TCPAdaptor::instance();
        adaptor->doDisconnect();
        QTRY_VERIFY(!adaptor->isConnected());

        m_loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:pa:ss"));
        QCOMPARE(setting(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
        QCOMPARE(setting(tarn::keys::CurrentDevicePassword), QStringLiteral("pa:ss"));
        QTcpSocket *first = acceptConnection();
        QVERIFY(first);
        QTRY_VERIFY(adaptor->isConnected());

        // The same address again neither disconnects nor reconnects: a request sent afterwards
        // still arrives on the first connection, and no second one was opened.
        m_loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:pa:ss"));
        DataFromDevice probe{QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QString(), QString(),
                             QStringLiteral("get")};
        adaptor->sendRequest(probe);
        QTRY_VERIFY_WITH_TIMEOUT(first->bytesAvailable() > 0 || first->waitForReadyRead(100), 10000);
        QVERIFY(first->readAll().startsWith("get "));
        QVERIFY(!m_processor.hasPendingConnections());
        QCOMPARE(first->state(), QAbstractSocket::ConnectedState);

        // A password entered while connected is sent at once and stored.
        m_loader->onGuiSignal(QStringLiteral("EnterPassword"), QStringLiteral("127.0.0.1:secret"));
        QTRY_VERIFY_WITH_TIMEOUT(first->bytesAvailable() > 0 || first->waitForReadyRead(100), 10000);
        QCOMPARE(first->readAll(), QByteArray("connect administrator \"secret\"\n"));
        QCOMPARE(setting(tarn::keys::CurrentDevicePassword), QStringLiteral("secret"));

        // Another address: the first connection closes and a new one opens.
        m_loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.2"));
        QCOMPARE(setting(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.2"));
        QCOMPARE(setting(tarn::keys::CurrentDevicePassword), QStringLiteral("127.0.0.2"));
        QTcpSocket *second = acceptConnection();
        QVERIFY(second);
        QTRY_COMPARE_WITH_TIMEOUT(first->state(), QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(QHostAddress(second->localAddress().toIPv4Address()), QHostAddress(QStringLiteral("127.0.0.2")));
        // The settings transfers go to the current address.
        QSignalSpy receive(m_loader.get(), &ViewLoader::receiveDB);
        QSignalSpy send(m_loader.get(), &ViewLoader::sendDB);
        m_loader->onGuiSignal(QStringLiteral("ReceiveDB"), QString());
        m_loader->onGuiSignal(QStringLiteral("SendDB"), QString());
        QCOMPARE(receive + send, (QList<QVariantList>{{QStringLiteral("127.0.0.2")}, {QStringLiteral("127.0.0.2")}}));

        adaptor->doDisconnect();
        QTRY_VERIFY(!adaptor->isConnected());
        TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    }

    // The real offline model: started, logged in to, and stopped by the user without the link
    // reporting a loss.
    void offlineModelRoundTrip()
    {
        if (!QFileInfo(QStringLiteral(TARN_BIN_DIR "/tarn-offline-model")).isExecutable())
            QSKIP("tarn-offline-model is not built");
        const QByteArray keptPort = qgetenv("TARN_DEVICE_PORT");
        qputenv("TARN_DEVICE_PORT", QByteArray::number(tarn::test::freePort()));
        qputenv("TARN_FTP_PORT", QByteArray::number(tarn::test::freePort()));
        qunsetenv("TARN_OFFLINE_MODEL"); // found beside the executable, where the tests live too

        m_loader->onGuiSignal(QStringLiteral("DeviceDiscovery"), QString());
        QSignalSpy started(m_loader->offlineModelLauncher(), &OfflineModelLauncher::started);
        QSignalSpy stopped(m_loader->offlineModelLauncher(), &OfflineModelLauncher::stopped);
        m_loader->onGuiSignal(QStringLiteral("ConnectOfflineModel"), QStringLiteral("Dante"));
        QVERIFY(started.wait(20000));
        QTRY_COMPARE_WITH_TIMEOUT(m_loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"), 20000);
        QTRY_VERIFY(m_loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("homeScreen")));
        QVERIFY(!m_loader->view()->rootObject()->property("startUpScreenVisible").toBool());
        QVERIFY(m_loader->offlineMode());
        // A second start while it runs changes nothing.
        OfflineModelLauncher *launcher = m_loader->offlineModelLauncher();
        const qint64 pid = launcher->processId();
        launcher->start();
        QCOMPARE(launcher->processId(), pid);

        QSignalSpy lost(TCPAdaptor::instance(), &TCPAdaptor::connectionLost);
        QSignalSpy closed(TCPAdaptor::instance(), &TCPAdaptor::disconnected);
        m_loader->onGuiSignal(QStringLiteral("DisconnectDevice"), QString());
        QTRY_COMPARE(m_loader->activeScreen(), QStringLiteral("TarnDiscovery.qml"));
        // A loss would be reported before the link's closing.
        QTRY_VERIFY_WITH_TIMEOUT(closed.count() >= 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(stopped.count() >= 1, 10000);
        QVERIFY(!m_loader->offlineModelLauncher()->isRunning());
        QCOMPARE(lost.count(), 0);
        QVERIFY(RemoteConnectionWatchDog::instance()->property("connectionAvailable").toBool());

        // It starts again, as the configurable model when asked to.
        launcher->setModel(QStringLiteral("Quarra"));
        launcher->start();
        QVERIFY(started.wait(20000));
        tarn::test::LinkClient quarra;
        QVERIFY(quarra.login(quint16(qEnvironmentVariableIntValue("TARN_DEVICE_PORT"))));
        QCOMPARE(quarra.get(QStringLiteral("NPO"), QStringLiteral("Node\\AT\\Class_Name")), QStringLiteral("norvCadenzoQuarra"));
        TCPAdaptor::instance()->doDisconnect(); // the link it opened goes first, in order
        QTRY_VERIFY(!TCPAdaptor::instance()->isConnected());
        launcher->stop();
        QVERIFY(!launcher->isRunning());

        qputenv("TARN_DEVICE_PORT", keptPort);
        qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    }

private:
    void goHome()
    {
        m_loader->onGuiSignal(QStringLiteral("DeviceDiscovery"), QString());
        QTRY_COMPARE(m_loader->activeScreen(), QStringLiteral("TarnDiscovery.qml"));
        emit m_loader->switchToHomeScreen();
        QTRY_COMPARE(m_loader->activeScreen(), QStringLiteral("TarnHomeScreen.qml"));
    }
    void goTo(const QString &param, const QString &payload, const QString &document)
    {
        m_loader->onGuiSignal(param, payload);
        QTRY_COMPARE(m_loader->activeScreen(), document);
    }
    QTcpSocket *acceptConnection()
    {
        if (!m_processor.hasPendingConnections() && !m_processor.waitForNewConnection(10000))
            return nullptr;
        QTcpSocket *socket = m_processor.nextPendingConnection();
        m_accepted.append(socket);
        return socket;
    }

    std::unique_ptr<ViewLoader> m_loader;
    QStringList m_qmlWarnings;
    QTcpServer m_processor;
    QList<QTcpSocket *> m_accepted;
};

TARN_TEST_MAIN(TstViewLoader, QApplication)
#include "tst_viewloader.moc"
