#include "graphpainter.h"

#include "geqmath.h"

#include <QJSValue>
#include <QPainter>
#include <QPen>

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

QPolygonF curveOutline(const CurveMap &curve, qreal base, qreal edge)
{
    QPolygonF outline;
    outline.reserve(curve.size() + 2);
    outline.append(QPointF(0.0, edge));
    for (auto it = curve.constBegin(); it != curve.constEnd(); ++it)
        outline.append(QPointF(it.key(), base - it.value()));
    outline.append(QPointF(curve.isEmpty() ? 0.0 : qreal(curve.lastKey()), edge));
    return outline;
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

// Stroked first, then filled with the same colour at half opacity.
void drawFilled(QPainter &painter, const QPolygonF &outline, const QColor &colour, qreal penWidth)
{
    painter.setPen(curvePen(colour, penWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(outline);
    painter.setPen(Qt::NoPen);
    painter.setBrush(translucent(colour, style::kFillAlpha));
    painter.drawPolygon(outline);
    painter.setBrush(Qt::NoBrush);
}
} // namespace

void paintPeqCurves(QPainter &painter, const CurveList &curves, const QVector<QColor> &colours, qreal itemHeight)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::transparent);
    const qreal base = itemHeight / 2.0;
    for (int i = 0; i < curves.size(); ++i) {
        const QPolygonF outline = curveOutline(curves.at(i), base, base);
        if (i == curves.size() - 1) {
            painter.setPen(curvePen(style::sumColour(), style::kSumPenWidth));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(outline);
        } else {
            drawFilled(painter, outline, colourAt(colours, i), style::kBandPenWidth);
        }
    }
    painter.restore();
}

void paintRoomCurve(QPainter &painter, const QPolygonF &outline)
{
    if (outline.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(curvePen(style::roomPen(), style::kRoomPenWidth));
    painter.setBrush(style::roomFill());
    painter.drawPolygon(outline);
    painter.restore();
}

namespace {
void paintLine(QPainter &painter, const QPolygonF &line, const QColor &colour, qreal width)
{
    if (line.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(curvePen(colour, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
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
        drawFilled(painter, curveOutline(curves.at(i), itemHeight, itemHeight), colourAt(colours, colourIndex),
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
        drawFilled(painter, curveOutline(curves.at(i), itemHeight * 0.5, 0.0), colourAt(colours, i),
                   style::kBandPenWidth);
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
