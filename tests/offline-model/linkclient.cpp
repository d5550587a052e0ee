#include "linkclient.h"

#include <QSignalSpy>

namespace tarn::test {
DataFromDevice request(const QString &command, const QString &po, const QString &sv, const QString &value,
                       const QString &valueType)
{
    DataFromDevice d;
    d.command = command;
    d.poName = po;
    d.svName = sv;
    d.value = value;
    d.valueType = valueType;
    return d;
}

LinkClient::LinkClient(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::connected, this, &LinkClient::connected);
    connect(&m_socket, &QTcpSocket::disconnected, this, &LinkClient::disconnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &LinkClient::onReadyRead);
}

void LinkClient::connectToHost(quint16 port, const QString &host)
{
    m_classifier.reset();
    m_buffer.clear();
    m_discarding = false;
    m_socket.connectToHost(host, port);
}

void LinkClient::disconnectFromHost()
{
    m_socket.disconnectFromHost();
}

void LinkClient::enterPassword(const QString &password)
{
    sendRaw(tarn::protocol::formatLogin(password));
}

void LinkClient::sendRequest(const DataFromDevice &request)
{
    const QByteArray line = tarn::protocol::formatRequest(request);
    if (!line.isEmpty())
        sendRaw(line);
}

void LinkClient::sendRaw(const QByteArray &bytes)
{
    // Written while connecting, the bytes wait in the socket until it is connected.
    m_socket.write(bytes);
}

bool LinkClient::login(quint16 port, const QString &password)
{
    QSignalSpy greeted(this, &LinkClient::enterPasswordRequested);
    QSignalSpy ready(this, &LinkClient::corvexReady);
    QSignalSpy refused(this, &LinkClient::incorrectPassword);
    connectToHost(port);
    if (greeted.isEmpty() && !greeted.wait(10000))
        return false;
    enterPassword(password);
    for (int i = 0; i < 100 && ready.isEmpty() && refused.isEmpty(); ++i)
        ready.wait(100);
    return !ready.isEmpty();
}

QString LinkClient::value(const QString &po, const QString &sv, const QString &valueType) const
{
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        if (it->poName == po && it->svName == sv && it->valueType == valueType)
            return it->value;
    }
    return QString();
}

QList<DataFromDevice> LinkClient::recordsFor(const QString &po, const QString &sv, const QString &valueType) const
{
    QList<DataFromDevice> out;
    for (const DataFromDevice &d : records) {
        if (d.poName == po && d.svName == sv && d.valueType == valueType)
            out << d;
    }
    return out;
}

void LinkClient::onReadyRead()
{
    using Kind = tarn::protocol::LineClassifier::Kind;
    m_buffer += m_socket.readAll();
    int pos = 0;
    for (;;) {
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
            if (m_buffer.size() - pos > kMaxLineBytes) {
                m_discarding = true;
                ++oversizedLines;
                pos = m_buffer.size();
            } else if (pos < m_buffer.size()) {
                ++partialReads;
            }
            break;
        }
        QByteArray raw = m_buffer.mid(pos, end - pos);
        pos = end + 1;
        if (raw.size() > kMaxLineBytes) {
            ++oversizedLines;
            continue;
        }
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        lines << line;
        emit lineReceived(line);
        switch (m_classifier.classify(line)) {
        case Kind::Greeting:
            emit enterPasswordRequested();
            break;
        case Kind::LoggedIn:
            emit corvexReady();
            break;
        case Kind::LoginRefused:
            emit incorrectPassword();
            break;
        case Kind::Choices:
            emit enumsAvailable(m_classifier.items(), m_classifier.path());
            break;
        case Kind::Children:
            emit poAvailable(m_classifier.items(), m_classifier.path());
            break;
        case Kind::Value:
            records << m_classifier.record();
            emit dataAvailable(m_classifier.record());
            break;
        case Kind::Dropped:
        case Kind::ListingOpened:
        case Kind::ListingItem:
            break;
        }
    }
    m_buffer.remove(0, pos);
}
} // namespace tarn::test
