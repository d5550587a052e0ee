#include "qftppi.h"

#include "qftp.h"
#include "qftpdtp.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {
bool isPlainIPv4(const QHostAddress &address)
{
    bool ok = false;
    address.toIPv4Address(&ok);
    return ok;
}

QString withoutLineEnd(QString line)
{
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

// Passwords never reach the log.
QString loggable(const QString &line)
{
    if (line.startsWith(QLatin1String("PASS ")))
        return QStringLiteral("PASS ****");
    return withoutLineEnd(line);
}
} // namespace

QFtpPI::QFtpPI(QObject *parent)
    : QObject(parent)
    , m_control(new QTcpSocket(this))
    , m_dtp(new QFtpDTP(this, this))
    , m_timeout(QFtp::DefaultTimeout)
    , m_transferMode(QFtp::Passive)
    , m_connectState(QFtp::Unconnected)
{
    m_control->setObjectName(QStringLiteral("QFtpPI_socket"));
    // Bounds what one readyRead can hand us; the parser caps lines and replies itself.
    m_control->setReadBufferSize(tarn::ftp::MaxReplyLength);
    connect(m_control, &QTcpSocket::hostFound, this, &QFtpPI::onHostFound);
    connect(m_control, &QTcpSocket::connected, this, &QFtpPI::onConnected);
    connect(m_control, &QTcpSocket::readyRead, this, &QFtpPI::onReadyRead);
    connect(m_control, &QAbstractSocket::errorOccurred, this, &QFtpPI::onSocketError);
    connect(m_control, &QAbstractSocket::stateChanged, this, &QFtpPI::onSocketStateChanged);
    connect(m_dtp, &QFtpDTP::connectState, this, &QFtpPI::onDtpConnectState);
    connect(m_dtp, &QFtpDTP::activity, this, &QFtpPI::touch);
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &QFtpPI::onTimeout);
}

QFtpPI::~QFtpPI()
{
    disconnect(m_control, nullptr, this, nullptr);
}

void QFtpPI::setTimeout(int msecs)
{
    m_timeout = qMax(1, msecs);
    touch();
}

void QFtpPI::connectToHost(const QString &host, quint16 port)
{
    closeControl();
    m_host = host;
    m_state = Begin;
    m_lineOutstanding = true; // the greeting
    setConnectState(QFtp::HostLookup);
    m_control->connectToHost(host, port);
    touch();
}

bool QFtpPI::sendCommands(const QStringList &lines)
{
    if (!m_pendingLines.isEmpty() || m_control->state() != QAbstractSocket::ConnectedState
        || m_state != Idle)
        return false;
    m_pendingLines = lines;
    sendNextLine();
    return true;
}

void QFtpPI::clearPendingCommands()
{
    m_pendingLines.clear();
    m_currentLine.clear();
    m_waitForDtpToClose = false;
    if (m_lineOutstanding && m_state != Begin) {
        m_lineOutstanding = false;
        ++m_repliesToSkip;
    }
    if (m_state != Begin)
        m_state = Idle;
    m_dtp->reset();
    m_commandEnded = true;
    touch();
}

void QFtpPI::abort()
{
    if (m_control->state() != QAbstractSocket::ConnectedState || m_state == Begin) {
        if (m_control->state() != QAbstractSocket::UnconnectedState) {
            reportError(QFtp::UnknownError, tr("Aborted"));
            closeControl();
        }
        return;
    }
    if (!m_lineOutstanding && !m_waitForDtpToClose)
        return;
    qCDebug(lcFtp) << "Ftp command: ABOR";
    m_pendingLines.clear();
    m_control->write("ABOR\r\n");
    m_dtp->abortConnection();
    m_abortState = AbortStarted;
    if (m_waitForDtpToClose) {
        // The transfer's final reply is already here; it ends the command now.
        m_waitForDtpToClose = false;
        m_lineOutstanding = true;
        processReply(m_heldReply);
    }
    touch();
}

void QFtpPI::onHostFound()
{
    setConnectState(QFtp::Connecting);
}

void QFtpPI::onConnected()
{
    const QHostAddress peer = m_control->peerAddress();
    m_useExtended = peer.protocol() == QAbstractSocket::IPv6Protocol && !isPlainIPv4(peer);
    touch();
}

