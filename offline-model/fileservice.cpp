#include "fileservice.h"

#include "modeloptions.h"

namespace tarn::offline {
// The FTP server class lives in ftpserver.h/.cpp; it is created here and nowhere else.
QObject *startFileService(const ModelOptions &options, const QString &root, QObject *parent, quint16 *port,
                          QString *message)
{
    Q_UNUSED(options)
    Q_UNUSED(root)
    Q_UNUSED(parent)
    *port = 0;
    *message = QStringLiteral("this build carries no FTP service");
    return nullptr;
}
} // namespace tarn::offline
