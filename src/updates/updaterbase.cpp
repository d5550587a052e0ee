#include "updaterbase.h"

#include "cloudstore.h"
#include "updatecommon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkRequest>

using namespace tarn::updates;

namespace {
const QString kFeedContainer = QStringLiteral("cz-tarn-update");
const QString kTestFeedContainer = QStringLiteral("cz-tarn-update-test");
const QString kFeedFile = QStringLiteral("/update.xml");
constexpr int kMaxRedirects = 5;
constexpr qint64 kHashChunk = 1 << 20;
constexpr qint64 kReadBufferBytes = 1 << 20;

QString parseFailedText()
{
    return QStringLiteral("Failed to parse the server xml file.");
}
QString damagedText()
{
    return QStringLiteral("The downloaded file is damaged: its checksum differs from the one the update server announced. "
                          "It was deleted; please download it again.");
}
QString wrongSizeText()
{
    return QStringLiteral("The downloaded file does not have the size the update server announced. "
                          "It was deleted; please download it again.");
}
QString unusableNameText()
{
    return QStringLiteral("The update server named a file that cannot be used. Please contact customer care.");
}
} // namespace

UpdaterBase::UpdaterBase(const Setup &setup, QObject *parent)
    : QObject(parent), m_setup(setup), m_folder(setup.folder), m_network(new QNetworkAccessManager(this))
{
    // The invokables only post; the work runs from the event loop.
    connect(this, &UpdaterBase::requestCheckForUpdate, this, &UpdaterBase::onRequestCheckForUpdate, Qt::QueuedConnection);
    connect(this, &UpdaterBase::requestDownloadUpdate, this, &UpdaterBase::onRequestDownloadUpdate, Qt::QueuedConnection);
    connect(this, &UpdaterBase::requestCancelDownload, this, &UpdaterBase::onRequestCancelDownload, Qt::QueuedConnection);
    connect(this, &UpdaterBase::checkCachedVersion, this, &UpdaterBase::onCheckForCachedVersion, Qt::QueuedConnection);
    m_stall.setSingleShot(true);
    m_stall.setInterval(kStallTimeoutMs);
    connect(&m_stall, &QTimer::timeout, this, [this]() {
        if (!m_reply)
            return;
        qCWarning(lcUpdates) << "No data from" << m_reply->url().toString() << "for" << kStallTimeoutMs << "ms";
        m_timedOut = true;
        m_reply->abort();
    });
}

UpdaterBase::~UpdaterBase()
{
    dropReply();
}

QUrl UpdaterBase::feedUrl() const
{
    QUrl url = tarn::cloudContainerUrl(m_validationMode ? kTestFeedContainer : kFeedContainer);
    url.setPath(url.path() + kFeedFile);
    return url;
}

void UpdaterBase::setValidationMode(bool validationMode)
{
    if (m_validationMode == validationMode)
        return;
    m_validationMode = validationMode;
    resetAll();
    if (m_latest.isValid()) {
        m_latest = Revision();
        emit latestVersionChanged(QString());
    }
    setDownloadedFile(QString());
    emit validationModeChanged(validationMode);
}

void UpdaterBase::setIsIdle(bool idle)
{
    if (m_isIdle == idle)
        return;
    m_isIdle = idle;
    emit isIdleChanged(idle);
}

void UpdaterBase::checkForUpdate()
{
    if (m_downloadInProgress)
        return;
    setState(CheckingForUpdate);
    setIsIdle(false);
    emit requestCheckForUpdate();
}

void UpdaterBase::downLoadUpdate()
{
    if (m_downloadInProgress)
        return;
    emit requestDownloadUpdate();
}

void UpdaterBase::cancelDownload()
{
    emit requestCancelDownload();
}

void UpdaterBase::resetAll()
{
    dropReply();
    setDownloadInProgress(false);
    setProgress(0);
    setIsIdle(true);
    setState(CheckForUpdate);
}

void UpdaterBase::clearCache()
{
    if (m_downloadInProgress) {
        qCWarning(lcUpdates) << "The download folder is not cleared while a download runs";
        return;
    }
    removeOtherFiles(QString());
    setDownloadedFile(QString());
    if (m_state == Ready)
        setState(m_latest.isValid() && isFirstGreaterThanSecond(m_latest.version, currentVersion()) ? DownloadUpdate
                                                                                                       : CheckForUpdate);
}

