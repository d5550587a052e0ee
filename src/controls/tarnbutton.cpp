#include "tarnbutton.h"

#include "nudgesteps.h"
#include "tcpadaptor.h"
#include "valuetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <limits>

using tarn::valuetext::endsWithNoCase;
using tarn::valuetext::formatNumber;
using tarn::valuetext::readNumber;
using tarn::valuetext::startsWithNoCase;

TarnButton::TarnButton(QObject *parent) : TarnControl(parent)
{
    setEntityName(QStringLiteral("Button"));
    connect(this, &TarnButton::activeStateChanged, this, &TarnButton::onActiveStateChanged);
}

void TarnButton::setActiveState(bool activeState)
{
    if (m_activeState == activeState)
        return;
    m_activeState = activeState;
    emit activeStateChanged(m_activeState);
}

void TarnButton::setButtonType(ButtonType buttonType)
{
    if (m_buttonType == buttonType)
        return;
    m_buttonType = buttonType;
    emit buttonTypeChanged();
}

void TarnButton::onActiveStateChanged(bool activeState)
{
    Q_UNUSED(activeState);
}

bool TarnButton::readNudgeValue(const QString &controlPoName, const DataFromDevice &data, float *value)
{
    const QString &text = data.value;
    double v;
    if (text.endsWith(QLatin1String(" deg")) || text.endsWith(QLatin1String("dB/s"))) {
        v = readNumber(text.left(text.size() - 4));
    } else if (text.endsWith(QLatin1Char('%'))) {
        v = readNumber(text.left(text.size() - 1));
    } else if (endsWithNoCase(text, QStringLiteral("kHz"))) {
        v = readNumber(text.left(text.size() - 3)) * 1000.0;
    } else if (endsWithNoCase(text, QStringLiteral("Hz")) || text.endsWith(QLatin1String("dB"))) {
        v = readNumber(text.left(text.size() - 2));
    } else if (controlPoName.contains(QLatin1String("Compressor")) && endsWithNoCase(text, QStringLiteral(":1"))) {
        v = readNumber(text.left(text.size() - 2));
    } else if (data.poName.contains(QLatin1String("Crossover")) && data.svName.contains(QLatin1String("Frequency"))
               && text.contains(QLatin1String("Out"))) {
        // A corner switched off sits just beyond the end of its range.
        if (data.svName.contains(QLatin1String("LPFrequency")))
            v = 20100.0;
        else if (data.svName.contains(QLatin1String("HPFrequency")))
            v = 15.9;
        else
            return false;
    } else if (controlPoName.contains(QLatin1String("Gate")) && startsWithNoCase(text, QStringLiteral("1:"))) {
        v = readNumber(text.mid(2));
    } else if (data.poName.contains(QLatin1String("Delay"))) {
        const QString first = text.split(QLatin1Char('/')).first();
        v = first.endsWith(QLatin1String("ms")) ? readNumber(first.left(first.size() - 2)) : 0.0;
    } else if (data.poName.contains(QLatin1String("Afs")) && data.svName.contains(QLatin1String("LiftTime"))) {
        // "30s", or minutes and seconds: "1m 30s".
        const QStringList parts = text.split(QLatin1Char(' '));
        if (parts.size() == 1) {
            v = readNumber(parts.at(0).left(parts.at(0).size() - 1));
        } else {
            v = readNumber(parts.at(0).left(parts.at(0).size() - 1)) * 60.0
                + readNumber(parts.at(1).left(parts.at(1).size() - 1));
        }
    } else if (text.endsWith(QLatin1String("ms"))) {
        v = readNumber(text.left(text.size() - 2).trimmed());
    } else if (endsWithNoCase(text, QStringLiteral("s"))) {
        v = readNumber(text.left(text.size() - 1).trimmed());
    } else if (text.endsWith(QLatin1String("m "))) {
        v = readNumber(text.left(text.size() - 2)) * 60.0;
    } else {
        v = readNumber(text);
    }
    if (std::isinf(v) && v > 0)
        v = 199.0;
    *value = float(v);
    return true;
}