void QFtpPI::onSocketError()
{
    const QAbstractSocket::SocketError err = m_control->error();
    if (err == QAbstractSocket::RemoteHostClosedError) {
        // Whatever the server said before closing still counts.
        onReadyRead();
        if (m_control->state() == QAbstractSocket::UnconnectedState && !m_lineOutstanding)
            return;
        if (m_currentLine.startsWith(QLatin1String("QUIT")) && m_lineOutstanding) {
            const QString text = m_replyText;
            closeControl();
            emit finished(text);
            return;
        }
        if (m_lineOutstanding || m_waitForDtpToClose)
            reportError(QFtp::UnknownError, tr("Connection closed"));
        closeControl();
        return;
    }
    int code = QFtp::UnknownError;
    QString text;
    switch (err) {
    case QAbstractSocket::HostNotFoundError:
        code = QFtp::HostNotFound;
        text = tr("Host %1 not found").arg(m_host);
        break;
    case QAbstractSocket::ConnectionRefusedError:
        code = QFtp::ConnectionRefused;
        text = tr("Connection refused to host %1").arg(m_host);
        break;
    case QAbstractSocket::SocketTimeoutError:
        code = QFtp::ConnectionRefused;
        text = tr("Connection timed out to host %1").arg(m_host);
        break;
    default:
        text = m_control->errorString();
        break;
    }
    reportError(code, text);
    closeControl();
}

void QFtpPI::onSocketStateChanged()
{
    if (m_control->state() == QAbstractSocket::UnconnectedState)
        setConnectState(QFtp::Unconnected);
}

void QFtpPI::onReadyRead()
{
    if (m_control->bytesAvailable() > 0)
        m_buffer += m_control->readAll();
    while (m_control->state() == QAbstractSocket::ConnectedState) {
        tarn::ftp::FtpReply reply;
        const auto result = m_parser.parse(m_buffer, &reply);
        if (result == tarn::ftp::FtpReplyParser::NeedMore)
            break;
        if (result != tarn::ftp::FtpReplyParser::Complete) {
            const QString text = result == tarn::ftp::FtpReplyParser::TooLong
                ? tr("Reply from server too long")
                : tr("Malformed reply from server");
            qCWarning(lcFtp) << text;
            // The reply stream cannot be trusted past this point.
            reportError(QFtp::UnknownError, text);
            closeControl();
            return;
        }
        qCDebug(lcFtp).noquote() << "Ftp reply code:" << reply.code;
        processReply(reply);
    }
    touch();
}

