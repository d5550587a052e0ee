#include "presetprovider.h"

#include "ftpport.h"
#include "presetnames.h"
#include "presetslog.h"
#include "qftp.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"

#include <QMetaEnum>
#include <QTimer>

namespace {
const QString kPresetsObject = QStringLiteral("Presets");
const QString kNodeObject = QStringLiteral("NPO");
const QString kRecallList = QStringLiteral("Node\\Settings\\SV\\PresetRecallList");
const QString kNamePrefix = QStringLiteral("Name_");
constexpr int kMaxListedIds = 100;
constexpr int kMaxListedFiles = 10000;

QString commandName(int command)
{
    const char *key = QMetaEnum::fromType<QFtp::Command>().valueToKey(command);
    return QStringLiteral("QFtp::") + QLatin1String(key ? key : "None");
}

// A name from the processor as the screens may show it: no control characters, bounded.
QString cleanName(const QString &value)
{
    QString name;
    for (const QChar c : value) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f && c.category() != QChar::Other_Control)
            name += c;
        if (name.size() >= PresetProvider::kMaxNameLength)
            break;
    }
    return name;
}
} // namespace

PresetProvider::PresetProvider(QObject *parent)
    : TarnControl(parent), m_ftp(new QFtp(this)), m_putTimer(new QTimer(this))
{
    qRegisterMetaType<PresetInfo>("PresetInfo");
    receiveEveryRecord(true);
    connect(m_ftp, &QFtp::commandStarted, this, &PresetProvider::onCommandStarted);
    connect(m_ftp, &QFtp::commandFinished, this, &PresetProvider::onCommandFinished);
    connect(m_ftp, &QFtp::stateChanged, this, &PresetProvider::onStateChanged);
    connect(m_ftp, &QFtp::dataTransferProgress, this, [this](qint64 done, qint64 total) {
        // A processor that sends more than any preset holds is not listened to further.
        if (m_ftp->currentCommand() == QFtp::Get && done > kMaxPresetBytes) {
            m_oversized = true;
            m_ftp->abort();
            return;
        }
        emit transferProgress(done, total);
    });
    m_putTimer->setSingleShot(true);
    connect(m_putTimer, &QTimer::timeout, this, [this]() {
        m_runningPut = m_putKind;
        m_ftp->put(m_putData, m_putFile, QFtp::Binary);
        m_putData.clear();
    });

    const QString address = TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress));
    if (!address.isEmpty())
        onConnectToHost(address, QString::fromLatin1(kFtpUser), QString::fromLatin1(kFtpPassword));
    sendDataRequest();
}

PresetProvider::~PresetProvider()
{
    m_putTimer->stop();
    disconnect(m_ftp, nullptr, this, nullptr);
    m_ftp->abort();
    m_ftp->close();
    if (TCPAdaptor *adaptor = TCPAdaptor::instance()) {
        if (adaptor->isReady()) {
            subscribe(kNodeObject, kRecallList, QStringLiteral("unsub"));
            for (const int id : qAsConst(m_namesFollowed))
                subscribe(kPresetsObject, kNamePrefix + QString::number(id), QStringLiteral("unsub"));
        }
    }
}

QString PresetProvider::presetFileName(int id)
{
    return QStringLiteral("Preset_") + QString::number(id) + QStringLiteral(".preset");
}

bool PresetProvider::acceptsRecord(const DataFromDevice &data) const
{
    return (data.poName == kPresetsObject && data.svName.startsWith(kNamePrefix))
        || (data.poName == kNodeObject && data.svName == kRecallList);
}

void PresetProvider::subscribe(const QString &poName, const QString &svName, const QString &command) const
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor || !adaptor->isReady())
        return;
    DataFromDevice request;
    request.poName = poName;
    request.svName = svName;
    request.command = command;
    adaptor->sendRequest(request);
}

void PresetProvider::sendDataRequest()
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor || !adaptor->isReady())
        return;
    subscribe(kNodeObject, kRecallList);
    emit refreshRequestSent();
}

void PresetProvider::requestPresetList()
{
    subscribe(kNodeObject, kRecallList, QStringLiteral("get"));
    emit refreshRequestSent();
}

