// Guards against processor texts misread into values, user changes that flood the link or show
// before the processor confirms them, and requests sent for values that came from the processor.
#include "controlstestutil.h"
#include "customcombobox.h"
#include "linkevents.h"
#include "tarnenumsv.h"
#include "tarnexclusivegroup.h"
#include "tarnnumericalsv.h"
#include "tarntextfield.h"
#include "tarntextsv.h"
#include "testenv.h"
#include "valuetext.h"

#include <QCoreApplication>
#include <QTimer>

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

QTimer *throttleOf(QObject *control)
{
    return control->findChild<QTimer *>();
}
} // namespace

class TstValueControls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void valueTexts();
    void numericalReadsProcessorTexts();
    void numericalThrottlesUserChanges();
    void textValueAndRequests();
    void textResubscribesAfterBusyPeriod();
    void enumeratedChoices();
    void labelAndTextField();
    void exclusiveGroup();
    void comboBox();

private:
    LinkFixture m_link;
};

void TstValueControls::initTestCase()
{
    QVERIFY(m_link.login());
}

void TstValueControls::init()
{
    m_link.clear();
}

void TstValueControls::valueTexts()
{
    using namespace tarn::valuetext;
    // Suffix tests are case-sensitive here: "KHZ" is no unit, and the text is no number.
    const struct { const char *text; double number; } texts[] = {
        {"2.50kHz", 2500}, {"120.0Hz", 120}, {"-10.5dB", -10.5}, {"-3 dB", -3}, {"4.0:1", 4},
        {"1:2.5", 2.5},    {"42", 42},       {"2.5KHZ", 0},      {"2.5db", 0},  {"garbage", 0}};
    for (const auto &t : texts)
        QCOMPARE(stripUnits(QLatin1String(t.text)), t.number);
    QCOMPARE(readNumber(QStringLiteral("nan")), 0.0);
    QCOMPARE(readNumber(QString()), 0.0);
    QVERIFY(std::isinf(readNumber(QStringLiteral("Inf"))));
    QCOMPARE(formatNumber(double(0.1f)), QStringLiteral("0.1"));
    QCOMPARE(formatNumber(1234567.0), QStringLiteral("1.23457e+06"));
    QCOMPARE(formatNumber(-0.000123456789), QStringLiteral("-0.000123457"));
}

