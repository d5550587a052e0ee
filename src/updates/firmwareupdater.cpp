#include "firmwareupdater.h"

#include "updatecommon.h"

#include <QCoreApplication>

namespace {
FirmwareUpdater *s_firmwareUpdater = nullptr;

void destroyFirmwareUpdater()
{
    delete s_firmwareUpdater;
    s_firmwareUpdater = nullptr;
}
} // namespace

FirmwareUpdater *FirmwareUpdater::instance()
{
    if (!s_firmwareUpdater) {
        s_firmwareUpdater = new FirmwareUpdater;
        qAddPostRoutine(&destroyFirmwareUpdater);
    }
    return s_firmwareUpdater;
}

FirmwareUpdater::FirmwareUpdater(QObject *parent)
    : UpdaterBase({QStringLiteral("Tarn Firmware"), QString(), tarn::updates::firmwareImageFolder(), QString(),
                   "Latest Firmware version", kMaxImageBytes},
                  parent)
{
}

void FirmwareUpdater::setFirmwareVersion(const QString &version)
{
    if (m_firmwareVersion == version)
        return;
    m_firmwareVersion = version;
    emit firmwareVersionChanged();
}
