#include "analyserscene.h"

#include <cmath>

namespace tarn::offline {
namespace {
constexpr double kLowestBandHz = 20.0;
// The generator's level in a third-octave band, below its broadband amplitude.
constexpr double kNoiseBandOffsetDb = -5.0;
constexpr double kSineBandOffsetDb = -3.0;
constexpr double kSineSkirtDb = -24.0;   // the neighbouring bands catch the filter skirts
constexpr double kRoomFloorDb = -62.0;   // a quiet room with some low rumble
constexpr double kGeneratorMotion = 0.15;
} // namespace

AnalyserScene::Signal AnalyserScene::signalFromText(const QString &text)
{
    if (text.compare(QLatin1String("Sine"), Qt::CaseInsensitive) == 0)
        return Signal::Sine;
    if (text.compare(QLatin1String("White Noise"), Qt::CaseInsensitive) == 0)
        return Signal::WhiteNoise;
    return Signal::PinkNoise;
}

double analyserBandCentreHz(int band)
{
    return kLowestBandHz * std::pow(2.0, band / 3.0);
}

BandLevel analyserBandLevel(const AnalyserScene &scene, int band, int bands, double programmeMean)
{
    BandLevel level;
    if (!scene.listensToMicrophone()) {
        // Programme material: most energy low, falling gently towards the top.
        level.mean = programmeMean - 0.25 * band;
    } else if (!scene.generatorOn) {
        level.mean = kRoomFloorDb - 0.4 * band;
        level.motion = 0.5;
    } else {
        level.motion = kGeneratorMotion;
        switch (scene.signal) {
        case AnalyserScene::Signal::PinkNoise:
            level.mean = scene.amplitudeDb + kNoiseBandOffsetDb;
            break;
        case AnalyserScene::Signal::WhiteNoise: {
            // Equal energy per hertz: 3 dB more per octave, 1 dB per third, level at 1 kHz.
            const double thirdsFrom1k = 3.0 * std::log2(analyserBandCentreHz(band) / 1000.0);
            level.mean = scene.amplitudeDb + kNoiseBandOffsetDb + thirdsFrom1k;
            break;
        }
        case AnalyserScene::Signal::Sine: {
            int nearest = 0;
            double best = 1e9;
            for (int b = 0; b < bands; ++b) {
                const double d = std::fabs(std::log2(analyserBandCentreHz(b) / qMax(1.0, scene.sineHz)));
                if (d < best) {
                    best = d;
                    nearest = b;
                }
            }
            const int distance = std::abs(band - nearest);
            if (distance == 0)
                level.mean = scene.amplitudeDb + kSineBandOffsetDb;
            else if (distance == 1)
                level.mean = scene.amplitudeDb + kSineBandOffsetDb + kSineSkirtDb;
            else
                level.mean = kRoomFloorDb - 0.4 * band;
            break;
        }
        }
    }
    level.mean += scene.gainDb;
    if (scene.averaging.compare(QLatin1String("Fast"), Qt::CaseInsensitive) == 0)
        level.motion *= 1.4;
    else if (scene.averaging.compare(QLatin1String("Slow"), Qt::CaseInsensitive) == 0)
        level.motion *= 0.4;
    return level;
}
} // namespace tarn::offline
