#include "viewloader.h"

#include "appbusy.h"
#include "applicationupdater.h"
#include "firmwareupdater.h"
#include "clientconnectionwatchdog.h"
#include "linkevents.h"
#include "offlinemodellauncher.h"
#include "platform.h"
#include "remoteconnectionwatchdog.h"
#include "screenviewreporter.h"
#include "settingskeys.h"
#include "settingssync.h"
#include "tarnsettings.h"
#include "tarnstate.h"
#include "tcpadaptor.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSignalTransition>
#include <QStateMachine>
#include <QTimer>

namespace {
struct Screen {
    const char *name;
    const char *document;
    const char *help;
};

// Every screen: its log name, its document and its help image.
constexpr Screen kScreens[] = {
    {"AGC", "ScreenAGC.qml", "HelpAGC.jpg"},
    {"PEQ", "TarnPEQ.qml", "Parametric-EQ.jpg"},
    {"AEQ", "TarnAEQ.qml", "Auto-EQ.jpg"},
    {"GEQ", "TarnGEQ.qml", "Graph-EQ.jpg"},
    {"RTA", "ScreenRTA.qml", "RTA.jpg"},
    {"SIGGEN", "ScreenSigGen.qml", "Signal-Generator.jpg"},
    {"AFS", "ScreenAFS.qml", "AFS.jpg"},
    {"Gate", "ScreenGate.qml", "HelpGate.jpg"},
    {"Delay", "ScreenDelay.qml", "Output-Delay.jpg"},
    {"Mixers", "ScreenMixer.qml", "HelpMixers.jpg"},
    {"Wizard", "ScreenWizard.qml", "NewWizard.jpg"},
    {"Presets", "ScreenPresets.qml", "Preset.jpg"},
    {"Limiter", "TarnLimiter.qml", "Limiter.jpg"},
    {"Discovery", "TarnDiscovery.qml", "HelpDiscovery.jpg"},
    {"Crossover", "InputDelay.qml", "Input-Delay.jpg"},
    {"Crossover", "CrossOver.qml", "Crossover.jpg"},
    {"Utilities", "ScreenUtilities.qml", "Utilities.jpg"},
    {"HomeScreen", "TarnHomeScreen.qml", "HomeScreen.jpg"},
    {"Compressor", "TarnCompressor.qml", "Compressor.jpg"},
    {"SubHarmonic", "TarnSubHarmonic.qml", "Subharmonic-Synth.jpg"},
    {"ConfigMode", "ConfigOverlay.qml", "HelpConfig.jpg"},
    {"ScreenOutputMeters", "ScreenOutputMeters.qml", "Output-Meter.jpg"},
    {"ManageTunings", "ManageTunings.qml", "HelpManageTunings.jpg"},
    {"InputRouter", "ScreenInputRouter.qml", "HelpInputRouter.jpg"},
};

ViewLoader *s_instance = nullptr;

QString key(const char *text)
{
    return QString::fromLatin1(text);
}

bool isDesktopPlatform(const QString &platformName)
{
    return platformName == QLatin1String("windows") || platformName == QLatin1String("cocoa")
        || platformName == QLatin1String("xcb");
}

bool isMixerCommand(const QString &param)
{
    static const QStringList mixers{
        QStringLiteral("MIX"), QStringLiteral("1+2+3"), QStringLiteral("1+2"), QStringLiteral("2+3"),
        QStringLiteral("1"),   QStringLiteral("2"),     QStringLiteral("3"),   QStringLiteral("4"),
        QStringLiteral("5"),   QStringLiteral("6"),     QStringLiteral("7"),   QStringLiteral("A"),
        QStringLiteral("B"),   QStringLiteral("C"),     QStringLiteral("A+B"), QStringLiteral("B+C"),
        QStringLiteral("A+B+C")};
    return mixers.contains(param);
}

bool isOutputChannel(const QString &param)
{
    return param.size() == 1 && param.at(0) >= QLatin1Char('1') && param.at(0) <= QLatin1Char('6');
}

// Usage reports carry a command's payload only where it names a screen variant. Connection
// payloads hold the processor's address and password, configuration data is the user's own
// work, and unknown commands may carry anything: those are reported without their payload.
QVariantMap reportableValues(const QString &param, const QString &payload)
{
    static const QStringList variantCommands{QStringLiteral("ConnectOfflineModel"), QStringLiteral("PEQ"),
                                             QStringLiteral("LMT"), QStringLiteral("GEQ"), QStringLiteral("Delay"),
                                             QStringLiteral("HomeButtonPressed")};
    constexpr int kMaxReportedPayload = 64;
    const bool variant = variantCommands.contains(param) || isMixerCommand(param)
        || payload == QLatin1String("InputRouter");
    if (!variant || payload.size() > kMaxReportedPayload)
        return {};
    return {{QStringLiteral("Payload"), payload}};
}
} // namespace

