#include "tuningfilemanager.h"

#include "cloudstore.h"
#include "downloadmanager.h"
#include "ftpclientthread.h"
#include "tuninglog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QThread>

using namespace tarn::tuning;

const char *const TuningFileManager::FtpUser = "tarnftp";
const char *const TuningFileManager::FtpPassword = "lomarvex@517";
const char *const TuningFileManager::CloudErrorText =
    "Failed to connect to update server. Please check your internet connection and try again.";

namespace {
constexpr Kind Kinds[] = {Kind::Speaker, Kind::Amplifier};

int index(Kind kind)
{
    return kind == Kind::Amplifier ? 1 : 0;
}

Kind kindOfFolder(const QString &dir)
{
    return dir == processorFolder(Kind::Amplifier) ? Kind::Amplifier : Kind::Speaker;
}

// Reads a whole file of at most limit bytes; false when it cannot be read or is larger.
bool readBounded(const QString &path, qint64 limit, QByteArray *data, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    if (file.size() > limit) {
        *why = QStringLiteral("larger than %1 bytes").arg(limit);
        return false;
    }
    *data = file.read(limit + 1);
    if (data->size() > limit) {
        *why = QStringLiteral("larger than %1 bytes").arg(limit);
        return false;
    }
    return true;
}

// Writes beside the final name and moves into place, so a reader never sees half a file.
bool writeWhole(const QString &path, const QByteArray &data, QString *why)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    *why = file.errorString();
    return false;
}

bool removeWritable(const QString &path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    return QFile::remove(path);
}

} // namespace

TuningFileManager::TuningFileManager(QObject *parent)
    : QObject(parent)
{
    registerTuningTypes();
    qRegisterMetaType<QList<QUrl>>("QList<QUrl>");
}

TuningFileManager::~TuningFileManager()
{
    onThreadFinished();
}

void TuningFileManager::setValidationMode(bool validationMode)
{
    if (m_validationMode == validationMode)
        return;
    m_validationMode = validationMode;
    emit validationModeChanged(validationMode);
}

void TuningFileManager::onThreadStarted()
{
    m_ftpThread = std::make_unique<QThread>();
    m_ftpThread->setObjectName(QStringLiteral("TuningFtp"));
    m_ftp = new FtpClientThread;
    m_ftp->moveToThread(m_ftpThread.get());
    connect(m_ftpThread.get(), &QThread::started, m_ftp, &FtpClientThread::onStarted);
    connect(m_ftpThread.get(), &QThread::finished, m_ftp, &FtpClientThread::onFinished, Qt::DirectConnection);
    connect(m_ftpThread.get(), &QThread::finished, m_ftp, &QObject::deleteLater);
    const auto queued = Qt::QueuedConnection;
    connect(this, &TuningFileManager::connectToHost, m_ftp, &FtpClientThread::onConnectToHost, queued);
    connect(this, &TuningFileManager::disconnectFromHost, m_ftp, &FtpClientThread::onDisconnectFromHost, queued);
    connect(this, &TuningFileManager::requestFileList, m_ftp, &FtpClientThread::onRequestFileList, queued);
    connect(this, &TuningFileManager::getFile, m_ftp, &FtpClientThread::onGetFile, queued);
    connect(this, &TuningFileManager::putFile, m_ftp, &FtpClientThread::onPutFile, queued);
    connect(this, &TuningFileManager::removeFile, m_ftp, &FtpClientThread::onRemoveFile, queued);
    connect(this, &TuningFileManager::updateFile, m_ftp, &FtpClientThread::onUpdateFile, queued);
    connect(m_ftp, &FtpClientThread::connected, this, &TuningFileManager::onConnected, queued);
    connect(m_ftp, &FtpClientThread::disconnected, this, &TuningFileManager::onDisconnected, queued);
    connect(m_ftp, &FtpClientThread::error, this, &TuningFileManager::onError, queued);
    connect(m_ftp, &FtpClientThread::fileList, this, &TuningFileManager::onFileList, queued);
    connect(m_ftp, &FtpClientThread::fileData, this, &TuningFileManager::onFileData, queued);
    connect(m_ftp, &FtpClientThread::actionFinished, this, &TuningFileManager::onActionFinished, queued);

    m_downloadThread = std::make_unique<QThread>();
    m_downloadThread->setObjectName(QStringLiteral("TuningDownloads"));
    m_downloads = new DownloadManager;
    m_downloads->setMaxFileBytes(MaxTuningFileBytes);
    m_downloads->moveToThread(m_downloadThread.get());
    connect(m_downloadThread.get(), &QThread::started, m_downloads, &DownloadManager::onThreadStarted);
    connect(m_downloadThread.get(), &QThread::finished, m_downloads, &DownloadManager::onThreadFinished,
            Qt::DirectConnection);
    connect(m_downloadThread.get(), &QThread::finished, m_downloads, &QObject::deleteLater);
    connect(m_downloads, &DownloadManager::currentDownloadFinished, this, &TuningFileManager::onCurrentDownloadFinished,
            queued);
    connect(m_downloads, &DownloadManager::currentDownloadProgress, this, &TuningFileManager::onCurrentDownloadProgress,
            queued);
    connect(m_downloads, &DownloadManager::allDonwloadsFinished, this, &TuningFileManager::onAllDonwloadsFinished,
            queued);

    m_ftpThread->start();
    m_downloadThread->start();
}

