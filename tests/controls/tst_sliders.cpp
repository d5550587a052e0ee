// Guards against sliders, buttons, nudges and faders that misread positions or value texts,
// step by the wrong amount, send too often, or show a value the processor has not confirmed.
#include "controlstestutil.h"
#include "fader.h"
#include "nudgesteps.h"
#include "tarnbutton.h"
#include "tarnslider.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <limits>
#include <memory>

using tarn::test::line;
using tarn::test::LinkFixture;

namespace {
template <typename T>
std::unique_ptr<T> bound(const char *po, const char *sv)
{
    auto control = std::make_unique<T>();
    control->setPoName(QString::fromLatin1(po));
    control->setSvName(QString::fromLatin1(sv));
    control->componentCompleted();
    return control;
}

const char kEqFrequencyRanges[] = R"([{"range":"0","low":20,"high":100},{"range":"1","low":100,"high":1000},)"
                                  R"({"range":"2","low":1000,"high":10000},{"range":"3","low":10000,"high":22000}])";
} // namespace

class TstSliders : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void sliderBinding();
    void sliderReadsPositionsAndTexts();
    void sliderThrottlesUserChanges();
    void ratioSlider();
    void onOffButton();
    void setMultipleSVInOrder();
    void nudgeReadsValueTexts_data();
    void nudgeReadsValueTexts();
    void nudgeStepTable();
    void nudgeStepsAtRangeBoundaries();
    void nudgeSentTexts();
    void faderStraightScale();
    void faderPiecewiseScale();

private:
    LinkFixture m_link;
};

void TstSliders::initTestCase()
{
    QVERIFY(m_link.login());
}

void TstSliders::init()
{
    m_link.clear();
}

void TstSliders::sliderBinding()
{
    auto slider = std::make_unique<TarnSlider>();
    slider->setPoName(QStringLiteral("Compressor"));
    slider->setSvName(QStringLiteral("Threshold"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Compressor", "Threshold", nullptr, "%")}));

    // The login subscribes it without announcing corvexReady; a meter flag changes nothing.
    QSignalSpy ready(slider.get(), &TarnControl::corvexReady);
    slider->setIsMeter(true);
    emit m_link.adaptor()->corvexReady();
    QCOMPARE(ready.count(), 0);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Compressor", "Threshold", nullptr, "%")}));

    QVERIFY(QMetaObject::invokeMethod(slider.get(), "sendUnSubRequest"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("unsub", "Compressor", "Threshold", nullptr, "%")}));
    slider->setIsMeter(false);
    slider.reset();
    QCOMPARE(m_link.take(), QList<QByteArray>({line("unsub", "Compressor", "Threshold")}));

    // Not logged in: no subscription.
    QVERIFY(m_link.logout());
    auto offline = bound<TarnSlider>("Gate", "Threshold");
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(m_link.login());
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Gate", "Threshold", nullptr, "%")}));
}

void TstSliders::sliderReadsPositionsAndTexts()
{
    auto slider = bound<TarnSlider>("Compressor", "Threshold");
    m_link.clear();
    QSignalSpy changed(slider.get(), &TarnSlider::stringPropertyChanged);
    const QString po = QStringLiteral("Compressor");
    const QString sv = QStringLiteral("Threshold");
    const QString pc = QStringLiteral("%");

    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("42%"), pc);
    QCOMPARE(slider->stringProperty(), 42.0f);
    // Left alone: a "get", the echo of a set, "unsubr" (no value), the plain form.
    m_link.offer(QStringLiteral("get"), po, sv, QStringLiteral("10%"), pc);
    m_link.offer(QStringLiteral("setr"), po, sv, QStringLiteral("11%"), pc);
    m_link.offer(QStringLiteral("unsubr"), po, sv, QString(), pc);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-12.0dB"));
    QCOMPARE(slider->stringProperty(), 42.0f);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Compressor", "Threshold", nullptr, "%")})); // "unsubr"

    // A slider on the plain form reads the value texts.
    slider->setValueType(QString());
    const struct {
        const char *text;
        float expected;
    } texts[] = {
        {"Inf", 70.0f},   {"2.5kHz", 2500.0f}, {"2.5KHZ", 2500.0f}, {"120.0Hz", 120.0f}, {"-12.0dB", -12.0f},
        {"-3DB", -3.0f},  {"4.0:1", 4.0f},     {"Off", 0.0f},       {"33", 33.0f},       {"Offset", 0.0f},
        {"junk", 0.0f},
    };
    for (const auto &t : texts) {
        m_link.offer(QStringLiteral("subr"), po, sv, QLatin1String(t.text));
        QCOMPARE(slider->stringProperty(), t.expected);
    }
    // Values from the processor are never sent back.
    QVERIFY(m_link.sent().isEmpty());
}

