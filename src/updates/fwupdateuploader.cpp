#include "fwupdateuploader.h"

#include "lineformat.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "updatecommon.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>


namespace {
const char kWriterOk[] = "writer OK";
const char kWriterDone[] = "writer done ";
const char kWriterError[] = "writer error";
const char kTarget[] = "file\\updQuarTar";

QString lostText(const QString &why)
{
    return QStringLiteral("The connection to the processor was lost during the upload (%1). "
                          "The processor keeps its firmware; please upload again.")
        .arg(why);
}
} // namespace

FwUpdateUploader::FwUpdateUploader(QObject *parent) : QObject(parent)
{
    // Chunks and progress travel through the event loop, so a fast socket never nests calls.
    connect(this, &FwUpdateUploader::write, this, &FwUpdateUploader::onWrite, Qt::QueuedConnection);
    connect(this, &FwUpdateUploader::showProgress, this, &FwUpdateUploader::onUploadProgress, Qt::QueuedConnection);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this]() {
        if (m_phase == Phase::Connecting)
            fail(QStringLiteral("Error in connecting to device."));
        else if (m_phase == Phase::AwaitingWriter)
            fail(QStringLiteral("The processor did not accept the firmware upload. Please try again."));
        else if (m_phase == Phase::AwaitingConfirmation)
            fail(QStringLiteral("The processor did not confirm the firmware image. Please upload again."));
    });
}

FwUpdateUploader::~FwUpdateUploader()
{
    if (m_socket)
        m_socket->abort();
}

void FwUpdateUploader::upload(QString fileName)
{
    if (m_phase != Phase::Idle) {
        emit error(QStringLiteral("An upload is already running."));
        return;
    }
    setUploadInProgress(true);
    m_progress = 0;
    emit progressChanged(0);
    // A plain name inside the image folder, never a path.
    if (fileName.isEmpty() || tarn::updates::safeFileName(QUrl::fromLocalFile(QStringLiteral("/") + fileName)) != fileName) {
        qCWarning(lcUpdates) << "Firmware file not found";
        fail(QStringLiteral("Firmware file not found"));
        return;
    }
    const QString path = QDir(tarn::updates::firmwareImageFolder()).filePath(fileName);
    m_file = std::make_unique<QFile>(path);
    if (!m_file->exists() || !m_file->open(QIODevice::ReadOnly)) {
        qCWarning(lcUpdates) << "Firmware file not found" << path;
        fail(QStringLiteral("Firmware file not found"));
        return;
    }
    m_fileSize = m_file->size();
    m_sent = 0;
    m_queued = 0;
    m_reported = 0;
    m_sha.reset();
    m_lineBuffer.clear();

    const QString address = TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress));
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &FwUpdateUploader::onConnected);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &FwUpdateUploader::onBytesWritten);
    connect(m_socket, &QTcpSocket::readyRead, this, &FwUpdateUploader::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &FwUpdateUploader::onError);
    m_phase = Phase::Connecting;
    m_timer.start(kConnectTimeoutMs);
    m_socket->connectToHost(address, tarn::protocol::devicePort());
}

void FwUpdateUploader::onConnected()
{
    qCDebug(lcUpdates) << "Connected to server";
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    qCDebug(lcUpdates) << "Initiating Firmware Transfer - " << m_file->fileName() << m_fileSize << "bytes";
    m_phase = Phase::AwaitingWriter;
    m_timer.start(kAnswerTimeoutMs);
    m_socket->write("write \"" + QByteArray(kTarget) + "\" " + QByteArray::number(m_fileSize) + " \n");
}

