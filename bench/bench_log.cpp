// Lines per second through the installed log handler, from one and from two threads.
#include "messagehandler.h"

#include <QDebug>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_LogHandler(benchmark::State &state)
{
    if (state.thread_index() == 0)
        tarn::installLogHandler(folder().path() + QStringLiteral("/bench.log"));
    const QString text = QStringLiteral("subr \"\\\\Preset\\OutputMeters\\SV\\Channel_1_Level\\%\" \"42\"");
    for (auto _ : state)
        qDebug() << "TcpClientThread::onReadyRead" << text;
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0)
        tarn::uninstallLogHandler();
}
} // namespace

BENCHMARK(BM_LogHandler)->Threads(1)->UseRealTime();
BENCHMARK(BM_LogHandler)->Threads(2)->UseRealTime();
BENCHMARK_MAIN();
