#include "messagehandler.h"

#include <QDateTime>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace tarn {
namespace {
// One descriptor opened with O_APPEND; each line goes out in a single write() under a mutex, so
// lines from different threads never interleave and every line is in the file the moment the
// call returns (nothing is held in a user-space buffer that a crash could lose).
std::mutex g_logMutex;
int g_logFd = -1;

const char *levelWord(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "Debug  ";
    case QtWarningMsg: return "Warning";
    case QtCriticalMsg: return "Error  ";
    case QtInfoMsg: return "Info   ";
    default: return "Debug  ";
    }
}

QString fileNameOnly(const char *file)
{
    if (!file)
        return QString();
    const QString path = QString::fromLocal8Bit(file);
    const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash < 0 ? path : path.mid(slash + 1);
}

void writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n <= 0)
            return; // disk full or file gone: the message is dropped
        data += n;
        left -= n;
    }
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        // A fatal message ends the process; it is not written to the log.
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        std::abort();
    }
    const QByteArray line = formatLogLine(type, context, text).toLocal8Bit();
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (g_logFd >= 0)
        writeAll(g_logFd, line);
}
} // namespace

QString trimFunctionName(const char *function)
{
    if (!function)
        return QString();
    const QString signature = QString::fromLatin1(function);
    const int last = signature.lastIndexOf(QLatin1String("::"));
    return last < 0 ? signature : signature.mid(last + 2);
}

QString formatLogLine(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    return QStringLiteral("%1: %2 [%3: %4: %5] %6\n")
        .arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")),
             QLatin1String(levelWord(type)), fileNameOnly(context.file),
             trimFunctionName(context.function), QString::number(context.line), text);
}

bool installLogHandler(const QString &logFilePath)
{
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        if (g_logFd >= 0)
            ::close(g_logFd);
        g_logFd = ::open(QFile::encodeName(logFilePath).constData(),
                         O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
    qInstallMessageHandler(handler);
    return g_logFd >= 0;
}

void uninstallLogHandler()
{
    qInstallMessageHandler(nullptr);
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (g_logFd >= 0)
        ::close(g_logFd);
    g_logFd = -1;
}
} // namespace tarn