ViewLoader::ViewLoader(QObject *parent)
    : QObject(parent), m_view(std::make_unique<QQuickView>()), m_machine(new QStateMachine(this)),
      m_launcher(new OfflineModelLauncher(this)), m_stopModelAfterDisconnect(new QTimer(this))
{
    s_instance = this;
    m_view->installEventFilter(this);

    TCPAdaptor *adaptor = TCPAdaptor::instance();
    connect(adaptor, &TCPAdaptor::corvexReady, this, &ViewLoader::onCorvexReady);
    // A vanished processor must never leave the window impossible to close.
    connect(adaptor, &TCPAdaptor::connectionLost, this, &ViewLoader::onLinkGone);
    connect(adaptor, &TCPAdaptor::disconnected, this, &ViewLoader::onLinkGone);
    m_stopModelAfterDisconnect->setSingleShot(true);
    m_stopModelAfterDisconnect->setInterval(kModelStopGraceMs);
    auto stopPendingModel = [this]() {
        if (!m_stopModelAfterDisconnect->isActive())
            return;
        m_stopModelAfterDisconnect->stop();
        emit stopOfflineModel();
    };
    connect(adaptor, &TCPAdaptor::disconnected, this, stopPendingModel);
    connect(adaptor, &TCPAdaptor::connectionLost, this, stopPendingModel);
    connect(m_stopModelAfterDisconnect, &QTimer::timeout, this, [this]() { emit stopOfflineModel(); });
    // The discovery screen asks for the password again; it hears of the refusal this way.
    connect(adaptor, &TCPAdaptor::incorrectPassword, this,
            [this]() { emit messageToGUI(QStringLiteral("IncorrectPassword")); });
    connect(RemoteConnectionWatchDog::instance(), &RemoteConnectionWatchDog::connectionLost, this,
            &ViewLoader::onRemoteConnectionLost);
    connect(ClientConnectionWatchDog::instance(), &ClientConnectionWatchDog::connectionLost, this,
            &ViewLoader::onClientConnectionLost);

    connect(this, &ViewLoader::updateHarwareVersionInPresetsDB, m_launcher, &OfflineModelLauncher::setHardwareVersion);
    // The model the user chose for the offline model ("Data/OfflineModel") is the one started.
    connect(this, &ViewLoader::startOfflineModel, m_launcher, [this]() {
        m_launcher->setModel(TarnSettings::text(key(tarn::keys::OfflineModelPlatform)));
        m_launcher->start();
    });
    connect(this, &ViewLoader::stopOfflineModel, m_launcher, &OfflineModelLauncher::stop);
    connect(m_launcher, &OfflineModelLauncher::started, this, &ViewLoader::onOfflineModelStarted);
    connect(m_launcher, &OfflineModelLauncher::stopped, this, &ViewLoader::onOfflineModelStopped);
    // Queued: a launch that fails at once must not be overtaken by the command that asked for it.
    connect(m_launcher, &OfflineModelLauncher::failed, this, &ViewLoader::onOfflineModelFailed, Qt::QueuedConnection);
    tarn::LinkEvents *linkEvents = tarn::LinkEvents::instance();
    if (linkEvents)
        connect(this, &ViewLoader::resendDataRequest, linkEvents, &tarn::LinkEvents::resendDataRequest);
    // Long operations of the libraries below (a reconfiguration) raise and clear the busy flag.
    connect(tarn::BusyRequests::instance(), &tarn::BusyRequests::requested, this, &ViewLoader::setAppBusyPreventClose);
    // "ReceiveDB" and "SendDB" are carried out there.
    new SettingsSync(this);
}

