#include "tcpadaptor.h"

#include "appbusy.h"
#include "linklog.h"
#include "settingskeys.h"
#include "tarnsettings.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {
// Wait for an old connection to close before a new one is opened.
constexpr int kDisconnectWaitMs = 30000;
// Bounded wait for queued bytes at shutdown, so an exit never hangs on a dead peer.
constexpr int kShutdownFlushMs = 1000;
// The socket buffers at most this much; the worker drains it into its line buffer.
constexpr qint64 kSocketReadBufferSize = 1024 * 1024;
constexpr int kReadChunkSize = 16 * 1024;

bool isOneLine(const QByteArray &message)
{
    return !message.isEmpty() && message.indexOf('\n') == message.size() - 1 && !message.contains('\r');
}
} // namespace

// ---------------------------------------------------------------------------------------------

TcpClientThread::TcpClientThread(QObject *parent) : QThread(parent) {}

TcpClientThread::~TcpClientThread() = default;

void TcpClientThread::onStarted()
{
    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(kSocketReadBufferSize);
    resetConnectionState();
    connect(m_socket, &QTcpSocket::connected, this, &TcpClientThread::onConnected, Qt::UniqueConnection);
    connect(m_socket, &QTcpSocket::connected, this, &TcpClientThread::connected, Qt::UniqueConnection);
    connect(m_socket, &QTcpSocket::disconnected, this, &TcpClientThread::disconnected, Qt::UniqueConnection);
    connect(m_socket, &QTcpSocket::disconnected, this, &TcpClientThread::onDisconnected, Qt::UniqueConnection);
    connect(m_socket, &QTcpSocket::readyRead, this, &TcpClientThread::onMessageReceived, Qt::UniqueConnection);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpClientThread::onError, Qt::UniqueConnection);
    connect(m_socket, &QTcpSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState state) { m_socketState.store(state); });
}

void TcpClientThread::onFinished()
{
    if (!m_socket)
        return;
    m_socket->disconnect();
    // Requests already written (an "unsub" at exit, say) still get their chance to leave.
    if (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesToWrite() > 0)
        m_socket->waitForBytesWritten(kShutdownFlushMs);
    delete m_socket;
    m_socket = nullptr;
    m_socketState.store(QAbstractSocket::UnconnectedState);
}

void TcpClientThread::resetConnectionState()
{
    // A listing or partial line left by an earlier connection must not swallow the next greeting.
    m_classifier.reset();
    m_lines.clear();
    ++m_generation;
}

