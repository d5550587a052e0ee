#pragma once

// Shared by the libFuzzer harnesses. A failed property stops the run with its name, so libFuzzer
// keeps the input as a finding, just as it does for a crash.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// A refusal says why (`why` is its reason) and keeps what was held (`kept`).
inline void checkRefused(const char *what, const QString &why, bool kept = true)
{
    if (why.isEmpty() || !kept) {
        fprintf(stderr, "fuzz check failed: a refused %s %s\n", what, why.isEmpty() ? "says why" : "keeps what was held");
        abort();
    }
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

// Bad input is expected here by the million; its warnings would only slow the run.
inline const QtMessageHandler quietQt = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

// The application object of the harnesses that need one, made once.
inline void startQt()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
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

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
          "the file is written");
}

// A file name taken from outside is a plain entry of the folder it is put in, stored as it is.
inline void checkPlainEntry(const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name);
    check(QDir::cleanPath(path) == path && name != QLatin1String(".") && name != QLatin1String(".."),
          "a name is a plain entry");
    check(QFileInfo(path).fileName() == name && QFileInfo(path).absolutePath() == folder, "a name stays in its folder");
    check(QFile::decodeName(QFile::encodeName(name)) == name, "a name is stored as it is");
}
} // namespace tarn::fuzz

using tarn::fuzz::check;
