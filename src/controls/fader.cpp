#include "fader.h"

#include "controlconstants.h"
#include "piecewisescale.h"
#include "tcpadaptor.h"
#include "valuetext.h"

#include <QTimer>

using tarn::valuetext::endsWithNoCase;

Fader::Fader(QObject *parent) : TarnControl(parent), m_throttle(new QTimer(this))
{
    setEntityName(QStringLiteral("Fader"));
    setValueType(QString());
    m_throttle->setSingleShot(true);
    connect(m_throttle, &QTimer::timeout, this, &Fader::onThrottleTimeOut);
}

void Fader::setMinimum(double minimum)
{
    if (m_minimum == minimum)
        return;
    m_minimum = minimum;
    emit minimumChanged(m_minimum);
}

void Fader::setMaximum(double maximum)
{
    if (m_maximum == maximum)
        return;
    m_maximum = maximum;
    emit maximumChanged(m_maximum);
}

void Fader::setRangeBounaryValues(const QList<qreal> &values)
{
    if (m_boundaries == values)
        return;
    m_boundaries = values;
    emit rangeBounaryValuesChanged();
}

void Fader::setRangeLengthsInPercentage(const QList<qreal> &lengths)
{
    if (m_lengths == lengths)
        return;
    m_lengths = lengths;
    emit rangeLengthsInPercentageChanged();
}

double Fader::percentOf(double value) const
{
    if (valueType() == QLatin1String("%"))
        return value;
    if (tarn::scale::usable(m_boundaries))
        return tarn::scale::toPercent(value, m_boundaries, m_lengths);
    // An empty range has no positions; its one value sits at the bottom.
    if (m_maximum == m_minimum)
        return 0.0;
    return (value - m_minimum) * 100.0 / (m_maximum - m_minimum);
}

double Fader::valueAt(double percent) const
{
    if (valueType() == QLatin1String("%"))
        return percent;
    if (tarn::scale::usable(m_boundaries))
        return tarn::scale::fromPercent(percent, m_boundaries, m_lengths);
    // The inverse of percentOf, so that what is sent is the value the position shows.
    return m_minimum + percent * (m_maximum - m_minimum) / 100.0;
}

void Fader::handleDataAvailable(DataFromDevice data)
{
    if (data.command == QLatin1String("get") || data.command == QLatin1String("unsubr") || !acceptsRecord(data))
        return;
    QString text = data.value;
    if (valueType() == QLatin1String("%")) {
        if (text.endsWith(QLatin1Char('%')))
            text.chop(1);
    } else if (endsWithNoCase(text, QStringLiteral("dB"))) {
        text.chop(2);
    }
    const double percent = percentOf(tarn::valuetext::readNumber(text));
    m_expected = percent;
    if (percent == m_faderValue)
        return;
    m_faderValue = percent;
    emit faderValueChanged(m_faderValue);
}

// A position equal to the processor's is not sent, unless a set is still waiting: then the
// newest position wins, so moving away and back within one interval ends where the user stopped.
void Fader::setValueWithoutFeedback(double p)
{
    if (p < 0.0 || p > 100.0)
        return;
    if (!m_throttle->isActive() && p == m_expected)
        return;
    m_pendingPercent = p;
    m_pending = valueAt(p);
    if (!m_throttle->isActive())
        m_throttle->start(tarn::controls::kFaderThrottleMs);
}

void Fader::onThrottleTimeOut()
{
    if (!TCPAdaptor::instance())
        return;
    m_expected = m_pendingPercent;
    send(QStringLiteral("set"), tarn::valuetext::formatNumber(m_pending), valueType());
}
