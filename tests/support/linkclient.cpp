#include "linkclient.h"

#include <QSignalSpy>
#include <QTest>

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

QString LinkClient::ask(const QString &line, QStringList answers)
{
    if (answers.isEmpty()) {
        QString word = line.section(QLatin1Char(' '), 0, 0);
        if (word == QLatin1String("set") || word == QLatin1String("sub") || word == QLatin1String("unsub"))
            word += QLatin1Char('r');
        answers = QStringList{word + QLatin1Char(' '), QStringLiteral("error ")};
    }
    const int before = lines.size();
    sendRaw(line.toUtf8() + '\n');
    QString found;
    (void)QTest::qWaitFor([&] {
        for (int i = before; i < lines.size() && found.isNull(); ++i) {
            for (const QString &a : qAsConst(answers)) {
                if (found.isNull() && lines.at(i).startsWith(a))
                    found = lines.at(i);
            }
        }
        return !found.isNull();
    }, 10000);
    return found.isNull() ? QStringLiteral("(no answer)") : found;
}

QString LinkClient::ask(const DataFromDevice &request)
{
    QByteArray line = tarn::protocol::formatRequest(request);
    line.chop(line.endsWith('\n') ? 1 : 0);
    return ask(QString::fromUtf8(line));
}

QString LinkClient::get(const QString &po, const QString &sv, const QString &valueType)
{
    const QString answer = ask(request(QStringLiteral("get"), po, sv, QString(), valueType));
    return answer.startsWith(QLatin1String("get ")) ? value(po, sv, valueType) : answer;
}

QString LinkClient::set(const QString &po, const QString &sv, const QString &value, const QString &valueType)
{
    const QString answer = ask(request(QStringLiteral("set"), po, sv, value, valueType));
    return answer.startsWith(QLatin1String("setr ")) ? this->value(po, sv, valueType) : answer;
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
