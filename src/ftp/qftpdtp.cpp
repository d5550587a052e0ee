#include "qftpdtp.h"

#include "ftpparse.h"
#include "qftppi.h"

#include <QDateTime>
#include <QIODevice>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

namespace {
// Enough in flight to keep loopback and LAN links busy without holding a whole file in memory.
constexpr qint64 WriteChunk = 256 * 1024;
constexpr qint64 WriteHighWater = 1024 * 1024;
constexpr qint64 ReadChunk = 256 * 1024;

bool sameHost(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::TolerantConversion);
}
} // namespace

QFtpDTP::QFtpDTP(QFtpPI *pi, QObject *parent)
    : QObject(parent)
    , m_pi(pi)
{
}

QFtpDTP::~QFtpDTP() = default;

void QFtpDTP::setData(const QByteArray &data)
{
    m_data = data;
    m_dataPos = 0;
    m_hasData = true;
}

void QFtpDTP::setDevice(QIODevice *device)
{
    if (m_device)
        disconnect(m_device, nullptr, this, nullptr);
    m_device = device;
    m_sourceFinished = false;
    if (device && device->isSequential()) {
        connect(device, &QIODevice::readyRead, this, &QFtpDTP::onSourceReadyRead);
        connect(device, &QIODevice::readChannelFinished, this, [this] {
            m_sourceFinished = true;
            onSourceReadyRead();
        });
    }
}

void QFtpDTP::setBytesTotal(qint64 total)
{
    m_bytesTotal = total < 0 ? 0 : total;
}

void QFtpDTP::connectToHost(const QHostAddress &address, quint16 port)
{
    closeSocket(false);
    auto *socket = new QTcpSocket(this);
    socket->setObjectName(QStringLiteral("QFtpDTP Passive state socket"));
    adoptSocket(socket);
    connect(socket, &QTcpSocket::connected, this, &QFtpDTP::onSocketConnected);
    socket->connectToHost(address, port);
}

bool QFtpDTP::setupListener(const QHostAddress &address, const QHostAddress &expectedPeer,
                            quint16 *port)
{
    closeSocket(false);
    if (m_server)
        m_server->deleteLater();
    m_server = new QTcpServer(this);
    m_server->setObjectName(QStringLiteral("QFtpDTP active state server"));
    m_server->setMaxPendingConnections(1);
    m_expectedPeer = expectedPeer;
    connect(m_server, &QTcpServer::newConnection, this, &QFtpDTP::onNewConnection);
    if (!m_server->listen(address, 0)) {
        qCWarning(lcFtp) << "Cannot listen for a data connection on" << address
                         << m_server->errorString();
        m_server->deleteLater();
        m_server = nullptr;
        return false;
    }
    *port = m_server->serverPort();
    return true;
}

void QFtpDTP::waitForConnectionToWrite()
{
    m_writeWanted = true;
    writeMore();
}

bool QFtpDTP::isOpenOrPending() const
{
    if (m_socket && m_socket->state() != QAbstractSocket::UnconnectedState)
        return true;
    return m_server && m_server->isListening() && m_transferStarted;
}

bool QFtpDTP::isConnected() const
{
    return m_socket && m_connected;
}

qint64 QFtpDTP::read(char *data, qint64 maxlen)
{
    const qint64 n = qMin<qint64>(maxlen, m_readBuffer.size());
    if (n <= 0)
        return 0;
    memcpy(data, m_readBuffer.constData(), size_t(n));
    m_readBuffer.remove(0, int(n));
    return n;
}

QByteArray QFtpDTP::readAll()
{
    QByteArray out;
    out.swap(m_readBuffer);
    return out;
}

void QFtpDTP::abortConnection()
{
    closeSocket(false);
    if (m_server) {
        m_server->deleteLater();
        m_server = nullptr;
    }
    m_transferStarted = false;
    m_writeWanted = false;
}

void QFtpDTP::reset()
{
    abortConnection();
    setDevice(nullptr);
    m_data.clear();
    m_dataPos = 0;
    m_hasData = false;
    m_bytesDone = 0;
    m_bytesTotal = 0;
    m_lineBuffer.clear();
    m_skippingLongLine = false;
    m_error.clear();
}

void QFtpDTP::adoptSocket(QTcpSocket *socket)
{
    m_socket = socket;
    m_connected = false;
    connect(socket, &QTcpSocket::readyRead, this, &QFtpDTP::onSocketReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &QFtpDTP::onBytesWritten);
    connect(socket, &QTcpSocket::disconnected, this, &QFtpDTP::onSocketDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &QFtpDTP::onSocketError);
}

void QFtpDTP::onNewConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (m_socket || !sameHost(socket->peerAddress(), m_expectedPeer)) {
            // Only the server we talk to may feed this transfer.
            qCWarning(lcFtp) << "Refused a data connection from" << socket->peerAddress();
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setParent(this);
        socket->setObjectName(QStringLiteral("QFtpDTP Active state socket"));
        adoptSocket(socket);
        m_server->close();
        onSocketConnected();
        if (m_socket && m_socket->bytesAvailable() > 0)
            onSocketReadyRead();
    }
}

void QFtpDTP::onSocketConnected()
{
    m_connected = true;
    emit activity();
    emit connectState(CsConnected);
    writeMore();
}

