#include "valuetext.h"

#include <cmath>

namespace tarn::valuetext {
double readNumber(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || std::isnan(value))
        return 0.0;
    return value;
}

double stripUnits(const QString &text)
{
    if (text.endsWith(QLatin1String("kHz")))
        return readNumber(text.left(text.size() - 3)) * 1000.0;
    if (text.endsWith(QLatin1String("Hz")) || text.endsWith(QLatin1String("dB")) || text.endsWith(QLatin1String(":1")))
        return readNumber(text.left(text.size() - 2));
    if (text.startsWith(QLatin1String("1:")))
        return readNumber(text.mid(2));
    return readNumber(text);
}

QString formatNumber(double value)
{
    return QString::number(value, 'g', 6);
}

bool endsWithNoCase(const QString &text, const QString &suffix)
{
    return text.endsWith(suffix, Qt::CaseInsensitive);
}

bool startsWithNoCase(const QString &text, const QString &prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}
} // namespace tarn::valuetext