ViewLoader::~ViewLoader()
{
    m_machine->stop();
    m_view->removeEventFilter(this);
    // The window's documents go before the objects they are bound to.
    m_view.reset();
    tarn::AppBusy::setBusy(false);
    if (s_instance == this)
        s_instance = nullptr;
}

ViewLoader *ViewLoader::instance()
{
    return s_instance;
}

QQuickView *ViewLoader::view() const
{
    return m_view.get();
}

QStateMachine *ViewLoader::stateMachine() const
{
    return m_machine;
}

OfflineModelLauncher *ViewLoader::offlineModelLauncher() const
{
    return m_launcher;
}

QString ViewLoader::activeScreen() const
{
    const auto active = m_machine->configuration();
    for (QAbstractState *s : active) {
        if (auto *screen = qobject_cast<TarnState *>(s))
            return screen->qmlFile();
    }
    return QString();
}

void ViewLoader::InitLoader(const QString &platformName)
{
    qDebug() << "Init View Loader: " << platformName;
    createStates();
    setContextProperties();

    m_view->setSource(QUrl(QStringLiteral("qrc:/qml/main.qml")));
    m_view->setTitle(QStringLiteral("Tarn Control"));
    connectRootObject();

    sizeAndShowWindow(platformName);
    centreWindow();

    createTransitions();
    m_machine->setInitialState(state("TarnDiscovery.qml"));
    m_machine->start();
}

void ViewLoader::createStates()
{
    for (const Screen &screen : kScreens) {
        auto *s = new TarnState(key(screen.name), key(screen.document), key(screen.help), m_view.get(), this);
        m_states.insert(key(screen.document), s);
        m_machine->addState(s);
    }
    m_inputDelayState = state("InputDelay.qml");
}

TarnState *ViewLoader::state(const char *document) const
{
    return m_states.value(key(document));
}

bool ViewLoader::isActive(const char *document) const
{
    TarnState *s = state(document);
    return s && s->active();
}