void TarnButton::handleDataAvailable(DataFromDevice data)
{
    if (m_buttonType == SV) {
        if (data.value == QLatin1String("On") || data.value == QLatin1String("1"))
            setActiveState(true);
        else if (data.value == QLatin1String("Off") || data.value == QLatin1String("0"))
            setActiveState(false);
        return;
    }
    if (m_buttonType != Nudge)
        return;
    // "unsubr" carries no value (it would read as 0); the base has already subscribed again.
    if (data.command == QLatin1String("unsubr"))
        return;
    float value;
    if (!readNudgeValue(poName(), data, &value))
        return;
    m_valueToNudge = value;
    emit valueToNudgeChanged(m_valueToNudge);
}

void TarnButton::toggleValueWithoutFeedback()
{
    sendSet(svName(), m_activeState ? QStringLiteral("0") : QStringLiteral("1"));
}

void TarnButton::setMultipleSV(const QString &allSVName)
{
    const QStringList names = allSVName.split(QLatin1Char(','));
    for (const QString &name : names) {
        setSvName(name);
        sendSet(name, QStringLiteral("1"));
    }
}

void TarnButton::sendSet(const QString &svName, const QString &value)
{
    TCPAdaptor *adaptor = TCPAdaptor::instance();
    if (!adaptor)
        return;
    DataFromDevice request;
    request.poName = poName();
    request.svName = svName;
    request.value = value;
    request.command = QStringLiteral("set");
    adaptor->sendRequest(request);
}

void TarnButton::setNudgeJsonData(const QString &json)
{
    m_nudgeJsonData = json;
}

QString TarnButton::rangeFor(bool upward) const
{
    const QJsonArray ranges = QJsonDocument::fromJson(m_nudgeJsonData.toUtf8()).array();
    for (const QJsonValue &entry : ranges) {
        const QJsonObject range = entry.toObject();
        const QJsonValue high = range.value(QLatin1String("high"));
        if (!high.isDouble())
            continue;
        // At a boundary an upward step takes the upper range's step, a downward one the lower's.
        const bool inside = upward ? m_valueToNudge < high.toDouble() : m_valueToNudge <= high.toDouble();
        if (inside)
            return range.value(QLatin1String("range")).toVariant().toString();
    }
    return QString();
}

void TarnButton::onNudged(int bumpDirection, const QString &svClass, const QString &poClass)
{
    // Release times are shown the other way round: up makes them shorter.
    if (svClass == QLatin1String("Release") || svClass == QLatin1String("LimRelease"))
        bumpDirection = -bumpDirection;

    const QString prefix = poClass + QLatin1Char(':') + svClass + QLatin1Char(':');
    if (m_nudgeJsonData == QLatin1String("[]")) {
        m_rangeKey = prefix + QStringLiteral("-1");
    } else {
        const QString range = rangeFor(bumpDirection > 0);
        // A value beyond every range keeps the step it had.
        if (!range.isEmpty())
            m_rangeKey = prefix + range;
    }
    m_valueToNudge += float(bumpDirection * tarn::nudge::step(m_rangeKey));

    QString text;
    if (poClass == QLatin1String("Delay") && svClass == QLatin1String("Amount")) {
        text = formatNumber(m_valueToNudge) + QStringLiteral("ms");
    } else if (poClass == QLatin1String("Compressor") && svClass == QLatin1String("Ratio")) {
        text = std::isinf(m_valueToNudge) ? QStringLiteral("200") : formatNumber(m_valueToNudge);
    } else if (poClass == QLatin1String("AFS") && svClass == QLatin1String("LiftTime")) {
        text = formatNumber(m_valueToNudge) + QStringLiteral("s");
    } else {
        text = formatNumber(m_valueToNudge);
    }
    sendSet(svName(), text);
}