void QFtpPI::processReply(const tarn::ftp::FtpReply &reply)
{
    const int code = reply.code;
    const int first = code / 100;

    // A transfer's final reply may overtake the end of its data.
    if (m_abortState == None && m_repliesToSkip == 0
        && (code == 226 || (code == 250 && m_currentLine.startsWith(QLatin1String("RETR"))))
        && m_dtp->isOpenOrPending()) {
        m_waitForDtpToClose = true;
        m_heldReply = reply;
        return;
    }

    // Replies the server still owed for commands that already ended locally.
    if (m_repliesToSkip > 0) {
        if (first != 1 && --m_repliesToSkip == 0 && m_abortState == None && m_state == Idle
            && !m_pendingLines.isEmpty())
            sendNextLine();
        return;
    }

    if (m_abortState != None) {
        if (first == 1)
            return; // the aborted transfer's preliminary reply
        if (m_abortState == AbortStarted) {
            m_abortState = WaitForAbortToFinish;
            m_lineOutstanding = false;
            m_replyCode = code;
            m_replyText = reply.text;
            emit rawFtpReply(code, reply.text);
            reportError(QFtp::UnknownError,
                        first >= 4 ? reply.text : tr("Aborted"));
            return;
        }
        // The answer to ABOR itself.
        m_abortState = None;
        if (m_state == Idle && !m_pendingLines.isEmpty())
            sendNextLine();
        return;
    }

    m_replyCode = code;
    m_replyText = reply.text;

    if (m_state == Begin) {
        if (first == 1)
            return; // "120 ready in n minutes": the real greeting follows
        m_lineOutstanding = false;
        if (first == 2) {
            m_state = Idle;
            setConnectState(QFtp::Connected);
            emit finished(tr("Connected to host %1").arg(m_control->peerName()));
        } else {
            reportError(QFtp::UnknownError, reply.text);
            closeControl();
        }
        return;
    }

    State state;
    if (first == 1)
        state = Waiting;
    else if (first == 2 && code != 202)
        state = Success;
    else if (first == 3)
        state = Idle;
    else
        state = Failure;

    if (!m_lineOutstanding) {
        // Nothing was asked: an unsolicited reply, such as a 421 before the server hangs up.
        emit rawFtpReply(code, reply.text);
        if (state == Failure)
            reportError(QFtp::UnknownError, reply.text);
        return;
    }
    m_state = state;
    emit rawFtpReply(code, reply.text);

    const QString &line = m_currentLine;
    QString failureText = reply.text;
    if (code == 227 && line.startsWith(QLatin1String("PASV"))) {
        quint32 ip = 0;
        quint16 port = 0;
        if (tarn::ftp::parsePassiveReply(reply.text, &ip, &port)) {
            // Only ever connect back to the host we are talking to.
            const QHostAddress peer = m_control->peerAddress();
            if (!QHostAddress(ip).isEqual(peer, QHostAddress::TolerantConversion))
                qCWarning(lcFtp).noquote()
                    << "Passive reply names" << QHostAddress(ip).toString()
                    << "- connecting to the control peer" << peer.toString() << "instead";
            m_dtp->connectToHost(peer, port);
        } else {
            m_state = Failure;
            failureText = tr("Unusable passive mode reply: %1").arg(reply.text);
        }
    } else if (code == 229 && line.startsWith(QLatin1String("EPSV"))) {
        quint16 port = 0;
        if (tarn::ftp::parseExtendedPassiveReply(reply.text, &port)) {
            m_dtp->connectToHost(m_control->peerAddress(), port);
        } else {
            m_state = Failure;
            failureText = tr("Unusable passive mode reply: %1").arg(reply.text);
        }
    } else if (code == 230) {
        if (line.startsWith(QLatin1String("USER ")) && !m_pendingLines.isEmpty()
            && m_pendingLines.first().startsWith(QLatin1String("PASS ")))
            m_pendingLines.removeFirst();
        setConnectState(QFtp::LoggedIn);
    } else if (code == 213 && line.startsWith(QLatin1String("SIZE "))) {
        bool ok = false;
        const qint64 total = reply.text.trimmed().toLongLong(&ok);
        if (ok && total >= 0)
            m_dtp->setBytesTotal(total);
    } else if (first == 1) {
        if (line.startsWith(QLatin1String("STOR ")))
            m_dtp->waitForConnectionToWrite();
        if (line.startsWith(QLatin1String("STOR ")) || line.startsWith(QLatin1String("RETR "))
            || line.startsWith(QLatin1String("NLST")) || line.startsWith(QLatin1String("LIST")))
            m_dtp->setTransferStarted();
    }

    if (m_state != Waiting)
        m_lineOutstanding = false;

    switch (m_state) {
    case Waiting:
        // A data connection already known to have failed will never come.
        if (m_dtp->hasError() && !m_dtp->isOpenOrPending()) {
            const QString text = m_dtp->errorMessage();
            m_dtp->clearError();
            reportError(QFtp::UnknownError, text);
        }
        break;
    case Success:
    case Idle:
        if (m_dtp->hasError()) {
            const QString text = m_dtp->errorMessage();
            m_dtp->clearError();
            if (reportError(QFtp::UnknownError, text))
                break;
        }
        if (line.startsWith(QLatin1String("QUIT"))) {
            const QString text = m_replyText;
            closeControl();
            emit finished(text);
            break;
        }
        sendNextLine();
        break;
    case Failure:
        if (line.startsWith(QLatin1String("EPSV")) || line.startsWith(QLatin1String("EPRT"))) {
            // The server speaks only the classic forms.
            m_useExtended = false;
            m_pendingLines.prepend(line.startsWith(QLatin1String("EPSV"))
                                       ? QStringLiteral("PASV\r\n")
                                       : QStringLiteral("PORT\r\n"));
            sendNextLine();
            break;
        }
        {
            const int errorCode = (code == 450 && line.startsWith(QLatin1String("NLST")))
                ? QFtp::NoFiles
                : QFtp::UnknownError;
            QString text = failureText;
            if (m_dtp->hasError()) {
                text = m_dtp->errorMessage();
                m_dtp->clearError();
            }
            if (reportError(errorCode, text))
                break;
        }
        sendNextLine();
        break;
    case Begin:
        break;
    }
}

