#include "tarngeqgraphitem.h"

#include "geqmath.h"
#include "graphpainter.h"
#include "graphtimings.h"
#include "tarngeqbands.h"

#include <QPainter>

using namespace tarn::graphs;

TarnGEQGraphItem::TarnGEQGraphItem(QQuickItem *parent)
    : QQuickPaintedItem(parent)
    , m_bands(new TarnGEQBands(this))
{
    setPerformanceHint(QQuickPaintedItem::FastFBOResizing, true);
    setRenderTarget(QQuickPaintedItem::FramebufferObject);
    m_repaintTimer.setSingleShot(true);
    connect(&m_repaintTimer, &QTimer::timeout, this, &TarnGEQGraphItem::timerTick);
    connect(m_bands, &TarnGEQBands::curvesChanged, this, &TarnGEQGraphItem::onCurvesChanged);
    connect(this, &QQuickItem::widthChanged, this, &TarnGEQGraphItem::dimensionsChanged);
    connect(this, &QQuickItem::heightChanged, this, &TarnGEQGraphItem::dimensionsChanged);
}

TarnGEQGraphItem::~TarnGEQGraphItem() = default;

void TarnGEQGraphItem::setPoName(const QString &name)
{
    if (name == m_poName)
        return;
    m_poName = name;
    emit poNameChanged(name);
}

void TarnGEQGraphItem::setSvName(const QString &name)
{
    if (name == m_svName)
        return;
    m_svName = name;
    emit svNameChanged(name);
}

void TarnGEQGraphItem::setBandColors(const QVariant &colors)
{
    m_bandColors = colors;
}

void TarnGEQGraphItem::setCurrentBandIndex(int index)
{
    if (index == m_currentBandIndex)
        return;
    m_currentBandIndex = index;
    emit currentBandIndexChanged(index);
}

void TarnGEQGraphItem::setControlPoint(int pointID, int x, int y)
{
    m_bands->setControlPoint(pointID, x, y);
}

void TarnGEQGraphItem::reDrawBands(int previousX, int x, int y)
{
    // Bands are counted from 1 here; the column under x is band column + 1.
    for (int band : geqStrokeBands(width(), previousX, x))
        setDrawnBand(band + 1, y);
}

void TarnGEQGraphItem::setDrawnBand(int n, int y)
{
    if (n < 1 || n > kGeqBandCount)
        return;
    m_drawn = true;
    m_lastDrawnBand = n - 1;
    const float gain = float(geqDrawnGain(height(), y));
    const QString &name = geqBandNames().at(n - 1);
    m_gains.insert(name, gain);
    m_bands->setBandValue(name, gain);
    update();
}

void TarnGEQGraphItem::componentCompleted()
{
    m_bands->initialise(m_poName, kGeqBandCount);
    m_ready = true;
    applyBoundRectangle();
}

void TarnGEQGraphItem::applyBoundRectangle()
{
    m_bands->setBoundRectangle(QRectF(0.0, 0.0, width(), height() * 0.5));
}

void TarnGEQGraphItem::dimensionsChanged()
{
    if (m_ready)
        applyBoundRectangle();
}

void TarnGEQGraphItem::boundingRectChanged()
{
    if (m_ready)
        applyBoundRectangle();
}

void TarnGEQGraphItem::onCurvesChanged(QMap<QString, float> &m)
{
    m_gains = m;
    m_dirty = true;
    m_repaintTimer.start(kGeqRepaintMs);
}

void TarnGEQGraphItem::timerTick()
{
    if (m_dirty) {
        m_dirty = false;
        update();
    }
}

void TarnGEQGraphItem::refreshControlPoints()
{
    bool changed = m_controlPoints.size() != kGeqBandCount;
    while (m_controlPoints.size() > kGeqBandCount)
        m_controlPoints.removeLast();
    for (int i = 0; i < kGeqBandCount; ++i) {
        const QVariant point = QVariant(m_bands->controlPoint(i));
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

void TarnGEQGraphItem::paint(QPainter *painter)
{
    if (!m_ready || m_gains.isEmpty())
        return;
    QVector<float> levels(kGeqBandCount, 0.0f);
    const QStringList &names = geqBandNames();
    for (int i = 0; i < kGeqBandCount; ++i)
        levels[i] = m_gains.value(names.at(i), 0.0f);
    paintGeqBars(*painter, levels, width(), height());
    refreshControlPoints();
    emit repainted();
}
