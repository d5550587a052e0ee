#include "tarngeqbands.h"

#include "geqmath.h"

#include <QDebug>

#include <algorithm>

using namespace tarn::graphs;

TarnGEQBands::TarnGEQBands(QObject *parent)
    : QObject(parent)
    , m_bandNames(geqBandNames())
    , m_factory(defaultSVBindingFactory())
{
}

TarnGEQBands::~TarnGEQBands() = default;

void TarnGEQBands::setBoundRectangle(const QRectF &r)
{
    m_boundRectangle = r;
    emit boundRectangleChanged(r);
}

void TarnGEQBands::setBindingFactory(std::shared_ptr<SVBindingFactory> factory)
{
    m_factory = std::move(factory);
}

void TarnGEQBands::initialise(const QString &poName, int count)
{
    if (m_initialised) {
        qCDebug(lcGraphs) << "graphic EQ of" << m_poName << "already bound; ignoring a second initialise";
        return;
    }
    m_initialised = true;
    m_poName = poName;
    m_bandCount = std::min(std::max(count, 0), int(m_bandNames.size()));
    if (!m_factory) {
        qCWarning(lcGraphs) << "no value controls available;" << poName << "stays unbound";
        return;
    }
    for (int i = 0; i < m_bandCount; ++i) {
        const QString &name = m_bandNames.at(i);
        QObject *c = m_factory->createNumerical(this, QStringLiteral("NSV"), poName, name);
        if (!c)
            continue;
        m_controls.add(name, c, i, QStringLiteral("Gain"));
        completeControl(c);
        connectNumerical(c, this, SLOT(onSVChanged(float)));
    }
}

void TarnGEQBands::onSVChanged(float value)
{
    const BoundControls::Entry *e = m_controls.findSender(sender());
    if (!e)
        return;
    m_gains.insert(m_bandNames.at(e->band), value);
    emit curvesChanged(m_gains);
}

QPoint TarnGEQBands::controlPoint(int index) const
{
    if (index < 0 || index >= m_bandNames.size())
        return QPoint();
    return geqControlPoint(m_boundRectangle, index, m_gains.value(m_bandNames.at(index), 0.0f));
}

void TarnGEQBands::setControlPoint(int index, int x, int y)
{
    Q_UNUSED(x)
    if (index < 0 || index >= m_bandCount)
        return;
    double gain = 0.0;
    if (!geqGainAt(m_boundRectangle, y, &gain))
        return;
    m_controls.setValueWithoutFeedback(m_bandNames.at(index), float(gain));
}

void TarnGEQBands::setBandValue(const QString &name, float dB)
{
    m_controls.setValueWithoutFeedback(name, dB);
}