void TuningFileManager::onThreadFinished()
{
    // The workers end with their threads and delete themselves there.
    for (auto *thread : {m_ftpThread.get(), m_downloadThread.get()}) {
        if (thread) {
            thread->quit();
            thread->wait();
        }
    }
    m_ftp = nullptr;
    m_downloads = nullptr;
    m_ftpThread.reset();
    m_downloadThread.reset();
}

// Commands ---------------------------------------------------------------------------------

void TuningFileManager::enqueue(std::function<void()> command)
{
    m_commands.push_back(std::move(command));
    if (m_operation == Operation::None && m_commands.size() == 1)
        runNext();
}

void TuningFileManager::runNext()
{
    if (m_operation != Operation::None || m_commands.empty())
        return;
    auto command = std::move(m_commands.front());
    m_commands.pop_front();
    command();
}

void TuningFileManager::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void TuningFileManager::begin(Operation operation)
{
    m_operation = operation;
    m_step = Step::Idle;
    setBusy(true);
}

void TuningFileManager::finish()
{
    m_operation = Operation::None;
    m_step = Step::Idle;
    m_actions.clear();
    m_pendingDownloads.clear();
    m_staged.clear();
    m_downloaded.clear();
    m_outstandingGets = 0;
    if (m_commands.empty()) {
        setBusy(false);
        return;
    }
    // Not from inside the signal that ended this one.
    QMetaObject::invokeMethod(this, &TuningFileManager::runNext, Qt::QueuedConnection);
}

void TuningFileManager::fail(const QString &text)
{
    qCWarning(lcTuning).noquote() << text;
    const Operation operation = m_operation;
    emit error(text);
    if (operation == Operation::Initialise)
        emit initialized(false);
    finish();
}

void TuningFileManager::initialize(QString ip, bool full)
{
    enqueue([this, ip, full] { runInitialise(ip, full); });
}

void TuningFileManager::initialize(QString ip)
{
    initialize(ip, true);
}

void TuningFileManager::onSignalApplyChanges(BrandSeriesMap mapBrandSeriesToFileInfoList)
{
    enqueue([this, map = mapBrandSeriesToFileInfoList] { runApply(map); });
}

void TuningFileManager::onSignalUpdateFromCloud()
{
    enqueue([this] { runCloudUpdate(); });
}

void TuningFileManager::onSignalResetTunings()
{
    enqueue([this] { runReset(); });
}

// Local library ----------------------------------------------------------------------------

QStringList TuningFileManager::localNames(Kind kind)
{
    return QDir(localFolder(kind)).entryList({QStringLiteral("*.hdf")}, QDir::Files, QDir::Name);
}

void TuningFileManager::seedFactorySet()
{
    for (Kind kind : Kinds) {
        QDir().mkpath(localFolder(kind));
        QDir().mkpath(cloudFolder(kind));
        QSet<QString> keys;
        const QStringList local = localNames(kind);
        for (const QString &name : local)
            keys.insert(tuningKey(name));
        const QStringList factory = QDir(factoryFolder(kind)).entryList(QDir::Files, QDir::Name);
        for (const QString &name : factory) {
            const QString key = tuningKey(name);
            if (key.isEmpty() ? local.contains(name) : keys.contains(key))
                continue;
            QByteArray data;
            QString why;
            if (!readBounded(QDir(factoryFolder(kind)).filePath(name), MaxTuningFileBytes, &data, &why)
                || !writeWhole(QDir(localFolder(kind)).filePath(name), data, &why)) {
                qCWarning(lcTuning).noquote() << "Could not copy the factory file" << name << ":" << why;
            }
        }
    }
}

