// libFuzzer harness: the names FTP clients give the offline model's file service, resolved
// against a current folder; the input is the folder and the argument, split at the first NUL.
// Properties: no name escapes the root, resolving is stable, and a relative name means the
// current folder joined to it.
#include "fuzzcheck.h"
#include "ftpserver.h"

namespace {
void checkResolved(const QString &path)
{
    check(path.startsWith(QLatin1Char('/')), "absolute");
    check(!path.contains(QChar(0)) && !path.contains(QLatin1Char('\\')), "no NUL or backslash");
    const QStringList steps = path.mid(1).split(QLatin1Char('/'));
    for (const QString &step : steps) {
        check(step != QLatin1String(".") && step != QLatin1String(".."), "no dot steps");
        check(!step.isEmpty() || path == QLatin1String("/"), "no empty steps");
    }
    const QString root = QStringLiteral("/srv/model-ftp");
    const QString local = QDir::cleanPath(root + path);
    check(local == root || local.startsWith(root + QLatin1Char('/')), "stays below the root");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = tarn::fuzz::bytes(data, size);
    const int split = input.indexOf('\0');
    bool ok = false;
    QString cwd = QStringLiteral("/");
    if (split >= 0) {
        // A current folder is always one the service resolved before.
        const QString resolvedCwd = OfflineFtpServer::resolvePath(QStringLiteral("/"), QString::fromUtf8(input.left(split)), &ok);
        if (ok)
            cwd = resolvedCwd;
    }
    const QString arg = QString::fromUtf8(split >= 0 ? input.mid(split + 1) : input);

    const QString path = OfflineFtpServer::resolvePath(cwd, arg, &ok);
    if (!ok) {
        check(path.isEmpty(), "a refused name resolves to nothing");
        return 0;
    }
    checkResolved(path);
    bool again = false;
    check(OfflineFtpServer::resolvePath(QStringLiteral("/somewhere/else"), path, &again) == path && again,
          "a resolved path resolves to itself");
    if (!arg.startsWith(QLatin1Char('/'))) {
        const QString joined = OfflineFtpServer::resolvePath(QStringLiteral("/"), cwd + QLatin1Char('/') + arg, &again);
        check(again && joined == path, "a relative name means the current folder joined to it");
    }
    return 0;
}
