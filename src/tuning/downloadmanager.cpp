#include "downloadmanager.h"

#include "tuningfile.h"
#include "tuninglog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <cstdio>
#include <QTimer>

DownloadManager::DownloadManager(QObject *parent)
    : QObject(parent)
{
    // Callers on other threads post batches; the list must cross by value.
    qRegisterMetaType<QList<QUrl>>("QList<QUrl>");
    connect(this, &DownloadManager::download, this, &DownloadManager::onDownload);
    connect(this, &DownloadManager::downloadMultiple, this, &DownloadManager::onDownloadMultiple);
}

DownloadManager::~DownloadManager()
{
    onThreadFinished();
}

void DownloadManager::onThreadStarted()
{
    m_network = std::make_unique<QNetworkAccessManager>();
    connect(m_network.get(), &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &DownloadManager::proxyAuthenticationRequired);
    connect(m_network.get(), &QNetworkAccessManager::authenticationRequired, this,
            &DownloadManager::authenticationRequired);
}

void DownloadManager::onThreadFinished()
{
    // Runs on this object's thread as it ends, so the sockets go on their own thread.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
        m_reply = nullptr;
    }
    discardOutput();
    m_queue.clear();
    m_network.reset();
}

void DownloadManager::prepareFolder(const QString &dir, bool deleteExisting)
{
    if (deleteExisting && QFileInfo::exists(dir)) {
        // Read-only files would stop the removal; make them writable first.
        QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (it.fileInfo().isDir() && !it.fileInfo().isSymLink()) {
                qCDebug(lcTuning, "deleting directory: %s", qUtf8Printable(path));
            } else {
                qCDebug(lcTuning, "deleting file: %s", qUtf8Printable(path));
                QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
            }
        }
        QDir(dir).removeRecursively();
    }
    QDir().mkpath(dir);
}

void DownloadManager::onDownload(QUrl url, QString dir, bool deleteExisitingDirectory)
{
    onDownloadMultiple({url}, dir, deleteExisitingDirectory);
}

void DownloadManager::onDownloadMultiple(QList<QUrl> urls, QString dir, bool deleteExisitingDirectory)
{
    qCDebug(lcTuning) << "Entering";
    prepareFolder(dir, deleteExisitingDirectory);
    for (const QUrl &url : qAsConst(urls))
        m_queue.push_back({url, dir});
    m_total += urls.size();
    if (!m_reply && !m_startPosted) {
        m_startPosted = true;
        QTimer::singleShot(0, this, &DownloadManager::startNextDownload);
    }
    qCDebug(lcTuning) << "Exiting";
}

void DownloadManager::startNextDownload()
{
    m_startPosted = false;
    if (m_reply)
        return;
    while (!m_queue.empty()) {
        m_current = m_queue.front();
        m_queue.pop_front();
        const QUrl &url = m_current.url;
        QString name = url.fileName(QUrl::FullyDecoded);
        if (name.isEmpty())
            name = QStringLiteral("index.html");
        QString why;
        const QString scheme = url.scheme().toLower();
        if (!m_network) {
            why = QStringLiteral("Network thread is not initialized");
        } else if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            why = QStringLiteral("Not an http(s) address");
        } else if (!tarn::tuning::isSafeFileName(name, &why)) {
            why = QStringLiteral("Refusing to save '%1': %2").arg(name.left(64), why);
        }
        if (why.isEmpty()) {
            m_target = QDir(m_current.dir).filePath(name);
            m_output = std::make_unique<QFile>(m_target + QLatin1String(PartSuffix));
            if (!m_output->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                why = m_output->errorString();
                qCWarning(lcTuning, "Problem opening save file '%s' for download '%s': %s", qUtf8Printable(name),
                          url.toEncoded().constData(), qUtf8Printable(why));
                m_output.reset();
            }
        }
        if (!why.isEmpty()) {
            emit currentDownloadFinished(url, false, why);
            continue;
        }
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(MaxRedirects);
        request.setTransferTimeout(TransferTimeoutMs);
        m_received = 0;
        m_failure.clear();
        m_reply = m_network->get(request);
        qCDebug(lcTuning) << "Downloading " << url.toDisplayString();
        connect(m_reply, &QNetworkReply::downloadProgress, this, &DownloadManager::onDownloadProgress);
        connect(m_reply, &QNetworkReply::readyRead, this, &DownloadManager::onDownloadReadyRead);
        connect(m_reply, &QNetworkReply::finished, this, &DownloadManager::onDownloadFinished);
        return;
    }
    qCDebug(lcTuning).noquote() << QStringLiteral("%1/%2 files downloaded successfully").arg(m_downloaded).arg(m_total);
    const int downloaded = m_downloaded;
    const int total = m_total;
    m_downloaded = 0;
    m_total = 0;
    emit allDonwloadsFinished(downloaded, total);
}

