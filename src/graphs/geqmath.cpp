#include "geqmath.h"

#include "eqcurvemodel.h"

#include <cmath>
#include <cstdlib>

namespace tarn::graphs {

const QStringList &geqBandNames()
{
    static const QStringList names = {
        QStringLiteral("20 Hz"),    QStringLiteral("25 Hz"),    QStringLiteral("31.5 Hz"),  QStringLiteral("40 Hz"),
        QStringLiteral("50 Hz"),    QStringLiteral("63 Hz"),    QStringLiteral("80 Hz"),    QStringLiteral("100 Hz"),
        QStringLiteral("125 Hz"),   QStringLiteral("160 Hz"),   QStringLiteral("200 Hz"),   QStringLiteral("250 Hz"),
        QStringLiteral("315 Hz"),   QStringLiteral("400 Hz"),   QStringLiteral("500 Hz"),   QStringLiteral("630 Hz"),
        QStringLiteral("800 Hz"),   QStringLiteral("1.0 kHz"),  QStringLiteral("1.25 kHz"), QStringLiteral("1.6 kHz"),
        QStringLiteral("2.0 kHz"),  QStringLiteral("2.5 kHz"),  QStringLiteral("3.15 kHz"), QStringLiteral("4.0 kHz"),
        QStringLiteral("5.0 kHz"),  QStringLiteral("6.3 kHz"),  QStringLiteral("8.0 kHz"),  QStringLiteral("10.0 kHz"),
        QStringLiteral("12.5 kHz"), QStringLiteral("16.0 kHz"), QStringLiteral("20.0 kHz"),
    };
    return names;
}

QPoint geqControlPoint(const QRectF &bounds, int index, double gain)
{
    return QPoint(truncToInt(bounds.width() * index * 0.03125), truncToInt(bounds.height() / kGeqRange * gain));
}

bool geqGainAt(const QRectF &bounds, int y, double *gain)
{
    if (!(bounds.height() > 0.0))
        return false;
    *gain = (bounds.height() - y) * kGeqRange / bounds.height();
    return true;
}

int geqBandUnder(double itemWidth, double x)
{
    if (!(itemWidth > 0.0))
        return -1;
    const double column = itemWidth / kGeqBandCount;
    return truncToInt(x / column);
}

std::vector<int> geqStrokeBands(double itemWidth, int previousX, int x)
{
    std::vector<int> bands;
    const int current = geqBandUnder(itemWidth, x);
    if (current == -1 && !(itemWidth > 0.0))
        return bands;
    if (previousX != 0) {
        const int previous = geqBandUnder(itemWidth, previousX);
        if (std::abs(current - previous) > 1) {
            const int step = current > previous ? 1 : -1;
            for (int b = previous + step; b != current; b += step)
                bands.push_back(b);
        }
    }
    bands.push_back(current);
    std::vector<int> inside;
    for (int b : bands) {
        if (b >= 0 && b < kGeqBandCount)
            inside.push_back(b);
    }
    return inside;
}

double geqDrawnGain(double itemHeight, int y)
{
    return (itemHeight * 0.5 - y) * 0.05;
}

QRectF geqBarRect(double itemWidth, double itemHeight, int index, double gain)
{
    const double w = itemWidth / kGeqBandCount;
    const int x = truncToInt(w / 6.0 + index * w);
    const int y = truncToInt(itemHeight * 0.5 + 2.0);
    const int width = truncToInt(w - w / 3.0);
    int height = truncToInt(-(itemHeight * gain * 0.5) / kGeqRange);
    if (height == 0)
        height = 2;
    return QRectF(x, y, width, height).normalized();
}

QColor geqBarColour(int index)
{
    return QColor(255, qBound(0, 25 + 7 * index, 255), 0);
}

} // namespace tarn::graphs
