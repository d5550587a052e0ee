// The configurable model's home screen, measured:
//   * cellInfo per cell of the default document, on the first read after a document arrives
//     and once answered (goal: under 20 us a cell);
//   * a link edit in configuration mode until the grid is drawn again (goal: under 50 ms);
//   * against the offline model (tarn-offline-model --model quarra), in this process: from the
//     login to the full grid drawn (goal: under 300 ms), and from Apply to the new chain's grid
//     drawn.
// Run offscreen with the software renderer:
//   QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software ./build/bench/bench_home
#include "homescreenmodel.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "viewloader.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace {
const QStringList kGrids{QStringLiteral("in"), QStringLiteral("mid"), QStringLiteral("out"), QStringLiteral("rta")};

QByteArray defaultDocument()
{
    HomeScreenModel model;
    model.enteringConfigMode();
    return QJsonDocument(model.workingConfiguration()).toJson();
}

int readEveryCell(HomeScreenModel &model)
{
    int cells = 0;
    for (const QString &grid : kGrids) {
        const QVariantMap size = model.gridSize(grid);
        for (int c = 0; c < size.value(QStringLiteral("columns")).toInt(); ++c) {
            for (int r = 0; r < size.value(QStringLiteral("rows")).toInt(); ++r) {
                benchmark::DoNotOptimize(model.cellInfo(grid, c, r));
                ++cells;
            }
        }
    }
    return cells;
}

void perCell(benchmark::State &state, int cells)
{
    state.counters["cells"] = cells;
    state.counters["per_cell"] = benchmark::Counter(double(cells), benchmark::Counter::kIsIterationInvariantRate
                                                                       | benchmark::Counter::kInvert);
}

void BM_CellInfoFirstRead(benchmark::State &state)
{
    const QByteArray document = defaultDocument();
    HomeScreenModel model;
    int cells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        model.takeDocument(document);
        state.ResumeTiming();
        cells = readEveryCell(model);
    }
    perCell(state, cells);
}

void BM_CellInfoAnswered(benchmark::State &state)
{
    HomeScreenModel model;
    model.takeDocument(defaultDocument());
    int cells = readEveryCell(model);
    for (auto _ : state)
        cells = readEveryCell(model);
    perCell(state, cells);
}

