// From a wizard state change on the processor to the new page drawn: the application logged in
// to the real offline model, its wizard screen open; a second console moves the processor's
// feedback-suppression wizard round its ring-out loop (list -> list -> message -> graph ->
// message -> message -> graph -> list), and each step is timed from the moment the event is
// sent until a frame showing the new state's page has been drawn. Goal: under 150 ms.
//
//   ./build/bench/bench_wizard      (under a private X server of its own when there is no display)
#include "linkclient.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "xvfbexec.h"
#include "viewloader.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QQuickView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;

namespace {
struct Rig {
    ModelProcess model;
    LinkClient side;
    std::unique_ptr<ViewLoader> loader;
    QElapsedTimer clock;
    // When the wizard screen took its latest state, and the first frame drawn after that.
    qint64 stateChanged = 0;
    qint64 drawn = 0;
};
Rig *g_rig = nullptr;

class StateWatch : public QObject {
    Q_OBJECT
public slots:
    void mark() { g_rig->stateChanged = g_rig->clock.nsecsElapsed(); }
};

// Runs the event loop until the condition holds (true) or the time is up (false).
bool waitFor(const std::function<bool()> &condition, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QQuickItem *wizardPage()
{
    auto *pageLoader = g_rig->loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("pageLoader"));
    auto *screen = pageLoader ? pageLoader->property("item").value<QQuickItem *>() : nullptr;
    return screen && screen->objectName() == QLatin1String("wizardScreen") ? screen->property("page").value<QQuickItem *>() : nullptr;
}

QString shownState()
{
    QQuickItem *page = wizardPage();
    return page ? page->property("wizardState").toString() : QString();
}

void sendEvent(const QString &word)
{
    g_rig->side.sendRaw(QStringLiteral("set \"\\\\Node\\Wizard\\SV\\WizardEvent\" \"%1\"\n").arg(word).toUtf8());
}

bool setUp()
{
    static Rig rig;
    g_rig = &rig;
    rig.clock.start();
    if (!rig.model.start({QStringLiteral("--meter-interval"), QStringLiteral("0")}) || !rig.side.login(rig.model.port())) {
        std::fprintf(stderr, "bench_wizard: the offline model did not start\n");
        return false;
    }
    qputenv("TARN_OFFLINE_MODEL", "/nonexistent/tarn-offline-model");
    qputenv("TARN_DEVICE_PORT", QByteArray::number(rig.model.port()));
    TarnSettings().clear();
    TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
    tarn::registerQmlTypes();
    rig.loader = std::make_unique<ViewLoader>();
    rig.loader->InitLoader(QGuiApplication::platformName());
    rig.loader->view()->resize(1024, 768);
    QObject::connect(rig.loader->view(), &QQuickWindow::frameSwapped, [] {
        if (g_rig->drawn < g_rig->stateChanged)
            g_rig->drawn = g_rig->clock.nsecsElapsed();
    });
    rig.loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:stagemanagers"));
    if (!waitFor([] { return g_rig->loader->activeScreen() == QLatin1String("TarnHomeScreen.qml"); }))
        return false;
    QTest::qWait(1500); // the home screen's second load after the preset report
    rig.loader->onGuiSignal(QStringLiteral("Wizard"), QString());
    if (!waitFor([] { return shownState() == QLatin1String("Inactive"); }))
        return false;
    // The screen's own notice of a new state: the page is replaced in the same call.
    auto *pageLoader = rig.loader->view()->rootObject()->findChild<QObject *>(QStringLiteral("pageLoader"));
    static StateWatch watch;
    QObject::connect(pageLoader->property("item").value<QObject *>(), SIGNAL(wizardStateChanged()), &watch, SLOT(mark()));
    // Into the ring-out loop of the feedback setup.
    const QStringList way = {"StartAFS", "Next", "Afs", "Next", "Next", "Speech", "Clear", "Next", "Next", "Next",
                             "Next", "Next", "Next"};
    const QStringList answers = {"", "", "AfsObject", "", "", "AfsContentMode", "AfsDefaultFilters"};
    for (int i = 0; i < way.size(); ++i) {
        const QString answer = i < answers.size() ? answers.at(i) : QString();
        const QString before = shownState();
        if (answer.isEmpty())
            sendEvent(way.at(i));
        else
            g_rig->side.sendRaw(QStringLiteral("set \"\\\\Node\\Wizard\\SV\\%1\" \"%2\"\n").arg(answer, way.at(i)).toUtf8());
        if (!waitFor([&] { return shownState() != before; }))
            return false;
    }
    return shownState() == QLatin1String("PromptAFSDone");
}

struct Move {
    const char *event;
    const char *state;
};
const Move kLoop[] = {{"Repeat", "AFSPromptRepeat"}, {"Keep", "GainDown"},        {"Next", "GainUp"},
                      {"Next", "GainStop"},          {"Next", "GainPerformance"}, {"Next", "AFSResult"},
                      {"Next", "PromptAFSDone"}};

void BM_WizardStateToPageDrawn(benchmark::State &state)
{
    // Set up on first use, so that a filter naming other benchmarks starts nothing.
    static const bool ready = setUp();
    if (!ready) {
        state.SkipWithError("could not reach the wizard's loop");
        return;
    }
    std::vector<double> times;
    size_t at = 0;
    for (auto _ : state) {
        const Move &move = kLoop[at++ % std::size(kLoop)];
        const qint64 sent = g_rig->clock.nsecsElapsed();
        sendEvent(QLatin1String(move.event));
        const bool drawn = waitFor([&] {
            return shownState() == QLatin1String(move.state) && g_rig->stateChanged > sent && g_rig->drawn > g_rig->stateChanged;
        });
        if (!drawn) {
            state.SkipWithError(qPrintable(QStringLiteral("no page for %1").arg(move.state)));
            return;
        }
        const double seconds = double(g_rig->drawn - sent) / 1e9;
        times.push_back(seconds);
        state.SetIterationTime(seconds);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        state.counters["median_ms"] = times[times.size() / 2] * 1000.0;
        state.counters["p95_ms"] = times[std::min(times.size() - 1, times.size() * 95 / 100)] * 1000.0;
        state.counters["max_ms"] = times.back() * 1000.0;
    }
}
BENCHMARK(BM_WizardStateToPageDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(70);
} // namespace

int main(int argc, char **argv)
{
    // Frames are measured on a real X server (a private Xvfb when there is no display), with
    // the renderer the application picks there.
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!display && !tarn::test::reexecUnderXvfb("TARN_BENCH_WIZARD_X", argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    tarn::test::isolateEnvironment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_rig)
        g_rig->loader.reset();
    return 0;
}
#include "bench_wizard.moc"