void FwUpdateUploader::onReadyRead()
{
    if (!m_socket || sender() != m_socket)
        return;
    m_lineBuffer += m_socket->readAll();
    // The greeting and "writer OK" may come in one piece, or a line in several.
    int end;
    while (m_phase != Phase::Idle && (end = m_lineBuffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_lineBuffer.left(end);
        m_lineBuffer.remove(0, end + 1);
        handleLine(line);
    }
    if (m_phase != Phase::Idle && m_lineBuffer.size() > kMaxAnswerLineBytes)
        fail(QStringLiteral("The processor answered the upload with something unreadable. Please try again."));
}

void FwUpdateUploader::handleLine(const QByteArray &line)
{
    qCDebug(lcUpdates) << "Data from Socket: " << line.left(200);
    if (line.startsWith(kWriterError)) {
        fail(QStringLiteral("The processor refused the firmware image: %1")
                 .arg(QString::fromUtf8(line.mid(int(qstrlen(kWriterError))).trimmed().left(200))));
        return;
    }
    if (m_phase == Phase::AwaitingWriter && line == kWriterOk) {
        m_phase = Phase::Sending;
        m_timer.stop();
        sendChunks();
        return;
    }
    if (line.startsWith(kWriterDone)) {
        const QList<QByteArray> words = line.mid(int(qstrlen(kWriterDone))).split(' ');
        bool ok = false;
        const qint64 received = words.value(0).toLongLong(&ok);
        const QByteArray sha = words.value(1).toLower();
        if (m_phase != Phase::AwaitingConfirmation || !ok || received != m_fileSize
            || (!sha.isEmpty() && sha != m_sha.hexResult())) {
            qCWarning(lcUpdates) << "Processor confirmed" << line.left(200) << "for" << m_fileSize << "bytes"
                                 << m_sha.hexResult();
            fail(QStringLiteral("The processor received a damaged firmware image. Please upload again."));
            return;
        }
        finish();
    }
}

void FwUpdateUploader::sendChunks()
{
    while (m_queued - m_sent < kWindowBytes && m_queued < m_fileSize) {
        const QByteArray chunk = m_file->read(kChunkBytes);
        if (chunk.isEmpty()) {
            fail(QStringLiteral("The firmware file could not be read: %1").arg(m_file->errorString()));
            return;
        }
        m_sha.addData(chunk);
        m_queued += chunk.size();
        emit write(chunk);
    }
    if (m_sent == m_fileSize) {
        // All of it is on the wire; done is what the processor says, not what was sent.
        m_file->close();
        m_phase = Phase::AwaitingConfirmation;
        m_timer.start(kAnswerTimeoutMs);
    }
}

void FwUpdateUploader::onWrite(QByteArray data)
{
    if (m_phase != Phase::Sending || !m_socket)
        return;
    if (m_socket->write(data) != data.size())
        fail(lostText(m_socket->errorString()));
}

void FwUpdateUploader::onBytesWritten(qlonglong bytes)
{
    if (m_phase != Phase::Sending)
        return;
    m_sent += bytes;
    if (m_sent - m_reported >= kChunkBytes || m_sent == m_fileSize) {
        m_reported = m_sent;
        emit showProgress(m_sent, m_fileSize);
    }
    sendChunks();
}

void FwUpdateUploader::onUploadProgress(qlonglong bytesReceived, qlonglong bytesTotal)
{
    if (!m_uploadInProgress || bytesTotal <= 0)
        return;
    const float progress = float(double(bytesReceived) / double(bytesTotal));
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged(progress);
}

void FwUpdateUploader::onError(QAbstractSocket::SocketError socketError)
{
    if (!m_socket || sender() != m_socket || m_phase == Phase::Idle)
        return;
    qCWarning(lcUpdates) << "Upload socket error" << socketError << m_socket->errorString();
    if (m_phase == Phase::Connecting)
        fail(QStringLiteral("Error in connecting to device."));
    else
        fail(lostText(m_socket->errorString()));
}

void FwUpdateUploader::fail(const QString &text)
{
    m_phase = Phase::Idle;
    m_timer.stop();
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    if (QTcpSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    setUploadInProgress(false);
    emit error(text);
}

void FwUpdateUploader::finish()
{
    m_phase = Phase::Idle;
    m_timer.stop();
    m_file.reset();
    if (QTcpSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->disconnectFromHost();
        socket->deleteLater();
    }
    if (m_progress != 1) {
        m_progress = 1;
        emit progressChanged(1);
    }
    onUploadDone();
}

void FwUpdateUploader::onUploadDone()
{
    qCDebug(lcUpdates) << "File transfer completed";
    setUploadInProgress(false);
    emit uploadDone();
}

void FwUpdateUploader::setUploadInProgress(bool inProgress)
{
    if (m_uploadInProgress == inProgress)
        return;
    m_uploadInProgress = inProgress;
    emit uploadInProgressChanged(inProgress);
}
