#include "dynamicstransfergraph.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <limits>

using namespace tarn::graphs;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Points of the curve across the input range: a quarter dB apart over a 100 dB span, enough
// for a smooth knee at any size the screens use.
constexpr int kCurvePoints = 401;
// Room for the tick labels and axis titles around the plot.
constexpr qreal kLeftMargin = 58;
constexpr qreal kBottomMargin = 46;
constexpr qreal kTopMargin = 10;
constexpr qreal kRightMargin = 12;
// Below this many pixels between 10 dB grid lines the grid uses 20 dB.
constexpr qreal kMinGridPixels = 30;

bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// "−20": a true minus sign, as the screens write negative values.
QString dbLabel(double v)
{
    const QString digits = QString::number(std::abs(v), 'f', 0);
    if (v < -0.5)
        return QStringLiteral("\u2212") + digits;
    if (v > 0.5)
        return QStringLiteral("+") + digits;
    return QStringLiteral("0");
}
} // namespace

DynamicsTransferGraph::DynamicsTransferGraph(QQuickItem *parent)
    : QQuickPaintedItem(parent), m_overEasy(kNaN), m_overshoot(kNaN), m_signal(kNaN)
{
    setAntialiasing(true);
    m_settings.threshold = kNaN;
    m_settings.ratio = kNaN;
    m_settings.knee = kNaN;
    m_settings.gain = kNaN;
    m_settings.range = kNaN;
    m_settings.target = kNaN;
    m_settings.window = kNaN;
    m_settings.maxGain = kNaN;
    m_settings.lowThreshold = kNaN;
    m_settings.limThreshold = kNaN;
    connect(this, &QQuickItem::widthChanged, this, [this] { update(); });
    connect(this, &QQuickItem::heightChanged, this, [this] { update(); });
}

void DynamicsTransferGraph::setLaw(const QString &law)
{
    DynamicsLaw parsed;
    if (law == m_lawName)
        return;
    if (!dynamicsLawFromName(law, &parsed)) {
        qWarning("DynamicsTransferGraph: unknown law \"%s\"", qPrintable(law));
        return;
    }
    m_lawName = law;
    m_settings.law = parsed;
    recompute();
    emit settingsChanged();
}

void DynamicsTransferGraph::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    update();
    emit settingsChanged();
}

void DynamicsTransferGraph::setOverEasy(qreal v)
{
    if (sameValue(v, m_overEasy))
        return;
    m_overEasy = v;
    // "Off" reads as 0: a hard knee.
    m_settings.knee = std::isnan(v) ? kNaN : kneeWidthForOverEasy(v);
    recompute();
    emit settingsChanged();
}

void DynamicsTransferGraph::setSetting(double *field, qreal value)
{
    if (sameValue(*field, value))
        return;
    *field = value;
    recompute();
    emit settingsChanged();
}

void DynamicsTransferGraph::setColour(QColor *field, const QColor &colour)
{
    if (*field == colour)
        return;
    *field = colour;
    update();
    emit settingsChanged();
}

void DynamicsTransferGraph::setSignalLevel(qreal v)
{
    if (sameValue(v, m_signal))
        return;
    m_signal = v;
    update();
    emit settingsChanged();
}

void DynamicsTransferGraph::setMinimumDb(qreal v)
{
    if (!std::isfinite(v) || v == m_minDb)
        return;
    m_minDb = v;
    recompute();
    emit settingsChanged();
}

void DynamicsTransferGraph::setMaximumDb(qreal v)
{
    if (!std::isfinite(v) || v == m_maxDb)
        return;
    m_maxDb = v;
    recompute();
    emit settingsChanged();
}

void DynamicsTransferGraph::setFontPixelSize(int size)
{
    if (size == m_fontPixelSize || size < 6)
        return;
    m_fontPixelSize = size;
    update();
    emit settingsChanged();
}

qreal DynamicsTransferGraph::outputAt(qreal inputDb) const
{
    return dynamicsOutput(m_settings, inputDb);
}

qreal DynamicsTransferGraph::gainChangeAt(qreal inputDb) const
{
    return dynamicsGainChange(m_settings, inputDb);
}

