#include "crossovergraphitem.h"

#include "crossovercurveplotter.h"
#include "graphpainter.h"

#include <QPainter>

using namespace tarn::graphs;

CrossoverGraphItem::CrossoverGraphItem(QQuickItem *parent)
    : QQuickPaintedItem(parent)
    , m_plotter(new CrossoverCurvePlotter(this))
{
    setPerformanceHint(QQuickPaintedItem::FastFBOResizing, true);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CrossoverGraphItem::timerTick);
    connect(m_plotter, &CrossoverCurvePlotter::curvesChanged, this, &CrossoverGraphItem::onCurvesChanged);
    connect(this, &QQuickItem::widthChanged, this, &CrossoverGraphItem::dimensionsChanged);
    connect(this, &QQuickItem::heightChanged, this, &CrossoverGraphItem::dimensionsChanged);
}

CrossoverGraphItem::~CrossoverGraphItem() = default;

void CrossoverGraphItem::setPoName(const QString &name)
{
    if (name == m_poName)
        return;
    m_poName = name;
    emit poNameChanged(name);
}

void CrossoverGraphItem::setSvName(const QString &name)
{
    if (name == m_svName)
        return;
    m_svName = name;
    emit svNameChanged(name);
}

void CrossoverGraphItem::setWaysCount(int count)
{
    m_plotter->setWaysCount(count);
    if (count == m_waysCount)
        return;
    m_waysCount = count;
    emit waysCountChanged(count);
}

void CrossoverGraphItem::setSubsCount(int count)
{
    m_plotter->setSubsCount(count);
    if (count == m_subsCount)
        return;
    m_subsCount = count;
    emit subsCountChanged(count);
}

void CrossoverGraphItem::setBandCount(int count)
{
    m_plotter->setBandCount(count);
    if (count == m_bandCount)
        return;
    m_bandCount = count;
    emit bandCountChanged(count);
}

void CrossoverGraphItem::setBandColors(const QVariant &colors)
{
    m_bandColors = colors;
    m_colours = coloursFromVariant(colors);
    update();
}

void CrossoverGraphItem::setCurrentBandIndex(int index)
{
    if (index == m_currentBandIndex)
        return;
    m_currentBandIndex = index;
    emit currentBandIndexChanged(index);
    m_plotter->setCurrentBand(index);
}

void CrossoverGraphItem::componentCompleted()
{
    m_plotter->initialise(m_poName, m_bandCount, m_waysCount, m_subsCount);
    m_ready = true;
    applyBoundRectangle();
}

void CrossoverGraphItem::applyBoundRectangle()
{
    m_plotter->setBoundRectangle(QRectF(0.0, 0.0, width(), height() * 0.5));
}

void CrossoverGraphItem::dimensionsChanged()
{
    if (width() > 0.0 && height() > 0.0)
        applyBoundRectangle();
}

void CrossoverGraphItem::boundingRectChanged()
{
    if (width() > 0.0 && height() > 0.0)
        applyBoundRectangle();
}

void CrossoverGraphItem::onCurvesChanged(QList<QMap<float, float> > &m)
{
    m_curves = m;
    m_dirty = true;
    update();
}

void CrossoverGraphItem::timerTick()
{
    if (m_dirty)
        update();
    m_timer.stop();
}

void CrossoverGraphItem::paint(QPainter *painter)
{
    if (!m_ready || m_curves.isEmpty())
        return;
    m_dirty = false;
    paintCrossoverCurves(*painter, m_curves, m_colours, height());
    emit repainted();
}
