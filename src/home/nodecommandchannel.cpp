#include "nodecommandchannel.h"

#include "homelog.h"
#include "lineformat.h"
#include "nodevaluewatch.h"
#include "tcpadaptor.h"

#include <QJsonDocument>

namespace tarn::home {

NodeValueWatch::NodeValueWatch(const QString &svName, QObject *parent) : TarnControl(parent)
{
    setPoName(QStringLiteral("NPO"));
    setSvName(svName);
}

void NodeValueWatch::handleDataAvailable(DataFromDevice data)
{
    if (data.command != QLatin1String("unsubr"))
        emit received(data.value);
}

namespace {
const QString kStatusSv = QStringLiteral("Node\\Config\\SV\\Command:Status");
const QString kResultSv = QStringLiteral("Node\\Config\\SV\\Result");

// One JSON value as compact text.
QString compact(const QJsonValue &value)
{
    const QString wrapped = QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact));
    return wrapped.mid(1, wrapped.size() - 2);
}
} // namespace

NodeCommandChannel::NodeCommandChannel(QObject *parent)
    : QObject(parent), m_statusWatch(new NodeValueWatch(kStatusSv, this)),
      m_resultWatch(new NodeValueWatch(kResultSv, this))
{
    connect(m_statusWatch, &NodeValueWatch::received, this, &NodeCommandChannel::onStatus);
    connect(m_resultWatch, &NodeValueWatch::received, this, [this](const QString &value) {
        m_result = value.size() > kMaxResultLength ? QString() : value;
        if (value.size() > kMaxResultLength)
            qCWarning(lcHome) << "node command result of" << value.size() << "characters not read";
    });
    // Controls made in C++ subscribe when asked; after a login they follow by themselves.
    m_statusWatch->componentCompleted();
    m_resultWatch->componentCompleted();
}

NodeCommandChannel::~NodeCommandChannel() = default;

bool NodeCommandChannel::isLoggedIn() const
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    return adaptor && adaptor->isReady();
}

bool NodeCommandChannel::send(const QString &method, const QJsonArray &params, const QString &id)
{
    // Members in the order the processor documents them: method, params, id.
    const QString json = QStringLiteral("{\"method\": %1, \"params\": %2, \"id\": %3}")
                             .arg(compact(method), compact(params), compact(id));
    const QByteArray line = tarn::protocol::formatNodeCommand(json);
    if (line.isEmpty() || !isLoggedIn())
        return false;
    m_method = method;
    m_started = false;
    emit TCPAdaptor::instance()->sendMessage(line);
    return true;
}

bool NodeCommandChannel::sendRaw(const QByteArray &line, const QString &method)
{
    if (!isLoggedIn())
        return false;
    m_method = method;
    m_started = false;
    emit TCPAdaptor::instance()->sendMessage(line);
    return true;
}

void NodeCommandChannel::cancel()
{
    m_method.clear();
    m_started = false;
}

void NodeCommandChannel::onStatus(const QString &status)
{
    m_status = status;
    emit statusChanged(status);
    if (m_method.isEmpty())
        return;
    const QString prefix = m_method + QLatin1Char(':');
    if (!status.startsWith(prefix))
        return;
    const QString word = status.mid(prefix.size());
    if (word == QLatin1String("InProgress")) {
        m_started = true;
        return;
    }
    if (!m_started || (word != QLatin1String("Done") && word != QLatin1String("Failed")))
        return;
    const QString method = m_method;
    m_method.clear();
    m_started = false;
    emit finished(method, word == QLatin1String("Done"), parseResult(m_result));
}

QJsonObject NodeCommandChannel::parseResult(const QString &text)
{
    QString json = text;
    json.replace(QLatin1Char('`'), QLatin1Char('"'));
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    return document.isObject() ? document.object() : QJsonObject();
}

QString NodeCommandChannel::errorText(const QJsonObject &answer)
{
    const QJsonValue error = answer.value(QStringLiteral("error"));
    if (!error.isObject())
        return QString();
    const QJsonObject e = error.toObject();
    const QString message = e.value(QStringLiteral("message")).toString().left(512);
    return message.isEmpty() ? QStringLiteral("error %1").arg(e.value(QStringLiteral("code")).toInt()) : message;
}
} // namespace tarn::home
