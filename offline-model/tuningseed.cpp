#include "tuningseed.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

static void initTuningResources()
{
    Q_INIT_RESOURCE(tunings);
}

namespace tarn::offline {
int seedTuningFolders(const QString &ftpRoot)
{
    if (ftpRoot.isEmpty())
        return 0;
    initTuningResources();
    int written = 0;
    for (const char *name : {"SpeakerTunings", "AmplifierData"}) {
        const QString folder = QDir(ftpRoot).filePath(QLatin1String(name));
        if (QFileInfo::exists(folder))
            continue;
        QDir().mkpath(folder);
        const QDir source(QStringLiteral(":/offline-model/tunings/") + QLatin1String(name));
        const QStringList files = source.entryList(QDir::Files, QDir::Name);
        for (const QString &file : files) {
            const QString target = QDir(folder).filePath(file);
            // Copies of resources are read-only; the processor's own files are not.
            if (QFile::copy(source.filePath(file), target)) {
                QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
                ++written;
            }
        }
    }
    return written;
}
} // namespace tarn::offline