void DynamicsTransferGraph::recompute()
{
    const bool wasKnown = curveKnown();
    const QVector<QPointF> before = m_curve;
    m_curve = m_maxDb > m_minDb ? dynamicsCurve(m_settings, m_minDb, m_maxDb, kCurvePoints) : QVector<QPointF>();
    if (m_curve != before || wasKnown != curveKnown())
        emit curveChanged();
    update();
}

QRectF DynamicsTransferGraph::plotRect() const
{
    const QRectF all(0, 0, width(), height());
    QRectF plot = all.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
    // Square, so that the unity line runs at 45 degrees and slopes read true.
    const qreal side = qMax<qreal>(0, qMin(plot.width(), plot.height()));
    plot.setSize(QSizeF(side, side));
    plot.moveLeft(kLeftMargin + (all.width() - kLeftMargin - kRightMargin - side) / 2);
    return plot;
}

QPointF DynamicsTransferGraph::toItem(qreal inputDb, qreal outputDb) const
{
    const QRectF plot = plotRect();
    const qreal span = m_maxDb - m_minDb;
    if (span <= 0)
        return plot.bottomLeft();
    return QPointF(plot.left() + (inputDb - m_minDb) / span * plot.width(),
                   plot.bottom() - (outputDb - m_minDb) / span * plot.height());
}

QPolygonF DynamicsTransferGraph::curvePolyline() const
{
    QPolygonF line;
    line.reserve(m_curve.size());
    for (const QPointF &p : m_curve)
        line << toItem(p.x(), p.y());
    return line;
}

qreal DynamicsTransferGraph::gridStep() const
{
    const qreal span = m_maxDb - m_minDb;
    const qreal side = plotRect().width();
    if (span <= 0 || side <= 0)
        return 10;
    return side / (span / 10) >= kMinGridPixels ? 10 : 20;
}

