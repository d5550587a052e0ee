#include "configdocumentfetcher.h"

#include "homelog.h"
#include "nodecommandchannel.h"

#include <QJsonArray>

namespace tarn::home {
namespace {
bool isHexDigest(const QByteArray &text)
{
    if (text.size() != 64)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// A JSON number that is a whole number in the range of a document size.
bool wholeNumber(const QJsonValue &value, qint64 *out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (d < 0 || d > 1e15 || d != double(qint64(d)))
        return false;
    *out = qint64(d);
    return true;
}
} // namespace

ConfigDocumentFetcher::ConfigDocumentFetcher(NodeCommandChannel *channel, QObject *parent)
    : QObject(parent), m_channel(channel)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this,
            [this]() { fail(tr("The processor did not send its configuration in time.")); });
    connect(m_channel, &NodeCommandChannel::finished, this, [this](const QString &method, bool done, const QJsonObject &answer) {
        if (m_running && method == QLatin1String(kMethod))
            takeAnswer(answer, done);
    });
}

void ConfigDocumentFetcher::start()
{
    m_running = true;
    m_data.clear();
    m_digest.clear();
    m_size = -1;
    m_clock.start();
    request();
}

void ConfigDocumentFetcher::cancel()
{
    if (!m_running)
        return;
    m_running = false;
    m_timeout.stop();
    m_channel->cancel();
}

void ConfigDocumentFetcher::request()
{
    if (!m_channel->send(QLatin1String(kMethod), QJsonArray{double(m_data.size())}, QLatin1String(kId))) {
        fail(tr("The processor is not connected."));
        return;
    }
    m_timeout.start(kChunkTimeoutMs);
}

void ConfigDocumentFetcher::fail(const QString &why)
{
    m_running = false;
    m_timeout.stop();
    m_channel->cancel();
    qCWarning(lcHome).noquote() << "configuration document refused:" << why;
    emit failed(why);
}

bool ConfigDocumentFetcher::takeAnswer(const QJsonObject &answer, bool done)
{
    if (!m_running)
        return false;
    m_timeout.stop();
    const QString error = NodeCommandChannel::errorText(answer);
    if (!done || !error.isEmpty()) {
        fail(tr("The processor could not send its configuration: %1").arg(error.isEmpty() ? tr("no answer") : error));
        return false;
    }
    if (answer.value(QStringLiteral("id")).toString() != QLatin1String(kId)) {
        fail(tr("The processor's answer belongs to another request."));
        return false;
    }
    const QJsonObject result = answer.value(QStringLiteral("result")).toObject();
    qint64 offset = -1;
    qint64 size = -1;
    const QByteArray digest = result.value(QStringLiteral("sha256")).toString().toLatin1().toLower();
    const QJsonValue data = result.value(QStringLiteral("data"));
    if (!wholeNumber(result.value(QStringLiteral("offset")), &offset) || !wholeNumber(result.value(QStringLiteral("size")), &size)
        || !isHexDigest(digest) || !data.isString()) {
        fail(tr("The processor's configuration answer is malformed."));
        return false;
    }
    if (size > kMaxDocumentBytes) {
        fail(tr("The processor's configuration (%1 bytes) is larger than the %2 bytes allowed.").arg(size).arg(kMaxDocumentBytes));
        return false;
    }
    if (offset != m_data.size()) {
        fail(tr("The processor sent part of its configuration from byte %1 where byte %2 was asked for.").arg(offset).arg(m_data.size()));
        return false;
    }
    if (m_size >= 0 && (size != m_size || digest != m_digest)) {
        fail(tr("The processor's configuration changed while it was being read."));
        return false;
    }
    // At most the base64 length of one chunk, decoded strictly.
    const QString encoded = data.toString();
    const auto decoded = QByteArray::fromBase64Encoding(encoded.left((kMaxChunkBytes / 3 + 1) * 4 + 4).toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        fail(tr("Part of the processor's configuration could not be decoded."));
        return false;
    }
    const QByteArray &chunk = *decoded;
    if (chunk.size() > kMaxChunkBytes || offset + chunk.size() > size || (chunk.isEmpty() && offset < size)) {
        fail(tr("Part of the processor's configuration has the wrong length."));
        return false;
    }
    m_size = size;
    m_digest = digest;
    m_data += chunk;
    if (m_data.size() < m_size) {
        request();
        return true;
    }
    if (QCryptographicHash::hash(m_data, QCryptographicHash::Sha256).toHex() != m_digest) {
        fail(tr("The processor's configuration does not match its checksum."));
        return false;
    }
    m_running = false;
    const qint64 elapsed = m_clock.elapsed();
    qCInfo(lcHome) << "configuration document of" << m_data.size() << "bytes received in" << elapsed << "ms";
    emit received(m_data, elapsed);
    return true;
}
} // namespace tarn::home
