#include "clientsession.h"

#include "controlserver.h"
#include "devicestate.h"
#include "faultplan.h"
#include "lineformat.h"
#include "statusrecorder.h"

#include <QDir>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcSession, "tarn.offline.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLines, "tarn.offline.lines", QtWarningMsg)

namespace tarn::offline {
namespace {
constexpr qint64 kProgressReportBytes = 1024 * 1024;
constexpr int kFirmwareHeadBytes = 256;

bool hasControlBytes(const QByteArray &raw)
{
    for (const char c : raw) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return true;
    }
    return false;
}

// Lines a broken link might deliver. None opens or closes a listing, looks like a listing
// item or names a real variable, so a sound client drops them in any state and stays in step.
const QList<QByteArray> &garbageLines()
{
    static const QList<QByteArray> lines = {
        QByteArrayLiteral("subr \"\\\\Preset\\Compressor\\SV\n"),
        QByteArray("\x00\x01\xfe\xff\x80 \xc3\x28 noise\r\n", 16),
        QByteArrayLiteral("subr \"\\\\Preset\" \"1\"\n"),
        QByteArrayLiteral("frobnicate \"\\\\Preset\\Compressor\\SV\\Threshold\" \"1\"\n"),
        QByteArrayLiteral("set \"\\\\Preset\\Compressor\\SV\\Threshold\"\n"),
        QByteArrayLiteral("\"\"\"\"\"\"\"\n"),
        QByteArrayLiteral(" endlc \r\n"),
    };
    return lines;
}
} // namespace

ClientSession::ClientSession(QTcpSocket *socket, ControlServer *server, quint64 id)
    : QObject(server), m_socket(socket), m_server(server), m_id(id)
{
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QHostAddress peer = m_socket->peerAddress();
    m_loopback = peer.isLoopback();
    m_peer = QStringLiteral("%1:%2").arg(peer.toString()).arg(m_socket->peerPort());
    m_slowTimer.setSingleShot(false);
    connect(&m_slowTimer, &QTimer::timeout, this, &ClientSession::onSlowTick);
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientSession::onDisconnected);
}

ClientSession::~ClientSession()
{
    if (m_firmwareRemaining > 0)
        finishFirmware(false);
}

void ClientSession::start()
{
    const FaultPlan &faults = m_server->faults();
    qCInfo(lcSession) << "client" << m_id << "connected from" << m_peer;
    if (faults.noGreeting) {
        m_mute = true;
        qCInfo(lcSession) << "client" << m_id << "is not greeted (fault no-greeting)";
        return;
    }
    enqueue(QByteArray(tarn::protocol::kGreeting) + '\n', true);
    if (faults.oversize > 0) {
        qCInfo(lcSession) << "client" << m_id << "gets an oversized line of" << faults.oversize << "bytes";
        enqueue(QByteArray(int(faults.oversize), 'x') + '\n', false);
    }
}

void ClientSession::cut(const QString &why)
{
    if (m_closed)
        return;
    qCInfo(lcSession) << "client" << m_id << "cut off:" << why;
    m_server->status().count("droppedConnections");
    m_closed = true;
    m_slowTimer.stop();
    m_slowQueue.clear();
    m_socket->abort();
    // abort() emits disconnected() only for connected sockets; finish in every case.
    QTimer::singleShot(0, this, [this] { emit finished(this); });
}

void ClientSession::onDisconnected()
{
    if (m_firmwareRemaining > 0)
        finishFirmware(false);
    if (m_closed)
        return;
    m_closed = true;
    m_slowTimer.stop();
    qCInfo(lcSession) << "client" << m_id << "disconnected;" << m_lines << "lines received";
    emit finished(this);
}

void ClientSession::onReadyRead()
{
    if (m_closed)
        return;
    m_buffer += m_socket->readAll();
    processBuffer();
}

