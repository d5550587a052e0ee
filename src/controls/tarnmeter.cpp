#include "tarnmeter.h"

#include "controlconstants.h"
#include "piecewisescale.h"
#include "tcpadaptor.h"
#include "valuetext.h"

#include <QTimer>

TarnMeter::TarnMeter(QObject *parent) : TarnControl(parent), m_pollTimer(new QTimer(this))
{
    setEntityName(QStringLiteral("Meter"));
    setIsMeter(true);
    setValueType(QString());
    m_pollTimer->setSingleShot(true);
    m_pollTimer->setInterval(tarn::controls::kPollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &TarnMeter::sendDataRequest);
}

void TarnMeter::setCppSignalThreshold(double threshold)
{
    if (m_threshold == threshold)
        return;
    m_threshold = threshold;
    emit cppSignalThresholdChanged(m_threshold);
}

void TarnMeter::setRangeBounaryValues(const QList<qreal> &values)
{
    if (m_boundaries == values)
        return;
    m_boundaries = values;
    emit rangeBounaryValuesChanged();
}

void TarnMeter::setRangeLengthsInPercentage(const QList<qreal> &lengths)
{
    if (m_lengths == lengths)
        return;
    m_lengths = lengths;
    emit rangeLengthsInPercentageChanged();
}

void TarnMeter::setRangeColorsInHex(const QStringList &colors)
{
    if (m_colors == colors)
        return;
    m_colors = colors;
    emit rangeColorsInHexChanged();
}

void TarnMeter::sendDataRequest()
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (poName().isEmpty() || svName().isEmpty())
        return;
    if (!adaptor || !adaptor->isReady()) {
        // The first tick after the login then asks at once.
        m_answered = true;
        return;
    }
    if (!m_answered) {
        ++m_missedTicks;
        if (m_missedTicks < tarn::controls::kMeterMissedTicks) {
            m_pollTimer->start();
            return;
        }
    }
    DataFromDevice request;
    request.poName = poName();
    request.svName = svName();
    request.valueType = valueType();
    request.command = QStringLiteral("asyncget");
    adaptor->sendRequest(request);
    m_answered = false;
    m_missedTicks = 0;
    m_pollTimer->start();
}

bool TarnMeter::acceptsRecord(const DataFromDevice &data) const
{
    return data.poName == poName() && data.valueType == valueType() && data.svName == svName()
        && data.command != QLatin1String("unsubr");
}

QString TarnMeter::displayText(const QString &received) const
{
    QString text = received;
    if (valueType() == QLatin1String("%")) {
        if (text.endsWith(QLatin1Char('%')))
            text.chop(1);
        return text;
    }
    if (tarn::valuetext::endsWithNoCase(text, QStringLiteral("dB")))
        text.chop(2);
    if (!tarn::scale::usable(m_boundaries))
        return text;
    const double v = tarn::valuetext::readNumber(text);
    if (v < m_threshold)
        return tarn::valuetext::formatNumber(0.0);
    return tarn::valuetext::formatNumber(tarn::scale::toPercent(v, m_boundaries, m_lengths));
}

void TarnMeter::onDataAvailable(DataFromDevice data)
{
    if (!acceptsRecord(data))
        return;
    const QString text = displayText(data.value);
    if (text != m_meterValue) {
        m_meterValue = text;
        emit meterValueChanged(m_meterValue);
    }
    m_pollTimer->start();
    m_answered = true;
}

void TarnMeter::onCorvexReady()
{
    sendDataRequest();
}

void TarnMeter::onResendDataRequest(bool send)
{
    resubscribe(send);
}
