#include "offlinemodel.h"

#include "controlserver.h"
#include "devicestate.h"
#include "discoveryresponder.h"
#include "eqbehaviour.h"
#include "firmwareinstaller.h"
#include "fileservice.h"
#include "presetfiles.h"
#include "wizardengine.h"
#include "quarramodel.h"
#include "tuningseed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTemporaryDir>

Q_LOGGING_CATEGORY(lcModel, "tarn.offline", QtInfoMsg)

// The built-in catalogue sits in a static library; nothing would pull its resource in.
static void initCatalogueResource()
{
    Q_INIT_RESOURCE(offline_model);
}

namespace tarn::offline {
namespace {
const QString kBuiltInCatalogue = QStringLiteral(":/offline-model/tarn.json");
constexpr int kSaveDelayMs = 200;

struct Identity {
    const char *key;
    QString ModelOptions::*option;
};
} // namespace

OfflineModel::OfflineModel(const ModelOptions &options, QObject *parent) : QObject(parent), m_options(options)
{
    initCatalogueResource();
    m_faults = options.faults;
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &OfflineModel::savePresetStore);
}

OfflineModel::~OfflineModel()
{
    stop();
}

quint16 OfflineModel::controlPort() const
{
    return m_server ? m_server->port() : 0;
}

bool OfflineModel::loadCatalogue(QString *message)
{
    const bool quarra = m_options.model == QLatin1String("quarra");
    const QString path = !m_options.cataloguePath.isEmpty() ? m_options.cataloguePath
                       : quarra                            ? QuarraModel::builtInTable()
                                                           : kBuiltInCatalogue;
    QString error;
    if (quarra) {
        m_quarra = std::make_unique<QuarraModel>(
            QuarraModel::Settings{m_options.cataloguePath, m_options.stateDir, m_options.emptyConfig, m_options.recallMs});
    }
    if (quarra ? !m_quarra->prepare(&m_catalogue, &error) : !m_catalogue.load(path, &error)) {
        *message = QStringLiteral("catalogue %1: %2").arg(path, error);
        return false;
    }
    static const Identity identity[] = {
        {"Node\\AT\\Class_Name", &ModelOptions::className},
        {"Node\\AT\\Instance_Name", &ModelOptions::instanceName},
        {"Node\\AT\\Software_Version", &ModelOptions::softwareVersion},
        {"Node\\SV\\HardwareVersion", &ModelOptions::hardwareVersion},
    };
    for (const Identity &id : identity) {
        const QString value = m_options.*(id.option);
        if (!value.isEmpty() && !m_catalogue.overrideInitial(QLatin1String(id.key), value, &error)) {
            *message = error;
            return false;
        }
    }
    EqBehaviour::addRoomMeasurement(&m_catalogue);
    WizardEngine::addChoices(&m_catalogue);
    if (!DeviceState::checkCatalogue(m_catalogue, &error)) {
        *message = QStringLiteral("catalogue %1: %2").arg(path, error);
        return false;
    }
    qCInfo(lcModel) << "catalogue" << path << "model" << m_catalogue.model() << "with" << m_catalogue.variables().size()
                    << "variables in" << m_catalogue.objects().size() << "processing objects";
    m_status.setInfo(QStringLiteral("catalogue"), path);
    return true;
}