void TstSliders::sliderThrottlesUserChanges()
{
    auto slider = bound<TarnSlider>("Compressor", "Gain");
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Gain"), QStringLiteral("50%"), QStringLiteral("%"));
    m_link.clear();
    QTimer *throttle = slider->findChild<QTimer *>();

    slider->setValueWithoutFeedback(50.0f);
    QVERIFY(!throttle->isActive());
    slider->setValueWithoutFeedback(55.5f);
    slider->setValueWithoutFeedback(61.25f);
    QCOMPARE(throttle->interval(), 30);
    QTRY_COMPARE(m_link.sent().size(), 1);
    QVERIFY(!throttle->isActive());
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Gain", "61.25", "%")}));
    QCOMPARE(slider->stringProperty(), 50.0f);
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Gain"), QStringLiteral("61%"), QStringLiteral("%"));
    QCOMPARE(slider->stringProperty(), 61.0f);
    QVERIFY(m_link.sent().isEmpty());

    // A write of the property from QML goes out at once.
    slider->setProperty("stringProperty", 70.0);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Gain", "70", "%")}));
}

void TstSliders::ratioSlider()
{
    const auto &table = TarnSlider::ratioTable();
    QCOMPARE(int(table.size()), 38);
    for (std::size_t i = 1; i < table.size(); ++i)
        QVERIFY(table[i] > table[i - 1]);

    auto slider = bound<TarnSlider>("Compressor", "Ratio");
    slider->setRatioSlider(true);
    m_link.clear();
    const QString po = QStringLiteral("Compressor");
    const QString sv = QStringLiteral("Ratio");
    const QString pc = QStringLiteral("%");
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("100%"), pc);
    QCOMPARE(slider->stringProperty(), 100.0f);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("0%"), pc);
    QCOMPARE(slider->stringProperty(), 0.0f);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("2.62626%"), pc);
    QCOMPARE(slider->stringProperty(), 18.0f / 37.0f * 100.0f);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("1.5%"), pc); // between entries: the next one up
    QCOMPARE(slider->stringProperty(), 13.0f / 37.0f * 100.0f);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("250%"), pc); // beyond the table: the end
    QCOMPARE(slider->stringProperty(), 100.0f);

    // Position 50 sends entry 18; 100 the last entry; far outside the travel the nearest end.
    slider->setValueWithoutFeedback(50.0f);
    QTRY_COMPARE(m_link.sent().size(), 1);
    slider->setValueWithoutFeedback(0.0f);
    QTRY_COMPARE(m_link.sent().size(), 2);
    slider->setValueWithoutFeedback(103.0f);
    QTRY_COMPARE(m_link.sent().size(), 3);
    slider->setValueWithoutFeedback(-40.0f);
    QTRY_COMPARE(m_link.sent().size(), 4);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Ratio", "2.62626", "%"),
                                                line("set", "Compressor", "Ratio", "0", "%"),
                                                line("set", "Compressor", "Ratio", "100", "%"),
                                                line("set", "Compressor", "Ratio", "0", "%")}));
}