void PresetProvider::onCorvexReady()
{
    // A new login: the processor has forgotten every subscription of the last one.
    m_namesFollowed.clear();
    TarnControl::onCorvexReady();
}

void PresetProvider::handleDataAvailable(DataFromDevice data)
{
    qCDebug(lcPresets).noquote() << "Message received: " << data.value << data.svName << data.command;
    if (data.poName == kNodeObject) {
        if (data.command == QLatin1String("unsubr"))
            subscribe(kNodeObject, kRecallList);
        else
            takePresetList(data.value);
        return;
    }
    bool ok = false;
    const int n = data.svName.section(QLatin1Char('_'), 1).toInt(&ok);
    if (!ok || n < 1 || n > 1000)
        return;
    if (data.command == QLatin1String("unsubr")) {
        if (m_namesFollowed.contains(n))
            subscribe(kPresetsObject, data.svName);
        return;
    }
    const QString name = cleanName(data.value);
    if (data.command == QLatin1String("subr") || data.command == QLatin1String("get")) {
        emit presetNameChanged(name, n);
    } else if (data.command.contains(QLatin1String("set"))) {
        PresetInfo info{name, n};
        emit presetInfoAvailable(info);
    }
    // A transfer under way stays shown as busy until it ends.
    if (!m_operationRunning)
        emit busy(false, QString());
}

void PresetProvider::takePresetList(const QString &text)
{
    QList<int> ids;
    for (const QString &part : text.left(16 * 1024).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int id = tarn::presets::slotNumber(part.trimmed());
        if (id > 0 && !ids.contains(id))
            ids << id;
        if (ids.size() >= kMaxListedIds)
            break;
    }
    for (const int id : qAsConst(ids)) {
        if (!m_namesFollowed.contains(id)) {
            m_namesFollowed.insert(id);
            subscribe(kPresetsObject, kNamePrefix + QString::number(id));
        }
    }
    if (ids == m_ids)
        return;
    m_ids = ids;
    emit presetListChanged(m_ids);
}

void PresetProvider::onConnectToHost(QString hostAddress, QString user, QString password)
{
    if (!m_ftp) {
        emit error(QStringLiteral("Network thread is not initialized"));
        return;
    }
    if (m_ftp->state() != QFtp::Unconnected)
        m_ftp->close();
    m_host = hostAddress;
    m_user = user;
    m_password = password;
    m_ftp->connectToHost(m_host, tarn::ftp::ftpPortForHost(m_host));
    m_ftp->login(m_user, m_password);
}

void PresetProvider::onDisconnectFromHost()
{
    m_ftp->close();
}

void PresetProvider::ensureConnected()
{
    // The processor may have closed an idle session: log in again before the next command.
    if (m_ftp->state() == QFtp::Unconnected && m_ftp->currentCommand() == QFtp::None && !m_host.isEmpty()) {
        m_ftp->connectToHost(m_host, tarn::ftp::ftpPortForHost(m_host));
        m_ftp->login(m_user, m_password);
    }
}

void PresetProvider::startGet(const QString &dir, const QString &file, const QString &busyText)
{
    ensureConnected();
    m_currentDir = dir;
    m_currentFile = file;
    m_operationRunning = true;
    emit busy(true, busyText);
    m_ftp->cd(dir);
    m_ftp->get(file, &m_buffer, QFtp::Binary);
}

void PresetProvider::queuePut(const QByteArray &data, const QString &dir, const QString &file, PutKind kind)
{
    ensureConnected();
    m_currentDir = dir;
    m_currentFile = file;
    m_operationRunning = true;
    m_ftp->cd(dir);
    // The wait runs on a timer: the screens keep moving meanwhile.
    m_putData = data;
    m_putFile = file;
    m_putKind = kind;
    m_putTimer->start(kPutDelayMs);
}

void PresetProvider::presetFetch(int id)
{
    if (!hasPreset(id)) {
        fail(QStringLiteral("The processor holds no preset in slot %1.").arg(id));
        return;
    }
    startGet(QString::fromLatin1(kPresetFolder), presetFileName(id), QStringLiteral("Copying preset from the processor..."));
}