bool UpdaterBase::isFirstGreaterThanSecond(QString newVersion, QString oldVersion)
{
    return tarn::updates::isFirstGreaterThanSecond(newVersion, oldVersion);
}

void UpdaterBase::setState(int state)
{
    if (m_state == state)
        return;
    m_state = state;
    emitStateChanged(state);
}

void UpdaterBase::onRequestCheckForUpdate()
{
    if (m_downloadInProgress)
        return;
    dropReply();
    setIsIdle(false);
    setState(CheckingForUpdate);
    m_feedBody.clear();
    startRequest(feedUrl(), Job::Feed);
}

void UpdaterBase::onRequestDownloadUpdate()
{
    if (m_downloadInProgress)
        return;
    if (!m_latest.isValid()) {
        emit error(QStringLiteral("There is no update to download. Please check for an update first."));
        return;
    }
    const QString name = safeFileName(m_latest.url);
    if (name.isEmpty() || !name.endsWith(m_setup.fileSuffix, Qt::CaseInsensitive)) {
        qCWarning(lcUpdates) << "Refusing the file name of" << m_latest.url.toString();
        emit error(unusableNameText());
        return;
    }
    dropReply();
    if (!QDir().mkpath(m_folder)) {
        emit error(QStringLiteral("The update could not be saved on this computer: cannot create %1.").arg(m_folder));
        return;
    }
    // What an interrupted download left goes first.
    const QString tmpPath = QDir(m_folder).filePath(name + QLatin1String(kTmpSuffix));
    QFile::remove(tmpPath);
    m_file = std::make_unique<QFile>(tmpPath);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString why = m_file->errorString();
        m_file.reset();
        emit error(QStringLiteral("The update could not be saved on this computer: %1.").arg(why));
        return;
    }
    m_fileName = name;
    m_sha.reset();
    m_received = 0;
    m_total = -1;
    setProgress(0);
    setDownloadInProgress(true);
    setIsIdle(false);
    setState(DownloadUpdate);
    qCDebug(lcUpdates) << "Downloading" << m_latest.url.toString() << "to" << tmpPath;
    // On a kept-alive connection the transfer can start before the reply's buffer bound is in
    // force, and then moves in huge pieces at a fraction of the speed: a file gets a new one.
    m_network->clearConnectionCache();
    startRequest(m_latest.url, Job::File);
}

void UpdaterBase::onRequestCancelDownload()
{
    if (!m_reply)
        return;
    m_canceled = true;
    m_reply->abort();
}

void UpdaterBase::startRequest(const QUrl &url, Job job)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    // Sizes and checksums are those of the file itself, never of a compressed transfer.
    request.setRawHeader("Accept-Encoding", "identity");
    m_job = job;
    m_failure.clear();
    m_reported = false;
    m_canceled = false;
    m_timedOut = false;
    m_reply = m_network->get(request);
    // A bounded buffer keeps the transfer flowing in steady pieces; unbounded, the network thread
    // piles up many megabytes and copies them around, and a 100 MB image arrived at a fifth of
    // the speed.
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdaterBase::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdaterBase::onFinished);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &UpdaterBase::onError);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &UpdaterBase::onDownloadProgress);
    m_stall.start();
}

void UpdaterBase::onDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal)
{
    if (m_job != Job::File || !m_reply || m_reported || m_canceled || !m_failure.isEmpty())
        return;
    m_stall.start();
    if (bytesTotal > 0)
        setProgress(float(double(qMin(bytesReceived, bytesTotal)) / double(bytesTotal)));
}

