#pragma once

#include "ftpserver.h"

#include <QObject>
#include <QString>

namespace tarn::offline {
struct ModelOptions;

// The offline model's FTP service ("/presets", "/SpeakerTunings", "/AmplifierData" below
// root), listening on options.ftpPort at options.bind. Returns the running service, owned by
// parent, and the port it took; nullptr with a message when this build has none or it
// cannot start. The model runs without it either way. hooks: what the model does around
// the service's file operations.
QObject *startFileService(const ModelOptions &options, const QString &root, const OfflineFtpHooks &hooks,
                          QObject *parent, quint16 *port, QString *message);
} // namespace tarn::offline