// Waits, handling events, until the test holds or the time is up.
bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QQuickItem *findItem(QQuickItem *item, const QString &name)
{
    if (!item || item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

// A link, then the unlink, of one insert block, each followed by the grid drawn again.
void BM_LinkEditToRedrawnGrid(benchmark::State &state)
{
    HomeScreenModel model;
    model.enteringConfigMode();
    const int column = model.cellInfo(QStringLiteral("in"), 3, 0).value(QStringLiteral("column")).toInt();
    model.removeBlock(column, 1); // the row below is free to link over
    QQuickView view;
    view.engine()->rootContext()->setContextProperty(QStringLiteral("benchModel"), &model);
    QQmlComponent component(view.engine());
    component.setData("import QtQuick 2.15\nimport \"qrc:/qml\"\n"
                      "Item { id: rootQML; width: 1024; height: 660; property var hsModel: benchModel\n"
                      "  property bool rootCfgMode: true; property string platform: \"Quarra\"\n"
                      "  signal guiSignal(string param, string payload)\n"
                      "  CustomQuarHomeScreen { anchors.fill: parent } }",
                      QUrl(QStringLiteral("qrc:/bench/home.qml")));
    std::unique_ptr<QObject> root(component.create());
    auto *item = qobject_cast<QQuickItem *>(root.get());
    if (!item) {
        state.SkipWithError(qPrintable(component.errorString()));
        return;
    }
    item->setParentItem(view.contentItem());
    view.resize(1024, 660);
    view.show();
    view.grabWindow();
    bool linked = false;
    for (auto _ : state) {
        if (linked)
            model.unlink(column, 0);
        else
            model.link(column, 0);
        linked = !linked;
        benchmark::DoNotOptimize(view.grabWindow());
    }
    if (!findItem(item, QStringLiteral("cell_in_3_0")))
        state.SkipWithError("no grid drawn");
}

// The application in this process, logged in to the configurable offline model.
struct Session {
    tarn::test::ModelProcess model;
    std::unique_ptr<ViewLoader> loader;
    bool ok = false;

    Session()
    {
        if (!model.start({QStringLiteral("--model"), QStringLiteral("quarra"), QStringLiteral("--recall-ms"), QStringLiteral("50"),
                          QStringLiteral("--meter-interval"), QStringLiteral("0")}))
            return;
        qputenv("TARN_DEVICE_PORT", QByteArray::number(model.port()));
        TarnSettings::write(QString::fromLatin1(tarn::keys::AppAnalytics), QStringLiteral("false"));
        QGuiApplication::setQuitOnLastWindowClosed(false);
        loader = std::make_unique<ViewLoader>();
        loader->InitLoader(QGuiApplication::platformName());
        ok = true;
    }
    QQuickItem *root() const { return loader->view()->rootObject(); }
    HomeScreenModel *home() const { return qobject_cast<HomeScreenModel *>(root()->property("hsModel").value<QObject *>()); }
    // The grid on screen has the cell named, and the screen is drawn.
    bool gridShows(const QString &cell, const std::function<bool(QQuickItem *)> &test = nullptr)
    {
        const bool shown = waitFor([&]() {
            QQuickItem *found = findItem(root(), QStringLiteral("cell_") + cell);
            return found && found->isVisible() && (!test || test(found));
        });
        loader->view()->grabWindow();
        return shown;
    }
};

std::unique_ptr<Session> g_session;

Session &session()
{
    if (!g_session)
        g_session = std::make_unique<Session>();
    return *g_session;
}

void BM_LoginToFullGrid(benchmark::State &state)
{
    Session &s = session();
    if (!s.ok) {
        state.SkipWithError("tarn-offline-model --model quarra did not start");
        return;
    }
    for (auto _ : state) {
        s.loader->onGuiSignal(QStringLiteral("DisconnectDevice"), QString());
        waitFor([&]() { return !TCPAdaptor::instance()->isConnected(); });
        if (s.home())
            s.home()->reset();
        QElapsedTimer clock;
        clock.start();
        s.loader->onGuiSignal(QStringLiteral("ConnectDevice"), QStringLiteral("127.0.0.1:stagemanagers"));
        // The last block of the grid, in the last column of the outputs.
        if (!s.gridShows(QStringLiteral("out_6_5"))) {
            state.SkipWithError("the grid did not appear");
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}

void BM_ApplyToNewChain(benchmark::State &state)
{
    Session &s = session();
    if (!s.ok || !s.home()) {
        state.SkipWithError("tarn-offline-model --model quarra did not start");
        return;
    }
    int round = 0;
    int documents = 0;
    QObject::connect(s.home(), &HomeScreenModel::documentLoaded, s.home(), [&documents]() { ++documents; });
    for (auto _ : state) {
        const QString name = QStringLiteral("Zone %1").arg(++round);
        TarnSettings::write(QString::fromLatin1(tarn::keys::IsConfigMode), QStringLiteral("true"));
        s.home()->setOutputName(5, name);
        const int before = documents;
        QElapsedTimer clock;
        clock.start();
        s.home()->applyAllChanges();
        // The processor's new document, not the edit on screen: its grid drawn anew.
        if (!waitFor([&]() { return documents > before; })
            || !s.gridShows(QStringLiteral("out_6_5"), [&](QQuickItem *cell) { return cell->property("caption").toString() == name; })) {
            state.SkipWithError("the new chain did not appear");
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}
} // namespace

BENCHMARK(BM_CellInfoFirstRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellInfoAnswered)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinkEditToRedrawnGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoginToFullGrid)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyToNewChain)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
    // The update check at start and usage hits go to a local port that refuses, never off the machine.
    qputenv("TARN_CLOUD_URL", "http://127.0.0.1:9");
    qputenv("TARN_ANALYTICS_URL", "http://127.0.0.1:9/collect");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    tarn::registerQmlTypes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_session.reset();
    return 0;
}