bool PresetProvider::acceptsSlotAndName(int id, const QString &name)
{
    if (id < 1 || id > tarn::presets::kDevicePresetSlots) {
        fail(QStringLiteral("The processor has no preset slot %1.").arg(id));
        return false;
    }
    if (!tarn::presets::isValidDeviceName(name)) {
        fail(QStringLiteral("\"%1\" cannot be a preset name on the processor: use up to %2 letters, digits, blanks and ! # $ % & ' ( ) + , - . = [ ] ^ _ \\ { } ~ @.")
                 .arg(cleanName(name))
                 .arg(tarn::presets::kMaxDeviceNameLength));
        return false;
    }
    return true;
}

void PresetProvider::transfer(int id, const QString &presetName, const QByteArray &presetConfig)
{
    if (!acceptsSlotAndName(id, presetName))
        return;
    if (presetConfig.isEmpty() || presetConfig.size() > kMaxPresetBytes) {
        fail(QStringLiteral("The preset file is empty or too large to send."));
        return;
    }
    m_presetName = presetName;
    m_presetId = id;
    emit busy(true, QStringLiteral("Copying preset to the processor..."));
    queuePut(presetConfig, QString::fromLatin1(kPresetFolder), presetFileName(id), PutKind::Preset);
}

void PresetProvider::listFiles(const QString &dir)
{
    ensureConnected();
    m_currentDir = dir;
    m_ftp->cd(dir);
    m_ftp->nameList(&m_buffer);
}

void PresetProvider::onGetFile(QString dir, QString fileFullName)
{
    startGet(dir, fileFullName, QStringLiteral("Copying file from the processor..."));
}

void PresetProvider::onPutFile(QByteArray fileData, QString dir, QString fileFullName)
{
    emit busy(true, QStringLiteral("Copying file to the processor..."));
    queuePut(fileData, dir, fileFullName, PutKind::File);
}

void PresetProvider::onRemoveFile(QString dir, QString fileFullName)
{
    ensureConnected();
    m_currentDir = dir;
    m_currentFile = fileFullName;
    m_operationRunning = true;
    m_ftp->cd(dir);
    m_ftp->remove(fileFullName);
}

void PresetProvider::onUpdateFile(QByteArray newFileData, QString dir, QString oldFileFullName, QString newFileFullName)
{
    m_updateInProgress = true;
    ensureConnected();
    m_ftp->cd(dir);
    m_ftp->remove(oldFileFullName);
    emit busy(true, QStringLiteral("Copying file to the processor..."));
    queuePut(newFileData, dir, newFileFullName, PutKind::Update);
}

bool PresetProvider::sendPresetWrite(const QString &svName, const QString &value)
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor || !adaptor->isReady()) {
        fail(QStringLiteral("The processor is not connected."));
        return false;
    }
    DataFromDevice request;
    request.poName = kPresetsObject;
    request.svName = svName;
    request.value = value;
    request.command = QStringLiteral("set");
    adaptor->sendRequest(request);
    return true;
}

void PresetProvider::recall(int id, const QString &name)
{
    qCInfo(lcPresets).noquote() << "current preset   " << id << name;
    if (!hasPreset(id)) {
        fail(QStringLiteral("The processor holds no preset in slot %1.").arg(id));
        return;
    }
    m_presetName = name;
    sendPresetWrite(QStringLiteral("Recall"), QString::number(id));
}

void PresetProvider::rename(int id, const QString &name)
{
    if (!acceptsSlotAndName(id, name))
        return;
    m_presetName = name;
    qCInfo(lcPresets).noquote() << "rename preset     " << name;
    if (sendPresetWrite(kNamePrefix + QString::number(id), name))
        sendPresetWrite(QStringLiteral("RenamePreset"), QString::number(id));
}

void PresetProvider::store(int id, const QString &name)
{
    if (!acceptsSlotAndName(id, name))
        return;
    m_presetName = name;
    if (sendPresetWrite(QStringLiteral("Store"), QString::number(id)))
        rename(id, name);
}

void PresetProvider::onCommandStarted(int id)
{
    Q_UNUSED(id);
    const QFtp::Command command = m_ftp->currentCommand();
    qCDebug(lcPresets).noquote() << "Command started: " << commandName(command);
    if (command == QFtp::NameList || command == QFtp::Get) {
        m_oversized = false;
        m_buffer.close();
        m_buffer.setData(QByteArray());
        if (m_buffer.open(QIODevice::ReadWrite | QIODevice::Truncate))
            qCDebug(lcPresets) << "Buffer opened";
        else
            qCWarning(lcPresets) << "Failed to open buffer";
    }
}

