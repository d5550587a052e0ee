#pragma once

#include "devicerecord.h"
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"

#include <QSignalSpy>
#include <QtTest>

namespace tarn::test {
// The application's adaptor logged in to the processor on 127.0.0.1:port.
inline bool loginAdaptor(quint16 port, const QString &password)
{
    TarnSettings::write(QString::fromLatin1(keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
    TarnSettings::write(QString::fromLatin1(keys::CurrentDevicePassword), password);
    qputenv("TARN_DEVICE_PORT", QByteArray::number(port));
    QSignalSpy ready(TCPAdaptor::instance(), &TCPAdaptor::corvexReady);
    TCPAdaptor::instance()->doConnect();
    return ready.wait(5000) && TCPAdaptor::instance()->isReady();
}

// Disconnected, and the adaptor has heard of it (only then is a new control really "before login").
inline bool logoutAdaptor()
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    adaptor->doDisconnect();
    QElapsedTimer timer;
    timer.start();
    while ((adaptor->isReady() || adaptor->isConnected()) && timer.elapsed() < 5000)
        QTest::qWait(10);
    return !adaptor->isReady();
}

// The real adaptor logged in to a scripted processor, with every request line the controls
// hand to it recorded as it leaves the adaptor (so no waiting for the socket is needed), and
// records offered to the controls exactly as the adaptor offers them.
class LinkFixture {
public:
    LinkFixture() : m_adaptor(TCPAdaptor::instance())
    {
        QObject::connect(m_adaptor, &TCPAdaptor::sendMessage, &m_context, [this](const QByteArray &line) {
            QByteArray text = line;
            if (text.endsWith('\n'))
                text.chop(1);
            if (!text.startsWith("connect administrator"))
                m_sent.append(text);
        });
    }

    TCPAdaptor *adaptor() const { return m_adaptor; }
    ScriptedPeer &peer() { return m_peer; }

    bool login() { return loginAdaptor(m_peer.port(), QStringLiteral("secret")); }
    bool logout() { return logoutAdaptor(); }

    // Request lines (without LF) in the order the controls made them.
    const QList<QByteArray> &sent() const { return m_sent; }
    QList<QByteArray> take()
    {
        QList<QByteArray> lines = m_sent;
        m_sent.clear();
        return lines;
    }
    void clear() { m_sent.clear(); }

    void offer(const QString &command, const QString &po, const QString &sv, const QString &value,
               const QString &valueType = QString())
    {
        emit m_adaptor->dataAvailable(request(command, po, sv, value, valueType));
    }

private:
    TCPAdaptor *m_adaptor;
    QObject m_context;
    ScriptedPeer m_peer;
    QList<QByteArray> m_sent;
};

// The request line for (command, PO, SV[, value]) of a preset variable, as the adaptor writes it.
inline QByteArray line(const char *command, const char *po, const char *sv, const char *value = nullptr,
                       const char *suffix = "")
{
    QByteArray text = QByteArray(command) + " \"\\\\Preset\\" + po + "\\SV\\" + sv + "\\" + suffix + "\"";
    if (value) {
        if (value[0] == '"')
            text += QByteArray(" ") + value;
        else
            text += QByteArray(" \"") + value + "\"";
    }
    return text;
}
} // namespace tarn::test