void TcpClientThread::connectToHost(QString hostAddress, quint16 messagePort)
{
    if (!m_socket) {
        emit connectionAttemptStarted();
        emit error(QStringLiteral("Network thread is not initialized"));
        return;
    }
    if (m_socket->state() == QAbstractSocket::ClosingState) {
        m_socket->waitForDisconnected(kDisconnectWaitMs);
    } else if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->disconnectFromHost();
        if (m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->waitForDisconnected(kDisconnectWaitMs);
    }
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    if (m_socket->bytesAvailable() > 0)
        m_socket->readAll();
    resetConnectionState();
    emit connectionAttemptStarted();

    m_hostAddress = hostAddress;
    m_port = messagePort;
    qCDebug(lcLink).noquote() << QStringLiteral("Connecting to %1: %2").arg(m_hostAddress).arg(m_port);
    m_socket->connectToHost(m_hostAddress, m_port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void TcpClientThread::disconnectFromHost()
{
    if (m_socket && m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->disconnectFromHost();
}

void TcpClientThread::onConnected()
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    qCDebug(lcLink).noquote() << QStringLiteral("Connected to %1: %2").arg(m_hostAddress).arg(m_port);
}

void TcpClientThread::onDisconnected()
{
    qCDebug(lcLink).noquote() << QStringLiteral("Disconnected from %1: %2").arg(m_hostAddress).arg(m_port);
}

void TcpClientThread::sendMessage(QByteArray message)
{
    // Meter polls would only pile up behind a long operation.
    if (tarn::AppBusy::isBusy() && message.startsWith("asyncget"))
        return;
    if (!m_socket || m_socket->state() == QAbstractSocket::UnconnectedState
        || m_socket->state() == QAbstractSocket::ClosingState)
        return;
    if (!isOneLine(message)) {
        qCWarning(lcLink) << "Refused to send a message that is not exactly one LF-terminated line:"
                          << message.left(80);
        return;
    }
    const char *data = message.constData();
    qint64 left = message.size();
    while (left > 0) {
        const qint64 written = m_socket->write(data, left);
        if (written <= 0) {
            emit error(m_socket->errorString());
            return;
        }
        data += written;
        left -= written;
    }
    emit messageSent(message);
}

void TcpClientThread::onMessageReceived()
{
    // Re-entered from the processEvents() below: the running loop picks the new bytes up.
    if (m_reading || !m_socket)
        return;
    m_reading = true;
    const quint64 generation = m_generation;
    char chunk[kReadChunkSize];
    using Result = tarn::protocol::LineBuffer::Result;
    for (;;) {
        const Result result = m_lines.next();
        if (result == Result::Line) {
            handleLine(m_lines.lineData(), m_lines.lineSize());
            if (generation != m_generation || !m_socket)
                break;
            continue;
        }
        if (result == Result::Discarded) {
            qCWarning(lcLink) << "Discarded a line longer than" << tarn::protocol::LineBuffer::kMaxLineLength
                              << "bytes; reading resumes after the next line feed.";
            continue;
        }
        if (m_socket->bytesAvailable() <= 0)
            break;
        const qint64 got = m_socket->read(chunk, sizeof chunk);
        if (got <= 0)
            break;
        m_lines.append(chunk, int(got));
    }
    m_reading = false;
}

void TcpClientThread::handleLine(const char *data, int size)
{
    using Kind = tarn::protocol::LineClassifier::Kind;
    const QString line = QString::fromUtf8(data, size);
    switch (m_classifier.classify(line)) {
    case Kind::Greeting:
        emit enterPassword();
        break;
    case Kind::LoggedIn:
        emit corvexReady();
        emit homeScreenData(line.toUtf8());
        break;
    case Kind::LoginRefused:
        emit incorrectPassword();
        break;
    case Kind::Choices:
        emit enumsReceived(m_classifier.items(), m_classifier.path());
        break;
    case Kind::Children:
        emit poReceived(m_classifier.items(), m_classifier.path());
        break;
    case Kind::Value: {
        auto *record = new DataFromDevice(m_classifier.record());
        if (record->poName == QLatin1String("Crossover")
            && (record->svName == QLatin1String("NumBands") || record->svName == QLatin1String("MonoSub"))) {
            emit homeScreenDataAvailable(record);
            qCDebug(lcLink) << "                    emit homeScreenDataAvailable(data)";
        }
        // The adaptor frees the record after it has broadcast a copy.
        emit poSvData(record);
        // Let queued requests out between replies, so a long burst does not hold them back.
        QCoreApplication::processEvents();
        break;
    }
    case Kind::Dropped:
    case Kind::ListingOpened:
    case Kind::ListingItem:
        break;
    }
}

void TcpClientThread::onError(QAbstractSocket::SocketError socketError)
{
    const QString text = m_socket ? m_socket->errorString() : QString();
    qCWarning(lcLink).noquote() << QStringLiteral("Error code: %1, Error String: %2").arg(int(socketError)).arg(text);
    emit error(text);
}

// ---------------------------------------------------------------------------------------------

namespace {
std::atomic<TCPAdaptor *> g_adaptor{nullptr};
std::atomic<bool> g_adaptorGone{false};
} // namespace

TCPAdaptor *TCPAdaptor::instance()
{
    if (g_adaptorGone.load())
        return nullptr;
    static const bool created = [] {
        g_adaptor.store(new TCPAdaptor);
        qAddPostRoutine(&TCPAdaptor::destroyInstance);
        return true;
    }();
    Q_UNUSED(created);
    return g_adaptor.load();
}

void TCPAdaptor::destroyInstance()
{
    if (g_adaptorGone.exchange(true))
        return;
    delete g_adaptor.exchange(nullptr);
}

TCPAdaptor::TCPAdaptor(QObject *parent) : QObject(parent)
{
    tarn::registerDataFromDeviceTypes();
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);

    m_worker = new TcpClientThread;
    m_worker->moveToThread(m_worker);

    connect(this, &TCPAdaptor::connectToHost, this, [this](const QString &host, quint16) {
        m_hostAddress = host;
        ++m_attemptsInFlight;
    });
    connect(this, &TCPAdaptor::connectToHost, m_worker, &TcpClientThread::connectToHost);
    connect(this, &TCPAdaptor::disconnectFromHost, m_worker, &TcpClientThread::disconnectFromHost);
    connect(this, &TCPAdaptor::sendMessage, m_worker, &TcpClientThread::sendMessage);
    connect(m_timer, &QTimer::timeout, this, &TCPAdaptor::onTimeOut);

    // One handler per worker signal keeps each report's steps together and in order. The ready
    // flag changes before the signals go out, so a listener asking isReady() in its slot (a
    // control subscribing at login) sees the new state.
    connect(m_worker, &TcpClientThread::connectionAttemptStarted, this, [this]() {
        if (m_attemptsInFlight > 0)
            --m_attemptsInFlight;
    });
    connect(m_worker, &TcpClientThread::disconnected, this, [this]() {
        stopTimerUnlessReplaced();
        onDisconnected();
        emit disconnected();
    });
    connect(m_worker, &TcpClientThread::error, this, [this](const QString &errorString) {
        stopTimerUnlessReplaced();
        onError(errorString);
        emit error(errorString);
        emit connectionLost();
    });
    connect(m_worker, &TcpClientThread::corvexReady, this, [this]() {
        onCorvexReady();
        emit corvexReady();
    });
    connect(m_worker, &TcpClientThread::messageSent, this, &TCPAdaptor::onMessageSent);
    connect(m_worker, &TcpClientThread::enterPassword, this, [this]() {
        m_timer->stop();
        onEnterPasswrod();
    });
    connect(m_worker, &TcpClientThread::incorrectPassword, this, [this]() {
        m_timer->stop();
        emit incorrectPassword();
    });
    connect(m_worker, &TcpClientThread::homeScreenData, this, &TCPAdaptor::homeScreenData);
    connect(m_worker, &TcpClientThread::homeScreenDataAvailable, this, &TCPAdaptor::homeScreenDataAvailable);
    connect(m_worker, &TcpClientThread::optionCardSourceNames, this, &TCPAdaptor::optionCardSourceNames);
    connect(m_worker, &TcpClientThread::presetData, this, &TCPAdaptor::presetData);
    connect(m_worker, &TcpClientThread::reconfigResponse, this, &TCPAdaptor::reconfigResponse);
    connect(m_worker, &TcpClientThread::poSvData, this, &TCPAdaptor::onPoSvData);
    connect(m_worker, &TcpClientThread::enumsReceived, this, &TCPAdaptor::enumsAvailable);
    connect(m_worker, &TcpClientThread::poReceived, this, &TCPAdaptor::poAvailable);

    connect(m_worker, &QThread::started, m_worker, &TcpClientThread::onStarted);
    connect(m_worker, &QThread::finished, m_worker, &TcpClientThread::onFinished);
    m_worker->start(QThread::InheritPriority);
}

TCPAdaptor::~TCPAdaptor()
{
    m_worker->quit();
    m_worker->wait();
    // Records the worker sent but this object has not yet received are owned by queued events,
    // which would be dropped with it. Deliver them to nobody, so that each is freed as usual.
    disconnect(this, nullptr, nullptr, nullptr);
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    // The worker's thread has ended, so a deferred delete would never run: delete it here.
    delete m_worker;
    m_worker = nullptr;
    qCDebug(lcLink) << "TCPAdaptor destroyed.";
}

void TCPAdaptor::sendRequest(const DataFromDevice &request)
{
    if (request.poName.isEmpty() || request.svName.isEmpty())
        return;
    if (tarn::protocol::containsLineBreak(request)) {
        qCWarning(lcLink) << "Refused a request with a line break in it:" << request.command << request.poName
                          << request.svName;
        return;
    }
    emit sendMessage(tarn::protocol::formatRequest(request));
}

void TCPAdaptor::enterPassword(const QString &password)
{
    m_timer->stop();
    if (tarn::protocol::containsLineBreak(password)) {
        qCWarning(lcLink) << "Refused a password with a line break in it; nothing stored or sent.";
        return;
    }
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), password);
    sendLoginLine(password);
}

