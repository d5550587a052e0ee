#include "crossovercurveplotter.h"

#include "graphtimings.h"

#include <QDebug>

using namespace tarn::graphs;

namespace {
const char *const kNumericParameters[] = {"HPFrequency", "Gain", "LPFrequency"};
const char *const kTextParameters[] = {"HPType", "LPType", "Polarity"};
} // namespace

CrossoverCurvePlotter::CrossoverCurvePlotter(QObject *parent)
    : QObject(parent)
    , m_factory(defaultSVBindingFactory())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CrossoverCurvePlotter::timerTick);
    connect(this, &CrossoverCurvePlotter::boundRectangleChanged, this, &CrossoverCurvePlotter::onBoundRectangleChanged);
}

CrossoverCurvePlotter::~CrossoverCurvePlotter() = default;

void CrossoverCurvePlotter::setBoundRectangle(const QRectF &r)
{
    m_boundRectangle = r;
    emit boundRectangleChanged(r);
}

void CrossoverCurvePlotter::setBindingFactory(std::shared_ptr<SVBindingFactory> factory)
{
    m_factory = std::move(factory);
}

QString CrossoverCurvePlotter::svNameFor(int band, const QString &parameter) const
{
    if (band >= m_waysCount && m_subsCount != 0)
        return QStringLiteral("MonoSub_") + parameter;
    // Bands past the ways without a sub have no name of their own; they keep the band number.
    return QStringLiteral("Band_%1_%2").arg(band + 1).arg(parameter);
}

void CrossoverCurvePlotter::initialise(const QString &poName, int bandCount, int waysCount, int subsCount)
{
    if (m_initialised) {
        qCDebug(lcGraphs) << "crossover plotter of" << m_poName << "already bound; ignoring a second initialise";
        return;
    }
    m_initialised = true;
    m_poName = poName;
    m_bandCount = std::max(0, bandCount);
    m_waysCount = waysCount;
    m_subsCount = subsCount;
    m_bands.assign(size_t(m_bandCount), CrossoverBand());
    m_curves.resize(m_bandCount);
    createBindings();
    m_timer.start(kCrossoverStartDelayMs);
}

void CrossoverCurvePlotter::createBindings()
{
    if (m_poName.isEmpty()) {
        qCWarning(lcGraphs) << "crossover without a processing object; no bindings";
        return;
    }
    if (!m_factory) {
        qCWarning(lcGraphs) << "no value controls available;" << m_poName << "stays unbound";
        return;
    }
    for (int b = 0; b < m_bandCount; ++b) {
        // Only one band can be the mono sub; later bands past the ways would bind it twice.
        if (m_controls.find(svNameFor(b, QStringLiteral("Gain")))) {
            qCWarning(lcGraphs) << "crossover band" << b + 1 << "has no state variables of its own; left unbound";
            continue;
        }
        for (const char *parameter : kNumericParameters) {
            const QString p = QLatin1String(parameter);
            const QString sv = svNameFor(b, p);
            QObject *c = m_factory->createNumerical(this, QStringLiteral("NSV"), m_poName, sv);
            if (c && connectNumerical(c, this, SLOT(onSVChanged(float)))) {
                m_controls.add(sv, c, b, p);
                completeControl(c);
            }
        }
        for (const char *parameter : kTextParameters) {
            const QString p = QLatin1String(parameter);
            const QString sv = svNameFor(b, p);
            QObject *c = m_factory->createText(this, QStringLiteral("TSV"), m_poName, sv);
            if (c && connectText(c, this, SLOT(onSVChanged(QString)))) {
                m_controls.add(sv, c, b, p);
                completeControl(c);
            }
        }
    }
}

void CrossoverCurvePlotter::onBoundRectangleChanged(QRectF r)
{
    m_boundRectangle = r;
    if (m_timer.isActive())
        return;
    for (int b = 0; b < int(m_bands.size()); ++b)
        computeBand(b);
    publish();
}

void CrossoverCurvePlotter::onSVChanged(float value)
{
    const BoundControls::Entry *e = m_controls.findSender(sender());
    if (!e || e->band >= int(m_bands.size()))
        return;
    CrossoverBand &b = m_bands[size_t(e->band)];
    if (e->parameter == QLatin1String("HPFrequency")) {
        if (value != b.hpFrequency)
            b.hpFrequency = crossoverHpFromDevice(value);
    } else if (e->parameter == QLatin1String("LPFrequency")) {
        if (value != b.lpFrequency)
            b.lpFrequency = crossoverLpFromDevice(value);
    } else if (e->parameter == QLatin1String("Gain")) {
        if (value != b.gain)
            b.gain = crossoverGainFromDevice(value);
    }
    refreshBand(e->band);
}

void CrossoverCurvePlotter::onSVChanged(QString value)
{
    const BoundControls::Entry *e = m_controls.findSender(sender());
    if (!e || e->band >= int(m_bands.size()))
        return;
    CrossoverBand &b = m_bands[size_t(e->band)];
    if (e->parameter == QLatin1String("HPType")) {
        const qint8 code = crossoverTypeFromText(value);
        if (code != b.hpType)
            b.hpType = code;
    } else if (e->parameter == QLatin1String("LPType")) {
        const qint8 code = crossoverTypeFromText(value);
        if (code != b.lpType)
            b.lpType = code;
    } else if (e->parameter == QLatin1String("Polarity")) {
        b.polarity = value;
    }
    refreshBand(e->band);
}

void CrossoverCurvePlotter::timerTick()
{
    m_timer.stop();
    for (int b = 0; b < int(m_bands.size()); ++b)
        computeBand(b);
    publish();
}

void CrossoverCurvePlotter::refreshBand(int band)
{
    if (m_timer.isActive())
        return;
    computeBand(band);
    publish();
}

void CrossoverCurvePlotter::computeBand(int band)
{
    m_width = m_boundRectangle.width();
    m_height = m_boundRectangle.height();
    computeCrossoverCurve(m_bands[size_t(band)], QRectF(0.0, 0.0, m_width, m_height), m_curves.samples(band));
}

void CrossoverCurvePlotter::publish()
{
    emit curvesChanged(m_curves.publish());
}