void QFtpPI::sendNextLine()
{
    if (m_abortState != None || m_repliesToSkip > 0
        || m_control->state() != QAbstractSocket::ConnectedState)
        return;
    if (m_pendingLines.isEmpty()) {
        m_currentLine.clear();
        m_state = Idle;
        m_dtp->abortConnection();
        touch();
        emit finished(m_replyText);
        return;
    }

    QString line = m_pendingLines.takeFirst();
    // The data connection follows the mode in force when it is made, not when it was queued.
    const bool dataSetup =
        line.startsWith(QLatin1String("PASV")) || line.startsWith(QLatin1String("PORT"));
    if (dataSetup)
        line = m_transferMode == QFtp::Passive ? QStringLiteral("PASV") : QStringLiteral("PORT");
    if (line.startsWith(QLatin1String("PASV"))) {
        m_dtp->abortConnection();
        line = m_useExtended ? QStringLiteral("EPSV\r\n") : QStringLiteral("PASV\r\n");
    } else if (line.startsWith(QLatin1String("PORT"))) {
        const QHostAddress local = m_control->localAddress();
        quint16 port = 0;
        const bool v4 = isPlainIPv4(local);
        if ((!v4 && !m_useExtended)
            || !m_dtp->setupListener(local, m_control->peerAddress(), &port)) {
            if (!reportError(QFtp::UnknownError, tr("Connection refused for data connection")))
                sendNextLine();
            return;
        }
        if (v4) {
            const quint32 ip = local.toIPv4Address();
            line = QStringLiteral("PORT %1,%2,%3,%4,%5,%6\r\n")
                       .arg((ip >> 24) & 0xff)
                       .arg((ip >> 16) & 0xff)
                       .arg((ip >> 8) & 0xff)
                       .arg(ip & 0xff)
                       .arg(port >> 8)
                       .arg(port & 0xff);
        } else {
            line = QStringLiteral("EPRT |2|%1|%2|\r\n").arg(local.toString()).arg(port);
        }
    }
    m_currentLine = line;
    m_lineOutstanding = true;
    m_state = Waiting;
    qCDebug(lcFtp).noquote() << "Ftp command:" << loggable(line);
    m_control->write(line.toUtf8());
    touch();
}

bool QFtpPI::reportError(int code, const QString &text)
{
    m_commandEnded = false;
    emit error(code, text);
    const bool ended = m_commandEnded;
    m_commandEnded = false;
    return ended;
}

void QFtpPI::onDtpConnectState(int state)
{
    if (state == QFtpDTP::CsClosed && m_waitForDtpToClose) {
        m_waitForDtpToClose = false;
        processReply(m_heldReply);
    } else if (state == QFtpDTP::CsConnectionRefused && m_lineOutstanding && m_state == Waiting
               && m_dtp->hasError()) {
        // The server is already waiting for a connection that cannot come.
        const bool transfer = m_currentLine.startsWith(QLatin1String("RETR"))
            || m_currentLine.startsWith(QLatin1String("STOR"))
            || m_currentLine.startsWith(QLatin1String("NLST"))
            || m_currentLine.startsWith(QLatin1String("LIST"));
        if (transfer) {
            const QString text = m_dtp->errorMessage();
            m_dtp->clearError();
            reportError(QFtp::UnknownError, text);
        }
    }
    touch();
}

void QFtpPI::onTimeout()
{
    if (!busy())
        return;
    int code = QFtp::UnknownError;
    QString text;
    if (m_state == Begin) {
        code = QFtp::ConnectionRefused;
        text = tr("Connection timed out to host %1").arg(m_host);
    } else if (m_abortState == None && m_repliesToSkip == 0 && !m_dtp->isConnected()
               && (m_currentLine.startsWith(QLatin1String("RETR"))
                   || m_currentLine.startsWith(QLatin1String("STOR"))
                   || m_currentLine.startsWith(QLatin1String("NLST"))
                   || m_currentLine.startsWith(QLatin1String("LIST")))) {
        text = tr("Data connection timed out");
    } else {
        text = tr("Server did not answer in time");
    }
    qCWarning(lcFtp).noquote() << text;
    reportError(code, text);
    // A late answer could be taken for the next command's: start afresh.
    closeControl();
}

void QFtpPI::closeControl()
{
    m_watchdog.stop();
    m_pendingLines.clear();
    m_currentLine.clear();
    m_lineOutstanding = false;
    m_repliesToSkip = 0;
    m_abortState = None;
    m_waitForDtpToClose = false;
    m_parser.reset();
    m_buffer.clear();
    m_state = Begin;
    m_dtp->abortConnection();
    if (m_control->state() != QAbstractSocket::UnconnectedState)
        m_control->abort();
    setConnectState(QFtp::Unconnected);
}

void QFtpPI::setConnectState(int state)
{
    if (state == m_connectState)
        return;
    m_connectState = state;
    emit connectState(state);
}

bool QFtpPI::busy() const
{
    if (m_control->state() == QAbstractSocket::UnconnectedState)
        return false;
    return m_state == Begin || m_lineOutstanding || m_abortState != None || m_repliesToSkip > 0
        || m_waitForDtpToClose;
}

void QFtpPI::touch()
{
    if (busy())
        m_watchdog.start(m_timeout);
    else
        m_watchdog.stop();
}