void ViewLoader::createTransitions()
{
    using Switch = void (ViewLoader::*)();
    auto add = [this](const char *from, Switch signal, const char *to) {
        state(from)->addTransition(this, signal, state(to));
    };

    add("TarnDiscovery.qml", &ViewLoader::switchToHomeScreen, "TarnHomeScreen.qml");

    const char *home = "TarnHomeScreen.qml";
    add(home, &ViewLoader::switchToDiscoveryScreen, "TarnDiscovery.qml");
    add(home, &ViewLoader::switchToUtilities, "ScreenUtilities.qml");
    add(home, &ViewLoader::switchToPresets, "ScreenPresets.qml");
    add(home, &ViewLoader::switchToWizardScreen, "ScreenWizard.qml");
    add(home, &ViewLoader::switchToOutputMeters, "ScreenOutputMeters.qml");
    add(home, &ViewLoader::switchToPEQ, "TarnPEQ.qml");
    add(home, &ViewLoader::switchToCompressorScreen, "TarnCompressor.qml");
    add(home, &ViewLoader::switchToLimiterScreen, "TarnLimiter.qml");
    add(home, &ViewLoader::switchToSubHarmonicScreen, "TarnSubHarmonic.qml");
    add(home, &ViewLoader::switchToAEQ, "TarnAEQ.qml");
    add(home, &ViewLoader::switchToDelay, "ScreenDelay.qml");
    add(home, &ViewLoader::switchToGEQ, "TarnGEQ.qml");
    add(home, &ViewLoader::switchToMixers, "ScreenMixer.qml");
    add(home, &ViewLoader::switchToInputDelay, "InputDelay.qml");
    add(home, &ViewLoader::switchToCrossover, "CrossOver.qml");
    add(home, &ViewLoader::switchToAFS, "ScreenAFS.qml");
    add(home, &ViewLoader::switchToAGC, "ScreenAGC.qml");
    add(home, &ViewLoader::switchToGate, "ScreenGate.qml");
    add(home, &ViewLoader::switchToRTA, "ScreenRTA.qml");
    add(home, &ViewLoader::switchToSigGen, "ScreenSigGen.qml");
    add(home, &ViewLoader::switchToInputRouter, "ScreenInputRouter.qml");
    add(home, &ViewLoader::switchToHomeScreen, home); // reloads the home screen

    struct Exit {
        Switch signal;
        const char *to;
    };
    const Exit commonExits[] = {
        {&ViewLoader::switchToHomeScreen, "TarnHomeScreen.qml"},
        {&ViewLoader::switchToUtilities, "ScreenUtilities.qml"},
        {&ViewLoader::switchToDiscoveryScreen, "TarnDiscovery.qml"},
        {&ViewLoader::switchToPresets, "ScreenPresets.qml"},
        {&ViewLoader::switchToWizardScreen, "ScreenWizard.qml"},
        {&ViewLoader::switchToOutputMeters, "ScreenOutputMeters.qml"},
    };
    const char *blockScreens[] = {"TarnPEQ.qml",     "TarnCompressor.qml",    "TarnLimiter.qml", "TarnSubHarmonic.qml",
                                  "TarnAEQ.qml",     "ScreenDelay.qml",       "TarnGEQ.qml",     "ScreenMixer.qml",
                                  "InputDelay.qml",  "CrossOver.qml",         "ScreenAFS.qml",   "ScreenAGC.qml",
                                  "ScreenGate.qml",  "ScreenRTA.qml",         "ScreenSigGen.qml", "ScreenInputRouter.qml",
                                  "ManageTunings.qml"};
    for (const char *from : blockScreens) {
        for (const Exit &exit : commonExits)
            add(from, exit.signal, exit.to);
    }
    for (const char *from : {"ScreenUtilities.qml", "ScreenPresets.qml", "ScreenOutputMeters.qml"}) {
        for (const Exit &exit : commonExits) {
            if (qstrcmp(exit.to, from) != 0)
                add(from, exit.signal, exit.to);
        }
    }
    const char *wizard = "ScreenWizard.qml";
    for (const Exit &exit : commonExits) {
        if (qstrcmp(exit.to, wizard) != 0)
            add(wizard, exit.signal, exit.to);
    }
    add(wizard, &ViewLoader::switchToManageTunings, "ManageTunings.qml");
    // The tuning library is also opened from the utilities screen and, for the screen tour,
    // from the home screen.
    add("ScreenUtilities.qml", &ViewLoader::switchToManageTunings, "ManageTunings.qml");
    add(home, &ViewLoader::switchToManageTunings, "ManageTunings.qml");
}

void ViewLoader::setContextProperties()
{
    QQmlContext *context = m_view->rootContext();
    context->setContextProperty(QStringLiteral("applicationUpdater"), ApplicationUpdater::instance());
    context->setContextProperty(QStringLiteral("firmwareUpdater"), FirmwareUpdater::instance());
    context->setContextProperty(QStringLiteral("clientConnectionWatchdog"), ClientConnectionWatchDog::instance());
    context->setContextProperty(QStringLiteral("remoteConnectionWatchdog"), RemoteConnectionWatchDog::instance());
    context->setContextProperty(QStringLiteral("viewLoader"), this);
    // The offline model ships with the application, so it is offered wherever it is installed.
    context->setContextProperty(QStringLiteral("offlineModeSupported"), OfflineModelLauncher::isAvailable());
    QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    context->setContextProperty(QStringLiteral("screenDpiX"), dpi / 96.0);
    context->setContextProperty(QStringLiteral("screenDpiY"), dpi / 96.0);
}

