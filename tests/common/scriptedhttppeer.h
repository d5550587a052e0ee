#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace tarn::test {
// An HTTP/1.1 server on a free 127.0.0.1 port for the faults a real server will not produce on
// demand: a body cut off before its announced length, a transfer that stalls, a wrong length.
// Each GET of a path gets the reply set for it (404 otherwise); one request per connection.
class ScriptedHttpPeer {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        qint64 contentLength = -1; // announced length; -1: the body's size
        qint64 sendBytes = -1;     // body bytes sent before `then`; -1: all
        enum class Then { Close, Stall } then = Then::Close;
    };

    ScriptedHttpPeer()
    {
        m_server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this]() {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    ~ScriptedHttpPeer()
    {
        for (const QPointer<QTcpSocket> &socket : qAsConst(m_open)) {
            if (socket)
                socket->abort();
        }
    }

    bool isListening() const { return m_server.isListening(); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    void setReply(const QString &path, const Reply &reply) { m_replies.insert(path, reply); }
    // "GET /path" of every request received, in order.
    const QStringList &requests() const { return m_requests; }

private:
    static constexpr int kMaxHeadBytes = 16384;

    void serve(QTcpSocket *socket)
    {
        m_open.append(socket);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket]() {
            QByteArray &head = m_heads[socket];
            head += socket->readAll();
            const int end = head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (head.size() > kMaxHeadBytes)
                    socket->abort();
                return;
            }
            const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
            m_heads.remove(socket);
            const QString path = QString::fromUtf8(words.value(1));
            m_requests.append(QString::fromUtf8(words.value(0)) + QLatin1Char(' ') + path);
            answer(socket, m_replies.value(path, Reply{404, QByteArrayLiteral("not found"), -1, -1, Reply::Then::Close}));
        });
    }

    static void answer(QTcpSocket *socket, const Reply &reply)
    {
        const qint64 length = reply.contentLength >= 0 ? reply.contentLength : reply.body.size();
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + (reply.status == 200 ? " OK" : " Error")
            + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + QByteArray::number(length)
            + "\r\nConnection: close\r\n\r\n";
        out += reply.sendBytes >= 0 ? reply.body.left(int(reply.sendBytes)) : reply.body;
        socket->write(out);
        if (reply.then == Reply::Then::Close)
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Reply> m_replies;
    QHash<QTcpSocket *, QByteArray> m_heads;
    QList<QPointer<QTcpSocket>> m_open;
    QStringList m_requests;
};
} // namespace tarn::test