void TstValueControls::numericalReadsProcessorTexts()
{
    auto nsv = bound<TarnNumericalSV>("Compressor", "Threshold");
    QCOMPARE(nsv->value(), -1000.0f);
    // Once when the second name is set, once more when the component is complete.
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Compressor", "Threshold"), line("sub", "Compressor", "Threshold")}));
    QSignalSpy changed(nsv.get(), &TarnNumericalSV::valueChanged);

    const struct {
        const char *command;
        const char *text;
        float expected;
    } cases[] = {
        {"subr", "2.50kHz", 2500.0f}, {"subr", "Off", 0.0f},     {"set", "On", 1.0f},
        {"subr", "-10.0dB", -10.0f},  {"get", "4.0:1", 4.0f},    {"asyncget", "1:2.0", 2.0f},
        {"sub", "100Hz", 100.0f},     {"subr", "17", 17.0f},     {"subr", "nonsense", 0.0f},
    };
    for (const auto &c : cases) {
        m_link.offer(QLatin1String(c.command), QStringLiteral("Compressor"), QStringLiteral("Threshold"),
                     QLatin1String(c.text));
        QCOMPARE(nsv->value(), c.expected);
    }
    QCOMPARE(changed.count(), int(std::size(cases)));

    // Left alone: an empty text, an unchanged value, "unsubr", the echo of a set, other forms.
    changed.clear();
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QString());
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("0"));
    m_link.offer(QStringLiteral("setr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("5dB"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("50"),
                 QStringLiteral("%"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("threshold"), QStringLiteral("5"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(nsv->value(), 0.0f);
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QString());
    QCOMPARE(nsv->value(), 0.0f);
    // ...but "unsubr" subscribes again.
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Compressor", "Threshold")}));

    // A write from QML shows at once and is not sent: only the processor's values are sent back.
    nsv->setProperty("value", 3.5);
    QCOMPARE(nsv->value(), 3.5f);
    QCOMPARE(changed.count(), 1);
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(!throttleOf(nsv.get())->isActive());
}

void TstValueControls::numericalThrottlesUserChanges()
{
    auto nsv = bound<TarnNumericalSV>("Gate", "Threshold");
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("-60.0dB"));
    m_link.clear();
    QSignalSpy changed(nsv.get(), &TarnNumericalSV::valueChanged);
    QTimer *throttle = throttleOf(nsv.get());

    // The processor's own value is not sent again.
    nsv->setValueWithoutFeedback(-60.0f);
    QVERIFY(!throttle->isActive());

    // Two changes within one interval: one set, carrying the second; the shown value waits.
    QElapsedTimer clock;
    clock.start();
    nsv->setValueWithoutFeedback(-30.0f);
    nsv->setValueWithoutFeedback(-12.25f);
    QVERIFY(throttle->isActive());
    QCOMPARE(throttle->interval(), 100);
    QVERIFY(m_link.sent().isEmpty());
    QTRY_COMPARE(m_link.sent().size(), 1);
    QVERIFY(clock.elapsed() >= 95);
    QVERIFY(!throttle->isActive()); // nothing else is pending
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Gate", "Threshold", "-12.25")}));
    QCOMPARE(nsv->value(), -60.0f);
    QCOMPARE(changed.count(), 0);

    // Shown once the processor reports it.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("-12.3dB"));
    QCOMPARE(nsv->value(), -12.3f);
    QCOMPARE(changed.count(), 1);

    // Away and back within one interval ends where the user stopped: the processor's own value.
    nsv->setValueWithoutFeedback(-20.0f);
    nsv->setValueWithoutFeedback(-12.3f);
    QTRY_COMPARE(m_link.sent().size(), 1);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Gate", "Threshold", "-12.3")}));

    // A set sent but not yet confirmed: going back to the processor's value is sent too.
    nsv->setValueWithoutFeedback(-40.0f);
    QTRY_COMPARE(m_link.sent().size(), 1);
    nsv->setValueWithoutFeedback(-12.3f);
    QTRY_COMPARE(m_link.sent().size(), 2);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "Gate", "Threshold", "-40"), line("set", "Gate", "Threshold", "-12.3")}));
}

