#include "fileservice.h"

#include "ftpserver.h"
#include "modeloptions.h"

namespace tarn::offline {
// The FTP service is created here and nowhere else.
QObject *startFileService(const ModelOptions &options, const QString &root, const OfflineFtpHooks &hooks,
                          QObject *parent, quint16 *port, QString *message)
{
    auto *server = new OfflineFtpServer(root, parent);
    server->setHooks(hooks);
    if (!server->listen(options.bind, options.ftpPort)) {
        *port = 0;
        *message = server->errorString();
        delete server;
        return nullptr;
    }
    *port = server->serverPort();
    message->clear();
    return server;
}
} // namespace tarn::offline