void TstSliders::onOffButton()
{
    auto button = bound<TarnButton>("OutputGains", "Channel_1_Mute");
    m_link.clear();
    QSignalSpy changed(button.get(), &TarnButton::activeStateChanged);
    const QString po = QStringLiteral("OutputGains");
    const QString sv = QStringLiteral("Channel_1_Mute");

    const struct {
        const char *text;
        bool expected;
    } texts[] = {{"On", true}, {"on", true}, {"0", false}, {"2", false}, {"1", true}, {"ON", true}, {"Off", false}};
    for (const auto &t : texts) {
        m_link.offer(QStringLiteral("subr"), po, sv, QLatin1String(t.text));
        QCOMPARE(button->activeState(), t.expected);
    }
    QCOMPARE(changed.count(), 4);

    // Toggling asks for the opposite; the state follows the processor only.
    button->toggleValueWithoutFeedback();
    QCOMPARE(button->activeState(), false);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("On"));
    button->toggleValueWithoutFeedback();
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "OutputGains", "Channel_1_Mute", "1"),
                                                line("set", "OutputGains", "Channel_1_Mute", "0")}));

    // Other types take no values.
    QSignalSpy typeChanged(button.get(), &TarnButton::buttonTypeChanged);
    button->setProperty("buttonType", int(TarnButton::SingleShot));
    QCOMPARE(typeChanged.count(), 1);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("Off"));
    QCOMPARE(button->activeState(), true);
}

void TstSliders::setMultipleSVInOrder()
{
    auto button = bound<TarnButton>("OutputGains", "Channel_1_Mute");
    m_link.clear();
    button->setMultipleSV(QStringLiteral("Channel_2_Mute,Channel_3_Mute,Channel_4_Mute"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "OutputGains", "Channel_2_Mute"),
                                                line("set", "OutputGains", "Channel_2_Mute", "1"),
                                                line("sub", "OutputGains", "Channel_3_Mute"),
                                                line("set", "OutputGains", "Channel_3_Mute", "1"),
                                                line("sub", "OutputGains", "Channel_4_Mute"),
                                                line("set", "OutputGains", "Channel_4_Mute", "1")}));
    QCOMPARE(button->svName(), QStringLiteral("Channel_4_Mute"));
}

void TstSliders::nudgeReadsValueTexts_data()
{
    QTest::addColumn<QString>("controlPo");
    QTest::addColumn<QString>("po");
    QTest::addColumn<QString>("sv");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("read");
    QTest::addColumn<double>("expected");

    const QString eq = QStringLiteral("Mid Outputs PEQ");
    QTest::newRow("degrees") << eq << eq << "Phase" << "180 deg" << true << 180.0;
    QTest::newRow("dB/s") << eq << eq << "Release" << "12dB/s" << true << 12.0;
    QTest::newRow("percent") << eq << eq << "Level" << "50%" << true << 50.0;
    QTest::newRow("kHz") << eq << eq << "Band_1_Frequency" << "2.50kHz" << true << 2500.0;
    QTest::newRow("KHZ any case") << eq << eq << "Band_1_Frequency" << "2.5KHZ" << true << 2500.0;
    QTest::newRow("hz any case") << eq << eq << "Band_1_Frequency" << "120.0hz" << true << 120.0;
    QTest::newRow("dB") << eq << eq << "Band_1_Gain" << "-3.5dB" << true << -3.5;
    QTest::newRow("compressor ratio") << "Compressor" << "Compressor" << "Ratio" << "4.0:1" << true << 4.0;
    QTest::newRow("compressor infinite ratio") << "Compressor" << "Compressor" << "Ratio" << "Inf:1" << true << 199.0;
    QTest::newRow("ratio elsewhere is no number") << eq << eq << "Ratio" << "4.0:1" << true << 0.0;
    QTest::newRow("crossover low-pass out") << "Crossover" << "Crossover" << "Band_3_LPFrequency" << "Out" << true << 20100.0;
    QTest::newRow("crossover high-pass out") << "Crossover" << "Crossover" << "Band_1_HPFrequency" << "Out" << true << 15.9;
    QTest::newRow("crossover other out") << "Crossover" << "Crossover" << "Band_1_Frequency" << "Out" << false << 0.0;
    QTest::newRow("gate ratio") << "Gate" << "Gate" << "Ratio" << "1:2.5" << true << 2.5;
    QTest::newRow("delay") << "InputDelay" << "InputDelay" << "Amount" << "12.50ms/4.29m/14.07ft" << true << 12.5;
    QTest::newRow("delay without ms") << "InputDelay" << "InputDelay" << "Amount" << "4.29m/14.07ft" << true << 0.0;
    QTest::newRow("lift time minutes") << "Afs" << "Afs" << "LiftTime" << "1m 30s" << true << 90.0;
    QTest::newRow("lift time seconds") << "Afs" << "Afs" << "LiftTime" << "45s" << true << 45.0;
    QTest::newRow("milliseconds") << eq << eq << "Attack" << "250ms" << true << 250.0;
    QTest::newRow("seconds with blank") << eq << eq << "Window" << "2.5 s" << true << 2.5;
    QTest::newRow("seconds any case") << eq << eq << "Window" << "1.5S" << true << 1.5;
    QTest::newRow("minutes") << eq << eq << "Window" << "3m " << true << 180.0;
    QTest::newRow("number") << eq << eq << "Q" << "4.32" << true << 4.32;
    QTest::newRow("infinity") << eq << eq << "Q" << "inf" << true << 199.0;
}