void TstValueControls::textValueAndRequests()
{
    auto tsv = bound<TarnTextSV>("NPO", "Node\\SV\\DeviceName");
    // Once when the second name is set, once more when the component is complete.
    QCOMPARE(m_link.take(), QList<QByteArray>({"sub \"\\\\Node\\SV\\DeviceName\\\"", "sub \"\\\\Node\\SV\\DeviceName\\\""}));
    QSignalSpy changed(tsv.get(), &TarnTextSV::valueChanged);

    m_link.offer(QStringLiteral("subr"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left"));
    QCOMPARE(tsv->value(), QStringLiteral("Stage Left"));
    QCOMPARE(changed.count(), 1);
    // Values that came from the processor never go back to it.
    QVERIFY(m_link.sent().isEmpty());
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QString());
    QCOMPARE(tsv->value(), QStringLiteral("Stage Left"));
    QCOMPARE(m_link.take(), QList<QByteArray>({"sub \"\\\\Node\\SV\\DeviceName\\\""}));

    // A write from QML goes out at once.
    tsv->setProperty("value", QStringLiteral("Front of House"));
    QCOMPARE(m_link.take(), QList<QByteArray>({"set \"\\\\Node\\SV\\DeviceName\\\" \"Front of House\""}));

    // Throttled writes: one set with the newest text.
    tsv->setValueWithoutFeedback(QStringLiteral("A"));
    tsv->setValueWithoutFeedback(QStringLiteral("AB"));
    QTRY_COMPARE(m_link.sent().size(), 1);
    QVERIFY(!throttleOf(tsv.get())->isActive());
    QCOMPARE(m_link.take(), QList<QByteArray>({"set \"\\\\Node\\SV\\DeviceName\\\" \"AB\""}));

    // One-shot reads: one question at a time, and the answer always announced.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left"));
    changed.clear();
    m_link.clear();
    tsv->requestValue();
    tsv->requestValue();
    QCOMPARE(m_link.take(), QList<QByteArray>({"asyncget \"\\\\Node\\SV\\DeviceName\\\""}));
    QCOMPARE(tsv->value(), QString());
    QCOMPARE(changed.count(), 0);
    m_link.offer(QStringLiteral("asyncget"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().first().toString(), QStringLiteral("Stage Left"));
    QVERIFY(m_link.sent().isEmpty());
    tsv->requestValue();
    QCOMPARE(m_link.take(), QList<QByteArray>({"asyncget \"\\\\Node\\SV\\DeviceName\\\""}));

    tsv->cancelSubscription();
    tsv->subscribe();
    QCOMPARE(m_link.take(), QList<QByteArray>({"unsub \"\\\\Node\\SV\\DeviceName\\\"", "sub \"\\\\Node\\SV\\DeviceName\\\""}));

    // A polling text asks instead of subscribing; the base leaves it unsubscribed at the end.
    auto polled = std::make_unique<TarnTextSV>();
    polled->setIsMeter(true);
    polled->setPoName(QStringLiteral("Presets"));
    polled->setSvName(QStringLiteral("Name_3"));
    QCOMPARE(m_link.take(), QList<QByteArray>({"asyncget \"\\\\Storage\\Presets\\SV\\Name_3\\\""}));
    polled.reset();
    tsv.reset();
    QCOMPARE(m_link.take(), QList<QByteArray>({"unsub \"\\\\Node\\SV\\DeviceName\\\""}));
}

void TstValueControls::textResubscribesAfterBusyPeriod()
{
    auto tsv = bound<TarnTextSV>("Afs", "ContentMode");
    auto unbound = std::make_unique<TarnTextSV>();
    m_link.clear();
    emit tarn::LinkEvents::instance()->resendDataRequest(false);
    QVERIFY(m_link.sent().isEmpty());
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Afs", "ContentMode")}));

    // Not logged in: nothing.
    QVERIFY(m_link.logout());
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(m_link.login());
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Afs", "ContentMode")}));
}

void TstValueControls::enumeratedChoices()
{
    auto enumSv = std::make_unique<TarnEnumSV>();
    QSignalSpy enumsChanged(enumSv.get(), &TarnEnumSV::enumsChanged);
    const QStringList modes = {QStringLiteral("Speech"), QStringLiteral("Music"), QStringLiteral("Speech/Music")};
    // Unbound: no listing is taken, also not one without a path.
    emit m_link.adaptor()->enumsAvailable(modes, QString());
    QCOMPARE(enumsChanged.count(), 0);

    enumSv->setPoName(QStringLiteral("Afs"));
    enumSv->setSvName(QStringLiteral("ContentMode"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("lc", "Afs", "ContentMode"), line("sub", "Afs", "ContentMode")}));
    QCOMPARE(enumSv->enumPath(), QStringLiteral("\\\\Preset\\Afs\\SV\\ContentMode\\EN"));

    emit m_link.adaptor()->enumsAvailable(modes, QStringLiteral("\\\\Preset\\Afs\\SV\\FilterMode\\EN"));
    QCOMPARE(enumsChanged.count(), 0);
    emit m_link.adaptor()->enumsAvailable(modes, enumSv->enumPath());
    emit m_link.adaptor()->enumsAvailable(modes, enumSv->enumPath());
    QCOMPARE(enumsChanged.count(), 1);
    QCOMPARE(enumSv->enums(), modes);
    // Same length, one item different; then a shorter list.
    QStringList changed = modes;
    changed[1] = QStringLiteral("Music ");
    emit m_link.adaptor()->enumsAvailable(changed, enumSv->enumPath());
    emit m_link.adaptor()->enumsAvailable(changed.mid(0, 2), enumSv->enumPath());
    QCOMPARE(enumsChanged.count(), 3);
    QCOMPARE(enumSv->property("enums").toStringList(), changed.mid(0, 2));

    // Values behave as for a text variable.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Afs"), QStringLiteral("ContentMode"), QStringLiteral("Music"));
    QCOMPARE(enumSv->value(), QStringLiteral("Music"));
    QVERIFY(m_link.sent().isEmpty());

    enumSv->requestEnums();
    QCOMPARE(m_link.take(), QList<QByteArray>({line("lc", "Afs", "ContentMode")}));
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("lc", "Afs", "ContentMode"), line("sub", "Afs", "ContentMode")}));

    // Node-level choices are named by their own path.
    auto node = std::make_unique<TarnEnumSV>();
    node->setPoName(QStringLiteral("NPO"));
    node->setSvName(QStringLiteral("Node\\SV\\HardwareVersion"));
    QCOMPARE(node->enumPath(), QStringLiteral("\\\\Node\\SV\\HardwareVersion\\EN"));
    QCOMPARE(m_link.take(), QList<QByteArray>({"lc \"\\\\Node\\SV\\HardwareVersion\\\"", "sub \"\\\\Node\\SV\\HardwareVersion\\\""}));

    // Not logged in: neither listing nor subscription.
    QVERIFY(m_link.logout());
    auto offline = bound<TarnEnumSV>("RTA", "Averaging");
    offline->requestEnums();
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(m_link.login());
    // Every enumerated control lists and subscribes at the login.
    const QList<QByteArray> atLogin = m_link.take();
    QVERIFY(atLogin.contains(line("lc", "RTA", "Averaging")));
    QVERIFY(atLogin.contains(line("sub", "RTA", "Averaging")));
    QVERIFY(atLogin.contains(line("lc", "Afs", "ContentMode")));
}

