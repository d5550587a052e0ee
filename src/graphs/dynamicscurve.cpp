#include "dynamicscurve.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace tarn::graphs {
namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool finite(double v)
{
    return std::isfinite(v);
}

// Above the threshold the level rises by 1/ratio per dB; within the knee the slope changes
// smoothly (a quadratic) from 1 to 1/ratio, so curve and slope are continuous.
double compress(double x, double threshold, double inverseRatio, double knee)
{
    const double over = x - threshold;
    if (knee > 0 && std::abs(over) * 2 <= knee) {
        const double into = over + knee / 2;
        return x + (inverseRatio - 1) * into * into / (2 * knee);
    }
    if (over <= 0)
        return x;
    return threshold + over * inverseRatio;
}

double inverseOf(double ratio)
{
    if (ratio >= kInfiniteRatio)
        return 0.0;
    if (ratio <= 1.0)
        return 1.0;
    return 1.0 / ratio;
}

double compressorOutput(const DynamicsSettings &s, double x)
{
    if (!finite(s.threshold) || std::isnan(s.ratio) || !finite(s.knee) || !finite(s.gain))
        return kNaN;
    return compress(x, s.threshold, inverseOf(s.ratio), qMax(0.0, s.knee)) + s.gain;
}

double limiterOutput(const DynamicsSettings &s, double x)
{
    if (!finite(s.threshold) || !finite(s.knee))
        return kNaN;
    return compress(x, s.threshold, 0.0, qMax(0.0, s.knee));
}

double gateOutput(const DynamicsSettings &s, double x)
{
    if (!finite(s.threshold) || !finite(s.ratio) || !finite(s.range))
        return kNaN;
    if (x >= s.threshold)
        return x;
    const double ratio = qMax(1.0, s.ratio);
    const double expanded = s.threshold + (x - s.threshold) * ratio;
    return qMax(expanded, x - qMax(0.0, s.range));
}

double agcOutput(const DynamicsSettings &s, double x)
{
    if (!finite(s.target) || !finite(s.window) || !finite(s.maxGain) || !finite(s.lowThreshold)
        || !finite(s.limThreshold))
        return kNaN;
    double y = x;
    // Below the low threshold the signal is taken for noise and left alone.
    if (x >= s.lowThreshold) {
        const double half = qMax(0.0, s.window) / 2;
        const double lower = s.target - half;
        const double upper = s.target + half;
        if (x < lower)
            y = x + qMin(qMax(0.0, s.maxGain), lower - x);
        else if (x > upper)
            y = upper;
    }
    return qMin(y, s.limThreshold);
}
} // namespace

bool dynamicsLawFromName(const QString &name, DynamicsLaw *law)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("compressor"))
        *law = DynamicsLaw::Compressor;
    else if (n == QLatin1String("limiter"))
        *law = DynamicsLaw::Limiter;
    else if (n == QLatin1String("gate"))
        *law = DynamicsLaw::Gate;
    else if (n == QLatin1String("agc"))
        *law = DynamicsLaw::Agc;
    else
        return false;
    return true;
}

double kneeWidthForOverEasy(double overEasy)
{
    if (!finite(overEasy))
        return 0;
    return qBound(0.0, overEasy, 10.0) * kKneeDbPerOverEasyStep;
}

double dynamicsOutput(const DynamicsSettings &settings, double inputDb)
{
    if (!finite(inputDb))
        return kNaN;
    switch (settings.law) {
    case DynamicsLaw::Compressor:
        return compressorOutput(settings, inputDb);
    case DynamicsLaw::Limiter:
        return limiterOutput(settings, inputDb);
    case DynamicsLaw::Gate:
        return gateOutput(settings, inputDb);
    case DynamicsLaw::Agc:
        return agcOutput(settings, inputDb);
    }
    return kNaN;
}

double dynamicsGainChange(const DynamicsSettings &settings, double inputDb)
{
    const double out = dynamicsOutput(settings, inputDb);
    if (std::isnan(out))
        return kNaN;
    const double makeUp = settings.law == DynamicsLaw::Compressor ? settings.gain : 0.0;
    return out - inputDb - makeUp;
}

QVector<QPointF> dynamicsCurve(const DynamicsSettings &settings, double fromDb, double toDb, int points)
{
    QVector<QPointF> curve;
    if (!finite(fromDb) || !finite(toDb) || points < 2)
        return curve;
    curve.reserve(points);
    for (int i = 0; i < points; ++i) {
        const double x = fromDb + (toDb - fromDb) * i / (points - 1);
        const double y = dynamicsOutput(settings, x);
        if (std::isnan(y))
            return QVector<QPointF>();
        curve.append(QPointF(x, y));
    }
    return curve;
}

} // namespace tarn::graphs
