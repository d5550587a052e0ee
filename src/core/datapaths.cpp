#include "datapaths.h"

#include <QDir>
#include <QStandardPaths>

namespace tarn {
namespace {
QString &rememberedLocation()
{
    static QString location;
    return location;
}
} // namespace

QString genericDataLocation()
{
    const QString &remembered = rememberedLocation();
    if (!remembered.isEmpty())
        return remembered;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

void setGenericDataLocation(const QString &path)
{
    rememberedLocation() = path;
}

QString dataFolder()
{
    return genericDataLocation() + QStringLiteral("/norv/Tarn");
}

QString logFilePath()
{
    return dataFolder() + QStringLiteral("/ui.log");
}

QString lockFilePath()
{
    return QDir::tempPath() + QStringLiteral("/TESSIL_NORV_CADENZO_TARN_LOCK_FILE");
}
} // namespace tarn
