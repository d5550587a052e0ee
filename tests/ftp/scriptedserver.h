#pragma once

// An FTP control connection that answers from a script, for what real servers will not do on
// demand (replies that overtake data, refusals, silence, endless lines), with the data
// connections it opens or accepts.

#include "scriptedpeer.h"

#include <QTimer>

namespace tarn::test {

class ScriptedServer : public QObject, public ScriptedPeer
{
public:
    explicit ScriptedServer(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
        : ScriptedPeer(address)
        , m_address(address)
    {
        greeting = "220 Scripted server ready\r\n";
        lineEnd = "\r\n";
        onLine = [this](const QByteArray &line) { standard(line); };
    }

    // Every command line received, without CR LF.
    QList<QByteArray> received() const { return linesStartingWith(QByteArray()); }
    QByteArray payload = "scripted payload";
    QByteArray stored;
    int dataConnections = 0;
    QHostAddress lastDataPeer;

    // Calls fn with the data socket once it is connected (at once when it already is).
    void whenDataConnected(std::function<void(QTcpSocket *)> fn)
    {
        if (m_data && m_data->state() == QAbstractSocket::ConnectedState) {
            fn(m_data);
            return;
        }
        m_pendingData = std::move(fn);
        if (!m_data && m_activePort != 0) {
            m_data = new QTcpSocket(this);
            QObject::connect(m_data, &QTcpSocket::connected, this, [this] { dataReady(); });
            m_data->connectToHost(m_activeAddress, m_activePort);
        }
    }

    // Sends bytes over the data connection, closes it, then sends the final reply.
    void sendOverData(const QByteArray &bytes, const QByteArray &finalReply = "226 Transfer complete\r\n")
    {
        whenDataConnected([this, bytes, finalReply](QTcpSocket *s) {
            s->write(bytes);
            QObject::connect(s, &QTcpSocket::disconnected, this,
                             [this, finalReply] { send(finalReply); });
            s->disconnectFromHost();
        });
    }

    void receiveOverData()
    {
        stored.clear();
        whenDataConnected([this](QTcpSocket *s) {
            QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { stored += s->readAll(); });
            QObject::connect(s, &QTcpSocket::disconnected, this, [this, s] {
                stored += s->readAll();
                send("226 Transfer complete\r\n");
            });
            stored += s->readAll();
        });
    }

    quint16 openPassive()
    {
        dropData();
        m_passive = new QTcpServer(this);
        m_passive->listen(m_address, 0);
        QObject::connect(m_passive, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = m_passive->nextPendingConnection();
            m_data = s;
            dataReady();
        });
        return m_passive->serverPort();
    }

    void standard(const QByteArray &line)
    {
        const QByteArray verb = line.split(' ').first().toUpper();
        const QByteArray arg = line.mid(verb.size() + 1);
        if (verb == "USER") {
            send("331 Password required\r\n");
        } else if (verb == "PASS") {
            send("230 Logged in\r\n");
        } else if (verb == "TYPE") {
            send("200 Type set\r\n");
        } else if (verb == "SIZE") {
            send("213 " + QByteArray::number(payload.size()) + "\r\n");
        } else if (verb == "CWD") {
            send("250 Directory changed\r\n");
        } else if (verb == "PASV") {
            const quint16 p = openPassive();
            send(QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2)\r\n")
                     .arg(p >> 8)
                     .arg(p & 0xff)
                     .toLatin1());
        } else if (verb == "EPSV") {
            send("229 Entering Extended Passive Mode (|||" + QByteArray::number(openPassive())
                 + "|)\r\n");
        } else if (verb == "PORT") {
            const QList<QByteArray> n = arg.split(',');
            dropData();
            m_activeAddress = QHostAddress(QString::fromLatin1(n[0] + '.' + n[1] + '.' + n[2] + '.' + n[3]));
            m_activePort = quint16(n[4].toUInt() * 256 + n[5].toUInt());
            send("200 PORT command successful\r\n");
        } else if (verb == "EPRT") {
            const QList<QByteArray> f = arg.mid(1).split(arg.at(0));
            dropData();
            m_activeAddress = QHostAddress(QString::fromLatin1(f[1]));
            m_activePort = quint16(f[2].toUInt());
            send("200 EPRT command successful\r\n");
        } else if (verb == "RETR" || verb == "NLST") {
            send("150 Opening data connection\r\n");
            sendOverData(payload);
        } else if (verb == "STOR") {
            send("150 Ok to send data\r\n");
            receiveOverData();
        } else if (verb == "ALLO") {
            send("202 ALLO command ignored\r\n");
        } else if (verb == "QUIT") {
            send("221 Goodbye\r\n");
            current()->disconnectFromHost();
        } else if (verb == "NOOP" || verb == "DELE" || verb == "MKD" || verb == "RMD") {
            send("250 OK\r\n");
        } else {
            send("502 Command not implemented\r\n");
        }
    }

private:
    void dataReady()
    {
        ++dataConnections;
        lastDataPeer = m_data->peerAddress();
        if (m_pendingData) {
            auto fn = std::move(m_pendingData);
            m_pendingData = nullptr;
            fn(m_data);
        }
    }

    void dropData()
    {
        if (m_passive)
            m_passive->deleteLater();
        m_passive = nullptr;
        m_data = nullptr;
        m_activePort = 0;
        m_pendingData = nullptr;
    }

    QHostAddress m_address;
    QPointer<QTcpServer> m_passive;
    QPointer<QTcpSocket> m_data;
    QHostAddress m_activeAddress;
    quint16 m_activePort = 0;
    std::function<void(QTcpSocket *)> m_pendingData;
};

} // namespace tarn::test