void ViewLoader::connectRootObject()
{
    QQuickItem *root = m_view->rootObject();
    if (!root) {
        qCritical() << "The root document could not be loaded:" << m_view->errors();
        return;
    }
    connect(TCPAdaptor::instance(), SIGNAL(timeOutError()), root, SLOT(onTimeOutError()));
    connect(this, SIGNAL(loadPage(QVariant, QVariant)), root, SLOT(pageLoadSlot(QVariant, QVariant)),
            Qt::QueuedConnection);
    connect(this, SIGNAL(messageToGUI(QVariant)), root, SLOT(messageFromBackend(QVariant)));
    connect(root, SIGNAL(guiSignal(QString, QString)), this, SLOT(onGuiSignal(QString, QString)));
}

void ViewLoader::sizeAndShowWindow(const QString &platformName)
{
    if (!isDesktopPlatform(platformName)) {
        m_view->show();
        return;
    }
    m_view->setResizeMode(QQuickView::SizeRootObjectToView);
    m_view->setMinimumSize(QSize(kMinimumWidth, kMinimumHeight));
    if (TarnSettings::text(key(tarn::keys::ResizeReady)) != QLatin1String("true")) {
        m_view->setMaximumSize(QSize(kMinimumWidth, kMinimumHeight));
        m_view->show();
        return;
    }
    QScreen *screen = m_view->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, kMinimumWidth, kMinimumHeight);
    qDebug() << "Dimensions " << available.height() << " X " << available.width();
    if (available.height() >= kMinimumHeight && available.width() >= kMinimumWidth) {
        m_view->resize(kMinimumWidth, kMinimumHeight);
        m_view->show();
    } else {
        m_view->showMaximized();
    }
}

void ViewLoader::centreWindow()
{
    QScreen *screen = m_view->screen();
    if (!screen)
        return;
    QRect frame = m_view->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    m_view->setFramePosition(frame.topLeft());
}

void ViewLoader::onStateEntered(QString qmlPath, QString helpFileName)
{
    qDebug() << "onStateEntered " << qmlPath;
    if (!m_machine->isRunning())
        return;
    if (helpFileName.isEmpty() || !QFile::exists(QStringLiteral(":/images/Help/") + helpFileName))
        helpFileName.clear();
    qDebug() << " About to load ... " << qmlPath;
    emit loadPage(qmlPath, helpFileName);
}

void ViewLoader::onCorvexReady()
{
    emit switchToHomeScreen();
}

void ViewLoader::onRemoteConnectionLost()
{
    onLinkGone();
    if (m_offlineMode) {
        emit stopOfflineModel();
        m_offlineMode = false;
        emit offlineModeChanged(false);
        emit stopOfflineModel();
    }
}

void ViewLoader::onClientConnectionLost()
{
}

void ViewLoader::onLinkGone()
{
    setAppBusyPreventClose(false);
}

void ViewLoader::onOfflineModelStarted()
{
    qDebug() << "Offline model started.";
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    adaptor->doDisconnect();
    adaptor->doConnect();
}

void ViewLoader::onOfflineModelStopped()
{
    qDebug() << "Offline model stopped.";
}

void ViewLoader::onOfflineModelFailed(const QString &reason)
{
    qWarning().noquote() << "Offline model failed:" << reason;
    setOfflineMode(false);
    emit messageToGUI(reason);
}

