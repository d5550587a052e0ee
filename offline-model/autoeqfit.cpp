#include "autoeqfit.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace tarn::offline {
namespace {
constexpr double kLowest = 40.0;
constexpr double kHighest = 12000.0;
constexpr double kSmallest = 1.0; // dB worth correcting
constexpr int kSmoothing = 8;     // points either side: a tenth of a decade

double significant(double x, int digits)
{
    const double scale = std::pow(10.0, digits - 1 - int(std::floor(std::log10(x))));
    return std::round(x * scale) / scale;
}
} // namespace

double bellResponse(double frequency, const FitBand &band)
{
    if (band.gain == 0.0 || band.q <= 0.0)
        return 0.0;
    const double a = std::pow(10.0, band.gain / 40.0);
    const double w = frequency / band.frequency; // normalised: w0 = 1
    const double d = 1.0 - w * w;
    const double num = d * d + std::pow(a * w / band.q, 2);
    const double den = d * d + std::pow(w / (a * band.q), 2);
    return 10.0 * std::log10(num / den);
}

QVector<FitBand> fitBands(const QVector<double> &measured, const QVector<double> &target, int count, double minGain,
                          double maxGain, double (*frequency)(int))
{
    const int n = qMin(measured.size(), target.size());
    QVector<double> residual(n, 0.0);
    int first = n;
    int last = -1;
    for (int i = 0; i < n; ++i) {
        residual[i] = measured[i] - target[i];
        const double f = frequency(i);
        if (f >= kLowest && f <= kHighest) {
            first = qMin(first, i);
            last = qMax(last, i);
        }
    }
    QVector<FitBand> bands;
    // Where a band already sits: a deviation it could not take away (a boost held at its limit)
    // must not draw every later band to the same place.
    QVector<bool> taken(n, false);
    for (int k = 0; k < count && first <= last; ++k) {
        // The smoothed deviation, so a single ripple does not earn a band.
        QVector<double> smooth(n, 0.0);
        for (int i = first; i <= last; ++i) {
            double sum = 0;
            int m = 0;
            for (int j = qMax(first, i - kSmoothing); j <= qMin(last, i + kSmoothing); ++j, ++m)
                sum += residual[j];
            smooth[i] = sum / m;
        }
        int peak = -1;
        for (int i = first; i <= last; ++i) {
            if (!taken[i] && (peak < 0 || std::fabs(smooth[i]) > std::fabs(smooth[peak])))
                peak = i;
        }
        if (peak < 0 || std::fabs(smooth[peak]) < kSmallest)
            break;
        // The width where the deviation falls to half sets the Q.
        int lo = peak;
        int hi = peak;
        while (lo > first && std::fabs(smooth[lo - 1]) > std::fabs(smooth[peak]) / 2 && smooth[lo - 1] * smooth[peak] > 0)
            --lo;
        while (hi < last && std::fabs(smooth[hi + 1]) > std::fabs(smooth[peak]) / 2 && smooth[hi + 1] * smooth[peak] > 0)
            ++hi;
        const double octaves = qMax(0.1, std::log2(frequency(hi) / frequency(lo)));
        const double ratio = std::pow(2.0, octaves);
        FitBand band;
        band.frequency = significant(frequency(peak), 3);
        band.gain = std::round(qBound(minGain, -smooth[peak], maxGain) * 2.0) / 2.0;
        band.q = std::round(qBound(0.5, std::sqrt(ratio) / (ratio - 1.0), 8.0) * 10.0) / 10.0;
        if (band.gain == 0.0)
            break;
        for (int i = 0; i < n; ++i)
            residual[i] += bellResponse(frequency(i), band);
        for (int i = qMax(first, lo - kSmoothing); i <= qMin(last, hi + kSmoothing); ++i)
            taken[i] = true;
        bands.append(band);
    }
    std::sort(bands.begin(), bands.end(), [](const FitBand &a, const FitBand &b) { return a.frequency < b.frequency; });
    return bands;
}
} // namespace tarn::offline