void TstSliders::nudgeReadsValueTexts()
{
    QFETCH(QString, controlPo);
    QFETCH(QString, po);
    QFETCH(QString, sv);
    QFETCH(QString, text);
    QFETCH(bool, read);
    QFETCH(double, expected);

    auto button = std::make_unique<TarnButton>();
    button->setButtonType(TarnButton::Nudge);
    button->setPoName(controlPo);
    button->setSvName(sv);
    QSignalSpy changed(button.get(), &TarnButton::valueToNudgeChanged);
    m_link.offer(QStringLiteral("subr"), po, sv, text);
    QCOMPARE(changed.count(), read ? 1 : 0);
    QCOMPARE(double(button->valueToNudge()), double(float(expected)));
    // "unsubr" leaves the value (it has none).
    m_link.offer(QStringLiteral("unsubr"), po, sv, QString());
    QCOMPARE(changed.count(), read ? 1 : 0);
}

void TstSliders::nudgeStepTable()
{
    // Keys are case-sensitive; a parameter with several ranges has no single step.
    QCOMPARE(tarn::nudge::step(QStringLiteral("EQ:Q:9")), 64.0);
    QCOMPARE(tarn::nudge::step(QStringLiteral("EQ:Q:10")), 0.0);
    QCOMPARE(tarn::nudge::step(QStringLiteral("EQ:Frequency:-1")), 0.0);
    QCOMPARE(tarn::nudge::step(QStringLiteral("eq:Gain:-1")), 0.0);
}