// A disconnection or error reported while a newer connectToHost is still outstanding belongs to
// the connection being replaced and must not stop the new attempt's time-out.
void TCPAdaptor::stopTimerUnlessReplaced()
{
    if (m_attemptsInFlight == 0)
        m_timer->stop();
}

bool TCPAdaptor::isConnected() const
{
    return m_worker && m_worker->socketState() != QAbstractSocket::UnconnectedState;
}

void TCPAdaptor::sendLoginLine(const QString &password)
{
    const QByteArray line = tarn::protocol::formatLogin(password);
    if (line.isEmpty()) {
        qCWarning(lcLink) << "Refused to send a stored password with a line break in it.";
        return;
    }
    emit sendMessage(line);
}

void TCPAdaptor::doConnect()
{
    const QString address = TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress));
    qCDebug(lcLink).noquote() << QStringLiteral("TCP Adaptor: connecting... to ") + address;
    m_timer->setSingleShot(true);
    emit connectToHost(address, tarn::protocol::devicePort());
    m_timer->start(kConnectionTimeoutMs);
}

void TCPAdaptor::doDisconnect()
{
    emit disconnectFromHost();
}

void TCPAdaptor::onEnterPasswrod()
{
    sendLoginLine(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDevicePassword)));
}

void TCPAdaptor::onDisconnected()
{
    m_ready = false;
}

void TCPAdaptor::onCorvexReady()
{
    m_ready = true;
}

void TCPAdaptor::onError(QString errorString)
{
    Q_UNUSED(errorString);
    m_ready = false;
}

void TCPAdaptor::onMessageSent(QByteArray message)
{
    Q_UNUSED(message);
}

void TCPAdaptor::onPoSvData(DataFromDevice *data)
{
    const std::unique_ptr<DataFromDevice> record(data);
    if (record)
        emit dataAvailable(*record);
}

void TCPAdaptor::onTimeOut()
{
    emit timeOutError();
    // The user has been told the processor did not answer: a late greeting must not log in
    // behind that message, so the attempt is abandoned.
    qCWarning(lcLink) << "No greeting within" << kConnectionTimeoutMs << "ms; the connection attempt is cancelled.";
    emit disconnectFromHost();
}
