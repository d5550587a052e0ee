#include "discoveryresponder.h"

#include "devicestate.h"
#include "faultplan.h"
#include "request.h"
#include "statusrecorder.h"

#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QTimer>

Q_LOGGING_CATEGORY(lcDiscovery, "tarn.offline.discovery", QtInfoMsg)

namespace tarn::offline {
namespace {
constexpr int kMaxQueryBytes = 4096;
constexpr int kMaxQueryLines = 16;
constexpr int kMaxDelayMs = 1000;
constexpr int kMaxPendingAnswers = 64;
} // namespace

DiscoveryResponder::DiscoveryResponder(const DeviceState *state, const FaultPlan *faults, StatusRecorder *status,
                                       quint64 seed, QObject *parent)
    : QObject(parent), m_state(state), m_faults(faults), m_status(status), m_random(seed ^ 0x5DEECE66Dull)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &DiscoveryResponder::onReadyRead);
}

bool DiscoveryResponder::bind(const QHostAddress &address, quint16 port, QString *error)
{
    if (!m_socket.bind(address, port)) {
        *error = QStringLiteral("cannot bind UDP %1 port %2: %3").arg(address.toString()).arg(port).arg(m_socket.errorString());
        return false;
    }
    return true;
}

QByteArray DiscoveryResponder::answerFor(const QByteArray &query, int *delayMs) const
{
    *delayMs = 0;
    QByteArray answer;
    const QList<QByteArray> lines = query.split('\n');
    int used = 0;
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.trimmed().isEmpty())
            continue;
        if (++used > kMaxQueryLines)
            break;
        const QString line = QString::fromUtf8(raw).trimmed();
        const int blank = line.indexOf(QLatin1Char(' '));
        const QString word = blank < 0 ? line : line.left(blank);
        QString rest = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        if (word == QLatin1String("delay")) {
            *delayMs = qBound(0, rest.toInt(), kMaxDelayMs);
            continue;
        }
        if (word != QLatin1String("get")) {
            answer += QStringLiteral("error unknown command \"%1\"\n").arg(sanitized(word, 32)).toUtf8();
            continue;
        }
        rest.remove(QLatin1Char('"'));
        const ResolvedPath path = resolvePath(*m_state, rest);
        if (path.index < 0 || path.form != ResolvedPath::Form::Plain || !m_state->isPresent(path.index)) {
            answer += QStringLiteral("error unknown path \"%1\"\n").arg(sanitized(rest, 200)).toUtf8();
            continue;
        }
        answer += valueLine(QStringLiteral("get"), answerPath(path.key, path.form), m_state->display(path.index));
    }
    return answer;
}

void DiscoveryResponder::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram(kMaxQueryBytes + 1);
        if (!datagram.isValid())
            continue;
        m_status->count("discoveryQueries");
        const QHostAddress sender = datagram.senderAddress();
        const quint16 senderPort = quint16(datagram.senderPort());
        if (datagram.data().size() > kMaxQueryBytes) {
            qCWarning(lcDiscovery) << "query from" << sender.toString() << "is too long; ignored";
            continue;
        }
        if (m_faults->noDiscovery) {
            qCInfo(lcDiscovery) << "query from" << sender.toString() << "not answered (fault no-discovery)";
            continue;
        }
        int delayMs = 0;
        const QByteArray answer = answerFor(datagram.data(), &delayMs);
        if (answer.isEmpty())
            continue;
        if (m_pending >= kMaxPendingAnswers) {
            qCWarning(lcDiscovery) << "too many answers waiting; query from" << sender.toString() << "dropped";
            continue;
        }
        // Answers spread over the asked delay, so processors on one network do not all
        // answer a broadcast at the same instant.
        SplitMix64 random(m_random++);
        const int wait = delayMs > 0 ? int(random.next() % quint64(delayMs + 1)) : 0;
        ++m_pending;
        QTimer::singleShot(wait, this, [this, answer, sender, senderPort] {
            --m_pending;
            m_socket.writeDatagram(answer, sender, senderPort);
            m_status->count("discoveryAnswers");
            qCInfo(lcDiscovery) << "answered discovery query from" << sender.toString() << senderPort;
        });
    }
}
} // namespace tarn::offline