void TuningFileManager::publish(bool processorKnown)
{
    FileInfoList infos;
    BrandSeriesMap groups;
    QStringList brands;
    QStringList names[2];
    int total = 0;
    for (Kind kind : Kinds) {
        names[index(kind)] = localNames(kind);
        total += names[index(kind)].size();
    }
    int done = 0;
    int lastPercent = -1;
    for (Kind kind : Kinds) {
        QHash<QString, TimeStamp> processorNewest;
        for (const QString &name : qAsConst(m_processorNames[index(kind)])) {
            const QString key = tuningKey(name);
            const TimeStamp stamp = tuningTimeStamp(name);
            auto it = processorNewest.find(key);
            if (it == processorNewest.end())
                processorNewest.insert(key, stamp);
            else if (*it < stamp)
                *it = stamp;
        }
        for (const QString &name : qAsConst(names[index(kind)])) {
            const QString key = tuningKey(name);
            const auto found = key.isEmpty() ? processorNewest.cend() : processorNewest.constFind(key);
            FileInfo info{typeText(kind),
                          brandOf(name),
                          seriesOf(name),
                          fileState(tuningTimeStamp(name), found == processorNewest.cend() ? nullptr : &found.value()),
                          QString::fromLatin1(ActionNoChange),
                          name};
            if (!brands.contains(info.brand))
                brands.append(info.brand);
            groups[{info.brand, info.series}].append(info);
            infos.append(std::move(info));
            const int percent = ++done * 100 / qMax(1, total);
            if (percent != lastPercent) {
                lastPercent = percent;
                emit progressMessage(QStringLiteral("Parsing tunings...%1%").arg(percent));
            }
        }
    }
    emit mapBrandSeriesToFileInfoList(groups);
    emit fileInfoList(infos);
    emit brandList(orderedBrandList(brands));
    emit processorStateKnown(processorKnown);
}

void TuningFileManager::storeFile(Kind kind, const QString &name, const QByteArray &data)
{
    QString why;
    if (!isSafeFileName(name, &why) || !isTuningFileName(name)) {
        qCWarning(lcTuning) << "Not storing the processor's file" << name.left(64) << why;
        return;
    }
    if (!writeWhole(QDir(localFolder(kind)).filePath(name), data, &why))
        qCWarning(lcTuning).noquote() << "Failed to create file" << name << why;
}

// Initialise -------------------------------------------------------------------------------

void TuningFileManager::runInitialise(const QString &ip, bool full)
{
    begin(Operation::Initialise);
    emit progressMessage(QStringLiteral("Initializing..."));
    emit brandList({QString::fromLatin1(ShowAll)});
    seedFactorySet();
    m_processorNames[0].clear();
    m_processorNames[1].clear();
    m_processorListed = false;
    if (!full) {
        publish(false);
        emit initialized(true);
    }
    m_ip = ip.trimmed();
    connectProcessor();
}

void TuningFileManager::connectProcessor()
{
    emit progressMessage(QStringLiteral("Connecting to remote server..."));
    if (m_ip.isEmpty()) {
        fail(QStringLiteral("Connection failed: no processor address is known. Connect to a processor first."));
        return;
    }
    if (m_connected) {
        emit disconnectFromHost();
        m_connected = false;
    }
    m_step = Step::Connecting;
    emit connectToHost(m_ip, QString::fromLatin1(FtpUser), QString::fromLatin1(FtpPassword));
}

void TuningFileManager::onConnected()
{
    m_connected = true;
    emit connected();
    if (m_step != Step::Connecting)
        return;
    if (m_operation == Operation::Apply || (m_operation == Operation::Reset && m_processorListed))
        performNext();
    else
        listProcessor(Kind::Speaker);
}

void TuningFileManager::onDisconnected()
{
    m_connected = false;
    emit disconnected();
    // A close before a new connection is expected; a loss in the middle of a transfer is not.
    if (m_step == Step::Listing || m_step == Step::Fetching || m_step == Step::Performing)
        fail(QStringLiteral("Connection failed: the processor closed the connection."));
}