void TstValueControls::labelAndTextField()
{
    auto label = bound<TarnLabel>("RoomEQ", "Response");
    QSignalSpy labelChanged(label.get(), &TarnLabel::labelValueChanged);
    m_link.offer(QStringLiteral("subr"), QStringLiteral("RoomEQ"), QStringLiteral("Response"), QStringLiteral("Flat"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("RoomEQ"), QStringLiteral("Response"), QStringLiteral("Flat"));
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("RoomEQ"), QStringLiteral("Response"), QString());
    m_link.offer(QStringLiteral("setr"), QStringLiteral("RoomEQ"), QStringLiteral("Response"), QStringLiteral("Other"));
    QCOMPARE(label->labelValue(), QStringLiteral("Flat"));
    QCOMPARE(labelChanged.count(), 1);
    m_link.clear();
    label->setProperty("labelValue", QStringLiteral("typed"));
    QCOMPARE(labelChanged.count(), 2);
    QVERIFY(m_link.sent().isEmpty());

    auto field = std::make_unique<TarnTextField>();
    field->setUnit(QStringLiteral("ms"));
    field->setPoName(QStringLiteral("InputDelay"));
    field->setSvName(QStringLiteral("Amount"));
    field->componentCompleted();
    m_link.clear();
    QSignalSpy fieldChanged(field.get(), &TarnLabel::labelValueChanged);

    // The part in the field's unit is shown; the echo of a set counts too.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("1.25ms/0.43m/1.41ft"));
    QCOMPARE(field->labelValue(), QStringLiteral("1.25ms"));
    m_link.offer(QStringLiteral("setr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("2.00ms/0.69m/2.25ft"));
    QCOMPARE(field->labelValue(), QStringLiteral("2.00ms"));
    // No part in the unit, "unsubr", another form: nothing shown.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("0.69m/2.25ft"));
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QString());
    m_link.offer(QStringLiteral("subr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("9ms"), QStringLiteral("%"));
    QCOMPARE(field->labelValue(), QStringLiteral("2.00ms"));
    QCOMPARE(fieldChanged.count(), 2);
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "InputDelay", "Amount")})); // after "unsubr"

    // An edit goes out with its unit; the processor's own text is never sent back.
    field->setLabelValue(QStringLiteral("3.5"));
    field->setLabelValue(QStringLiteral("4ms"));
    field->setLabelValue(QStringLiteral("2.00ms"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "InputDelay", "Amount", "3.5ms"),
                                                line("set", "InputDelay", "Amount", "4ms")}));

    // Another unit picks another part.
    field->setUnit(QStringLiteral("ft"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("2.00ms/0.69m/2.25ft"));
    QCOMPARE(field->labelValue(), QStringLiteral("2.25ft"));
    QVERIFY(m_link.sent().isEmpty());

    // Its own unsubscription, then the base's.
    field.reset();
    QCOMPARE(m_link.take(), QList<QByteArray>({line("unsub", "InputDelay", "Amount"), line("unsub", "InputDelay", "Amount")}));
}

