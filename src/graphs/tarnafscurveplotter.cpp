#include "tarnafscurveplotter.h"

#include "graphtimings.h"

#include <QDebug>

using namespace tarn::graphs;

namespace {
const char *const kParameters[] = {"Frequency", "Gain", "Q"};

EqBand initialFilter()
{
    EqBand b;
    b.frequency = 22000.0f;
    b.q = 1.0f;
    b.gain = 0.0f;
    b.type = EqBell;
    return b;
}
} // namespace

TarnAFSCurvePlotter::TarnAFSCurvePlotter(QObject *parent)
    : QObject(parent)
    , m_model(FeedbackMode)
    , m_factory(defaultSVBindingFactory())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TarnAFSCurvePlotter::timerTick);
    connect(this, &TarnAFSCurvePlotter::boundRectangleChanged, this, &TarnAFSCurvePlotter::onBoundRectangleChanged);
}

TarnAFSCurvePlotter::~TarnAFSCurvePlotter() = default;

void TarnAFSCurvePlotter::setBoundRectangle(const QRectF &r)
{
    qCDebug(lcGraphs) << "feedback graph bounds" << r;
    m_boundRectangle = r;
    emit boundRectangleChanged(r);
}

void TarnAFSCurvePlotter::setBindingFactory(std::shared_ptr<SVBindingFactory> factory)
{
    m_factory = std::move(factory);
}

void TarnAFSCurvePlotter::initialise(const QString &poName, int bandCount)
{
    if (m_initialised) {
        qCDebug(lcGraphs) << "feedback plotter of" << m_poName << "already bound; ignoring a second initialise";
        return;
    }
    m_initialised = true;
    m_poName = poName;
    m_timer.start(kAfsStartDelayMs);
    m_model.setBandCount(bandCount, initialFilter());
    createBindings();
}

void TarnAFSCurvePlotter::createBindings()
{
    if (m_poName.isEmpty()) {
        qCWarning(lcGraphs) << "feedback suppressor without a processing object; no bindings";
        return;
    }
    if (!m_factory) {
        qCWarning(lcGraphs) << "no value controls available;" << m_poName << "stays unbound";
        return;
    }
    for (int b = 0; b < m_model.bandCount(); ++b) {
        for (const char *parameter : kParameters) {
            const QString p = QLatin1String(parameter);
            const QString sv = QStringLiteral("Band_%1_%2").arg(b + 1).arg(p);
            QObject *c = m_factory->createNumerical(this, QStringLiteral("NSV"), m_poName, sv);
            if (!c)
                continue;
            m_controls.add(sv, c, b, p);
            completeControl(c);
            connectNumerical(c, this, SLOT(onSVChanged(float)));
        }
    }
}

void TarnAFSCurvePlotter::onBoundRectangleChanged(QRectF r)
{
    m_boundRectangle = r;
    m_model.setBounds(r);
    if (m_timer.isActive() || m_model.bandCount() == 0)
        return;
    m_model.recomputeAll();
    publish();
}

void TarnAFSCurvePlotter::onSVChanged(float value)
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
    if (!field || *field == value)
        return;
    *field = value;
    recomputeFilter(e->band);
}

void TarnAFSCurvePlotter::onSVChanged(QString &value)
{
    Q_UNUSED(value)
    const BoundControls::Entry *e = m_controls.findSender(sender());
    if (!e || e->band >= m_model.bandCount())
        return;
    m_model.band(e->band).type = EqBell;
    recomputeFilter(e->band);
}

void TarnAFSCurvePlotter::timerTick()
{
    m_timer.stop();
    m_model.setBounds(m_boundRectangle);
    m_model.recomputeAll();
    publish();
}

void TarnAFSCurvePlotter::recomputeFilter(int filter)
{
    if (m_timer.isActive())
        return;
    m_model.recomputeBand(filter);
    publish();
}

void TarnAFSCurvePlotter::publish()
{
    emit curvesChanged(m_model.curves().publish());
}
