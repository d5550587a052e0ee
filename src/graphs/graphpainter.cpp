#include "graphpainter.h"

#include "geqmath.h"

#include <QJSValue>
#include <QPainter>
#include <QPen>

#include <cmath>
#include <limits>

namespace tarn::graphs {

namespace style {
QColor sumColour()
{
    return QColor(Qt::white);
}

QColor roomFill()
{
    QColor c = QColor::fromRgbF(0.69, 0.69, 0.69);
    c.setAlpha(kRoomFillAlpha);
    return c;
}

QColor roomPen()
{
    return QColor::fromRgbF(0.6, 0.6, 0.6);
}

QColor targetPen()
{
    return QColor::fromRgbF(0.85, 0.72, 0.11);
}

QColor correctedPen()
{
    return QColor::fromRgbF(0.56, 0.79, 0.23);
}

QColor missingColour()
{
    return QColor(Qt::white);
}
} // namespace style

QVector<QColor> coloursFromVariant(const QVariant &value)
{
    QVector<QColor> colours;
    QVariant v = value;
    if (v.userType() == qMetaTypeId<QJSValue>())
        v = v.value<QJSValue>().toVariant();
    const QVariantList list = v.toList();
    colours.reserve(list.size());
    for (const QVariant &item : list) {
        QColor c = item.userType() == QMetaType::QColor ? item.value<QColor>() : QColor(item.toString());
        colours.append(c.isValid() ? c : style::missingColour());
    }
    return colours;
}

QColor colourAt(const QVector<QColor> &colours, int index)
{
    if (index < 0 || index >= colours.size())
        return style::missingColour();
    return colours.at(index);
}

QPolygonF curvePoints(const CurveMap &curve, qreal base)
{
    QPolygonF points;
    points.reserve(curve.size());
    for (auto it = curve.constBegin(); it != curve.constEnd(); ++it)
        points.append(QPointF(it.key(), base - it.value()));
    return points;
}

QPolygonF curveOutline(const CurveMap &curve, qreal base, qreal edge)
{
    QPolygonF outline;
    outline.reserve(curve.size() + 2);
    outline.append(QPointF(0.0, edge));
    outline += curvePoints(curve, base);
    outline.append(QPointF(curve.isEmpty() ? 0.0 : qreal(curve.lastKey()), edge));
    return outline;
}

QPolygonF simplifyIncreasing(const QPolygonF &in, qreal tolerance)
{
    if (in.size() < 3)
        return in;
    QPolygonF out;
    out.reserve(in.size());
    int anchor = 0;
    out << in.first();
    qreal lo = -std::numeric_limits<qreal>::infinity();
    qreal hi = std::numeric_limits<qreal>::infinity();
    for (int j = 1; j < in.size(); ++j) {
        const QPointF &a = in.at(anchor);
        const QPointF &p = in.at(j);
        qreal dx = p.x() - a.x();
        if (dx <= 0.0) {
            // Not increasing here: keep both ends of this step as they are.
            if (j - 1 != anchor)
                out << in.at(j - 1);
            out << p;
            anchor = j;
            lo = -std::numeric_limits<qreal>::infinity();
            hi = std::numeric_limits<qreal>::infinity();
            continue;
        }
        const qreal slope = (p.y() - a.y()) / dx;
        if (slope < lo || slope > hi) {
            anchor = j - 1;
            out << in.at(anchor);
            dx = p.x() - in.at(anchor).x();
            if (dx <= 0.0) {
                out << p;
                anchor = j;
                lo = -std::numeric_limits<qreal>::infinity();
                hi = std::numeric_limits<qreal>::infinity();
                continue;
            }
            lo = (p.y() - tolerance - in.at(anchor).y()) / dx;
            hi = (p.y() + tolerance - in.at(anchor).y()) / dx;
        } else {
            lo = std::max(lo, (p.y() - tolerance - a.y()) / dx);
            hi = std::min(hi, (p.y() + tolerance - a.y()) / dx);
        }
    }
    if (out.last() != in.last())
        out << in.last();
    return out;
}

namespace {
QPen curvePen(const QColor &colour, qreal width)
{
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::BevelJoin);
    return pen;
}

QColor translucent(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

// Strips this wide keep each antialiased fill small: the rasteriser's cost grows much faster
// than the outline it is given.
constexpr qreal kStripWidth = 64.0;

// Fills the region between a polyline whose x never decreases and the line y = base, in
// vertical strips split at whole pixels, where neighbouring strips meet without a seam.
void fillToBase(QPainter &painter, const QPolygonF &curve, qreal base, const QColor &colour)
{
    if (curve.size() < 2)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    QPolygonF strip;
    strip.reserve(int(kStripWidth) + 8);
    qreal next = std::floor(curve.first().x()) + kStripWidth;
    strip << QPointF(curve.first().x(), base) << curve.first();
    for (int i = 1; i < curve.size(); ++i) {
        const QPointF a = curve.at(i - 1);
        const QPointF b = curve.at(i);
        while (next < b.x()) {
            const qreal t = (next - a.x()) / (b.x() - a.x());
            const QPointF split(next, a.y() + t * (b.y() - a.y()));
            strip << split << QPointF(next, base);
            painter.drawPolygon(strip);
            strip.clear();
            strip << QPointF(next, base) << split;
            next += kStripWidth;
        }
        strip << b;
    }
    strip << QPointF(curve.last().x(), base);
    painter.drawPolygon(strip);
    painter.setBrush(Qt::NoBrush);
}

// A wide antialiased polyline stroked in one piece costs milliseconds; segment by segment (the
// square caps cover the joins) it costs a fraction of that and looks the same.
void strokeLine(QPainter &painter, const QPolygonF &line, const QPen &pen)
{
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (pen.widthF() <= 1.0) {
        painter.drawPolyline(line);
        return;
    }
    QVector<QLineF> segments;
    segments.reserve(line.size());
    for (int i = 1; i < line.size(); ++i)
        segments.append(QLineF(line.at(i - 1), line.at(i)));
    painter.drawLines(segments);
}

// Stroked along the outline first, then filled with the same colour at half opacity.
void drawFilled(QPainter &painter, const CurveMap &curve, qreal base, qreal edge, const QColor &colour,
                qreal penWidth)
{
    const QPolygonF points = simplifyIncreasing(curvePoints(curve, base), kSimplifyTolerance);
    QPolygonF outline;
    outline.reserve(points.size() + 2);
    outline << QPointF(0.0, edge) << points << QPointF(curve.isEmpty() ? 0.0 : qreal(curve.lastKey()), edge);
    strokeLine(painter, outline, curvePen(colour, penWidth));
    fillToBase(painter, points, edge, translucent(colour, style::kFillAlpha));
}
} // namespace

void paintPeqCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours, qreal itemHeight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::transparent);
    const qreal base = itemHeight / 2.0;
    for (int i = 0; i < curves.size(); ++i) {
        if (i == curves.size() - 1) {
            const CurveMap &sum = curves.at(i);
            QPolygonF outline = simplifyIncreasing(curvePoints(sum, base), kSimplifyTolerance);
            outline.prepend(QPointF(0.0, base));
            outline.append(QPointF(sum.isEmpty() ? 0.0 : qreal(sum.lastKey()), base));
            strokeLine(painter, outline, curvePen(style::sumColour(), style::kSumPenWidth));
        } else {
            drawFilled(painter, curves.at(i), base, base, colourAt(colours, i), style::kBandPenWidth);
        }
    }
    painter.restore();
}

