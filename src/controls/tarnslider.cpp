#include "tarnslider.h"

#include "controlconstants.h"
#include "tcpadaptor.h"
#include "valuetext.h"

#include <QTimer>

#include <cmath>

using tarn::valuetext::endsWithNoCase;
using tarn::valuetext::formatNumber;
using tarn::valuetext::readNumber;

const std::array<float, TarnSlider::kRatioSteps> &TarnSlider::ratioTable()
{
    static const std::array<float, kRatioSteps> table = [] {
        std::array<float, kRatioSteps> t{};
        int i = 0;
        for (int m = 0; m <= 100; m += 10)
            t[i++] = float(m) / 99.0f;
        for (int m = 120; m <= 300; m += 20)
            t[i++] = float(m) / 99.0f;
        for (int m = 400; m <= 1400; m += 100)
            t[i++] = float(m) / 99.0f;
        for (int m = 1900; m <= 3900; m += 500)
            t[i++] = float(m) / 99.0f;
        t[i] = 100.0f;
        return t;
    }();
    return table;
}

float TarnSlider::ratioPosition(float percent)
{
    const auto &table = ratioTable();
    for (int i = 0; i < kRatioSteps; ++i) {
        if (table[i] + 0.0001f >= percent)
            return float(i) / float(kRatioSteps - 1) * 100.0f;
    }
    return 100.0f; // beyond the table's end: the end of the travel
}

float TarnSlider::ratioPercent(float position)
{
    // Positions outside the travel take the nearest end instead of reading beyond the table.
    const double whole = std::trunc(double(position));
    const double scaled = whole * (kRatioSteps - 1) / 100.0;
    int index = std::isfinite(scaled) ? int(qBound(0.0, std::trunc(scaled), double(kRatioSteps - 1))) : 0;
    return ratioTable()[std::size_t(index)];
}

TarnSlider::TarnSlider(QObject *parent) : TarnControl(parent), m_throttle(new QTimer(this))
{
    setEntityName(QStringLiteral("Slider"));
    setValueType(QStringLiteral("%"));
    m_throttle->setSingleShot(true);
    connect(m_throttle, &QTimer::timeout, this, &TarnSlider::onThrottleTimeOut);
    connect(this, &TarnSlider::stringPropertyChanged, this, &TarnSlider::onStringPropertyChanged);
}

void TarnSlider::setStringProperty(float stringProperty)
{
    if (m_stringProperty == stringProperty)
        return;
    m_stringProperty = stringProperty;
    emit stringPropertyChanged(m_stringProperty);
}

void TarnSlider::setRatioSlider(bool ratioSlider)
{
    if (m_ratioSlider == ratioSlider)
        return;
    m_ratioSlider = ratioSlider;
    emit ratioSliderChanged(m_ratioSlider);
}

void TarnSlider::sendDataRequest()
{
    if (canRequest())
        send(QStringLiteral("sub"), QString(), QStringLiteral("%"));
}

void TarnSlider::sendUnSubRequest()
{
    send(QStringLiteral("unsub"), QString(), QStringLiteral("%"));
}

void TarnSlider::onCorvexReady()
{
    sendDataRequest();
}

void TarnSlider::handleDataAvailable(DataFromDevice data)
{
    // "unsubr" carries no value (it would read as 0); the base has already subscribed again.
    if (data.command == QLatin1String("get") || data.command == QLatin1String("unsubr"))
        return;
    const QString &text = data.value;
    float received;
    if (data.valueType == QLatin1String("%")) {
        const float percent = float(readNumber(text.left(text.size() - 1)));
        received = m_ratioSlider ? ratioPosition(percent) : percent;
    } else if (endsWithNoCase(text, QStringLiteral("kHz"))) {
        received = float(readNumber(text.left(text.size() - 3)) * 1000.0);
    } else if (endsWithNoCase(text, QStringLiteral("Hz")) || endsWithNoCase(text, QStringLiteral("dB"))
               || endsWithNoCase(text, QStringLiteral(":1"))) {
        received = float(readNumber(text.left(text.size() - 2)));
    } else if (text.contains(QLatin1String("Off"))) {
        received = 0.0f;
    } else if (text == QLatin1String("Inf")) {
        received = 70.0f;
    } else {
        received = float(readNumber(text));
    }
    m_lastReceived = received;
    m_expected = received;
    setStringProperty(received);
}

void TarnSlider::onStringPropertyChanged(float value)
{
    if (value == m_lastReceived)
        return;
    send(QStringLiteral("set"), formatNumber(m_stringProperty), QStringLiteral("%"));
}

// A position equal to what the processor holds is not sent, unless a set is still waiting: then
// the newest position wins, so moving away and back within one interval ends where the user stopped.
void TarnSlider::setValueWithoutFeedback(float a)
{
    if (!m_throttle->isActive() && a == m_expected)
        return;
    m_pending = a;
    if (!m_throttle->isActive())
        m_throttle->start(tarn::controls::kSliderThrottleMs);
}

void TarnSlider::onThrottleTimeOut()
{
    const float sent = m_ratioSlider ? ratioPercent(m_pending) : m_pending;
    m_expected = m_pending;
    send(QStringLiteral("set"), formatNumber(sent), valueType());
}