void TuningFileManager::onError(QString errorString)
{
    const bool usesFtp = m_step == Step::Connecting || m_step == Step::Listing || m_step == Step::Fetching
        || m_step == Step::Performing;
    if (!usesFtp) {
        qCWarning(lcTuning).noquote() << "FTP error outside an operation:" << errorString;
        return;
    }
    fail(errorString);
}

void TuningFileManager::listProcessor(Kind kind)
{
    if (kind == Kind::Speaker)
        emit progressMessage(QStringLiteral("Receiving tunings..."));
    m_step = Step::Listing;
    m_listing = kind;
    emit requestFileList(processorFolder(kind));
}

void TuningFileManager::onFileList(QString dir, QStringList list)
{
    if (m_step != Step::Listing || dir != processorFolder(m_listing))
        return;
    m_processorNames[index(m_listing)] = acceptNames(list, "processor listing");
    if (m_listing == Kind::Speaker) {
        listProcessor(Kind::Amplifier);
        return;
    }
    m_processorListed = true;
    if (m_operation == Operation::Reset)
        planReset();
    else
        fetchMissing();
}

void TuningFileManager::fetchMissing()
{
    m_step = Step::Fetching;
    m_outstandingGets = 0;
    for (Kind kind : Kinds) {
        QSet<QString> localKeys;
        const QStringList local = localNames(kind);
        for (const QString &name : local)
            localKeys.insert(tuningKey(name));
        for (const QString &name : qAsConst(m_processorNames[index(kind)])) {
            if (localKeys.contains(tuningKey(name)))
                continue;
            localKeys.insert(tuningKey(name)); // one version of a key is enough
            ++m_outstandingGets;
            emit getFile(processorFolder(kind), name);
        }
    }
    if (m_outstandingGets == 0) {
        publish(true);
        emit initialized(true);
        finish();
    }
}

void TuningFileManager::onFileData(QByteArray data, QString dir, QString fileName)
{
    if (m_step != Step::Fetching)
        return;
    storeFile(kindOfFolder(dir), fileName, data);
    if (--m_outstandingGets > 0)
        return;
    publish(true);
    emit initialized(true);
    finish();
}

// Apply and reset --------------------------------------------------------------------------

QStringList TuningFileManager::processorNamesOfKey(Kind kind, const QString &key) const
{
    QStringList names;
    if (key.isEmpty())
        return names;
    for (const QString &name : m_processorNames[index(kind)]) {
        if (tuningKey(name) == key)
            names.append(name);
    }
    return names;
}

void TuningFileManager::runApply(const BrandSeriesMap &map)
{
    begin(Operation::Apply);
    for (auto group = map.cbegin(); group != map.cend(); ++group) {
        for (const FileInfo &info : group.value()) {
            if (info.action == QLatin1String(ActionNoChange))
                continue;
            const Kind kind = kindOfType(info.type);
            if (!isSafeFileName(info.file) || !QFileInfo::exists(QDir(localFolder(kind)).filePath(info.file))) {
                qCWarning(lcTuning) << "No local file" << info.file << "; skipped";
                continue;
            }
            const QStringList onProcessor = processorNamesOfKey(kind, tuningKey(info.file));
            if (info.action == QLatin1String(ActionWillAdd)) {
                m_actions.push_back({Action::Put, kind, QString(), info.file});
            } else if (info.action == QLatin1String(ActionWillRemove)) {
                if (onProcessor.isEmpty())
                    qCWarning(lcTuning) << "Refusing to remove" << info.file << ": the processor has no file of its key";
                for (const QString &name : onProcessor)
                    m_actions.push_back({Action::Remove, kind, name, QString()});
            } else if (info.action == QLatin1String(ActionWillUpdate)) {
                QString newest;
                for (const QString &name : onProcessor) {
                    if (newest.isEmpty() || tuningTimeStamp(newest) < tuningTimeStamp(name))
                        newest = name;
                }
                if (newest.isEmpty())
                    qCWarning(lcTuning) << "Refusing to update" << info.file << ": the processor has no file of its key";
                else if (tuningTimeStamp(newest) < tuningTimeStamp(info.file))
                    m_actions.push_back({Action::Update, kind, newest, info.file});
            } else {
                qCWarning(lcTuning) << "Unknown action" << info.action << "for" << info.file;
            }
        }
    }
    if (!m_actions.empty() && !m_processorListed) {
        fail(QStringLiteral("The processor's tuning files are not known yet; initialise the list first."));
        return;
    }
    startActions(QStringLiteral("Applying Changes...%1%"));
}

