#pragma once

// Shared by the libFuzzer harnesses. A failed property stops the run with its name, so libFuzzer
// keeps the input as a finding, just as it does for a crash.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tarn::fuzz {
inline void check(bool condition, const char *what)
{
    if (!condition) {
        fprintf(stderr, "fuzz check failed: %s\n", what);
        abort();
    }
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

// Bad input is expected here by the million; its warnings would only slow the run.
inline void silenceQt()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// A file of the source tree (the shipped template library, catalogues), read once per use.
inline QByteArray sourceFile(const char *relativePath)
{
    QFile file(QStringLiteral(TARN_SOURCE_DIR "/") + QLatin1String(relativePath));
    if (!file.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
        abort();
    }
    return file.readAll();
}
} // namespace tarn::fuzz
