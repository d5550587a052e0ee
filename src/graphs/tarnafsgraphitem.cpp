#include "tarnafsgraphitem.h"

#include "graphpainter.h"
#include "graphtimings.h"
#include "tarnafscurveplotter.h"

#include <QPainter>

using namespace tarn::graphs;

TarnAFSGraphItem::TarnAFSGraphItem(QQuickItem *parent)
    : QQuickPaintedItem(parent)
    , m_plotter(new TarnAFSCurvePlotter(this))
{
    setPerformanceHint(QQuickPaintedItem::FastFBOResizing, true);
    m_repaintTimer.setSingleShot(true);
    connect(&m_repaintTimer, &QTimer::timeout, this, &TarnAFSGraphItem::timerTick);
    connect(m_plotter, &TarnAFSCurvePlotter::curvesChanged, this, &TarnAFSGraphItem::onCurvesChanged);
    connect(this, &QQuickItem::widthChanged, this, &TarnAFSGraphItem::dimensionsChanged);
    connect(this, &QQuickItem::heightChanged, this, &TarnAFSGraphItem::dimensionsChanged);
}

TarnAFSGraphItem::~TarnAFSGraphItem() = default;

void TarnAFSGraphItem::setPoName(const QString &name)
{
    if (name == m_poName)
        return;
    m_poName = name;
    emit poNameChanged(name);
}

void TarnAFSGraphItem::setSvName(const QString &name)
{
    if (name == m_svName)
        return;
    m_svName = name;
    emit svNameChanged(name);
}

void TarnAFSGraphItem::setBandColors(const QVariant &colors)
{
    m_bandColors = colors;
    m_colours = coloursFromVariant(colors);
    update();
}

void TarnAFSGraphItem::setBandCount(int count)
{
    if (count == m_bandCount)
        return;
    m_bandCount = count;
    emit bandCountChanged(count);
}

void TarnAFSGraphItem::setCurrentBandIndex(int index)
{
    if (index == m_currentBandIndex)
        return;
    m_currentBandIndex = index;
    emit currentBandIndexChanged(index);
    m_plotter->setCurrentBand(index);
}

void TarnAFSGraphItem::componentCompleted()
{
    m_plotter->initialise(m_poName, m_bandCount);
    m_ready = true;
    applyBoundRectangle();
}

void TarnAFSGraphItem::applyBoundRectangle()
{
    m_plotter->setBoundRectangle(QRectF(0.0, 0.0, width(), height() * 0.5));
}

void TarnAFSGraphItem::dimensionsChanged()
{
    if (m_ready && width() > 0.0 && height() > 0.0)
        applyBoundRectangle();
}

void TarnAFSGraphItem::boundingRectChanged()
{
    if (m_ready && width() > 0.0 && height() > 0.0)
        applyBoundRectangle();
}

void TarnAFSGraphItem::onCurvesChanged(QList<QMap<float, float> > &m)
{
    m_curves = m;
    m_dirty = true;
    if (!m_repaintTimer.isActive())
        m_repaintTimer.start(kCurveRepaintMs);
}

void TarnAFSGraphItem::timerTick()
{
    if (m_dirty) {
        m_dirty = false;
        update();
    }
}

void TarnAFSGraphItem::paint(QPainter *painter)
{
    if (!m_ready || m_curves.isEmpty())
        return;
    paintAfsCurves(*painter, m_curves, m_colours, height());
    emit repainted();
}