void TuningFileManager::runReset()
{
    begin(Operation::Reset);
    emit progressMessage(QStringLiteral("Resetting local tunings..."));
    const QString root = libraryRoot();
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFile::permissions(it.filePath()) | QFileDevice::WriteOwner);
    QDir(root).removeRecursively();
    seedFactorySet();
    m_processorNames[0].clear();
    m_processorNames[1].clear();
    m_processorListed = false;
    if (m_connected)
        listProcessor(Kind::Speaker);
    else
        connectProcessor();
}

void TuningFileManager::planReset()
{
    for (Kind kind : Kinds) {
        const QStringList local = localNames(kind);
        const QStringList &remote = m_processorNames[index(kind)];
        for (const QString &name : remote) {
            if (!local.contains(name))
                m_actions.push_back({Action::Remove, kind, name, QString()});
        }
        for (const QString &name : local) {
            if (!remote.contains(name))
                m_actions.push_back({Action::Put, kind, QString(), name});
        }
    }
    startActions(QStringLiteral("Resetting remote tunings...%1%"));
}

void TuningFileManager::startActions(const QString &progressFormat)
{
    m_progressFormat = progressFormat;
    m_actionsTotal = int(m_actions.size());
    m_actionsDone = 0;
    if (m_actions.empty() || m_connected) {
        m_step = Step::Performing;
        performNext();
    } else {
        connectProcessor();
    }
}

void TuningFileManager::performNext()
{
    m_step = Step::Performing;
    while (!m_actions.empty()) {
        const Action &action = m_actions.front();
        emit progressMessage(m_progressFormat.arg(m_actionsDone * 100 / qMax(1, m_actionsTotal)));
        const QString dir = processorFolder(action.kind);
        static const char *const verbs[] = {"Will Add", "Will Remove", "Will Update"};
        qCDebug(lcTuning) << "Performing current action: " << verbs[action.type] << "for file: "
                          << (action.newName.isEmpty() ? action.oldName : action.newName);
        if (action.type == Action::Remove) {
            emit removeFile(dir, action.oldName);
            return;
        }
        QByteArray data;
        QString why;
        if (readBounded(QDir(localFolder(action.kind)).filePath(action.newName), MaxTuningFileBytes, &data, &why)) {
            if (action.type == Action::Put)
                emit putFile(data, dir, action.newName);
            else
                emit updateFile(data, dir, action.oldName, action.newName);
            return;
        }
        qCWarning(lcTuning).noquote() << "Skipping" << action.newName << ":" << why;
        m_actions.pop_front();
        ++m_actionsDone;
    }
    const Operation operation = m_operation;
    if (operation == Operation::Apply)
        emit changesApplied();
    else
        emit tuningsReset();
    finish();
}

void TuningFileManager::onActionFinished()
{
    if (m_step != Step::Performing || m_actions.empty())
        return;
    m_actions.pop_front();
    ++m_actionsDone;
    performNext();
}

// Cloud ------------------------------------------------------------------------------------

QUrl TuningFileManager::containerFileUrl(Kind kind, const QString &name) const
{
    QUrl url = tarn::cloudContainerUrl(cloudContainer(kind, m_validationMode));
    url.setPath(url.path() + QLatin1Char('/') + name);
    return url;
}

void TuningFileManager::runCloudUpdate()
{
    begin(Operation::CloudUpdate);
    emit progressMessage(QStringLiteral("Checking for updates..."));
    if (!m_downloads) {
        fail(QStringLiteral("Network thread is not initialized"));
        return;
    }
    m_failedDownloads = 0;
    m_firstDownloadError.clear();
    requestManifest(Kind::Speaker);
}

void TuningFileManager::requestManifest(Kind kind)
{
    m_step = Step::Manifest;
    m_listing = kind;
    m_manifestUrl = containerFileUrl(kind, QStringLiteral("Manifest"));
    emit m_downloads->download(m_manifestUrl, cloudFolder(kind), true);
}

