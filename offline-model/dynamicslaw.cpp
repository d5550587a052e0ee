#include "dynamicslaw.h"

#include <QtGlobal>

#include <cmath>

namespace tarn::offline {
namespace {
constexpr double kBrickWallRatio = 100.0;
constexpr double kKneePerStep = 2.0;

// Static compression curve with a quadratic soft knee centred on the threshold.
double compressed(double level, double threshold, double slope, double knee)
{
    const double over = level - threshold;
    if (knee > 0 && 2 * std::abs(over) <= knee) {
        const double into = over + knee / 2;
        return level + (slope - 1) * into * into / (2 * knee);
    }
    return over > 0 ? threshold + over * slope : level;
}
} // namespace

bool dynamicsLawFromName(const QString &name, DynamicsLaw *law)
{
    if (name == QLatin1String("compressor"))
        *law = DynamicsLaw::Compressor;
    else if (name == QLatin1String("limiter"))
        *law = DynamicsLaw::Limiter;
    else if (name == QLatin1String("gate"))
        *law = DynamicsLaw::Gate;
    else if (name == QLatin1String("agc"))
        *law = DynamicsLaw::Agc;
    else
        return false;
    return true;
}

QStringList dynamicsRoles(DynamicsLaw law)
{
    switch (law) {
    case DynamicsLaw::Compressor:
        return {QStringLiteral("threshold"), QStringLiteral("ratio"), QStringLiteral("knee")};
    case DynamicsLaw::Limiter:
        return {QStringLiteral("threshold"), QStringLiteral("knee")};
    case DynamicsLaw::Gate:
        return {QStringLiteral("threshold"), QStringLiteral("ratio"), QStringLiteral("range")};
    case DynamicsLaw::Agc:
        return {QStringLiteral("target"), QStringLiteral("window"), QStringLiteral("maxGain"),
                QStringLiteral("lowThreshold"), QStringLiteral("limThreshold")};
    }
    return {};
}

bool setDynamicsRole(DynamicsSettings *s, const QString &role, double value)
{
    if (role == QLatin1String("threshold"))
        s->threshold = value;
    else if (role == QLatin1String("ratio"))
        s->ratio = value;
    else if (role == QLatin1String("knee"))
        s->overEasy = value;
    else if (role == QLatin1String("range"))
        s->range = value;
    else if (role == QLatin1String("target"))
        s->target = value;
    else if (role == QLatin1String("window"))
        s->window = value;
    else if (role == QLatin1String("maxGain"))
        s->maxGain = value;
    else if (role == QLatin1String("lowThreshold"))
        s->lowThreshold = value;
    else if (role == QLatin1String("limThreshold"))
        s->limThreshold = value;
    else
        return false;
    return true;
}

double dynamicsGainChange(DynamicsLaw law, const DynamicsSettings &s, double level)
{
    const double knee = qBound(0.0, s.overEasy, 10.0) * kKneePerStep;
    switch (law) {
    case DynamicsLaw::Compressor: {
        const double slope = s.ratio >= kBrickWallRatio ? 0.0 : 1.0 / qMax(1.0, s.ratio);
        return compressed(level, s.threshold, slope, knee) - level;
    }
    case DynamicsLaw::Limiter:
        return compressed(level, s.threshold, 0.0, knee) - level;
    case DynamicsLaw::Gate: {
        if (level >= s.threshold)
            return 0.0;
        const double expanded = (level - s.threshold) * (qMax(1.0, s.ratio) - 1.0);
        return qMax(expanded, -qMax(0.0, s.range));
    }
    case DynamicsLaw::Agc: {
        double out = level;
        if (level >= s.lowThreshold) {
            const double lower = s.target - qMax(0.0, s.window) / 2;
            const double upper = s.target + qMax(0.0, s.window) / 2;
            if (level < lower)
                out = level + qMin(qMax(0.0, s.maxGain), lower - level);
            else if (level > upper)
                out = upper;
        }
        return qMin(out, s.limThreshold) - level;
    }
    }
    return 0.0;
}
} // namespace tarn::offline