void UpdaterBase::onReadyRead()
{
    if (!m_reply || sender() != m_reply || !m_failure.isEmpty() || m_reported)
        return;
    m_stall.start();
    if (m_job == Job::Feed) {
        m_feedBody += m_reply->read(kMaxFeedBytes + 1 - m_feedBody.size());
        if (m_feedBody.size() > kMaxFeedBytes) {
            qCWarning(lcUpdates) << "Invalid query: the update document is larger than" << kMaxFeedBytes << "bytes";
            fail(parseFailedText());
        }
        return;
    }
    const QByteArray data = m_reply->readAll();
    m_received += data.size();
    const qint64 limit = m_latest.size >= 0 ? m_latest.size : m_setup.maxBytes;
    if (m_received > limit) {
        qCWarning(lcUpdates) << "The download grew past" << limit << "bytes";
        fail(wrongSizeText());
        return;
    }
    m_sha.addData(data);
    if (m_file->write(data) != data.size()) {
        fail(QStringLiteral("The update could not be saved on this computer: %1.").arg(m_file->errorString()));
        return;
    }
    // The reply's own progress signal is held back to one per 100 ms, and a fast or stalled
    // transfer may see none; the bytes written are counted here instead.
    if (m_total < 0)
        m_total = qMax<qint64>(0, m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    if (m_total > 0)
        setProgress(float(double(qMin(m_received, m_total)) / double(m_total)));
}

void UpdaterBase::fail(const QString &text)
{
    m_failure = text;
    if (m_reply)
        m_reply->abort();
}

void UpdaterBase::onError(QNetworkReply::NetworkError errorCode)
{
    if (m_reported || (sender() && sender() != m_reply))
        return;
    qCWarning(lcUpdates) << "Update transfer failed:" << errorCode << (m_reply ? m_reply->errorString() : QString());
    const bool cutShort = m_job == Job::File && errorCode == QNetworkReply::RemoteHostClosedError && m_total > m_received;
    if (!m_failure.isEmpty()) {
        report(m_failure, false);
    } else if (cutShort) {
        // The server closed before the announced length: a truncated file, said as such.
        report(wrongSizeText(), false);
    } else if (m_timedOut) {
        report(networkErrorText(QNetworkReply::TimeoutError), false);
    } else {
        const bool canceled = errorCode == QNetworkReply::OperationCanceledError;
        if (canceled && m_canceled)
            emit downloadCanceled();
        report(networkErrorText(errorCode), canceled);
    }
}

void UpdaterBase::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply || sender() != reply)
        return;
    m_stall.stop();
    if (!m_reported && !m_failure.isEmpty())
        report(m_failure, false);
    if (!m_reported && reply->error() != QNetworkReply::NoError)
        onError(reply->error());
    if (!m_reported) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 200)
            report(networkErrorText(QNetworkReply::ProtocolFailure), false);
        else if (m_job == Job::Feed)
            finishFeed();
        else
            finishFile();
    }
    dropReply();
}

void UpdaterBase::finishFeed()
{
    Revision latest;
    QString why;
    if (!latestRevision(m_feedBody, m_reply->url(), m_setup.product, m_setup.platform, &latest, &why)) {
        qCWarning(lcUpdates).noquote() << "Invalid query:" << why;
        report(parseFailedText(), false);
        return;
    }
    m_feedBody.clear();
    m_latest = latest;
    qCDebug(lcUpdates).noquote() << m_setup.latestLog << latest.version << latest.url.toString();
    emit latestVersionWithUrl(latest.version, latest.url.toString());
    emit latestVersionChanged(latest.version);
    setIsIdle(true);
    if (!latest.isValid() || !isFirstGreaterThanSecond(latest.version, currentVersion())) {
        // An image of an older or equal version is never offered.
        setDownloadedFile(QString());
        setState(CheckForUpdate);
        return;
    }
    const QString name = safeFileName(latest.url);
    if (name.isEmpty() || !name.endsWith(m_setup.fileSuffix, Qt::CaseInsensitive)) {
        qCWarning(lcUpdates) << "Refusing the file name of" << latest.url.toString();
        report(unusableNameText(), false);
        return;
    }
    setState(DownloadUpdate);
    if (QFile::exists(QDir(m_folder).filePath(name)))
        emit checkCachedVersion();
    else
        setDownloadedFile(QString());
}

