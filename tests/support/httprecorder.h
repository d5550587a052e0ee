#pragma once

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace tarn::test {
// A small HTTP/1.1 server on 127.0.0.1 that records every request and answers each with the
// next scripted reply (200 with an empty body once the script is used up). It keeps connections
// alive unless the client asks to close, bounds what it reads, and lives on the test's thread.
class HttpRecorder {
public:
    struct Request {
        QByteArray method;
        QByteArray target;
        QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
        QByteArray body;

        QByteArray header(const QByteArray &name) const
        {
            for (const auto &h : headers) {
                if (h.first == name.toLower())
                    return h.second;
            }
            return {};
        }
        // The body as form fields, in their order, and one field of it.
        QList<QPair<QString, QString>> form() const
        {
            return QUrlQuery(QString::fromLatin1(body)).queryItems(QUrl::FullyDecoded);
        }
        QString field(const QString &name) const
        {
            return QUrlQuery(QString::fromLatin1(body)).queryItemValue(name, QUrl::FullyDecoded);
        }
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        bool hold = false; // never answer this request
    };

    static constexpr int kMaxHeaderBytes = 64 * 1024;
    static constexpr int kMaxBodyBytes = 1024 * 1024;

    HttpRecorder()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this]() { accept(); });
        m_server.listen(QHostAddress(QHostAddress::LocalHost), 0);
    }
    // Gone, it leaves a port that refuses.
    ~HttpRecorder()
    {
        m_server.close();
        for (const QPointer<QTcpSocket> &socket : qAsConst(m_sockets)) {
            if (socket)
                socket->abort();
        }
    }
    quint16 port() const { return m_server.serverPort(); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/collect").arg(port())); }

    QList<Reply> script; // taken in order, one per request
    const QList<Request> &requests() const { return m_requests; }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_sockets.append(socket);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer]() {
                buffer->append(socket->readAll());
                acknowledgeAtOnce(socket);
                while (serveOne(socket, buffer.get())) {
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    // A client that writes its headers and its body apart (Qt's does) would otherwise wait for
    // the delayed acknowledgement of the headers, some 40 ms per request.
    static void acknowledgeAtOnce(QTcpSocket *socket)
    {
#ifdef Q_OS_LINUX
        const int on = 1;
        ::setsockopt(int(socket->socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
        Q_UNUSED(socket);
#endif
    }

    // Takes one whole request off the buffer and answers it; false when more bytes are needed.
    bool serveOne(QTcpSocket *socket, QByteArray *buffer)
    {
        const int end = buffer->indexOf("\r\n\r\n");
        if (end < 0 || end > kMaxHeaderBytes) {
            if (buffer->size() > kMaxHeaderBytes)
                socket->abort();
            return false;
        }
        const QList<QByteArray> lines = buffer->left(end).split('\n');
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        Request request;
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.append({lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed()});
        }
        const int length = request.header("content-length").toInt();
        if (length < 0 || length > kMaxBodyBytes) {
            socket->abort();
            return false;
        }
        if (buffer->size() < end + 4 + length)
            return false;
        request.body = buffer->mid(end + 4, length);
        buffer->remove(0, end + 4 + length);
        m_requests.append(request);

        const Reply reply = script.isEmpty() ? Reply() : script.takeFirst();
        if (reply.hold)
            return true;
        const bool close = request.header("connection").toLower() == "close";
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + (reply.status == 200 ? " OK" : " Status")
                      + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(reply.body.size())
                      + (close ? "\r\nConnection: close" : "\r\nConnection: keep-alive") + "\r\n\r\n" + reply.body);
        if (close)
            socket->disconnectFromHost();
        return true;
    }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    QList<Request> m_requests;
};
} // namespace tarn::test
