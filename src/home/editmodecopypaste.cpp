#include "editmodecopypaste.h"

#include "homelog.h"
#include "nodecommandchannel.h"

#include <QJsonArray>

namespace {
const QString kCopy = QStringLiteral("CopyObjectSVs");
const QString kPaste = QStringLiteral("PasteObjectSVs");
constexpr int kMaxNameLength = 64;
} // namespace

EditModeCopyPaste::EditModeCopyPaste(QObject *parent)
    : QObject(parent), m_channel(new tarn::home::NodeCommandChannel(this))
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this]() {
        m_channel->cancel();
        finish(false, tr("The processor did not answer in time."));
    });
    connect(m_channel, &tarn::home::NodeCommandChannel::finished, this,
            [this](const QString &method, bool done, const QJsonObject &answer) {
                if (method != m_pending)
                    return;
                const QString error = tarn::home::NodeCommandChannel::errorText(answer);
                finish(done && error.isEmpty(), error.isEmpty() && !done ? tr("The processor refused the command.") : error);
            });
}

bool EditModeCopyPaste::start(const QString &method, const QString &id, const QString &poName)
{
    if (busy() || poName.isEmpty() || poName.size() > kMaxNameLength)
        return false;
    if (!m_channel->send(method, QJsonArray{poName}, id)) {
        finish(false, tr("The processor is not connected."));
        return false;
    }
    m_pending = method;
    m_target = poName;
    m_timeout.start(kAnswerTimeoutMs);
    emit busyChanged(true);
    return true;
}

bool EditModeCopyPaste::copy(QString poName, QString className)
{
    if (!start(kCopy, QString::fromLatin1(kCopyId), poName))
        return false;
    m_targetClass = className;
    return true;
}

bool EditModeCopyPaste::paste(QString poName)
{
    return !m_copiedName.isEmpty() && poName != m_copiedName && start(kPaste, QString::fromLatin1(kPasteId), poName);
}

bool EditModeCopyPaste::canPasteOnto(QString poName, QString className) const
{
    return !m_copiedName.isEmpty() && poName != m_copiedName && className == m_copiedClass;
}

void EditModeCopyPaste::finish(bool done, const QString &message)
{
    const QString method = m_pending;
    const QString target = m_target;
    const bool wasBusy = busy();
    m_pending.clear();
    m_timeout.stop();
    if (m_lastError != (done ? QString() : message)) {
        m_lastError = done ? QString() : message;
        emit lastErrorChanged(m_lastError);
    }
    if (done && method == kCopy) {
        m_copiedName = target;
        m_copiedClass = m_targetClass;
        emit copiedChanged();
        emit copied(target);
    } else if (done && method == kPaste) {
        emit pasted(target);
    } else if (!done) {
        qCWarning(lcHome).noquote() << method << target << "refused:" << message;
        emit failed(message);
    }
    if (wasBusy)
        emit busyChanged(false);
}
