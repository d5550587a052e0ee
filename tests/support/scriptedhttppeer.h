#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace tarn::test {
// An HTTP/1.1 server on a free 127.0.0.1 port for what nginx will not do on demand: a body cut
// off mid-way, a declared length that never arrives, a stalled transfer, any status. Each path
// has a scripted answer; unknown paths get 404. One request per connection; lives on the
// test's thread and answers from its event loop.
class ScriptedHttpPeer
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
        // Bytes of the body actually sent before the connection closes (-1: all of it). The
        // Content-Length header always announces the whole body.
        qint64 sendBytes = -1;
        // Keep the connection open, silent, after what was sent.
        bool stall = false;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    ScriptedHttpPeer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    void answer(const QString &path, const Answer &answer) { m_answers.insert(path, answer); }
    // Paths asked for, in order.
    QStringList requests() const { return m_requests; }

private:
    static constexpr int MaxRequestBytes = 64 * 1024;

    void serve(QTcpSocket *socket)
    {
        socket->setParent(&m_server);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray &request = m_pending[socket];
            request += socket->readAll();
            if (request.size() > MaxRequestBytes) {
                socket->abort();
                return;
            }
            if (!request.contains("\r\n\r\n"))
                return;
            const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
            m_pending.remove(socket);
            const QString path = first.size() >= 2 ? QString::fromUtf8(first.at(1)) : QString();
            m_requests.append(path);
            reply(socket, m_answers.value(path, Answer{404, "not found\n", -1, false, {}}));
        });
    }

    static void reply(QTcpSocket *socket, const Answer &answer)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Scripted\r\n";
        head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        head += "Connection: close\r\n";
        for (const auto &header : answer.headers)
            head += header.first + ": " + header.second + "\r\n";
        socket->write(head + "\r\n");
        const qint64 send = answer.sendBytes < 0 ? answer.body.size() : qMin<qint64>(answer.sendBytes, answer.body.size());
        socket->write(answer.body.left(int(send)));
        if (!answer.stall)
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QStringList m_requests;
};
} // namespace tarn::test
