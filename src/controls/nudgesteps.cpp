#include "nudgesteps.h"

#include <QStringList>

#include <initializer_list>

namespace tarn::nudge {
namespace {
struct Row {
    const char *poClass;
    std::initializer_list<const char *> svClasses;
    std::initializer_list<double> steps;
};

// One step: index -1; several: indexes 0, 1, 2, ... of the parameter's ranges.
const Row kRows[] = {
    {"Limiter", {"Threshold"}, {0.1}},
    {"Limiter", {"OverEasy"}, {1}},
    {"Limiter", {"Attack"}, {0.1, 0.2, 0.5, 1}},
    {"Limiter", {"Hold"}, {1}},
    {"Limiter", {"Release"}, {1, 2, 5}},
    {"Limiter", {"OvershootDb"}, {1}},
    {"EQ", {"Frequency"}, {0.1, 1, 10, 100}},
    {"EQ", {"Gain"}, {0.1}},
    {"EQ", {"Q"}, {0.002, 0.004, 0.008, 0.02, 0.04, 0.08, 0.2, 16, 32, 64}},
    {"EQ", {"Slope"}, {0.15, 0.2, 0.3, 0.5}},
    {"AGC", {"Target", "Max Gain", "Window", "Low Threshold", "LimThreshold", "Attack", "Release"}, {0.1}},
    {"AGC", {"LimAttack"}, {0.1, 0.2, 0.5, 1}},
    {"AGC", {"LimRelease"}, {5, 2, 1}},
    {"AFS", {"LiftTime"}, {1, 5, 60}},
    {"AFS", {"MaxFixedFilters"}, {1}},
    {"AFS", {"Sensitivity"}, {0.1}},
    {"AFS", {"HighPass"}, {30, 2, 5, 10, 20}},
    {"SubSynth", {"Subharmonics", "Synthesis Level 36-56Hz", "Synthesis Level 24-36Hz"}, {1}},
    {"Compressor", {"Threshold"}, {1}},
    {"Compressor", {"Gain"}, {0.1}},
    {"Compressor", {"Ratio"}, {0.1, 0.2, 1, 5, 160}},
    {"Compressor", {"OverEasy"}, {1}},
    {"Compressor", {"Attack"}, {0.1, 0.2, 0.5, 1}},
    {"Compressor", {"Hold"}, {1}},
    {"Compressor", {"Release"}, {1, 2, 5}},
    {"Gate", {"Threshold"}, {0.1}},
    {"Gate", {"Ratio"}, {0.1, 0.2, 1}},
    {"Gate", {"MaxAttenuation"}, {1, 80}},
    {"Gate", {"Attack"}, {0.1, 0.2, 0.5, 1}},
    {"Gate", {"Hold"}, {1}},
    {"Gate", {"Release"}, {1, 2, 5}},
    {"Delay", {"Amount"}, {0.02, 0.06, 0.25, 1}},
    {"Crossover", {"Phase"}, {5}},
    {"Crossover", {"Frequency"}, {0.1, 1, 10, 100}},
    {"Crossover", {"Gain"}, {0.1}},
    {"SignalGenerator", {"Sine Frequency"}, {1, 10, 100}},
    {"SignalGenerator", {"Signal Amplitude"}, {1}},
    {"RTA", {"Gain"}, {0.5}},
    {"Wizard", {"DialTypeSlider"}, {1}},
};
} // namespace

const QHash<QString, double> &stepTable()
{
    static const QHash<QString, double> table = [] {
        QHash<QString, double> t;
        for (const Row &row : kRows) {
            for (const char *svClass : row.svClasses) {
                const QString prefix = QLatin1String(row.poClass) + QLatin1Char(':') + QLatin1String(svClass) + QLatin1Char(':');
                if (row.steps.size() == 1) {
                    t.insert(prefix + QStringLiteral("-1"), *row.steps.begin());
                    continue;
                }
                int index = 0;
                for (double step : row.steps)
                    t.insert(prefix + QString::number(index++), step);
            }
        }
        return t;
    }();
    return table;
}

double step(const QString &key)
{
    return stepTable().value(key, 0.0);
}
} // namespace tarn::nudge