void DynamicsTransferGraph::paintAxes(QPainter &painter, const QRectF &plot) const
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(m_fontPixelSize);
    painter.setFont(font);
    const QFontMetricsF metrics(font);

    painter.fillRect(plot, m_plotColor);
    const qreal step = gridStep();
    const double first = std::ceil(m_minDb / step) * step;
    for (double v = first; v <= m_maxDb + 1e-9; v += step) {
        const QPointF atX = toItem(v, m_minDb);
        const QPointF atY = toItem(m_minDb, v);
        const bool zero = std::abs(v) < 1e-9;
        QPen pen(zero ? m_gridColor.lighter(150) : m_gridColor, zero ? 1.5 : 1.0);
        painter.setPen(pen);
        painter.drawLine(QPointF(atX.x(), plot.top()), QPointF(atX.x(), plot.bottom()));
        painter.drawLine(QPointF(plot.left(), atY.y()), QPointF(plot.right(), atY.y()));

        painter.setPen(m_textColor);
        const QString label = dbLabel(v);
        const qreal w = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(atX.x() - w / 2, plot.bottom() + metrics.ascent() + 4), label);
        painter.drawText(QPointF(plot.left() - w - 6, atY.y() + metrics.ascent() / 2 - 1), label);
    }
    painter.setPen(QPen(m_gridColor.lighter(130), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    // Axis titles, with their unit.
    QFont titleFont = font;
    titleFont.setBold(true);
    painter.setFont(titleFont);
    const QFontMetricsF titleMetrics(titleFont);
    painter.setPen(m_textColor);
    const QString across = QStringLiteral("Input level (dB)");
    painter.drawText(QPointF(plot.center().x() - titleMetrics.horizontalAdvance(across) / 2,
                             plot.bottom() + metrics.height() + titleMetrics.ascent() + 8),
                     across);
    const QString up = QStringLiteral("Output level (dB)");
    painter.save();
    painter.translate(plot.left() - metrics.horizontalAdvance(QStringLiteral("\u221280")) - 14, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QPointF(-titleMetrics.horizontalAdvance(up) / 2, 0), up);
    painter.restore();
    painter.setFont(font);
}

void DynamicsTransferGraph::paintMarkers(QPainter &painter, const QRectF &plot) const
{
    const QFontMetricsF metrics(painter.font());
    QPen dashed(m_markerColor, 1.5, Qt::DashLine);
    const auto inside = [this](double v) { return std::isfinite(v) && v >= m_minDb && v <= m_maxDb; };
    const auto vertical = [&](double v, const QString &label) {
        if (!inside(v))
            return;
        const qreal x = toItem(v, m_minDb).x();
        painter.setPen(dashed);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(m_markerColor);
        const qreal w = metrics.horizontalAdvance(label);
        // Beside the line, on the side with room.
        const qreal tx = x + 5 + w <= plot.right() ? x + 5 : x - 5 - w;
        painter.drawText(QPointF(tx, plot.top() + metrics.ascent() + 4), label);
    };
    const auto horizontal = [&](double v, const QString &label, bool labelBelow) {
        if (!inside(v))
            return;
        const qreal y = toItem(m_minDb, v).y();
        painter.setPen(dashed);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(m_markerColor);
        const qreal ty = labelBelow ? y + metrics.ascent() + 3 : y - 4;
        painter.drawText(QPointF(plot.left() + 6, ty), label);
    };

    switch (m_settings.law) {
    case DynamicsLaw::Compressor:
    case DynamicsLaw::Gate:
        vertical(m_settings.threshold, QStringLiteral("Threshold"));
        break;
    case DynamicsLaw::Limiter:
        vertical(m_settings.threshold, QStringLiteral("Threshold"));
        if (std::isfinite(m_overshoot) && m_overshoot > 0 && std::isfinite(m_settings.threshold))
            horizontal(m_settings.threshold + m_overshoot, QStringLiteral("Overshoot"), false);
        break;
    case DynamicsLaw::Agc: {
        if (std::isfinite(m_settings.target) && std::isfinite(m_settings.window)) {
            const double half = qMax(0.0, m_settings.window) / 2;
            const double top = qMin(m_maxDb, m_settings.target + half);
            const double bottom = qMax(m_minDb, m_settings.target - half);
            if (top >= bottom) {
                QColor band = m_markerColor;
                band.setAlpha(60);
                const QRectF window(QPointF(plot.left(), toItem(m_minDb, top).y()),
                                    QPointF(plot.right(), toItem(m_minDb, bottom).y()));
                painter.fillRect(window.adjusted(0, -0.5, 0, 0.5), band);
                painter.setPen(m_markerColor);
                painter.drawText(QPointF(plot.right() - metrics.horizontalAdvance(QStringLiteral("Target")) - 6,
                                         window.top() - 4),
                                 QStringLiteral("Target"));
            }
        }
        horizontal(m_settings.limThreshold, QStringLiteral("Limit"), false);
        vertical(m_settings.lowThreshold, QStringLiteral("Low Threshold"));
        break;
    }
    }
}

void DynamicsTransferGraph::paint(QPainter *painter)
{
    const QRectF plot = plotRect();
    if (plot.width() < 4)
        return;
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    paintAxes(*painter, plot);

    painter->save();
    painter->setClipRect(plot.adjusted(-1, -1, 1, 1));
    // Unity: what the block leaves alone.
    painter->setPen(QPen(m_textColor, 1, Qt::DotLine));
    painter->drawLine(toItem(m_minDb, m_minDb), toItem(m_maxDb, m_maxDb));
    paintMarkers(*painter, plot);

    if (curveKnown()) {
        QColor colour = m_active ? m_curveColor : m_textColor;
        painter->setPen(QPen(colour, m_active ? 3.0 : 2.0, m_active ? Qt::SolidLine : Qt::DashLine,
                             Qt::RoundCap, Qt::RoundJoin));
        painter->drawPolyline(curvePolyline());

        // The working point: where the signal now sits on the curve.
        if (m_active && std::isfinite(m_signal) && m_signal >= m_minDb && m_signal <= m_maxDb) {
            const double out = outputAt(m_signal);
            if (std::isfinite(out)) {
                painter->setPen(QPen(m_plotColor, 2));
                painter->setBrush(Qt::white);
                painter->drawEllipse(toItem(m_signal, out), 6, 6);
            }
        }
    }
    painter->restore();
}