void ClientSession::processBuffer()
{
    const int maxLine = m_server->settings().maxLineBytes;
    int pos = 0;
    while (pos < m_buffer.size() && !m_closed) {
        if (m_firmwareRemaining > 0) {
            const qint64 n = qMin<qint64>(m_firmwareRemaining, m_buffer.size() - pos);
            feedFirmware(m_buffer.constData() + pos, n);
            pos += int(n);
            continue;
        }
        const int end = m_buffer.indexOf('\n', pos);
        if (m_discarding) {
            if (end < 0) {
                pos = m_buffer.size();
                break;
            }
            m_discarding = false;
            pos = end + 1;
            continue;
        }
        if (end < 0) {
            if (m_buffer.size() - pos > maxLine) {
                // Too long already: drop it up to its line feed, keep the connection.
                m_discarding = true;
                pos = m_buffer.size();
                m_server->status().count("malformedLines");
                qCWarning(lcSession) << "client" << m_id << "sent a line longer than" << maxLine << "bytes";
                answerError(QStringLiteral("line too long"));
            }
            break;
        }
        if (end - pos > maxLine) {
            m_server->status().count("malformedLines");
            qCWarning(lcSession) << "client" << m_id << "sent a line longer than" << maxLine << "bytes";
            answerError(QStringLiteral("line too long"));
            pos = end + 1;
            continue;
        }
        const QByteArray line = m_buffer.mid(pos, end - pos);
        pos = end + 1;
        processLine(line);
    }
    if (m_closed)
        m_buffer.clear();
    else
        m_buffer.remove(0, pos);
}

void ClientSession::processLine(QByteArray raw)
{
    if (raw.endsWith('\r'))
        raw.chop(1);
    StatusRecorder &status = m_server->status();
    status.count("linesReceived");
    const QString line = QString::fromUtf8(raw);
    qCDebug(lcLines).noquote() << m_id << "<" << sanitized(line, 400);
    const Request request = parseRequest(line);
    if (request.word == Request::Word::Model) {
        handleModelLine(request);
        return;
    }
    ++m_lines;
    const FaultPlan &faults = m_server->faults();
    if (faults.dropAfter > 0 && m_lines >= faults.dropAfter) {
        cut(QStringLiteral("fault drop-after %1").arg(faults.dropAfter));
        return;
    }
    if (m_mute || (faults.stallAfter >= 0 && m_lines > faults.stallAfter))
        return;
    if (hasControlBytes(raw) || line.contains(QChar::ReplacementCharacter)) {
        status.count("malformedLines");
        answerError(QStringLiteral("malformed line"));
        return;
    }
    dispatch(request);
}

void ClientSession::dispatch(const Request &request)
{
    switch (request.word) {
    case Request::Word::Empty:
    case Request::Word::Delay:
        return;
    case Request::Word::Connect:
        login(request);
        return;
    case Request::Word::Write:
        if (m_lines == 1 || m_loggedIn)
            beginFirmware(request);
        else
            answerError(QStringLiteral("not logged in"));
        return;
    case Request::Word::Unknown:
        m_server->status().count("malformedLines");
        answerError(QStringLiteral("unknown command"), sanitized(request.wordText, 32));
        return;
    case Request::Word::Model:
        return;
    default:
        break;
    }
    if (!m_loggedIn) {
        answerError(QStringLiteral("not logged in"));
        return;
    }
    if (request.word == Request::Word::Json) {
        m_server->state().runRawCommand(request.value);
        return;
    }
    valueRequest(request);
}

void ClientSession::login(const Request &request)
{
    const bool ok = !m_server->faults().refuseLogin && request.user == QLatin1String("administrator")
                 && request.password == m_server->settings().password;
    if (ok) {
        m_loggedIn = true;
        m_server->status().count("loginsAccepted");
        qCInfo(lcSession) << "client" << m_id << "logged in as administrator";
        answer(QByteArray(tarn::protocol::kLoggedIn) + '\n');
    } else {
        m_loggedIn = false;
        m_server->status().count("loginsRefused");
        qCInfo(lcSession) << "client" << m_id << "login refused for" << sanitized(request.user, 32);
        answer(QByteArray(tarn::protocol::kLoginRefused) + '\n');
    }
}

