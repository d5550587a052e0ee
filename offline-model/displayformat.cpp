#include "displayformat.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tarn::offline {
namespace {
constexpr double kMetresPerMs = 0.343; // speed of sound at 20 °C
constexpr double kFeetPerMetre = 3.28084;

bool nearlyEqual(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

QString fixed(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(v * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0; // no "-0.0"
    return QString::number(rounded, 'f', decimals);
}

bool readNumber(const QString &text, double *out)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// Removes a known unit from the end; returns the multiplier it implies.
QString stripUnits(const DisplayFormat &format, QString text, double *multiplier)
{
    *multiplier = 1.0;
    text = text.trimmed();
    if (!format.prefix.isEmpty() && text.startsWith(format.prefix))
        text = text.mid(format.prefix.size());
    if (!format.unit.isEmpty()) {
        const QString kilo = QLatin1Char('k') + format.unit;
        if (text.endsWith(kilo, Qt::CaseInsensitive)) {
            *multiplier = 1000.0;
            return text.left(text.size() - kilo.size()).trimmed();
        }
        if (text.endsWith(format.unit, Qt::CaseInsensitive))
            return text.left(text.size() - format.unit.size()).trimmed();
    }
    static const QStringList generic = {QStringLiteral("dB/s"), QStringLiteral(" deg"), QStringLiteral("kHz"),
                                        QStringLiteral("Hz"),   QStringLiteral("dB"),   QStringLiteral("ms"),
                                        QStringLiteral(":1"),   QStringLiteral("%"),    QStringLiteral("s")};
    for (const QString &unit : generic) {
        if (text.endsWith(unit, Qt::CaseInsensitive)) {
            if (unit == QLatin1String("kHz"))
                *multiplier = 1000.0;
            return text.left(text.size() - unit.size()).trimmed();
        }
    }
    if (text.startsWith(QLatin1String("1:")))
        return text.mid(2);
    return text;
}

bool matchesLimitText(const DisplayFormat &format, const QString &text, const QString &limit)
{
    if (limit.isEmpty())
        return false;
    if (text.compare(limit, Qt::CaseInsensitive) == 0)
        return true;
    double unused = 0;
    const QString a = stripUnits(format, text, &unused);
    const QString b = stripUnits(format, limit, &unused);
    return !b.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

bool parseDelay(const QString &text, double *out)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    for (const QString &raw : parts) {
        const QString p = raw.trimmed();
        if (p.endsWith(QLatin1String("ms"), Qt::CaseInsensitive))
            return readNumber(p.left(p.size() - 2), out);
    }
    for (const QString &raw : parts) {
        const QString p = raw.trimmed();
        double v = 0;
        if (p.endsWith(QLatin1String("ft"), Qt::CaseInsensitive) && readNumber(p.left(p.size() - 2), &v)) {
            *out = v / kFeetPerMetre / kMetresPerMs;
            return true;
        }
        if (p.endsWith(QLatin1Char('m'), Qt::CaseInsensitive) && readNumber(p.left(p.size() - 1), &v)) {
            *out = v / kMetresPerMs;
            return true;
        }
    }
    return parts.size() == 1 && readNumber(text, out);
}

bool parseDuration(const QString &text, double *out)
{
    const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (tokens.isEmpty() || tokens.size() > 2)
        return false;
    double total = 0;
    for (const QString &t : tokens) {
        double v = 0;
        if (t.endsWith(QLatin1Char('m'), Qt::CaseInsensitive)) {
            if (!readNumber(t.left(t.size() - 1), &v))
                return false;
            total += v * 60.0;
        } else if (t.endsWith(QLatin1Char('s'), Qt::CaseInsensitive)) {
            if (!readNumber(t.left(t.size() - 1), &v))
                return false;
            total += v;
        } else {
            if (tokens.size() != 1 || !readNumber(t, &v))
                return false;
            total = v;
        }
    }
    *out = total;
    return true;
}
} // namespace

QString formatValue(const DisplayFormat &format, double value, double min, double max)
{
    if (!format.atMin.isEmpty() && (value <= min || nearlyEqual(value, min)))
        return format.atMin;
    if (!format.atMax.isEmpty() && (value >= max || nearlyEqual(value, max)))
        return format.atMax;
    switch (format.style) {
    case DisplayFormat::Style::Delay: {
        const double metres = value * kMetresPerMs;
        return fixed(value, 2) + QStringLiteral("ms/") + fixed(metres, 2) + QStringLiteral("m/")
            + fixed(metres * kFeetPerMetre, 2) + QStringLiteral("ft");
    }
    case DisplayFormat::Style::Duration: {
        const qint64 seconds = qint64(std::llround(value));
        if (seconds < 60)
            return QString::number(seconds) + QLatin1Char('s');
        return QStringLiteral("%1m %2s").arg(seconds / 60).arg(seconds % 60);
    }
    case DisplayFormat::Style::Number:
        break;
    }
    if (format.kiloDecimals >= 0 && std::fabs(value) >= 1000.0)
        return format.prefix + fixed(value / 1000.0, format.kiloDecimals) + QLatin1Char('k') + format.unit;
    return format.prefix + fixed(value, format.decimals) + format.unit;
}

bool parseValue(const DisplayFormat &format, const QString &input, double min, double max, double *out)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return false;
    if (matchesLimitText(format, text, format.atMin)) {
        *out = min;
        return true;
    }
    if (matchesLimitText(format, text, format.atMax)) {
        *out = max;
        return true;
    }
    if (format.style == DisplayFormat::Style::Delay)
        return parseDelay(text, out);
    if (format.style == DisplayFormat::Style::Duration)
        return parseDuration(text, out);
    double multiplier = 1.0;
    const QString number = stripUnits(format, text, &multiplier);
    double v = 0;
    if (!readNumber(number, &v))
        return false;
    *out = v * multiplier;
    return true;
}

double toPercent(double value, double min, double max, bool logScale)
{
    if (max <= min)
        return 0.0;
    double p = 0.0;
    if (logScale && min > 0.0)
        p = std::log(std::max(value, min) / min) / std::log(max / min) * 100.0;
    else
        p = (value - min) / (max - min) * 100.0;
    return std::clamp(p, 0.0, 100.0);
}

double fromPercent(double percent, double min, double max, bool logScale)
{
    const double p = std::clamp(percent, 0.0, 100.0) / 100.0;
    if (logScale && min > 0.0)
        return min * std::pow(max / min, p);
    return min + (max - min) * p;
}

QString formatPercent(double percent)
{
    double rounded = std::round(percent * 100.0) / 100.0;
    if (rounded == 0.0)
        rounded = 0.0;
    return QString::number(rounded, 'g', 6) + QLatin1Char('%');
}

bool parsePercent(const QString &input, double *out)
{
    QString text = input.trimmed();
    if (text.endsWith(QLatin1Char('%')))
        text.chop(1);
    return readNumber(text, out);
}
} // namespace tarn::offline