OfflineModel::ExitCode OfflineModel::start(QString *message)
{
    if (!loadCatalogue(message))
        return BadSetup;
    m_state = std::make_unique<DeviceState>(m_catalogue, m_options.seed);
    m_state->setRecallDuration(m_options.recallMs);
    m_eq = std::make_unique<EqBehaviour>(m_state.get(), m_options.seed, m_options.meterIntervalMs);
    m_wizard = std::make_unique<WizardEngine>(m_state.get(), m_options.seed);
    if (m_quarra)
        m_quarra->attach(m_state.get());

    if (!m_options.stateDir.isEmpty()) {
        if (!QDir().mkpath(m_options.stateDir)) {
            *message = QStringLiteral("cannot create the state folder %1").arg(m_options.stateDir);
            return BadSetup;
        }
        m_status.setStateDir(m_options.stateDir);
        loadPresetStore();
        connect(m_state.get(), &DeviceState::presetStoreChanged, &m_saveTimer, qOverload<>(&QTimer::start));
        // The running values are kept too, as a processor keeps them over a power cycle.
        connect(m_state.get(), &DeviceState::clientChanged, this, [this](int idx) {
            if (m_state->variable(idx).presetScope)
                m_saveTimer.start();
        });
        // A new chain changes the running values and every stored preset.
        connect(m_state.get(), &DeviceState::chainChanged, &m_saveTimer, qOverload<>(&QTimer::start));
    }

    ServerSettings settings;
    settings.password = m_options.password;
    settings.maxLineBytes = m_options.maxLineBytes;
    settings.maxFirmwareBytes = m_options.maxFirmwareBytes;
    settings.maxBacklogBytes = m_options.maxBacklogBytes;
    if (!m_options.stateDir.isEmpty())
        settings.firmwareDir = QDir(m_options.stateDir).filePath(QStringLiteral("firmware"));
    // Discovery answers on the UDP port of the same number as the control port. When the kernel
    // chooses the control port, that UDP port may already be taken by another program: then the
    // pair is given up and another one chosen, a bounded number of times.
    constexpr int kPortPairAttempts = 16;
    for (int attempt = 1;; ++attempt) {
        m_server = std::make_unique<ControlServer>(m_state.get(), &m_faults, &m_status, settings);
        if (!m_server->listen(m_options.bind, m_options.port, message))
            return CannotBind;
        m_discovery = std::make_unique<DiscoveryResponder>(m_state.get(), &m_faults, &m_status, m_options.seed);
        if (m_discovery->bind(m_options.bind, m_server->port(), message))
            break;
        if (m_options.port != 0 || attempt == kPortPairAttempts)
            return CannotBind;
        m_discovery.reset();
        m_server.reset();
    }

    const int currentPresetIdx = m_state->indexOf(QStringLiteral("Storage\\Presets\\SV\\CurrentPreset"));
    connect(m_state.get(), &DeviceState::valueChanged, this, [this, currentPresetIdx](int idx) {
        if (idx != currentPresetIdx)
            return;
        m_status.setInfo(QStringLiteral("currentPreset"), m_state->currentPreset());
        if (!m_options.stateDir.isEmpty())
            m_saveTimer.start();
    });
    auto *installer = new FirmwareInstaller(m_state.get(), m_server.get());
    connect(m_server.get(), &ControlServer::firmwareReceived, installer, &FirmwareInstaller::install);
    connect(m_server.get(), &ControlServer::faultsChanged, this,
            [this] { m_status.setInfo(QStringLiteral("faults"), m_faults.toJson()); });

    if (m_options.meterIntervalMs > 0) {
        connect(&m_meterTimer, &QTimer::timeout, this, [this] { m_state->tick(); });
        m_meterTimer.start(m_options.meterIntervalMs);
    }

    QString ftpRoot = !m_options.ftpRoot.isEmpty() ? m_options.ftpRoot
                    : !m_options.stateDir.isEmpty() ? QDir(m_options.stateDir).filePath(QStringLiteral("ftp"))
                                                    : QString();
    if (ftpRoot.isEmpty()) {
        // Without a state or FTP folder the files live as long as the model, never in the
        // working folder.
        m_scratchFtpRoot = std::make_unique<QTemporaryDir>();
        ftpRoot = m_scratchFtpRoot->path();
    }
    seedTuningFolders(ftpRoot);
    for (const char *folder : {"presets", "SpeakerTunings", "AmplifierData"})
        QDir().mkpath(QDir(ftpRoot).filePath(QLatin1String(folder)));
    m_presetFiles = std::make_unique<PresetFiles>(m_state.get(), QDir(ftpRoot).filePath(QStringLiteral("presets")));
    m_presetFiles->sync();
    connect(m_state.get(), &DeviceState::presetStoreChanged, m_presetFiles.get(), &PresetFiles::sync);
    // A new chain moves every stored preset onto it.
    connect(m_state.get(), &DeviceState::chainChanged, m_presetFiles.get(), &PresetFiles::sync);
    OfflineFtpHooks hooks;
    PresetFiles *files = m_presetFiles.get();
    hooks.beforeRead = [files](const QString &path) { files->beforeRead(path); };
    hooks.afterWrite = [files](const QString &path, bool complete, QString *why) {
        return files->afterWrite(path, complete, why);
    };
    hooks.afterRemove = [files](const QString &path, QString *why) { return files->afterRemove(path, why); };
    hooks.cutAfterBytes = [this] { return m_faults.ftpCutAfter; };
    quint16 ftpPort = 0;
    QString ftpMessage;
    m_fileService = startFileService(m_options, ftpRoot, hooks, this, &ftpPort, &ftpMessage);
    m_ftpPort = m_fileService ? ftpPort : 0;
    if (m_fileService)
        qCInfo(lcModel) << "FTP service on port" << ftpPort << "serving" << ftpRoot;
    else
        qCInfo(lcModel).noquote() << "no FTP service:" << ftpMessage;

    m_status.setInfo(QStringLiteral("pid"), double(QCoreApplication::applicationPid()));
    m_status.setInfo(QStringLiteral("bind"), m_options.bind.toString());
    m_status.setInfo(QStringLiteral("tcpPort"), m_server->port());
    m_status.setInfo(QStringLiteral("udpPort"), m_discovery->port());
    m_status.setInfo(QStringLiteral("ftpPort"), m_fileService ? QJsonValue(ftpPort) : QJsonValue());
    m_status.setInfo(QStringLiteral("seed"), QString::number(m_options.seed));
    m_status.setInfo(QStringLiteral("model"), m_catalogue.model());
    m_status.setInfo(QStringLiteral("className"), m_state->display(m_state->indexOf(QStringLiteral("Node\\AT\\Class_Name"))));
    m_status.setInfo(QStringLiteral("currentPreset"), m_state->currentPreset());
    m_status.setInfo(QStringLiteral("faults"), m_faults.toJson());
    m_status.writeNow();

    qCInfo(lcModel) << "listening on" << m_options.bind.toString() << "TCP" << m_server->port() << "UDP"
                    << m_discovery->port() << "running preset" << m_state->currentPreset()
                    << m_state->configurationName();
    if (m_faults.any())
        qCInfo(lcModel).noquote() << "faults from the start:" << QJsonDocument(m_faults.toJson()).toJson(QJsonDocument::Compact);
    return Ok;
}