QString ClientSession::valueText(const ResolvedPath &path) const
{
    const DeviceState &state = m_server->state();
    switch (path.form) {
    case ResolvedPath::Form::Plain: {
        // An empty text is a value ("" on the wire); only missing ranges are null.
        const QString text = state.display(path.index);
        return text.isNull() ? QStringLiteral("") : text;
    }
    case ResolvedPath::Form::Percent:
        return state.percent(path.index);
    case ResolvedPath::Form::Min:
        return state.limit(path.index, false);
    case ResolvedPath::Form::Max:
        return state.limit(path.index, true);
    case ResolvedPath::Form::Choices:
        break;
    }
    return QString();
}

void ClientSession::valueRequest(const Request &request)
{
    if (!request.hasPath) {
        answerError(QStringLiteral("no path"));
        return;
    }
    DeviceState &state = m_server->state();
    const ResolvedPath path = resolvePath(state, request.path);
    const QString asked = sanitized(request.path, 200);
    if (request.word == Request::Word::Ls) {
        listChildren(path, asked);
        return;
    }
    if (request.word == Request::Word::Lc) {
        listChoices(path, asked);
        return;
    }
    if (path.index < 0 || path.form == ResolvedPath::Form::Choices) {
        answerError(QStringLiteral("unknown path"), asked);
        return;
    }
    if (!state.isPresent(path.index)) {
        answerError(QStringLiteral("not in the running preset"), asked);
        return;
    }
    const QString text = valueText(path);
    if (text.isNull()) {
        answerError(QStringLiteral("no range"), asked);
        return;
    }
    const QString out = answerPath(path.key, path.form);
    switch (request.word) {
    case Request::Word::Sub:
        m_subscriptions.insert(subscriptionKey(path.index, path.form));
        answer(valueLine(QStringLiteral("subr"), out, text));
        return;
    case Request::Word::Unsub:
        m_subscriptions.remove(subscriptionKey(path.index, path.form));
        answer(valueLine(QStringLiteral("unsubr"), out, QString()));
        return;
    case Request::Word::Get:
    case Request::Word::AsyncGet:
        answer(valueLine(request.wordText, out, text));
        return;
    case Request::Word::Set: {
        if (path.form == ResolvedPath::Form::Min || path.form == ResolvedPath::Form::Max) {
            answerError(QStringLiteral("read only"), asked);
            return;
        }
        if (!request.hasValue) {
            answerError(QStringLiteral("set without a value"), asked);
            return;
        }
        QString why;
        const auto result = state.write(path.index, request.value, path.form == ResolvedPath::Form::Percent, &why);
        if (result == DeviceState::WriteResult::Changed || result == DeviceState::WriteResult::Unchanged) {
            m_server->status().count("valuesSet");
            qCInfo(lcSession).noquote() << "client" << m_id << "set" << path.key << "=" << sanitized(valueText(path), 120);
            answer(valueLine(QStringLiteral("setr"), out, valueText(path)));
        } else {
            qCInfo(lcSession).noquote() << "client" << m_id << "set of" << path.key << "refused:" << why;
            answerError(why, asked);
        }
        return;
    }
    default:
        answerError(QStringLiteral("unknown command"), asked);
        return;
    }
}

void ClientSession::listChildren(const ResolvedPath &path, const QString &asked)
{
    QStringList names;
    if (!path.folder || !m_server->state().children(path.key, &names)) {
        answerError(path.index >= 0 ? QStringLiteral("not a folder") : QStringLiteral("unknown path"), asked);
        return;
    }
    answer(QStringLiteral("ls \"%1\"\n").arg(answerPath(path.key, ResolvedPath::Form::Plain)).toUtf8());
    for (const QString &name : qAsConst(names))
        answer((QLatin1Char('\t') + name + QStringLiteral(" : \n")).toUtf8());
    answer(QByteArrayLiteral("endls\n"));
}

