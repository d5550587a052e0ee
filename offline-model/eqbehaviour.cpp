#include "eqbehaviour.h"

#include "catalogue.h"

#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcEq, "tarn.offline.eq", QtInfoMsg)

namespace tarn::offline {
namespace {
const QStringList &geqBands()
{
    static const QStringList names = {
        QStringLiteral("20 Hz"),    QStringLiteral("25 Hz"),    QStringLiteral("31.5 Hz"),  QStringLiteral("40 Hz"),
        QStringLiteral("50 Hz"),    QStringLiteral("63 Hz"),    QStringLiteral("80 Hz"),    QStringLiteral("100 Hz"),
        QStringLiteral("125 Hz"),   QStringLiteral("160 Hz"),   QStringLiteral("200 Hz"),   QStringLiteral("250 Hz"),
        QStringLiteral("315 Hz"),   QStringLiteral("400 Hz"),   QStringLiteral("500 Hz"),   QStringLiteral("630 Hz"),
        QStringLiteral("800 Hz"),   QStringLiteral("1.0 kHz"),  QStringLiteral("1.25 kHz"), QStringLiteral("1.6 kHz"),
        QStringLiteral("2.0 kHz"),  QStringLiteral("2.5 kHz"),  QStringLiteral("3.15 kHz"), QStringLiteral("4.0 kHz"),
        QStringLiteral("5.0 kHz"),  QStringLiteral("6.3 kHz"),  QStringLiteral("8.0 kHz"),  QStringLiteral("10.0 kHz"),
        QStringLiteral("12.5 kHz"), QStringLiteral("16.0 kHz"), QStringLiteral("20.0 kHz")};
    return names;
}

QString svKey(const QString &object, const QString &name)
{
    return QStringLiteral("Preset\\") + object + QStringLiteral("\\SV\\") + name;
}

// A resonance (or, with a negative level, an absorption) as a room shows it.
double resonance(double f, double centre, double level, double q)
{
    const double detune = f / centre - centre / f;
    return level / (1.0 + q * q * detune * detune);
}

double roundToSignificant(double x, int digits)
{
    if (x <= 0.0)
        return x;
    const double scale = std::pow(10.0, digits - 1 - int(std::floor(std::log10(x))));
    return std::round(x * scale) / scale;
}
} // namespace

double EqBehaviour::curveFrequency(int index)
{
    return 20.0 * std::pow(10.0, double(index - kIndexOf20Hz) / kPointsPerDecade);
}

// A small room with a two-way speaker on a stand: the speaker's low end rolling off, a strong
// axial mode, a floor bounce dip, some upper-mid presence and a falling top end.
double EqBehaviour::roomLevel(double f)
{
    const double r = f / 42.0;
    double level = 10.0 * std::log10(std::pow(r, 4) / (1.0 + std::pow(r, 4)));
    level += resonance(f, 63.0, 7.5, 4.0);
    level += resonance(f, 125.0, 4.5, 3.0);
    level += resonance(f, 180.0, -5.5, 5.0);
    level += resonance(f, 700.0, -1.5, 2.0);
    level += resonance(f, 2500.0, 3.0, 1.2);
    if (f > 8000.0)
        level -= 4.0 * std::log2(f / 8000.0);
    // What a measurement never smooths away.
    const double lf = std::log10(f);
    level += 0.6 * std::sin(lf * 23.0) + 0.35 * std::sin(lf * 57.0 + 1.3);
    return qBound(-40.0, level, 20.0);
}

// A house curve: a gentle rise below 200 Hz, flat mids, a falling top above 2 kHz.
double EqBehaviour::targetLevel(double f)
{
    if (f <= 200.0)
        return qMin(6.0, 4.0 * std::log10(200.0 / f));
    if (f <= 2000.0)
        return 0.0;
    return -std::log2(f / 2000.0);
}

QString EqBehaviour::curveText(double (*level)(double))
{
    QStringList numbers;
    numbers.reserve(kCurvePoints);
    for (int i = 0; i < kCurvePoints; ++i) {
        const double v = level(curveFrequency(i));
        numbers << QString::number(std::round(v * 10.0) / 10.0 + 0.0, 'f', 1);
    }
    return numbers.join(QLatin1Char(' '));
}

void EqBehaviour::addRoomMeasurement(Catalogue *catalogue)
{
    for (const Variable &v : catalogue->variables()) {
        if (v.object.isEmpty() || v.name != QLatin1String("Response") || v.kind != Variable::Kind::Text)
            continue;
        const int target = catalogue->indexOf(svKey(v.object, QStringLiteral("Target")));
        if (target < 0 || !v.initial.isEmpty() || !catalogue->variables()[size_t(target)].initial.isEmpty())
            continue;
        QString error;
        if (!catalogue->overrideInitial(v.key, curveText(&roomLevel), &error)
            || !catalogue->overrideInitial(svKey(v.object, QStringLiteral("Target")), curveText(&targetLevel), &error))
            qCWarning(lcEq).noquote() << "no room measurement for" << v.object << ":" << error;
    }
}

QVector<double> EqBehaviour::quickCurve(const QString &name)
{
    static const QHash<QString, QVector<double>> curves = {
        {QStringLiteral("Flat"), QVector<double>(31, 0.0)},
        {QStringLiteral("MyBand"), {0,   1, 2, 3,  3.5, 3.5, 3,   2,   1,   0,   -1,  -2,  -2.5, -2,  -1, 0,
                                    0,   0, 0, 0.5, 1,   1.5, 2,   2,   1.5, 1,   0.5, 0,   0,    -0.5, -1}},
        {QStringLiteral("Speech"), {-12, -12, -12, -10, -9, -8, -7, -6, -4, -2, -1, 0, 0, 0, 0, 0,
                                    0,   0,   0.5, 1,   1.5, 1.5, 2, 2, 1.5, 1, 0, -1, -2, -3, -4}},
        {QStringLiteral("Performance Venue"), {-3, -1, 1, 2, 2, 2, 1.5, 1, 0, -0.5, -1, -1.5, -1.5, -1, -0.5, 0,
                                               0,  0,  0, 0.5, 1, 1, 1, 0.5, 0.5, 1, 1.5, 1.5, 1.5, 1, 0}},
        {QStringLiteral("DJ"), {2, 4, 6, 6, 6, 5.5, 4.5, 4, 2.5, 1, 0, -1, -2, -2, -2, -1.5,
                                -1, 0, 0, 0, 0.5, 1, 1, 1.5, 2, 2.5, 3, 3, 3, 2.5, 2}},
    };
    return curves.value(name);
}

int EqBehaviour::eventInterval(const QString &contentMode)
{
    // Speech rings sooner and is caught sooner; music is given more benefit of the doubt.
    if (contentMode == QLatin1String("Speech"))
        return 10;
    if (contentMode == QLatin1String("Music"))
        return 25;
    return 15;
}

EqBehaviour::EqBehaviour(DeviceState *state, quint64 seed, int msPerTick, QObject *parent)
    : QObject(parent), m_state(state), m_random(seed ^ 0xAF5AF5AF5ull), m_msPerTick(msPerTick > 0 ? msPerTick : 100)
{
    findObjects();
    connect(m_state, &DeviceState::clientChanged, this, &EqBehaviour::onClientChanged);
    connect(m_state, &DeviceState::ticked, this, &EqBehaviour::onTicked);
    connect(m_state, &DeviceState::chainChanged, this, &EqBehaviour::findObjects);
}

void EqBehaviour::findObjects()
{
    m_geqs.clear();
    m_geqOfCurve.clear();
    m_geqOfBand.clear();
    m_afs.clear();
    m_afsOfSwitch.clear();
    const auto &vars = m_state->catalogue().variables();
    for (const Variable &v : vars) {
        if (v.object.isEmpty())
            continue;
        if (v.name == QLatin1String("QuickCurve") && v.kind == Variable::Kind::Choice) {
            Geq geq;
            geq.quickCurve = m_state->indexOf(v.key);
            for (const QString &band : geqBands()) {
                const int idx = m_state->indexOf(svKey(v.object, band));
                if (idx >= 0 && m_state->variable(idx).kind == Variable::Kind::Number)
                    geq.bands << idx;
            }
            if (geq.bands.size() != geqBands().size())
                continue;
            m_geqOfCurve.insert(geq.quickCurve, m_geqs.size());
            for (int idx : qAsConst(geq.bands))
                m_geqOfBand.insert(idx, m_geqs.size());
            m_geqs << geq;
        } else if (v.name == QLatin1String("FilterMode") && v.kind == Variable::Kind::Choice) {
            Afs afs;
            afs.filterMode = m_state->indexOf(v.key);
            afs.onOff = m_state->indexOf(svKey(v.object, QStringLiteral("AFS")));
            afs.contentMode = m_state->indexOf(svKey(v.object, QStringLiteral("ContentMode")));
            afs.maxFixed = m_state->indexOf(svKey(v.object, QStringLiteral("MaxFixedFilters")));
            afs.liftTime = m_state->indexOf(svKey(v.object, QStringLiteral("LiftTime")));
            afs.sensitivity = m_state->indexOf(svKey(v.object, QStringLiteral("Sensitivity")));
            for (int n = 1;; ++n) {
                Filter f;
                const QString prefix = QStringLiteral("Band_%1_").arg(n);
                f.frequency = m_state->indexOf(svKey(v.object, prefix + QStringLiteral("Frequency")));
                f.gain = m_state->indexOf(svKey(v.object, prefix + QStringLiteral("Gain")));
                f.q = m_state->indexOf(svKey(v.object, prefix + QStringLiteral("Q")));
                if (f.frequency < 0 || f.gain < 0 || f.q < 0)
                    break;
                afs.filters << f;
            }
            if (afs.onOff < 0 || afs.contentMode < 0 || afs.maxFixed < 0 || afs.liftTime < 0 || afs.sensitivity < 0
                || afs.filters.isEmpty())
                continue;
            m_afsOfSwitch.insert(afs.onOff, m_afs.size());
            m_afs << afs;
        }
    }
    qCInfo(lcEq) << m_geqs.size() << "graphic EQs with quick curves," << m_afs.size() << "feedback suppressors";
}

void EqBehaviour::onClientChanged(int idx)
{
    if (m_geqOfCurve.contains(idx)) {
        const Geq &geq = m_geqs[m_geqOfCurve.value(idx)];
        const QVector<double> levels = quickCurve(m_state->display(idx));
        for (int i = 0; i < levels.size() && i < geq.bands.size(); ++i)
            m_state->modelSetNumber(geq.bands[i], levels[i]);
    } else if (m_geqOfBand.contains(idx)) {
        m_state->modelSetText(m_geqs[m_geqOfBand.value(idx)].quickCurve, QStringLiteral("Manual"));
    } else if (m_afsOfSwitch.contains(idx)) {
        // Switched on: the first event follows at the next step.
        m_afs[m_afsOfSwitch.value(idx)].nextEvent = m_state->ticks() + 1;
    }
}

void EqBehaviour::onTicked()
{
    for (Afs &afs : m_afs)
        stepAfs(afs);
}

int EqBehaviour::firstLiveFilter(const Afs &afs) const
{
    const QString mode = m_state->display(afs.filterMode);
    if (mode == QLatin1String("Live"))
        return 0;
    if (mode == QLatin1String("Fixed"))
        return afs.filters.size();
    return qBound(0, int(m_state->number(afs.maxFixed)), afs.filters.size());
}

void EqBehaviour::placeFilter(Afs &afs, Filter &filter)
{
    const double frequency = roundToSignificant(200.0 * std::pow(40.0, m_random.unit()), 3);
    const double q = std::round((8.0 + 24.0 * m_random.unit()) * 10.0) / 10.0;
    const double sensitivity = m_state->number(afs.sensitivity);
    filter.depth = qBound(-18.0, -(3.0 + 0.9 * sensitivity + 3.0 * m_random.unit()), -3.0);
    filter.placedAt = m_state->ticks();
    m_state->modelSetNumber(filter.frequency, frequency);
    m_state->modelSetNumber(filter.q, q);
    m_state->modelSetNumber(filter.gain, -3.0);
}

void EqBehaviour::stepAfs(Afs &afs)
{
    if (!m_state->isPresent(afs.onOff) || m_state->display(afs.onOff) != m_state->variable(afs.onOff).onText)
        return;
    const quint64 now = m_state->ticks();
    const int first = firstLiveFilter(afs);

    // Live filters that have waited out the lift time let go; "Off" (0) keeps them.
    const double liftSeconds = m_state->number(afs.liftTime);
    if (liftSeconds > 0) {
        for (int i = first; i < afs.filters.size(); ++i) {
            Filter &f = afs.filters[i];
            if (m_state->number(f.gain) < 0 && double(now - f.placedAt) * m_msPerTick >= liftSeconds * 1000.0)
                m_state->modelSetNumber(f.gain, 0.0);
        }
    }

    if (now < afs.nextEvent || first >= afs.filters.size())
        return;
    afs.nextEvent = now + quint64(eventInterval(m_state->display(afs.contentMode)));

    // A filter still closing in on its feedback goes deeper first.
    for (int i = first; i < afs.filters.size(); ++i) {
        Filter &f = afs.filters[i];
        const double gain = m_state->number(f.gain);
        if (gain < 0 && f.depth < gain - 0.01) {
            m_state->modelSetNumber(f.gain, qMax(f.depth, gain - 3.0));
            return;
        }
    }
    // Otherwise a new ring: a free live filter takes it, or the oldest one is moved.
    int chosen = -1;
    for (int i = first; i < afs.filters.size() && chosen < 0; ++i) {
        if (m_state->number(afs.filters[i].gain) >= 0)
            chosen = i;
    }
    if (chosen < 0) {
        chosen = first;
        for (int i = first + 1; i < afs.filters.size(); ++i) {
            if (afs.filters[i].placedAt < afs.filters[chosen].placedAt)
                chosen = i;
        }
    }
    placeFilter(afs, afs.filters[chosen]);
}
} // namespace tarn::offline
