#include "modeloptions.h"
#include "offlinemodel.h"

#include "messagehandler.h"
#include "version.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop, so the status file gets its last write.
void quitOnSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarn-offline-model"));
    QCoreApplication::setApplicationVersion(QLatin1String(tarn::kApplicationVersion));

    tarn::offline::ModelOptions options;
    QString message;
    switch (tarn::offline::parseOptions(QCoreApplication::arguments(), &options, &message)) {
    case tarn::offline::ParseOutcome::Help:
        std::fputs(qPrintable(tarn::offline::helpText()), stdout);
        return 0;
    case tarn::offline::ParseOutcome::Version:
        std::printf("tarn-offline-model %s\n", tarn::kApplicationVersion);
        return 0;
    case tarn::offline::ParseOutcome::Error:
        std::fprintf(stderr, "tarn-offline-model: %s (see --help)\n", qPrintable(message));
        return tarn::offline::OfflineModel::BadSetup;
    case tarn::offline::ParseOutcome::Run:
        break;
    }

    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} %{if-debug}D%{endif}%{if-info}I%{endif}%{if-warning}W%{endif}"
                                      "%{if-critical}E%{endif} %{category}: %{message}"));
    if (options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("tarn.offline.lines.debug=true"));
    if (!options.logFile.isEmpty() && !tarn::installLogHandler(options.logFile)) {
        std::fprintf(stderr, "tarn-offline-model: cannot open the log file %s\n", qPrintable(options.logFile));
        return tarn::offline::OfflineModel::BadSetup;
    }

    tarn::offline::OfflineModel model(options);
    const auto code = model.start(&message);
    if (code != tarn::offline::OfflineModel::Ok) {
        qCritical().noquote() << message;
        std::fprintf(stderr, "tarn-offline-model: %s\n", qPrintable(message));
        return code;
    }
    quitOnSignals(app);
    std::printf("tarn-offline-model ready tcp=%u udp=%u bind=%s\n", unsigned(model.controlPort()), unsigned(model.controlPort()),
                qPrintable(options.bind.toString()));
    std::fflush(stdout);
    const int status = app.exec();
    model.stop();
    return status;
}