void paintRoomCurve(QPainter &painter, const QPolygonF &outline)
{
    if (outline.size() < 4)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    // The outline runs from the centre line through the points back to it: the fill is the
    // region between the points and the centre line.
    const qreal base = outline.first().y();
    fillToBase(painter, outline.mid(1, outline.size() - 3), base, style::roomFill());
    strokeLine(painter, outline, curvePen(style::roomPen(), style::kRoomPenWidth));
    painter.restore();
}

namespace {
void paintLine(QPainter &painter, const QPolygonF &line, const QColor &colour, qreal width)
{
    if (line.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    strokeLine(painter, line, curvePen(colour, width));
    painter.restore();
}
} // namespace

void paintTargetCurve(QPainter &painter, const QPolygonF &line)
{
    paintLine(painter, line, style::targetPen(), style::kTargetPenWidth);
}

void paintCorrectedCurve(QPainter &painter, const QPolygonF &line)
{
    paintLine(painter, line, style::correctedPen(), style::kCorrectedPenWidth);
}

void paintCrossoverCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours,
                          qreal itemHeight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::transparent);
    for (int i = 0; i < curves.size(); ++i) {
        const int colourIndex = (i == curves.size() - 1 && curves.size() > 1) ? 2 : i;
        drawFilled(painter, curves.at(i), itemHeight, itemHeight, colourAt(colours, colourIndex),
                   style::kBandPenWidth);
    }
    painter.restore();
}

void paintAfsCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours, qreal itemHeight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::transparent);
    for (int i = 0; i + 1 < curves.size(); ++i) {
        // Values are the bound height (half the item) plus the offset, so 0 dB lands on the top edge.
        drawFilled(painter, curves.at(i), itemHeight * 0.5, 0.0, colourAt(colours, i), style::kBandPenWidth);
    }
    painter.restore();
}

void paintGeqBars(QPainter &painter, const QVector<float> &gains, qreal itemWidth, qreal itemHeight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::transparent);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < gains.size(); ++i)
        painter.fillRect(geqBarRect(itemWidth, itemHeight, i, gains.at(i)), geqBarColour(i));
    painter.restore();
}

} // namespace tarn::graphs