void ClientSession::listChoices(const ResolvedPath &path, const QString &asked)
{
    const DeviceState &state = m_server->state();
    if (path.index < 0 || (path.form != ResolvedPath::Form::Plain && path.form != ResolvedPath::Form::Choices)) {
        answerError(QStringLiteral("unknown path"), asked);
        return;
    }
    const Variable &v = state.variable(path.index);
    if (v.kind != Variable::Kind::Choice && v.kind != Variable::Kind::OnOff) {
        answerError(QStringLiteral("not enumerated"), asked);
        return;
    }
    if (!state.isPresent(path.index)) {
        answerError(QStringLiteral("not in the running preset"), asked);
        return;
    }
    answer(QStringLiteral("lc \"%1\"\n").arg(answerPath(path.key, ResolvedPath::Form::Choices)).toUtf8());
    for (const QString &choice : v.choices)
        answer((QLatin1Char('\t') + choice + QLatin1Char('\n')).toUtf8());
    answer(QByteArrayLiteral("endlc\n"));
}

void ClientSession::pushChange(int idx)
{
    if (m_closed || m_mute || m_subscriptions.isEmpty())
        return;
    // A stalled connection pushes nothing from the moment its last answered line came in.
    const FaultPlan &faults = m_server->faults();
    if (faults.stallAfter >= 0 && m_lines >= faults.stallAfter)
        return;
    const DeviceState &state = m_server->state();
    if (!state.isPresent(idx))
        return;
    for (const auto form : {ResolvedPath::Form::Plain, ResolvedPath::Form::Percent}) {
        if (m_subscriptions.contains(subscriptionKey(idx, form))) {
            ResolvedPath p;
            p.index = idx;
            p.form = form;
            p.key = state.variable(idx).key;
            answer(valueLine(QStringLiteral("subr"), answerPath(p.key, form), valueText(p)));
        }
    }
}

void ClientSession::handleModelLine(const Request &request)
{
    if (!m_loopback) {
        qCWarning(lcSession) << "client" << m_id << "sent a model line from" << m_peer << "(refused)";
        enqueue(QByteArrayLiteral("model error only from the local host\n"), false);
        return;
    }
    enqueue(m_server->controlLine(request.args, this), false);
}

void ClientSession::beginFirmware(const Request &request)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,63}$"));
    const QStringList target = request.path.split(QLatin1Char('\\'));
    const qint64 max = m_server->settings().maxFirmwareBytes;
    if (target.size() != 2 || target.at(0) != QLatin1String("file") || !name.match(target.at(1)).hasMatch()) {
        qCWarning(lcSession) << "client" << m_id << "write refused: bad target" << sanitized(request.path);
        answer(QByteArrayLiteral("writer error bad target\n"));
        return;
    }
    if (request.size <= 0 || request.size > max) {
        qCWarning(lcSession) << "client" << m_id << "write refused: size" << request.size << "outside 1 ..." << max;
        answer(QStringLiteral("writer error size must lie in 1..%1\n").arg(max).toUtf8());
        return;
    }
    m_firmwareName = target.at(1);
    m_firmwareSize = request.size;
    m_firmwareRemaining = request.size;
    m_lastProgressReport = 0;
    m_sha.reset();
    m_firmwareHead.clear();
    m_firmwareRecord = m_server->status().beginUpload(request.path, request.size, m_peer);
    const QString dir = m_server->settings().firmwareDir;
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        m_firmwareFile = std::make_unique<QFile>(QDir(dir).filePath(m_firmwareName + QStringLiteral(".part")));
        if (!m_firmwareFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qCWarning(lcSession) << "cannot keep the image:" << m_firmwareFile->errorString();
            m_firmwareFile.reset();
        }
    }
    qCInfo(lcSession) << "client" << m_id << "uploads" << request.size << "bytes to" << request.path;
    answer(QByteArrayLiteral("writer OK\n"));
}

void ClientSession::feedFirmware(const char *data, qint64 n)
{
    m_sha.addData(data, int(n));
    if (m_firmwareHead.size() < kFirmwareHeadBytes)
        m_firmwareHead.append(data, int(qMin<qint64>(n, kFirmwareHeadBytes - m_firmwareHead.size())));
    if (m_firmwareFile && m_firmwareFile->write(data, n) != n) {
        qCWarning(lcSession) << "cannot keep the image:" << m_firmwareFile->errorString();
        m_firmwareFile->remove();
        m_firmwareFile.reset();
    }
    m_firmwareRemaining -= n;
    const qint64 received = m_firmwareSize - m_firmwareRemaining;
    if (received - m_lastProgressReport >= kProgressReportBytes || m_firmwareRemaining == 0) {
        m_lastProgressReport = received;
        m_server->status().uploadProgress(m_firmwareRecord, received);
    }
    if (m_firmwareRemaining == 0)
        finishFirmware(true);
}

