#pragma once

#include <QString>

namespace tarn::offline {
// Gives the FTP root's "SpeakerTunings" and "AmplifierData" folders the starting set a
// processor leaves the factory with, but only when a folder does not exist yet: what a user
// or a test put there, or removed, stays as it is. Returns the number of files written.
int seedTuningFolders(const QString &ftpRoot);
} // namespace tarn::offline