void TuningFileManager::onCurrentDownloadFinished(QUrl url, bool success, QString errorString)
{
    if (m_operation != Operation::CloudUpdate)
        return;
    if (m_step == Step::Manifest && url == m_manifestUrl) {
        if (!success) {
            qCWarning(lcTuning).noquote() << "Manifest" << url.toDisplayString() << ":" << errorString;
            fail(QString::fromLatin1(CloudErrorText));
        } else if (m_listing == Kind::Speaker) {
            requestManifest(Kind::Amplifier);
        } else {
            compareManifests();
        }
        return;
    }
    if (m_step != Step::Downloading || !m_pendingDownloads.remove(url))
        return;
    if (success) {
        m_downloaded.append(m_staged.value(url));
    } else {
        ++m_failedDownloads;
        if (m_firstDownloadError.isEmpty())
            m_firstDownloadError = errorString;
    }
    if (m_pendingDownloads.isEmpty())
        installDownloads();
}

void TuningFileManager::onCurrentDownloadProgress(QUrl, qlonglong, qlonglong)
{
}

void TuningFileManager::onAllDonwloadsFinished(int downloadCount, int totalCount)
{
    qCDebug(lcTuning) << downloadCount << "of" << totalCount << "downloads finished";
}

void TuningFileManager::compareManifests()
{
    QList<QUrl> urls[2];
    for (Kind kind : Kinds) {
        const QString path = QDir(cloudFolder(kind)).filePath(QStringLiteral("Manifest"));
        QByteArray text;
        QString why;
        if (!readBounded(path, MaxManifestBytes, &text, &why)) {
            qCWarning(lcTuning).noquote() << "Failed to open manifest file: " << path << why;
            fail(QStringLiteral("The update server sent an unusable list of tunings (%1).").arg(why));
            return;
        }
        const QStringList names = acceptNames(QString::fromUtf8(text).split(QLatin1Char('\n')), "manifest");
        qCDebug(lcTuning) << "Cloud files: " << names;
        // The newest listed version of each key, against the newest local one.
        QHash<QString, QString> newest;
        for (const QString &name : names) {
            const QString key = tuningKey(name);
            const QString current = newest.value(key);
            if (current.isEmpty() || tuningTimeStamp(current) < tuningTimeStamp(name))
                newest.insert(key, name);
        }
        QHash<QString, TimeStamp> local;
        const QStringList localFiles = localNames(kind);
        for (const QString &name : localFiles) {
            const QString key = tuningKey(name);
            if (!local.contains(key) || local.value(key) < tuningTimeStamp(name))
                local.insert(key, tuningTimeStamp(name));
        }
        for (auto it = newest.cbegin(); it != newest.cend(); ++it) {
            if (local.contains(it.key()) && !(local.value(it.key()) < tuningTimeStamp(it.value())))
                continue;
            const QUrl url = containerFileUrl(kind, it.value());
            urls[index(kind)].append(url);
            m_staged.insert(url, {kind, it.value()});
            m_pendingDownloads.insert(url);
        }
    }
    if (m_pendingDownloads.isEmpty()) {
        emit updatedFromCloud();
        finish();
        return;
    }
    emit progressMessage(QStringLiteral("Downloading updates..."));
    m_step = Step::Downloading;
    for (Kind kind : Kinds) {
        if (!urls[index(kind)].isEmpty())
            emit m_downloads->downloadMultiple(urls[index(kind)], cloudFolder(kind), false);
    }
}

void TuningFileManager::installDownloads()
{
    for (const Staged &file : qAsConst(m_downloaded)) {
        const QString staged = QDir(cloudFolder(file.kind)).filePath(file.name);
        const QString target = QDir(localFolder(file.kind)).filePath(file.name);
        QByteArray data;
        QString why;
        if (!readBounded(staged, MaxTuningFileBytes, &data, &why) || !writeWhole(target, data, &why)) {
            qCWarning(lcTuning).noquote() << "Could not take the cloud file" << file.name << ":" << why;
            ++m_failedDownloads;
            if (m_firstDownloadError.isEmpty())
                m_firstDownloadError = why;
            continue;
        }
        qCDebug(lcTuning).noquote() << " Add cloud file psth - " + target;
        // Only now that the new version is in place do older ones of its key go.
        const QString key = tuningKey(file.name);
        const QStringList local = localNames(file.kind);
        for (const QString &name : local) {
            if (name != file.name && tuningKey(name) == key)
                removeWritable(QDir(localFolder(file.kind)).filePath(name));
        }
        QFile::remove(staged);
    }
    if (m_failedDownloads > 0) {
        fail(QStringLiteral("%1 of %2 updates could not be downloaded: %3")
                 .arg(m_failedDownloads)
                 .arg(m_staged.size())
                 .arg(m_firstDownloadError));
        return;
    }
    emit updatedFromCloud();
    finish();
}