void DownloadManager::onDownloadReadyRead()
{
    if (!m_reply || !m_output || !m_failure.isEmpty())
        return;
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    if (m_received > m_maxFileBytes) {
        m_failure = QStringLiteral("The file is larger than %1 bytes").arg(m_maxFileBytes);
        m_reply->abort();
        return;
    }
    if (m_output->write(chunk) != chunk.size()) {
        m_failure = m_output->errorString();
        m_reply->abort();
    }
}

void DownloadManager::onDownloadProgress(qlonglong bytesReceived, qlonglong bytesTotal)
{
    if (m_reply && bytesTotal > m_maxFileBytes && m_failure.isEmpty()) {
        m_failure = QStringLiteral("The file is larger than %1 bytes").arg(m_maxFileBytes);
        m_reply->abort();
        return;
    }
    emit currentDownloadProgress(m_current.url, bytesReceived, bytesTotal);
}

void DownloadManager::onDownloadFinished()
{
    if (!m_reply)
        return;
    onDownloadReadyRead(); // anything still buffered
    QString why = m_failure;
    if (why.isEmpty() && m_reply->error() != QNetworkReply::NoError)
        why = m_reply->errorString();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (why.isEmpty() && status != 200)
        why = QStringLiteral("The server answered %1 instead of 200").arg(status);
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (why.isEmpty() && length.isValid() && length.toLongLong() != m_received)
        why = QStringLiteral("Only %1 of %2 bytes arrived").arg(m_received).arg(length.toLongLong());
    if (why.isEmpty() && !commitOutput())
        why = QStringLiteral("Could not move the download into place: %1").arg(m_target);
    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_reply = nullptr;
    finishCurrent(why.isEmpty(), why);
}

void DownloadManager::discardOutput()
{
    if (!m_output)
        return;
    m_output->close();
    m_output->remove();
    m_output.reset();
}

bool DownloadManager::commitOutput()
{
    // Written beside the target, moved over it only now that it is whole. rename() replaces
    // the target in one step where the platform allows; elsewhere the old file goes first.
    if (!m_output->flush())
        return false;
    m_output->close();
    const QByteArray from = QFile::encodeName(m_output->fileName());
    const QByteArray to = QFile::encodeName(m_target);
    if (std::rename(from.constData(), to.constData()) != 0
        && !(QFile::remove(m_target) && std::rename(from.constData(), to.constData()) == 0))
        return false;
    m_output.reset();
    return true;
}

void DownloadManager::finishCurrent(bool success, const QString &errorString)
{
    discardOutput();
    const QUrl url = m_current.url;
    if (success) {
        ++m_downloaded;
        qCDebug(lcTuning).noquote() << QStringLiteral("%1 downloaded successfully").arg(url.toDisplayString());
        emit currentDownloadFinished(url, true, QStringLiteral("No error"));
    } else {
        qCWarning(lcTuning).noquote() << QStringLiteral("Failed to download %1: %2").arg(url.toDisplayString(), errorString);
        emit currentDownloadFinished(url, false, errorString);
    }
    startNextDownload();
}
