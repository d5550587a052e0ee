#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace tarn::test {
// A scripted processor on a free 127.0.0.1 port, for the cases a real one will not produce on
// demand (no greeting, a refused password, split or over-long lines, a dropped connection).
// It greets, answers the login line, records every line it receives and lets the test write
// anything. Lives on the test's thread; the link under test runs its own. With another greeting
// and line end it is the control connection of other line protocols too (the FTP tests').
class ScriptedPeer {
public:
    struct Line {
        int connection; // 1 for the first accepted connection
        QByteArray text; // without its LF
    };

    explicit ScriptedPeer(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
    {
        m_server.listen(address, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this]() { accept(); });
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }

    // Behaviour for the next connections.
    bool greet = true;
    QByteArray greeting = "Corvex Console\n";
    QByteArray lineEnd = "\n"; // taken off every received line
    QByteArray password = "secret"; // the password that logs in
    // Called for every received line after the built-in login handling.
    std::function<void(const QByteArray &line)> onLine;

    int connections() const { return m_connections; }
    QTcpSocket *current() const { return m_current; }
    bool currentConnected() const
    {
        return m_current && m_current->state() == QAbstractSocket::ConnectedState;
    }
    const QList<Line> &lines() const { return m_lines; }
    QList<QByteArray> linesStartingWith(const QByteArray &prefix) const
    {
        QList<QByteArray> result;
        for (const Line &line : m_lines) {
            if (line.text.startsWith(prefix))
                result.append(line.text);
        }
        return result;
    }
    bool received(const QByteArray &text) const
    {
        for (const Line &line : m_lines) {
            if (line.text == text)
                return true;
        }
        return false;
    }
    void clearLines() { m_lines.clear(); }

    void send(const QByteArray &bytes)
    {
        if (m_current) {
            m_current->write(bytes);
            m_current->flush();
        }
    }
    void abortCurrent()
    {
        if (m_current)
            m_current->abort();
    }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            const int index = m_connections;
            m_current = socket;
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, index]() { read(socket, index); });
            if (greet)
                socket->write(greeting);
        }
    }

    void read(QTcpSocket *socket, int index)
    {
        while (socket->canReadLine()) {
            QByteArray text = socket->readLine();
            text.chop(text.endsWith(lineEnd) ? lineEnd.size() : 1);
            m_lines.append({index, text});
            if (text.startsWith("connect administrator \"")) {
                const QByteArray given = text.mid(23, text.size() - 24);
                socket->write(given == password ? "connect logged in as administrator\n"
                                                : "error could not connect as administrator\n");
            }
            if (onLine)
                onLine(text);
        }
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_current;
    QList<Line> m_lines;
    int m_connections = 0;
};
} // namespace tarn::test