void ViewLoader::setAppBusyPreventClose(bool prevent)
{
    if (m_appBusyPreventClose == prevent)
        return;
    m_appBusyPreventClose = prevent;
    tarn::AppBusy::setBusy(prevent);
    emit appBusyPreventCloseChanged(prevent);
    emit resendDataRequest(!prevent);
}

void ViewLoader::setValidationMode(bool validationMode)
{
    if (m_validationMode == validationMode)
        return;
    m_validationMode = validationMode;
    // Both updaters switch feeds and start over.
    ApplicationUpdater::instance()->setValidationMode(validationMode);
    FirmwareUpdater::instance()->setValidationMode(validationMode);
    emit validationModeChanged(validationMode);
}

void ViewLoader::setOfflineMode(bool offline)
{
    if (m_offlineMode == offline)
        return;
    m_offlineMode = offline;
    emit offlineModeChanged(offline);
}

void ViewLoader::storeConnection(const QString &payload, QString *password)
{
    QString address = payload;
    *password = payload;
    const int colon = payload.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        address = payload.left(colon);
        *password = payload.mid(colon + 1);
    }
    TarnSettings::write(key(tarn::keys::CurrentDeviceAddress), address);
    TarnSettings::write(key(tarn::keys::CurrentDevicePassword), *password);
}

void ViewLoader::storeOfflineConnection()
{
    TarnSettings::write(key(tarn::keys::CurrentDeviceAddress), key(kOfflineAddress));
    TarnSettings::write(key(tarn::keys::CurrentDevicePassword), key(kOfflinePassword));
    // The home screen of the model chosen shows at once; the login confirms it.
    const QString chosen = tarn::classNameOfPlatform(TarnSettings::text(key(tarn::keys::OfflineModelPlatform)));
    TarnSettings::write(key(tarn::keys::CurrentDeviceClass), chosen.isEmpty() ? QString::fromLatin1(tarn::kTarnClassName) : chosen);
}