void OfflineModel::stop()
{
    m_meterTimer.stop();
    if (m_saveTimer.isActive())
        savePresetStore();
    m_discovery.reset();
    m_server.reset();
    if (m_state)
        m_status.writeNow();
}

QString OfflineModel::presetStorePath() const
{
    // Each model keeps its own presets, so both can share one state folder.
    const QString model = m_catalogue.model().toLower();
    return QDir(m_options.stateDir)
        .filePath(model == QLatin1String("tarn") ? QStringLiteral("presets.json") : QStringLiteral("presets-%1.json").arg(model));
}

void OfflineModel::loadPresetStore()
{
    QFile file(presetStorePath());
    if (!file.exists())
        return;
    if (file.size() > 64 * 1024 * 1024 || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcModel) << "cannot read" << file.fileName() << "; the catalogue's presets stand";
        return;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    QString error;
    if (!doc.isObject() || !m_state->restorePresetStore(doc.object(), &error)) {
        qCWarning(lcModel).noquote() << "ignoring" << file.fileName() << ":" << (doc.isObject() ? error : QStringLiteral("not JSON"));
        return;
    }
    qCInfo(lcModel) << "preset store restored from" << file.fileName();
}

void OfflineModel::savePresetStore()
{
    m_saveTimer.stop();
    if (m_options.stateDir.isEmpty() || !m_state)
        return;
    QSaveFile file(presetStorePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(m_state->presetStoreJson()).toJson()) < 0
        || !file.commit())
        qCWarning(lcModel) << "cannot write" << file.fileName() << file.errorString();
}
} // namespace tarn::offline
