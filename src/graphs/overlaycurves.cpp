#include "overlaycurves.h"

#include "eqcurvemodel.h"

#include <cmath>

namespace tarn::graphs {

const std::array<float, kOverlayPoints> &overlayFrequencies()
{
    static const float firstDecade[] = {
        20.f,    20.3f,   20.6f,   20.9f,   21.2f,   21.5f,  21.8f,   22.1f,  22.4f,   22.7f,  23.f,    23.3f,
        23.6f,   23.9f,   24.3f,   24.6f,   25.f,    25.4f,  25.8f,   26.1f,  26.5f,   26.8f,  27.2f,   27.6f,
        28.f,    28.5f,   29.f,    29.5f,   30.f,    30.3f,  30.7f,   31.1f,  31.5f,   32.f,   32.5f,   33.f,
        33.5f,   34.f,    34.5f,   35.f,    35.5f,   36.f,   36.5f,   37.f,   37.5f,   38.1f,  38.7f,   39.3f,
        40.f,    40.6f,   41.2f,   41.8f,   42.5f,   43.1f,  43.7f,   44.3f,  45.f,    45.6f,  46.2f,   46.8f,
        47.5f,   48.1f,   48.7f,   49.3f,   50.f,    50.7f,  51.5f,   52.2f,  53.f,    53.7f,  54.5f,   55.2f,
        56.f,    57.f,    58.f,    59.f,    60.f,    60.7f,  61.5f,   62.2f,  63.f,    64.f,   65.f,    66.f,
        67.f,    68.f,    69.f,    70.f,    71.f,    72.f,   73.f,    74.f,   75.f,    76.2f,  77.5f,   78.7f,
        80.f,    81.2f,   82.5f,   83.7f,   85.f,    86.2f,  87.5f,   88.7f,  90.f,    91.2f,  92.5f,   93.7f,
        95.f,    96.2f,   97.5f,   98.7f,   100.f,   101.5f, 103.f,   104.5f, 106.f,   107.5f, 109.f,   110.5f,
        112.f,   113.5f,  115.f,   116.5f,  118.f,   120.f,  122.f,   123.5f, 125.f,   126.5f, 128.f,   130.f,
        132.f,   134.f,   136.f,   138.f,   140.f,   142.5f, 145.f,   147.5f, 150.f,   152.5f, 155.f,   157.5f,
        160.f,   162.5f,  165.f,   167.5f,  170.f,   172.5f, 175.f,   177.5f, 180.f,   182.5f, 185.f,   187.5f,
        190.f,   192.5f,  195.f,   197.5f,  200.f,
    };
    static_assert(sizeof firstDecade / sizeof firstDecade[0] == 161, "one decade is 160 steps");
    static const std::array<float, kOverlayPoints> table = [] {
        std::array<float, kOverlayPoints> t{};
        for (int i = 0; i < 160; ++i) {
            t[size_t(i)] = firstDecade[i];
            t[size_t(160 + i)] = firstDecade[i] * 10.0f;
        }
        for (int i = 0; i < 161; ++i)
            t[size_t(320 + i)] = firstDecade[i] * 100.0f;
        return t;
    }();
    return table;
}

bool parseOverlayLevels(const QString &text, QVector<float> *levels, QString *error)
{
    levels->clear();
    if (text.size() > kOverlayMaxChars) {
        *error = QStringLiteral("curve text too long (%1 characters)").arg(text.size());
        return false;
    }
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() > kOverlayMaxNumbers) {
        *error = QStringLiteral("curve text holds too many numbers (%1)").arg(parts.size());
        return false;
    }
    levels->reserve(parts.size());
    for (const QStringRef &part : parts) {
        bool ok = false;
        const float v = part.trimmed().toFloat(&ok);
        if (!ok || !std::isfinite(v)) {
            *error = QStringLiteral("curve text holds a non-number at position %1").arg(levels->size());
            levels->clear();
            return false;
        }
        levels->append(v);
    }
    return true;
}

QPolygonF overlayPoints(const QVector<float> &levels, const QRectF &bounds)
{
    QPolygonF points;
    if (!overlayDrawable(levels))
        return points;
    const auto &frequencies = overlayFrequencies();
    points.reserve(kOverlayPoints);
    for (int i = kOverlayFirst; i <= kOverlayLast; ++i) {
        const double x = peqaxis::xOfFrequency(bounds, frequencies[size_t(i - kOverlayFirst)]);
        const double y = peqaxis::yOfGain(bounds, -double(levels[i]));
        points.append(QPointF(x, y));
    }
    return points;
}

QPolygonF roomCurveOutline(const QVector<float> &levels, const QRectF &bounds, qreal itemHeight)
{
    QPolygonF outline;
    const QPolygonF points = overlayPoints(levels, bounds);
    if (points.isEmpty())
        return outline;
    outline.reserve(points.size() + 3);
    outline.append(QPointF(0.0, itemHeight / 2.0));
    outline += points;
    outline.append(QPointF(peqaxis::xOfFrequency(bounds, 20000.0), itemHeight / 2.0));
    outline.append(outline.first());
    return outline;
}

QPolygonF correctedCurveLine(const QVector<float> &levels, const QRectF &bounds, const CurveMap &sum,
                             qreal itemHeight)
{
    QPolygonF line = overlayPoints(levels, bounds);
    if (line.isEmpty())
        return line;
    for (QPointF &p : line) {
        const auto it = sum.upperBound(float(p.x()));
        p.ry() -= it == sum.constEnd() ? 0.0 : double(it.value());
    }
    const qreal lastX = sum.isEmpty() ? line.last().x() : qreal(sum.lastKey());
    line.append(QPointF(lastX, itemHeight / 2.0));
    return line;
}

} // namespace tarn::graphs