void QFtpDTP::onSocketReadyRead()
{
    if (!m_socket)
        return;
    emit activity();
    const QString current = m_pi->currentCommand();
    if (m_pi->abortInProgress()
        || !(current.startsWith(QLatin1String("RETR")) || current.startsWith(QLatin1String("NLST"))
             || current.startsWith(QLatin1String("LIST")))) {
        m_socket->readAll();
        return;
    }
    if (current.startsWith(QLatin1String("LIST"))) {
        m_lineBuffer += m_socket->readAll();
        parseListLines(false);
        return;
    }
    if (m_device) {
        while (m_socket && m_socket->bytesAvailable() > 0) {
            const QByteArray chunk = m_socket->read(ReadChunk);
            if (m_device->write(chunk) != chunk.size()) {
                m_error = tr("Writing to the target device failed: %1").arg(m_device->errorString());
                qCWarning(lcFtp) << m_error;
                closeSocket(true);
                return;
            }
            m_bytesDone += chunk.size();
            emit dataTransferProgress(m_bytesDone, m_bytesTotal);
        }
        return;
    }
    const QByteArray chunk = m_socket->readAll();
    if (chunk.isEmpty())
        return;
    m_readBuffer += chunk;
    m_bytesDone += chunk.size();
    emit dataTransferProgress(m_bytesDone, m_bytesTotal);
    emit readyRead();
}

void QFtpDTP::parseListLines(bool flush)
{
    const QDateTime now = QDateTime::currentDateTime();
    int pos = 0;
    for (;;) {
        const int nl = m_lineBuffer.indexOf('\n', pos);
        QByteArray raw;
        if (nl < 0) {
            if (!flush || pos >= m_lineBuffer.size())
                break;
            raw = m_lineBuffer.mid(pos);
            pos = m_lineBuffer.size();
        } else {
            raw = m_lineBuffer.mid(pos, nl - pos + 1);
            pos = nl + 1;
        }
        if (m_skippingLongLine) {
            m_skippingLongLine = false;
            continue;
        }
        const bool ended = raw.endsWith("\r\n");
        QString line = QString::fromUtf8(raw);
        if (line.endsWith(QLatin1Char('\n')))
            line.chop(1);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QUrlInfo info;
        if (tarn::ftp::parseListLine(line, &info, now)) {
            emit listInfo(info);
        } else if (ended && raw.endsWith("No such file or directory\r\n")) {
            m_error = line;
        }
    }
    m_lineBuffer.remove(0, pos);
    if (m_lineBuffer.size() > tarn::ftp::MaxListLineLength) {
        // Drop the rest of an endless line instead of keeping it.
        m_lineBuffer.clear();
        m_skippingLongLine = true;
    }
}

void QFtpDTP::onSocketError()
{
    if (!m_socket)
        return;
    const QAbstractSocket::SocketError err = m_socket->error();
    if (!m_connected) {
        m_error = tr("Connection refused for data connection");
        qCWarning(lcFtp) << m_error << m_socket->errorString();
        closeSocket(false);
        emit connectState(CsConnectionRefused);
        return;
    }
    if (err != QAbstractSocket::RemoteHostClosedError) {
        m_error = tr("Data connection failed: %1").arg(m_socket->errorString());
        qCWarning(lcFtp) << m_error;
        closeSocket(true);
    }
}

void QFtpDTP::onSocketDisconnected()
{
    if (!m_socket)
        return;
    if (m_socket->bytesAvailable() > 0)
        onSocketReadyRead();
    if (m_pi->currentCommand().startsWith(QLatin1String("LIST")))
        parseListLines(true);
    closeSocket(true);
}

void QFtpDTP::onBytesWritten(qint64 n)
{
    m_bytesDone += n;
    emit activity();
    emit dataTransferProgress(m_bytesDone, m_bytesTotal);
    writeMore();
}

void QFtpDTP::onSourceReadyRead()
{
    emit activity();
    writeMore();
}

void QFtpDTP::writeMore()
{
    if (!m_writeWanted || !m_socket || !m_connected)
        return;
    while (m_socket->bytesToWrite() < WriteHighWater) {
        qint64 written = -1;
        if (m_hasData) {
            const qint64 n = qMin<qint64>(WriteChunk, m_data.size() - m_dataPos);
            if (n > 0) {
                written = m_socket->write(m_data.constData() + m_dataPos, n);
                m_dataPos += n;
            }
        } else if (m_device) {
            const QByteArray chunk = m_device->read(WriteChunk);
            if (!chunk.isEmpty()) {
                written = m_socket->write(chunk);
            } else {
                if (!sourceEnded())
                    return; // more will come with the device's readyRead
            }
        }
        if (written < 0) {
            // Source exhausted: close once everything has left, so the server sees the end.
            if (m_socket->bytesToWrite() == 0) {
                m_writeWanted = false;
                m_socket->disconnectFromHost();
            }
            return;
        }
    }
}

bool QFtpDTP::sourceEnded() const
{
    if (!m_device->isOpen())
        return true;
    if (!m_device->isSequential())
        return m_device->atEnd();
    if (m_device->bytesAvailable() > 0)
        return false;
    // A sequential device may only be empty for now; believe its end only where it is known.
    if (m_sourceFinished)
        return true;
    if (auto *process = qobject_cast<QProcess *>(m_device.data()))
        return process->state() == QProcess::NotRunning;
    if (auto *socket = qobject_cast<QAbstractSocket *>(m_device.data()))
        return socket->state() == QAbstractSocket::UnconnectedState;
    return false;
}

void QFtpDTP::closeSocket(bool announce)
{
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    m_connected = false;
    if (socket) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
        if (announce)
            emit connectState(CsClosed);
    }
}
