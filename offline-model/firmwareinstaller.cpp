#include "firmwareinstaller.h"

#include "devicestate.h"

#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcFirmware, "tarn.offline.firmware", QtInfoMsg)

namespace tarn::offline {
namespace {
const char kMagic[] = "TARNFW1\n";
const char kTarget[] = "updQuarTar";
} // namespace

FirmwareInstaller::FirmwareInstaller(DeviceState *state, QObject *parent) : QObject(parent), m_state(state)
{
    m_restart.setSingleShot(true);
    m_restart.setInterval(kRestartMs);
    connect(&m_restart, &QTimer::timeout, this, [this]() {
        const int idx = m_state->indexOf(QStringLiteral("Node\\AT\\Software_Version"));
        if (idx >= 0 && m_state->modelSetText(idx, m_pending))
            qCInfo(lcFirmware).noquote() << "restarted with firmware" << m_pending;
    });
}

QString FirmwareInstaller::versionOfImage(const QByteArray &head)
{
    if (!head.startsWith(kMagic))
        return QString();
    const int end = head.indexOf('\n', int(qstrlen(kMagic)));
    const QByteArray line = head.mid(int(qstrlen(kMagic)), end - int(qstrlen(kMagic)));
    static const QRegularExpression version(QStringLiteral("^version ([0-9]{1,9}(\\.[0-9]{1,9}){0,5})$"));
    const QRegularExpressionMatch match = version.match(QString::fromLatin1(line));
    return end > 0 && match.hasMatch() ? match.captured(1) : QString();
}

void FirmwareInstaller::install(const QString &target, const QByteArray &head)
{
    if (target != QLatin1String(kTarget))
        return;
    const QString version = versionOfImage(head.left(kMaxHeaderBytes));
    if (version.isEmpty()) {
        qCWarning(lcFirmware) << "the image is no firmware of this processor; it keeps its firmware";
        return;
    }
    qCInfo(lcFirmware).noquote() << "installing firmware" << version << "and restarting";
    m_pending = version;
    m_restart.start();
}
} // namespace tarn::offline