void UpdaterBase::finishFile()
{
    m_file->close();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    QString problem;
    if ((length.isValid() && length.toLongLong() != m_received) || (m_latest.size >= 0 && m_latest.size != m_received)) {
        qCWarning(lcUpdates) << "Received" << m_received << "bytes; announced" << length << m_latest.size;
        problem = wrongSizeText();
    } else if (!m_latest.sha256.isEmpty() && m_sha.hexResult() != m_latest.sha256) {
        qCWarning(lcUpdates) << "Checksum" << m_sha.hexResult() << "differs from" << m_latest.sha256;
        problem = damagedText();
    }
    if (!problem.isEmpty()) {
        report(problem, false);
        return;
    }
    const QString finalPath = QDir(m_folder).filePath(m_fileName);
    QFile::remove(finalPath);
    if (!m_file->rename(finalPath)) {
        report(QStringLiteral("The update could not be saved on this computer: %1.").arg(m_file->errorString()), false);
        return;
    }
    m_file.reset();
    removeOtherFiles(m_fileName);
    qCDebug(lcUpdates) << "Download complete:" << finalPath << m_received << "bytes";
    setDownloadInProgress(false);
    setProgress(1);
    setDownloadedFile(m_fileName);
    setIsIdle(true);
    emit updateDownloaded();
    setState(Ready);
}

void UpdaterBase::report(const QString &text, bool clearLatest)
{
    m_reported = true;
    m_stall.stop();
    if (m_file) {
        m_file->close();
        m_file->remove();
        m_file.reset();
    }
    const bool wasFile = m_job == Job::File;
    setDownloadInProgress(false);
    setProgress(0);
    if (clearLatest && m_latest.isValid()) {
        m_latest = Revision();
        emit latestVersionWithUrl(QString(), QString());
        emit latestVersionChanged(QString());
    }
    setIsIdle(true);
    setState(wasFile && m_latest.isValid() ? DownloadUpdate : CheckForUpdate);
    emit error(text);
}

void UpdaterBase::dropReply()
{
    m_stall.stop();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
    if (m_file) {
        m_file->close();
        m_file->remove();
        m_file.reset();
    }
    m_job = Job::None;
}

void UpdaterBase::onCheckForCachedVersion()
{
    if (!m_latest.isValid() || m_downloadInProgress)
        return;
    const QString name = safeFileName(m_latest.url);
    const QString path = QDir(m_folder).filePath(name);
    if (name.isEmpty() || !QFile::exists(path))
        return;
    if (!cachedFileIsWhole(path)) {
        qCWarning(lcUpdates) << "The kept file" << path << "is not the announced one; removed";
        QFile::remove(path);
        setDownloadedFile(QString());
        setState(DownloadUpdate);
        return;
    }
    qCDebug(lcUpdates) << "Offering the kept file" << path;
    setDownloadedFile(name);
    emit showCachedInfo();
    setState(Ready);
}

bool UpdaterBase::cachedFileIsWhole(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (m_latest.size >= 0 && file.size() != m_latest.size)
        return false;
    if (m_latest.sha256.isEmpty())
        return true;
    Sha256 sha;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kHashChunk);
        if (chunk.isEmpty())
            return false;
        sha.addData(chunk);
    }
    return sha.hexResult() == m_latest.sha256;
}

void UpdaterBase::removeOtherFiles(const QString &keep)
{
    QDir dir(m_folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &info : files) {
        if (info.fileName() == keep)
            continue;
        QFile file(info.absoluteFilePath());
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        if (!file.remove())
            qCWarning(lcUpdates) << "Could not delete" << info.absoluteFilePath() << file.errorString();
    }
}

void UpdaterBase::setDownloadInProgress(bool inProgress)
{
    if (m_downloadInProgress == inProgress)
        return;
    m_downloadInProgress = inProgress;
    emit downloadInProgressChanged(inProgress);
}

void UpdaterBase::setProgress(float progress)
{
    // Thousandths are enough for a bar; a 100 MB download would otherwise notify thousands of times.
    if (qAbs(progress - m_progress) < 0.001f && progress != 0 && progress != 1)
        return;
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged(progress);
}

void UpdaterBase::setDownloadedFile(const QString &name)
{
    if (m_downloadedFile == name)
        return;
    m_downloadedFile = name;
    emit downloadedFileChanged();
}
