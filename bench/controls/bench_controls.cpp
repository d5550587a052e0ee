// Cost of one incoming record with many live controls: the broadcast (every control offered every
// record through its own connection) against the keyed dispatch, for 10 to 5,000 controls.
#include "controldispatcher.h"
#include "tarnlabel.h"
#include "tarnnumericalsv.h"
#include "tarnslider.h"
#include "tarntextsv.h"
#include "tcpadaptor.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {
// A screen's worth of bindings: numbers, sliders ("%"), texts and labels over many objects.
struct Screen {
    std::vector<std::unique_ptr<TarnControl>> controls;
    std::vector<DataFromDevice> records[2]; // two values per binding, so every record changes one

    explicit Screen(int count)
    {
        controls.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<TarnControl> control;
            QString valueType;
            switch (i % 4) {
            case 0: control = std::make_unique<TarnNumericalSV>(); break;
            case 1: control = std::make_unique<TarnSlider>(); valueType = QStringLiteral("%"); break;
            case 2: control = std::make_unique<TarnTextSV>(); break;
            default: control = std::make_unique<TarnLabel>(); break;
            }
            const QString po = QStringLiteral("Mid Outputs PEQ %1").arg(i / 40);
            const QString sv = QStringLiteral("Band_%1_Gain").arg(i % 40);
            control->setPoName(po);
            control->setSvName(sv);
            for (int k = 0; k < 2; ++k) {
                DataFromDevice r;
                r.command = QStringLiteral("subr");
                r.poName = po;
                r.svName = sv;
                r.valueType = valueType;
                r.value = valueType.isEmpty() ? QStringLiteral("-%1.5dB").arg(k + 1) : QStringLiteral("%1%").arg(40 + k);
                records[k].push_back(r);
            }
            controls.push_back(std::move(control));
        }
    }
};

void BM_RecordDelivery(benchmark::State &state)
{
    const bool keyed = state.range(0) != 0;
    const int count = int(state.range(1));
    tarn::ControlDispatcher::instance()->setMode(keyed ? tarn::ControlDispatcher::Mode::Keyed
                                                       : tarn::ControlDispatcher::Mode::Broadcast);
    Screen screen(count);
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    std::size_t next = 0;
    int flip = 0;
    for (auto _ : state) {
        emit adaptor->dataAvailable(screen.records[flip][next]);
        if (++next == screen.records[0].size()) {
            next = 0;
            flip ^= 1;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(keyed ? "index" : "broadcast");
    tarn::ControlDispatcher::instance()->setMode(tarn::ControlDispatcher::Mode::Keyed);
}

// A record that no control is bound to (another screen's meter, say).
void BM_UnboundRecord(benchmark::State &state)
{
    const bool keyed = state.range(0) != 0;
    const int count = int(state.range(1));
    tarn::ControlDispatcher::instance()->setMode(keyed ? tarn::ControlDispatcher::Mode::Keyed
                                                       : tarn::ControlDispatcher::Mode::Broadcast);
    Screen screen(count);
    DataFromDevice stray;
    stray.command = QStringLiteral("asyncget");
    stray.poName = QStringLiteral("OutputMeters");
    stray.svName = QStringLiteral("Channel_1_Level");
    stray.value = QStringLiteral("-12.0dB");
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    for (auto _ : state)
        emit adaptor->dataAvailable(stray);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(keyed ? "index" : "broadcast");
    tarn::ControlDispatcher::instance()->setMode(tarn::ControlDispatcher::Mode::Keyed);
}

void controlCounts(benchmark::internal::Benchmark *b)
{
    for (int keyed : {0, 1}) {
        for (int count : {10, 100, 1000, 5000})
            b->Args({keyed, count});
    }
}
} // namespace

BENCHMARK(BM_RecordDelivery)->Apply(controlCounts)->ArgNames({"index", "controls"});
BENCHMARK(BM_UnboundRecord)->Apply(controlCounts)->ArgNames({"index", "controls"});

int main(int argc, char **argv)
{
    // The adaptor reads no settings here, but keep any settings access away from the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    // The text controls' debug lines would measure the terminal, not the delivery.
    QLoggingCategory::setFilterRules(QStringLiteral("tarn.*.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