void ViewLoader::onGuiSignal(QString param, QString payload)
{
    const QString analytics = TarnSettings::text(key(tarn::keys::AppAnalytics));
    qDebug() << "Data/appAnalytics" << analytics;
    if (analytics == QLatin1String("true")) {
        if (tarn::ScreenViewReporter *reporter = tarn::ScreenViewReporter::instance())
            reporter->sendScreenView(param, reportableValues(param, payload));
    }

    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (param == QLatin1String("ConnectOfflineModel")) {
        m_stopModelAfterDisconnect->stop();
        emit stopOfflineModel();
        emit updateHarwareVersionInPresetsDB(payload);
        emit startOfflineModel();
        storeOfflineConnection();
        setOfflineMode(true);
    } else if (param == QLatin1String("ConnectDevice")) {
        QString password;
        storeConnection(payload, &password);
        const QString address = TarnSettings::text(key(tarn::keys::CurrentDeviceAddress));
        if (!adaptor->isConnected()) {
            adaptor->doConnect();
        } else if (adaptor->hostAddress() != address) {
            adaptor->doDisconnect();
            adaptor->doConnect();
        }
    } else if (param == QLatin1String("EnterPassword")) {
        QString password;
        storeConnection(payload, &password);
        if (!adaptor->isConnected())
            adaptor->doConnect();
        adaptor->enterPassword(password);
    } else if (param == QLatin1String("DisconnectDevice") || param == QLatin1String("DeviceDiscovery")) {
        const bool wasOffline = m_offlineMode;
        if (wasOffline) {
            m_offlineMode = false;
            emit offlineModeChanged(false);
        }
        const bool linkUp = adaptor->isConnected();
        adaptor->doDisconnect();
        // The model goes once the link has closed in order; stopped first, it would take the
        // link down with an error, and the user would be told a connection was lost.
        if (wasOffline) {
            if (linkUp)
                m_stopModelAfterDisconnect->start();
            else
                emit stopOfflineModel();
        }
        emit switchToDiscoveryScreen();
    } else if (param == QLatin1String("ReceiveDB")) {
        emit receiveDB(TarnSettings::text(key(tarn::keys::CurrentDeviceAddress)));
    } else if (param == QLatin1String("SendDB")) {
        emit sendDB(TarnSettings::text(key(tarn::keys::CurrentDeviceAddress)));
    } else if (param == QLatin1String("PEQ")) {
        TarnSettings::write(key(tarn::keys::PEQType), payload);
        emit switchToPEQ();
    } else if (param == QLatin1String("PresetChanged")) {
        if (!isActive("ScreenWizard.qml"))
            emit switchToHomeScreen();
    } else if (param == QLatin1String("HomeButtonPressed")) {
        if (payload.isEmpty())
            emit switchToHomeScreen();
        else if (payload == QLatin1String("DeviceNotBusy") && isActive("TarnHomeScreen.qml"))
            emit switchToHomeScreen();
    } else if (param == QLatin1String("ConfigButtonPressed")) {
        emit switchToHomeScreen();
    } else if (param == QLatin1String("CMP")) {
        emit switchToCompressorScreen();
    } else if (param == QLatin1String("LMT")) {
        TarnSettings::write(key(tarn::keys::LimiterType), payload);
        emit switchToLimiterScreen();
    } else if (isOutputChannel(param) && payload.contains(QLatin1String("Output"))) {
        emit switchToOutputMeters();
    } else if (param == QLatin1String("SUB")) {
        emit switchToSubHarmonicScreen();
    } else if (param == QLatin1String("AEQ")) {
        emit switchToAEQ();
    } else if (param == QLatin1String("GEQ")) {
        emit switchToGEQ();
        TarnSettings::write(key(tarn::keys::GEQType), payload);
    } else if (param == QLatin1String("Delay")) {
        TarnSettings::write(key(tarn::keys::DelayType), payload);
        emit switchToDelay();
    } else if (param == QLatin1String("DLY")) {
        emit switchToDelay();
    } else if (isMixerCommand(param)) {
        TarnSettings::write(key(tarn::keys::MixerType), payload);
        emit switchToMixers();
    } else if (param == QLatin1String("InputDelay")) {
        emit switchToInputDelay();
    } else if (param == QLatin1String("Crossover")) {
        emit switchToCrossover();
    } else if (param == QLatin1String("Utilities")) {
        emit switchToUtilities();
    } else if (param == QLatin1String("AFS")) {
        emit switchToAFS();
    } else if (param == QLatin1String("AGC")) {
        emit switchToAGC();
    } else if (param == QLatin1String("GAT")) {
        emit switchToGate();
    } else if (param == QLatin1String("RTA")) {
        emit switchToRTA();
    } else if (param == QLatin1String("SIGGEN")) {
        emit switchToSigGen();
    } else if (param == QLatin1String("Presets")) {
        emit switchToPresets();
    } else if (param == QLatin1String("ConfigMode")) {
        TarnSettings::write(key(tarn::keys::ConfigData), payload);
        emit switchToConfigScreen();
    } else if (param == QLatin1String("Wizard")) {
        emit switchToWizardScreen();
    } else if (param == QLatin1String("ManageTunings")) {
        emit switchToManageTunings();
    } else if (payload == QLatin1String("InputRouter")) {
        emit switchToInputRouter();
    } else if (param == QLatin1String("StartAndStopOfflineModel")) {
        emit startOfflineModel();
        storeOfflineConnection();
        setOfflineMode(true);
        emit stopOfflineModel();
    } else {
        qDebug() << "Uncaught Parameter" << param << payload;
    }
}

bool ViewLoader::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view.get() && event->type() == QEvent::Close) {
        if (m_appBusyPreventClose) {
            event->ignore();
            emit closeEventIgnored();
            return true;
        }
        onGuiSignal(QStringLiteral("DisconnectDevice"), QString());
    }
    return QObject::eventFilter(watched, event);
}