void TstSliders::nudgeStepsAtRangeBoundaries()
{
    auto button = bound<TarnButton>("Mid Outputs PEQ", "Band_1_Frequency");
    button->setButtonType(TarnButton::Nudge);
    button->setNudgeJsonData(QString::fromLatin1(kEqFrequencyRanges));
    const QString po = QStringLiteral("Mid Outputs PEQ");
    const QString sv = QStringLiteral("Band_1_Frequency");
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("100.0Hz"));
    m_link.clear();

    // At a boundary: up takes the upper range's step, down the lower one's.
    QSignalSpy changed(button.get(), &TarnButton::valueToNudgeChanged);
    button->onNudged(1, QStringLiteral("Frequency"), QStringLiteral("EQ"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Mid Outputs PEQ", "Band_1_Frequency", "101")}));
    QCOMPARE(changed.count(), 0); // shown only when the processor reports it
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("100.0Hz"));
    button->onNudged(-1, QStringLiteral("Frequency"), QStringLiteral("EQ"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Mid Outputs PEQ", "Band_1_Frequency", "99.9")}));

    // Quick presses before the report step on from the value already asked for.
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("9.99kHz"));
    button->onNudged(1, QStringLiteral("Frequency"), QStringLiteral("EQ"));
    button->onNudged(1, QStringLiteral("Frequency"), QStringLiteral("EQ"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Mid Outputs PEQ", "Band_1_Frequency", "10000"),
                                                line("set", "Mid Outputs PEQ", "Band_1_Frequency", "10100")}));

    // Beyond every range the last step stays.
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("30kHz"));
    button->onNudged(-1, QStringLiteral("Frequency"), QStringLiteral("EQ"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Mid Outputs PEQ", "Band_1_Frequency", "29900")}));

    // Release times run the other way: up shortens, and picks its range as a downward step.
    auto release = bound<TarnButton>("Compressor", "Release");
    release->setButtonType(TarnButton::Nudge);
    release->setNudgeJsonData(QStringLiteral(R"([{"range":"0","low":1,"high":10},{"range":"1","low":10,"high":100},)"
                                             R"({"range":"2","low":100,"high":360}])"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Release"), QStringLiteral("100dB/s"));
    m_link.clear();
    release->onNudged(1, QStringLiteral("Release"), QStringLiteral("Compressor"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Release", "98")}));
    release->onNudged(-1, QStringLiteral("Release"), QStringLiteral("Compressor"));
    release->onNudged(-1, QStringLiteral("Release"), QStringLiteral("Compressor"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Release", "100"),
                                                line("set", "Compressor", "Release", "105")}));

    // No range data ("[]"): the single step of the parameter; an unknown one: step 0.
    auto gain = bound<TarnButton>("Mid Outputs PEQ", "Band_1_Gain");
    gain->setButtonType(TarnButton::Nudge);
    gain->setNudgeJsonData(QStringLiteral("[]"));
    m_link.offer(QStringLiteral("subr"), po, QStringLiteral("Band_1_Gain"), QStringLiteral("-3.0dB"));
    m_link.clear();
    gain->onNudged(1, QStringLiteral("Gain"), QStringLiteral("EQ"));
    gain->onNudged(1, QStringLiteral("Bogus"), QStringLiteral("EQ"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Mid Outputs PEQ", "Band_1_Gain", "-2.9"),
                                                line("set", "Mid Outputs PEQ", "Band_1_Gain", "-2.9")}));
}

void TstSliders::nudgeSentTexts()
{
    auto delay = bound<TarnButton>("InputDelay", "Amount");
    delay->setButtonType(TarnButton::Nudge);
    delay->setNudgeJsonData(QStringLiteral(R"([{"range":"0","low":0,"high":1},{"range":"1","low":1,"high":10},)"
                                           R"({"range":"2","low":10,"high":100},{"range":"3","low":100,"high":1000}])"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("12.50ms/4.29m/14.07ft"));
    m_link.clear();
    delay->onNudged(1, QStringLiteral("Amount"), QStringLiteral("Delay"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "InputDelay", "Amount", "12.75ms")}));

    auto lift = bound<TarnButton>("Afs", "LiftTime");
    lift->setButtonType(TarnButton::Nudge);
    lift->setNudgeJsonData(QStringLiteral(R"([{"range":"0","low":0,"high":60},{"range":"1","low":60,"high":600},)"
                                          R"({"range":"2","low":600,"high":3600}])"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Afs"), QStringLiteral("LiftTime"), QStringLiteral("1m 30s"));
    m_link.clear();
    lift->onNudged(1, QStringLiteral("LiftTime"), QStringLiteral("AFS"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Afs", "LiftTime", "95s")}));

    auto ratio = bound<TarnButton>("Compressor", "Ratio");
    ratio->setButtonType(TarnButton::Nudge);
    ratio->setNudgeJsonData(QStringLiteral("[]"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Ratio"), QStringLiteral("-Inf:1"));
    QVERIFY(std::isinf(ratio->valueToNudge()));
    m_link.clear();
    ratio->onNudged(1, QStringLiteral("Ratio"), QStringLiteral("Compressor"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Ratio", "200")}));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Ratio"), QStringLiteral("4.0:1"));
    ratio->onNudged(1, QStringLiteral("Ratio"), QStringLiteral("Compressor"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Compressor", "Ratio", "4")}));
}

void TstSliders::faderStraightScale()
{
    auto fader = std::make_unique<Fader>();
    fader->setMinimum(-80.0);
    fader->setMaximum(10.0);
    fader->setPoName(QStringLiteral("OutputGains"));
    fader->setSvName(QStringLiteral("Channel_2_Gain"));
    m_link.clear();
    QSignalSpy changed(fader.get(), &Fader::faderValueChanged);
    const QString po = QStringLiteral("OutputGains");
    const QString sv = QStringLiteral("Channel_2_Gain");

    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-35"));
    QCOMPARE(fader->faderValue(), 50.0);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-35.0dB"));
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-35.0DB"));
    QCOMPARE(changed.count(), 1);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("10.0dB"));
    QCOMPARE(fader->faderValue(), 100.0);
    // Left alone: "get", "unsubr", the echo of a set.
    m_link.offer(QStringLiteral("get"), po, sv, QStringLiteral("-80dB"));
    m_link.offer(QStringLiteral("unsubr"), po, sv, QString());
    m_link.offer(QStringLiteral("setr"), po, sv, QStringLiteral("-80dB"));
    QCOMPARE(fader->faderValue(), 100.0);
    QCOMPARE(changed.count(), 2);
    m_link.clear();

    // Positions: outside 0...100 or the processor's own are ignored; 20 ms throttle, newest wins.
    QTimer *throttle = fader->findChild<QTimer *>();
    fader->setValueWithoutFeedback(100.0);
    fader->setValueWithoutFeedback(-0.5);
    fader->setValueWithoutFeedback(100.5);
    QVERIFY(!throttle->isActive());
    fader->setValueWithoutFeedback(40.0);
    fader->setValueWithoutFeedback(50.0);
    QCOMPARE(throttle->interval(), 20);
    QTRY_COMPARE(m_link.sent().size(), 1);
    QVERIFY(!throttle->isActive());
    // The value sent is the one the position shows on this scale.
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "OutputGains", "Channel_2_Gain", "-35")}));
    QCOMPARE(fader->faderValue(), 100.0);

    // A percent fader: the number is the position.
    fader->setValueType(QStringLiteral("%"));
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("42%"), QStringLiteral("%"));
    QCOMPARE(fader->faderValue(), 42.0);
    fader->setValueWithoutFeedback(43.5);
    QTRY_COMPARE(m_link.sent().size(), 1);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "OutputGains", "Channel_2_Gain", "43.5", "%")}));

    // An empty range puts its value at the bottom instead of dividing by zero.
    fader->setValueType(QString());
    fader->setMaximum(-80.0);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-80dB"));
    QCOMPARE(fader->faderValue(), 0.0);
}