void PresetProvider::onCommandFinished(int id, bool hasError)
{
    Q_UNUSED(id);
    const QFtp::Command command = m_ftp->currentCommand();
    const QString why = m_ftp->errorString();
    qCDebug(lcPresets).noquote() << "Command finished: " << commandName(command);
    switch (command) {
    case QFtp::ConnectToHost:
        if (hasError)
            fail(QStringLiteral("Connection failed: ") + why);
        break;
    case QFtp::Login:
        if (hasError)
            fail(QStringLiteral("Login failed: ") + why);
        break;
    case QFtp::NameList:
        if (hasError && (why.contains(QLatin1String("No files found")) || m_ftp->error() == QFtp::NoFiles)) {
            emit fileList(m_currentDir, QStringList());
        } else if (hasError) {
            fail(QStringLiteral("File listing failed: ") + why);
        } else {
            QString text = QString::fromUtf8(m_buffer.data());
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            // A final line break leaves no name behind it.
            QStringList names = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            if (names.size() > kMaxListedFiles)
                names = names.mid(0, kMaxListedFiles);
            emit fileList(m_currentDir, names);
        }
        break;
    case QFtp::Cd:
        if (hasError)
            fail(QStringLiteral("Change directory failed: ") + why);
        break;
    case QFtp::Get:
        if (hasError) {
            fail(m_oversized ? QStringLiteral("File download failed: the file is larger than %1 MiB.").arg(kMaxPresetBytes >> 20)
                             : QStringLiteral("File download failed: ") + why);
        } else {
            const QByteArray data = m_buffer.data();
            qCDebug(lcPresets) << "initial size....... " << data.size();
            endOperation();
            emit presetAvailable(data);
            emit fileData(data, m_currentDir, m_currentFile);
        }
        break;
    case QFtp::Put:
        if (hasError) {
            // A failed upload is told, not only logged.
            qCWarning(lcPresets).noquote() << "File upload failed: " << why;
            fail(QStringLiteral("File upload failed: ") + why);
        } else if (m_runningPut == PutKind::Update) {
            m_updateInProgress = false;
            endOperation();
            emit actionFinished();
            qCDebug(lcPresets) << "File upload progress ";
        } else {
            endOperation();
            emit actionFinished();
            qCInfo(lcPresets) << "File uploaded.........";
            // Only a preset sent with transfer() is named on the processor; any other file is not.
            if (m_runningPut == PutKind::Preset)
                rename(m_presetId, m_presetName);
        }
        break;
    case QFtp::Remove:
        if (hasError) {
            fail(QStringLiteral("File remove failed: ") + why);
        } else if (!m_updateInProgress) {
            endOperation();
            emit actionFinished();
        }
        break;
    default:
        break;
    }
    if (command == QFtp::NameList || command == QFtp::Get) {
        m_buffer.close();
        qCDebug(lcPresets) << "Buffer closed";
    }
}

void PresetProvider::onStateChanged(int state)
{
    switch (state) {
    case QFtp::Unconnected:
        emit disconnected();
        break;
    case QFtp::HostLookup:
        qCDebug(lcPresets) << "HostLookup";
        break;
    case QFtp::Connecting:
        qCDebug(lcPresets) << "Connecting";
        break;
    case QFtp::Connected:
        qCDebug(lcPresets) << "Connected";
        break;
    case QFtp::LoggedIn:
        qCDebug(lcPresets) << "Logged in";
        emit connected();
        break;
    case QFtp::Closing:
        qCDebug(lcPresets) << "Closing";
        break;
    default:
        break;
    }
}

void PresetProvider::endOperation()
{
    if (!m_operationRunning)
        return;
    m_operationRunning = false;
    emit busy(false, QString());
}

void PresetProvider::fail(const QString &text)
{
    // Whatever waited behind the failed command will not run.
    m_putTimer->stop();
    m_putData.clear();
    m_updateInProgress = false;
    endOperation();
    emit error(text);
}
