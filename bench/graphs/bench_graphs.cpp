// Full recomputes of the response graphs at full-HD width and one paint of each graph item.
// Goal: every full recompute under 1 ms and every paint under 4 ms on one core.
#include "crossovercurveplotter.h"
#include "crossovergraphitem.h"
#include "fakecontrols.h"
#include "tarnafscurveplotter.h"
#include "tarnafsgraphitem.h"
#include "tarngeqbands.h"
#include "tarngeqgraphitem.h"
#include "tarnpeqcurveplotter.h"
#include "tarnpeqgraphitem.h"

#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {
constexpr int kWidth = 1920;
constexpr int kHeight = 720;

const QVariant kColours = QVariantList{"#e6194b", "#3cb44b", "#ffe119", "#4363d8", "#f58231", "#911eb4",
                                       "#46f0f0", "#f032e6", "#bcf60c", "#fabebe", "#008080", "#e6beff"};

QString levels(double offset)
{
    QStringList list;
    for (int i = 0; i < 625; ++i)
        list << QString::number(6.0 * std::sin(i * 0.05) + offset, 'f', 2);
    return list.join(QLatin1Char(' '));
}

struct Peq {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    TarnPEQGraphItem item;
    Peq()
    {
        item.setSize(QSizeF(kWidth, kHeight));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("PEQOut1"));
        item.setBandCount(8);
        item.setBandColors(kColours);
        item.componentCompleted();
        const char *types[] = {"Low Shelf", "Bell", "Bell", "Bell", "Bell", "Bell", "Bell", "High Shelf"};
        for (int b = 1; b <= 8; ++b) {
            const QString n = QString::number(b);
            factory->num("Band_" + n + "_Frequency")->setValue(float(40.0 * std::pow(2.0, b * 1.2)));
            factory->num("Band_" + n + "_Gain")->setValue(float((b % 2 ? 1 : -1) * (3 + b)));
            factory->num("Band_" + n + "_Q")->setValue(float(0.7 + 0.4 * b));
            factory->num("Band_" + n + "_Slope")->setValue(6.0f);
            factory->txt("Band_" + n + "_Type")->setValue(QLatin1String(types[b - 1]));
        }
        item.setRoomCurveString(levels(-3.0));
        item.setTargetCurveString(levels(0.0));
        item.setShowRoomCurve(true);
        item.setFinalResultantVisible(true);
        item.plotter()->timerTick();
    }
};

struct Crossover {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    CrossoverGraphItem item;
    Crossover()
    {
        item.setSize(QSizeF(kWidth, kHeight));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("Crossover"));
        item.setBandCount(6);
        item.setWaysCount(5);
        item.setSubsCount(1);
        item.setBandColors(kColours);
        item.componentCompleted();
        const float corners[] = {20000.0f, 6000.0f, 2000.0f, 600.0f, 150.0f, 40.0f, 16.0f};
        for (int b = 0; b < 6; ++b) {
            const QString p = b < 5 ? QStringLiteral("Band_%1_").arg(b + 1) : QStringLiteral("MonoSub_");
            factory->num(p + "HPFrequency")->setValue(corners[b + 1]);
            factory->num(p + "LPFrequency")->setValue(corners[b]);
            factory->num(p + "Gain")->setValue(float(-b));
            factory->txt(p + "HPType")->setValue(b % 2 ? QStringLiteral("LR 24") : QStringLiteral("BW 18"));
            factory->txt(p + "LPType")->setValue(b % 2 ? QStringLiteral("BW 48") : QStringLiteral("LR 48"));
        }
        item.plotter()->timerTick();
    }
};

struct Afs {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    TarnAFSGraphItem item;
    Afs()
    {
        item.setSize(QSizeF(kWidth, kHeight));
        item.plotter()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("AFS"));
        item.setBandCount(12);
        item.setBandColors(kColours);
        item.componentCompleted();
        for (int b = 1; b <= 12; ++b) {
            const QString n = QString::number(b);
            factory->num("Band_" + n + "_Frequency")->setValue(float(100.0 * std::pow(1.5, b)));
            factory->num("Band_" + n + "_Gain")->setValue(float(-3.0 * b));
            factory->num("Band_" + n + "_Q")->setValue(float(4 + b));
        }
        item.plotter()->timerTick();
    }
};

struct Geq {
    std::shared_ptr<FakeFactory> factory = std::make_shared<FakeFactory>();
    TarnGEQGraphItem item;
    Geq()
    {
        item.setSize(QSizeF(kWidth, kHeight));
        item.bands()->setBindingFactory(factory);
        item.setPoName(QStringLiteral("GEQ1"));
        item.componentCompleted();
        int i = 0;
        for (const QString &name : item.bands()->bandNames())
            factory->num(name)->setValue(float(12.0 * std::sin(i++ * 0.4)));
    }
};

void paintLoop(benchmark::State &state, QQuickPaintedItem &item)
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        image.fill(Qt::transparent);
        state.ResumeTiming();
        QPainter painter(&image);
        item.paint(&painter);
    }
}

void BM_PeqFullRecompute8Bands(benchmark::State &state)
{
    Peq peq;
    for (auto _ : state)
        peq.item.plotter()->timerTick();
}

void BM_PeqOneBandChange(benchmark::State &state)
{
    Peq peq;
    FakeNumericalSV *gain = peq.factory->num(QStringLiteral("Band_4_Gain"));
    float g = 0.0f;
    for (auto _ : state) {
        g = g > 11.0f ? -11.0f : g + 0.5f;
        gain->setValue(g);
    }
}

void BM_CrossoverFullRecompute6Bands(benchmark::State &state)
{
    Crossover xo;
    for (auto _ : state)
        xo.item.plotter()->timerTick();
}

void BM_AfsFullRecompute12Filters(benchmark::State &state)
{
    Afs afs;
    for (auto _ : state)
        afs.item.plotter()->timerTick();
}

void BM_PeqPaint(benchmark::State &state)
{
    Peq peq;
    paintLoop(state, peq.item);
}

void BM_CrossoverPaint(benchmark::State &state)
{
    Crossover xo;
    paintLoop(state, xo.item);
}

void BM_AfsPaint(benchmark::State &state)
{
    Afs afs;
    paintLoop(state, afs.item);
}

void BM_GeqPaint(benchmark::State &state)
{
    Geq geq;
    paintLoop(state, geq.item);
}
} // namespace

BENCHMARK(BM_PeqFullRecompute8Bands)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeqOneBandChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CrossoverFullRecompute6Bands)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AfsFullRecompute12Filters)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeqPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CrossoverPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AfsPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GeqPaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.graphs.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