void TstValueControls::exclusiveGroup()
{
    auto group = bound<TarnExclusiveGroup>("GEQ", "QuickCurve");
    m_link.clear();
    QSignalSpy changed(group.get(), &TarnExclusiveGroup::selectedValueChanged);

    // Nothing is sent before the processor's value is known.
    group->setSelectedValue(QStringLiteral("Speech"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(m_link.sent().isEmpty());

    m_link.offer(QStringLiteral("subr"), QStringLiteral("GEQ"), QStringLiteral("QuickCurve"), QStringLiteral("Flat"));
    QCOMPARE(group->selectedValue(), QStringLiteral("Flat"));
    QVERIFY(m_link.sent().isEmpty());
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("GEQ"), QStringLiteral("QuickCurve"), QString());
    QCOMPARE(group->selectedValue(), QStringLiteral("Flat"));
    m_link.clear();

    group->setSelectedValue(QStringLiteral("Performance Venue"));
    group->setSelectedValue(QStringLiteral("Flat")); // the processor's value: not sent
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "GEQ", "QuickCurve", "\"Performance Venue\"")}));

    group.reset();
    QCOMPARE(m_link.take(), QList<QByteArray>({line("unsub", "GEQ", "QuickCurve"), line("unsub", "GEQ", "QuickCurve")}));
    // Unbound: the request without names is not sent at all.
    auto unbound = std::make_unique<TarnExclusiveGroup>();
    unbound.reset();
    QVERIFY(m_link.sent().isEmpty());
}

void TstValueControls::comboBox()
{
    auto combo = bound<CustomComboBox>("RTARouter", "Source");
    m_link.clear();
    QSignalSpy changed(combo.get(), &CustomComboBox::deviceSvValueChanged);

    m_link.offer(QStringLiteral("get"), QStringLiteral("RTARouter"), QStringLiteral("Source"), QStringLiteral("Input A"));
    QCOMPARE(changed.count(), 0);
    // Every report is announced, also an unchanged one.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("RTARouter"), QStringLiteral("Source"), QStringLiteral("RTA Mic"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("RTARouter"), QStringLiteral("Source"), QStringLiteral("RTA Mic"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(combo->deviceSvValue(), QStringLiteral("RTA Mic"));

    combo->setValueWithoutFeedback(QStringLiteral("RTA Mic"));
    QVERIFY(m_link.sent().isEmpty());
    combo->setValueWithoutFeedback(QStringLiteral("Input B"));
    QCOMPARE(m_link.take(), QList<QByteArray>({line("set", "RTARouter", "Source", "\"Input B\"")}));
    QCOMPARE(combo->deviceSvValue(), QStringLiteral("RTA Mic"));

    combo.reset();
    QCOMPARE(m_link.take(), QList<QByteArray>({line("unsub", "RTARouter", "Source"), line("unsub", "RTARouter", "Source")}));
}

TARN_TEST_MAIN(TstValueControls, QCoreApplication)
#include "tst_valuecontrols.moc"
