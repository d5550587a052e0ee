#include "tarnpeqcurveplotter.h"

#include "graphtimings.h"

#include <QDebug>

using namespace tarn::graphs;

namespace {
const char *const kNumericParameters[] = {"Frequency", "Gain", "Q", "Slope"};

QString svNameOf(int band, const QString &parameter)
{
    return QStringLiteral("Band_%1_%2").arg(band + 1).arg(parameter);
}
} // namespace

TarnPEQCurvePlotter::TarnPEQCurvePlotter(QObject *parent)
    : QObject(parent)
    , m_model(ParametricMode)
    , m_factory(defaultSVBindingFactory())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TarnPEQCurvePlotter::timerTick);
    connect(this, &TarnPEQCurvePlotter::boundRectangleChanged, this, &TarnPEQCurvePlotter::onBoundRectangleChanged);
}

TarnPEQCurvePlotter::~TarnPEQCurvePlotter() = default;

QRectF TarnPEQCurvePlotter::boundRectangle() const
{
    return m_boundRectangle;
}

void TarnPEQCurvePlotter::setBoundRectangle(const QRectF &r)
{
    m_boundRectangle = r;
    emit boundRectangleChanged(r);
}

void TarnPEQCurvePlotter::setBindingFactory(std::shared_ptr<SVBindingFactory> factory)
{
    m_factory = std::move(factory);
}

void TarnPEQCurvePlotter::initialise(const QString &poName, int bandCount)
{
    if (m_initialised) {
        qCDebug(lcGraphs) << "plotter of" << m_poName << "already bound; ignoring a second initialise";
        return;
    }
    m_initialised = true;
    m_poName = poName;
    m_timer.start(kEqStartDelayMs);
    // The band table exists even when binding fails, so the curves stay consistent with it.
    m_model.setBandCount(bandCount, EqBand());
    createBindings();
}

void TarnPEQCurvePlotter::createBindings()
{
    if (m_poName.isEmpty()) {
        qCWarning(lcGraphs) << "PONAME EMPTY ABORTING NumSV Creation";
        return;
    }
    if (!m_factory) {
        qCWarning(lcGraphs) << "no value controls available;" << m_poName << "stays unbound";
        return;
    }
    for (int b = 0; b < m_model.bandCount(); ++b) {
        for (const char *parameter : kNumericParameters) {
            const QString p = QLatin1String(parameter);
            const QString sv = svNameOf(b, p);
            QObject *c = m_factory->createNumerical(this, QStringLiteral("AEQ NumSV"), m_poName, sv);
            if (c && connectNumerical(c, this, SLOT(onSVChanged(float))))
                m_controls.add(sv, c, b, p);
        }
        const QString sv = svNameOf(b, QStringLiteral("Type"));
        QObject *c = m_factory->createText(this, QStringLiteral("AEQ TextSV"), m_poName, sv);
        if (c && connectText(c, this, SLOT(onSVChanged(QString))))
            m_controls.add(sv, c, b, QStringLiteral("Type"));
    }
}

void TarnPEQCurvePlotter::onBoundRectangleChanged(QRectF r)
{
    m_boundRectangle = r;
    m_model.setBounds(r);
    if (m_timer.isActive() || m_model.bandCount() == 0)
        return;
    m_model.recomputeAll();
    publish();
}

void TarnPEQCurvePlotter::onSVChanged(float value)
{
    const BoundControls::Entry *e = m_controls.findSender(sender());
    if (!e || e->band >= m_model.bandCount())
        return;
    EqBand &b = m_model.band(e->band);
    float *field = nullptr;
    if (e->parameter == QLatin1String("Frequency"))
        field = &b.frequency;
    else if (e->parameter == QLatin1String("Gain"))
        field = &b.gain;
    else if (e->parameter == QLatin1String("Q"))
        field = &b.q;
    else if (e->parameter == QLatin1String("Slope"))
        field = &b.slope;
    if (!field || *field == value)
        return;
    *field = value;
    recomputeBand(e->band);
}

void TarnPEQCurvePlotter::onSVChanged(QString value)
{
    const BoundControls::Entry *e = m_controls.findSender(sender());
    if (!e || e->band >= m_model.bandCount() || e->parameter != QLatin1String("Type"))
        return;
    m_model.band(e->band).type = eqTypeFromText(value);
    recomputeBand(e->band);
}

void TarnPEQCurvePlotter::timerTick()
{
    m_timer.stop();
    m_model.setBounds(m_boundRectangle);
    m_model.recomputeAll();
    publish();
}

void TarnPEQCurvePlotter::recomputeBand(int band)
{
    if (m_timer.isActive())
        return;
    m_model.recomputeBand(band);
    publish();
}

void TarnPEQCurvePlotter::publish()
{
    emit curvesChanged(m_model.curves().publish());
}

void TarnPEQCurvePlotter::setControlPoint(int pointID, int x, int y)
{
    if (pointID < 0 || pointID >= m_model.bandCount())
        return;
    double frequency = 0.0;
    double gain = 0.0;
    if (!peqaxis::valuesAt(m_boundRectangle, x, y, &frequency, &gain))
        return;
    m_controls.setValueWithoutFeedback(svNameOf(pointID, QStringLiteral("Frequency")), float(frequency));
    m_controls.setValueWithoutFeedback(svNameOf(pointID, QStringLiteral("Gain")), float(gain));
}

QPoint TarnPEQCurvePlotter::controlPoint(int index) const
{
    if (index < 0 || index >= m_model.bandCount())
        return QPoint();
    // Without a bound control the band record stands in for it.
    float frequency = m_model.band(index).frequency;
    float gain = m_model.band(index).gain;
    m_controls.numericValue(svNameOf(index, QStringLiteral("Frequency")), &frequency);
    m_controls.numericValue(svNameOf(index, QStringLiteral("Gain")), &gain);
    return peqaxis::controlPoint(m_boundRectangle, frequency, gain);
}