void TstSliders::faderPiecewiseScale()
{
    auto fader = bound<Fader>("OutputGains", "Channel_3_Gain");
    fader->setProperty("rangeBounaryValues", QVariant::fromValue(QList<qreal>({-80, -40, -20, 0, 10})));
    fader->setProperty("rangeLengthsInPercentage", QVariant::fromValue(QList<qreal>({10, 20, 40, 30})));
    m_link.clear();
    const QString po = QStringLiteral("OutputGains");
    const QString sv = QStringLiteral("Channel_3_Gain");

    const struct {
        const char *text;
        double expected;
    } texts[] = {
        {"-80.0dB", 0.0}, {"-60.0dB", 5.0}, {"-40.0dB", 10.0}, {"-30.0dB", 20.0}, {"-10.0dB", 50.0},
        {"0.0dB", 70.0},  {"5.0dB", 85.0},  {"10.0dB", 100.0}, {"12.0dB", 100.0},
        {"-90.0dB", -90.0}, // below the scale: the number itself
    };
    for (const auto &t : texts) {
        m_link.offer(QStringLiteral("subr"), po, sv, QLatin1String(t.text));
        QCOMPARE(fader->faderValue(), t.expected);
    }
    QCOMPARE(fader->percentOf(-30.0), 20.0);
    QCOMPARE(fader->valueAt(20.0), -30.0);
    QCOMPARE(fader->valueAt(0.0), -80.0);
    QCOMPARE(fader->valueAt(100.0), 10.0);

    fader->setValueWithoutFeedback(50.0);
    QTRY_COMPARE(m_link.sent().size(), 1);
    fader->setValueWithoutFeedback(85.0);
    QTRY_COMPARE(m_link.sent().size(), 2);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "OutputGains", "Channel_3_Gain", "-10"),
                                                line("set", "OutputGains", "Channel_3_Gain", "5")}));
}

TARN_TEST_MAIN(TstSliders, QCoreApplication)
#include "tst_sliders.moc"
