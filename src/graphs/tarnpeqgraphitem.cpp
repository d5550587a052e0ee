#include "tarnpeqgraphitem.h"

#include "graphpainter.h"
#include "graphtimings.h"
#include "overlaycurves.h"
#include "svbinding.h"
#include "tarnpeqcurveplotter.h"

#include <QPainter>

using namespace tarn::graphs;

namespace {
QVector<float> readLevels(const QString &text, const char *what)
{
    QVector<float> levels;
    QString error;
    if (!parseOverlayLevels(text, &levels, &error))
        qCWarning(lcGraphs) << what << "not drawn:" << error;
    return levels;
}
} // namespace

TarnPEQGraphItem::TarnPEQGraphItem(QQuickItem *parent)
    : QQuickPaintedItem(parent)
    , m_plotter(new TarnPEQCurvePlotter(this))
{
    setPerformanceHint(QQuickPaintedItem::FastFBOResizing, true);
    m_repaintTimer.setSingleShot(true);
    connect(&m_repaintTimer, &QTimer::timeout, this, &TarnPEQGraphItem::timerTick);
    connect(m_plotter, &TarnPEQCurvePlotter::curvesChanged, this, &TarnPEQGraphItem::onCurvesChanged);
    connect(this, &QQuickItem::widthChanged, this, &TarnPEQGraphItem::dimensionsChanged);
    connect(this, &QQuickItem::heightChanged, this, &TarnPEQGraphItem::dimensionsChanged);
}

TarnPEQGraphItem::~TarnPEQGraphItem() = default;

void TarnPEQGraphItem::setPoName(const QString &name)
{
    if (name == m_poName)
        return;
    m_poName = name;
    emit poNameChanged(name);
}

void TarnPEQGraphItem::setSvName(const QString &name)
{
    if (name == m_svName)
        return;
    m_svName = name;
    emit svNameChanged(name);
}

void TarnPEQGraphItem::setBandColors(const QVariant &colors)
{
    m_bandColors = colors;
    m_colours = coloursFromVariant(colors);
    update();
}

void TarnPEQGraphItem::setBandCount(int count)
{
    if (count == m_bandCount)
        return;
    m_bandCount = count;
    emit bandCountChanged(count);
}

void TarnPEQGraphItem::setCurrentBandIndex(int index)
{
    m_currentBandIndex = index;
    emit currentBandIndexChanged(index);
    m_plotter->setCurrentBand(index);
}

void TarnPEQGraphItem::setShowRoomCurve(bool show)
{
    m_showRoomCurve = show;
    update();
}

void TarnPEQGraphItem::setRoomCurveString(const QString &text)
{
    m_roomCurveString = text;
    m_roomLevels = readLevels(text, "room curve");
    update();
}

void TarnPEQGraphItem::setTargetCurveString(const QString &text)
{
    m_targetCurveString = text;
    m_targetLevels = readLevels(text, "target curve");
    update();
}

void TarnPEQGraphItem::setFinalResultantVisible(bool visible)
{
    m_finalResultantVisible = visible;
    update();
}

void TarnPEQGraphItem::setControlPoint(int pointID, int x, int y)
{
    m_plotter->setControlPoint(pointID, x, y);
}

void TarnPEQGraphItem::componentCompleted()
{
    m_plotter->initialise(m_poName, m_bandCount);
    m_ready = true;
    applyBoundRectangle();
}

void TarnPEQGraphItem::setTouchPointsVisible(bool v)
{
    m_touchPointsVisible = v;
    update();
}

void TarnPEQGraphItem::applyBoundRectangle()
{
    m_plotter->setBoundRectangle(QRectF(0.0, 0.0, width(), height() * 0.5));
}

void TarnPEQGraphItem::dimensionsChanged()
{
    if (m_ready)
        applyBoundRectangle();
}

void TarnPEQGraphItem::boundingRectChanged()
{
    if (width() > 0.0 && height() > 0.0)
        applyBoundRectangle();
}

void TarnPEQGraphItem::onCurvesChanged(QList<QMap<float, float> > &m)
{
    m_curves = m;
    m_dirty = true;
    if (!m_repaintTimer.isActive())
        m_repaintTimer.start(kCurveRepaintMs);
}

void TarnPEQGraphItem::timerTick()
{
    if (m_dirty) {
        m_dirty = false;
        update();
    }
}

void TarnPEQGraphItem::refreshControlPoints()
{
    bool changed = m_controlPoints.size() != m_plotter->bandCount();
    while (m_controlPoints.size() > m_plotter->bandCount())
        m_controlPoints.removeLast();
    for (int i = 0; i < m_plotter->bandCount(); ++i) {
        const QVariant point = QVariant(m_plotter->controlPoint(i));
        if (i >= m_controlPoints.size()) {
            m_controlPoints.append(point);
        } else if (m_controlPoints.at(i) != point) {
            m_controlPoints[i] = point;
            changed = true;
        }
    }
    if (changed)
        emit controlPointsChanged(m_controlPoints);
}

void TarnPEQGraphItem::paint(QPainter *painter)
{
    if (!m_ready || m_curves.isEmpty())
        return;
    const QRectF bounds = m_plotter->boundRectangle();
    const qreal h = height();
    if (m_showRoomCurve && overlayDrawable(m_roomLevels))
        paintRoomCurve(*painter, roomCurveOutline(m_roomLevels, bounds, h));
    if (m_touchPointsVisible)
        refreshControlPoints();
    paintPeqCurves(*painter, m_curves, m_colours, h);
    if (overlayDrawable(m_targetLevels))
        paintTargetCurve(*painter, overlayPoints(m_targetLevels, bounds));
    if (overlayDrawable(m_roomLevels) && m_finalResultantVisible)
        paintCorrectedCurve(*painter, correctedCurveLine(m_roomLevels, bounds, m_curves.last(), h));
    emit repainted();
}
