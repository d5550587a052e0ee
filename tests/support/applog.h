#pragma once

#include "datapaths.h"

#include <QFile>
#include <QString>

namespace tarn::test {
// What the application has written to its log file so far.
inline QString applicationLog()
{
    QFile file(tarn::logFilePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}
} // namespace tarn::test
