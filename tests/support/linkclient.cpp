#include "linkclient.h"

#include <QSignalSpy>

namespace tarn::test {
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
    using Result = tarn::protocol::LineBuffer::Result;
    m_buffer.append(m_socket.readAll());
    for (Result r; (r = m_buffer.next()) != Result::None;) {
        if (r == Result::Discarded) {
            ++oversizedLines;
            continue;
        }
        const QString line = QString::fromUtf8(m_buffer.line());
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
    if (m_buffer.pending() > 0 && !m_buffer.skipping())
        ++partialReads;
}
} // namespace tarn::test
