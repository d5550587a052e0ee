#include "controlserver.h"

#include "clientsession.h"
#include "devicestate.h"
#include "faultplan.h"
#include "statusrecorder.h"

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcServer, "tarn.offline.server", QtInfoMsg)

namespace tarn::offline {
namespace {
constexpr int kMaxTicksPerLine = 100000;
} // namespace

ControlServer::ControlServer(DeviceState *state, FaultPlan *faults, StatusRecorder *status,
                             const ServerSettings &settings, QObject *parent)
    : QObject(parent), m_state(state), m_faults(faults), m_status(status), m_settings(settings)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ControlServer::onNewConnection);
    connect(m_state, &DeviceState::valueChanged, this, &ControlServer::onValueChanged);
    connect(m_state, &DeviceState::rebootRequested, this, [this] { dropAll(nullptr); });
}

ControlServer::~ControlServer()
{
    // Sessions report to the recorder while they go; let them go while everything stands.
    const QList<ClientSession *> sessions = m_sessions;
    m_sessions.clear();
    qDeleteAll(sessions);
}

bool ControlServer::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (!m_server.listen(address, port)) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3").arg(address.toString()).arg(port).arg(m_server.errorString());
        return false;
    }
    return true;
}

void ControlServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *session = new ClientSession(socket, this, m_nextId++);
        m_sessions.append(session);
        connect(session, &ClientSession::finished, this, &ControlServer::onSessionFinished, Qt::QueuedConnection);
        m_status->count("connections");
        m_status->count("openConnections");
        session->start();
    }
}

void ControlServer::onSessionFinished(ClientSession *session)
{
    if (!m_sessions.removeOne(session))
        return;
    m_status->count("openConnections", -1);
    session->deleteLater();
}

void ControlServer::onValueChanged(int idx)
{
    for (ClientSession *session : qAsConst(m_sessions))
        session->pushChange(idx);
}

void ControlServer::dropAll(ClientSession *except)
{
    const QList<ClientSession *> sessions = m_sessions;
    for (ClientSession *session : sessions) {
        if (session != except)
            session->cut(QStringLiteral("all connections dropped"));
    }
}

QByteArray ControlServer::controlLine(const QStringList &args, ClientSession *from)
{
    const QString command = args.value(0);
    if (command == QLatin1String("fault")) {
        QString error;
        if (!m_faults->apply(args.mid(1), &error))
            return QStringLiteral("model error %1\n").arg(error).toUtf8();
        qCInfo(lcServer).noquote() << "faults now" << QJsonDocument(m_faults->toJson()).toJson(QJsonDocument::Compact);
        emit faultsChanged();
        return QByteArrayLiteral("model ok\n");
    }
    if (command == QLatin1String("status") && args.size() == 1) {
        m_status->setInfo(QStringLiteral("faults"), m_faults->toJson());
        return "model status " + QJsonDocument(m_status->snapshot()).toJson(QJsonDocument::Compact) + '\n';
    }
    if (command == QLatin1String("tick") && args.size() <= 2) {
        bool ok = true;
        const int n = args.size() == 2 ? args.at(1).toInt(&ok) : 1;
        if (!ok || n < 1 || n > kMaxTicksPerLine)
            return QStringLiteral("model error tick wants 1..%1\n").arg(kMaxTicksPerLine).toUtf8();
        m_state->tick(n);
        return QStringLiteral("model ok %1\n").arg(m_state->ticks()).toUtf8();
    }
    if (command == QLatin1String("drop-all") && args.size() == 1) {
        dropAll(from);
        return QByteArrayLiteral("model ok\n");
    }
    return QByteArrayLiteral("model error commands: fault <name> <value> | fault clear | status | tick [n] | drop-all\n");
}
} // namespace tarn::offline
