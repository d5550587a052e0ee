#pragma once

#include <QString>

namespace tarn {
// Folders and files the whole process agrees on. The generic data location is captured once
// at start-up (setGenericDataLocation) so later changes of the environment do not move it.
QString genericDataLocation();
void setGenericDataLocation(const QString &path);
QString dataFolder();   // generic data location + "/norv/Tarn"
QString logFilePath();  // data folder + "/ui.log"
QString lockFilePath(); // temporary folder + "/TESSIL_NORV_CADENZO_TARN_LOCK_FILE"
} // namespace tarn