void ClientSession::finishFirmware(bool complete)
{
    const QByteArray sha = m_sha.result().toHex();
    const qint64 received = m_firmwareSize - m_firmwareRemaining;
    m_firmwareRemaining = 0;
    QString storedAt;
    if (m_firmwareFile) {
        m_firmwareFile->close();
        const QString finalName = m_firmwareFile->fileName().chopped(5);
        if (complete) {
            QFile::remove(finalName);
            if (m_firmwareFile->rename(finalName))
                storedAt = finalName;
        } else {
            m_firmwareFile->remove();
        }
        m_firmwareFile.reset();
    }
    m_server->status().uploadProgress(m_firmwareRecord, received);
    m_server->status().finishUpload(m_firmwareRecord, complete ? sha : QByteArray(), complete, storedAt);
    if (complete) {
        qCInfo(lcSession) << "client" << m_id << "upload complete:" << received << "bytes, sha256" << sha;
        answer(QStringLiteral("writer done %1 %2\n").arg(received).arg(QString::fromLatin1(sha)).toUtf8());
        emit m_server->firmwareReceived(m_firmwareName, m_firmwareHead);
    } else {
        qCWarning(lcSession) << "client" << m_id << "upload broken off after" << received << "of" << m_firmwareSize << "bytes";
    }
}

void ClientSession::answer(const QByteArray &line)
{
    const FaultPlan &faults = m_server->faults();
    if (m_mute || (faults.stallAfter >= 0 && m_lines > faults.stallAfter))
        return;
    if (faults.garbage) {
        enqueue(garbageLine(), false);
    }
    enqueue(line, true);
}

void ClientSession::answerError(const QString &reason, const QString &path)
{
    QString line = QStringLiteral("error ") + reason;
    if (!path.isEmpty())
        line += QStringLiteral(" \"") + path + QLatin1Char('"');
    answer((line + QLatin1Char('\n')).toUtf8());
}

QByteArray ClientSession::garbageLine()
{
    const QList<QByteArray> &lines = garbageLines();
    return lines.at(m_garbageIndex++ % lines.size());
}

void ClientSession::enqueue(const QByteArray &bytes, bool countLine)
{
    if (m_closed)
        return;
    if (countLine) {
        m_server->status().count("linesSent");
        qCDebug(lcLines).noquote() << m_id << ">" << sanitized(QString::fromUtf8(bytes.trimmed()), 400);
    }
    const int slowMs = m_server->faults().slowMs;
    if (slowMs <= 0 && m_slowQueue.isEmpty()) {
        writeNow(bytes);
        return;
    }
    // A slow link: each line leaves in two halves, half the delay apart.
    const int half = bytes.size() / 2;
    if (half > 0)
        m_slowQueue.append(bytes.left(half));
    m_slowQueue.append(bytes.mid(half));
    if (!m_slowTimer.isActive())
        m_slowTimer.start(qMax(1, slowMs / 2));
}

void ClientSession::onSlowTick()
{
    if (m_server->faults().slowMs <= 0) {
        m_slowTimer.stop();
        while (!m_slowQueue.isEmpty() && !m_closed)
            writeNow(m_slowQueue.takeFirst());
        return;
    }
    if (!m_slowQueue.isEmpty())
        writeNow(m_slowQueue.takeFirst());
    if (m_slowQueue.isEmpty())
        m_slowTimer.stop();
    else
        m_slowTimer.setInterval(qMax(1, m_server->faults().slowMs / 2));
}

void ClientSession::writeNow(const QByteArray &bytes)
{
    if (m_closed)
        return;
    if (m_socket->bytesToWrite() > m_server->settings().maxBacklogBytes) {
        cut(QStringLiteral("the client does not read (%1 bytes waiting)").arg(m_socket->bytesToWrite()));
        return;
    }
    m_socket->write(bytes);
}
} // namespace tarn::offline
