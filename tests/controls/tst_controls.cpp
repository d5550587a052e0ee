// Guards against controls that subscribe at the wrong time, take another binding's records, misread
// processor texts, send too often or show unconfirmed values, and a keyed dispatch or watchdog gone wrong.
#include "clientconnectionwatchdog.h"
#include "controlconstants.h"
#include "controldispatcher.h"
#include "linkfixture.h"
#include "customcombobox.h"
#include "fader.h"
#include "linkevents.h"
#include "nudgesteps.h"
#include "remoteconnectionwatchdog.h"
#include "tarnbutton.h"
#include "tarnenumsv.h"
#include "tarnexclusivegroup.h"
#include "tarnled.h"
#include "tarnmeter.h"
#include "tarnnumericalsv.h"
#include "tarnslider.h"
#include "tarntextfield.h"
#include "tarntextsv.h"
#include "testenv.h"
#include "valuetext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaMethod>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <functional>
#include <map>
#include <memory>

using tarn::ControlDispatcher;
using tarn::test::line;
using tarn::test::request;
using tarn::test::LinkFixture;

namespace {
// Writes every signal of the watched objects, with its arguments, into one log, in the order
// they are emitted (the way QSignalSpy taps signals, for many objects and signals at once).
class SignalTap : public QObject {
public:
    explicit SignalTap(QStringList *log) : m_log(log) {}

    void watch(QObject *object, const QString &name)
    {
        const QMetaObject *meta = object->metaObject();
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal)
                continue;
            m_taps.append({name, method});
            QMetaObject::connect(object, i, this, QObject::staticMetaObject.methodCount() + m_taps.size() - 1,
                                 Qt::DirectConnection);
        }
    }

    int qt_metacall(QMetaObject::Call call, int id, void **args) override
    {
        id = QObject::qt_metacall(call, id, args);
        if (id < 0 || call != QMetaObject::InvokeMetaMethod)
            return id;
        const Tap &tap = m_taps.at(id);
        QStringList values;
        const QList<QByteArray> types = tap.method.parameterTypes();
        for (int p = 0; p < types.size(); ++p) {
            QByteArray typeName = types.at(p);
            if (typeName.endsWith('&'))
                typeName.chop(1);
            const int type = QMetaType::type(typeName);
            const QVariant value = type == QMetaType::UnknownType ? QVariant() : QVariant(type, args[p + 1]);
            values.append(value.canConvert<QString>() ? value.toString() : QString::fromLatin1(typeName));
        }
        m_log->append(tap.name + QLatin1Char('.') + QString::fromLatin1(tap.method.name()) + QLatin1Char('(')
                      + values.join(QLatin1Char(',')) + QLatin1Char(')'));
        return -1;
    }

private:
    struct Tap {
        QString name;
        QMetaMethod method;
    };
    QStringList *m_log;
    QList<Tap> m_taps;
};

// A control that writes every record reaching its hook into the log.
class RecordingControl : public TarnControl {
public:
    RecordingControl(const QString &name, QStringList *log) : m_name(name), m_log(log) {}

protected:
    void handleDataAvailable(DataFromDevice data) override
    {
        m_log->append(m_name + QStringLiteral(" got ") + data.command + QLatin1Char(' ') + data.poName + QLatin1Char('/')
                      + data.svName + QLatin1Char('/') + data.valueType + QStringLiteral(" = ") + data.value);
    }

private:
    QString m_name;
    QStringList *m_log;
};

// A control whose filter is wider than one key: everything of its processing object.
class ObjectWideControl : public RecordingControl {
public:
    using RecordingControl::RecordingControl;
    void widen() { receiveEveryRecord(true); }
    bool acceptsRecord(const DataFromDevice &data) const override
    {
        return data.poName == poName() && data.command != QLatin1String("setr");
    }
};

// How many slots the adaptor's record signal reaches (receivers() is protected: reached through
// a member pointer taken in a subclass).
struct ReceiverCount : QObject {
    static int of(const QObject *object, const char *signal)
    {
        return (object->*(&ReceiverCount::receivers))(signal);
    }
};

std::unique_ptr<RecordingControl> recording(const char *name, QStringList *log, const char *po, const char *sv,
                                            const char *valueType = "")
{
    auto control = std::make_unique<RecordingControl>(QLatin1String(name), log);
    control->setValueType(QLatin1String(valueType));
    control->setPoName(QLatin1String(po));
    control->setSvName(QLatin1String(sv));
    control->componentCompleted();
    return control;
}

QList<QByteArray> startingWith(const QList<QByteArray> &lines, const QByteArray &prefix)
{
    QList<QByteArray> found;
    for (const QByteArray &l : lines) {
        if (l.startsWith(prefix))
            found.append(l);
    }
    return found;
}

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

const char kEqFrequencyRanges[] = R"([{"range":"0","low":20,"high":100},{"range":"1","low":100,"high":1000},)"
                                  R"({"range":"2","low":1000,"high":10000},{"range":"3","low":10000,"high":22000}])";
const QByteArray kLevelPoll = line("asyncget", "OutputMeters", "Channel_1_Level");
const QByteArray kClipPoll = line("asyncget", "OutputMeters", "Channel_1_Clip");

using Lines = QList<QByteArray>;
} // namespace

class TstControls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void subscribesAtLoginOnly(); // and unsubscribes on destruction
    void filtersRecordsToItsBinding();
    void remoteWatchdogPollsAndReportsLoss();
    void indexFollowsBindings();
    void keyedEqualsBroadcast();
    void valueTexts();
    void numericalReadsProcessorTexts(); // and throttles user changes
    void textValueAndRequests();
    void enumeratedChoices();
    void labelAndTextField();
    void slider();
    void ratioSlider();
    void onOffButton();
    void nudgeReadsValueTexts();
    void nudgeSends_data();
    void nudgeSends();
    void faderScales();
    void meterScale();
    void meterWaitsForLogin();
    void ledKeepsPollingWhileAnswered();

private:
    QStringList runScenario(ControlDispatcher::Mode mode);
    // The lines sent once the throttle has run out (at least count of them).
    Lines settled(QTimer *throttle, int count = 1)
    {
        const bool done = QTest::qWaitFor([&] { return m_link.sent().size() >= count && !throttle->isActive(); }, 5000);
        Lines lines = m_link.take();
        if (!done)
            lines.append("(still waiting after 5 s)");
        return lines;
    }

    LinkFixture m_link;
};

void TstControls::initTestCase()
{
    QVERIFY(m_link.login());
    QCOMPARE(ControlDispatcher::instance()->mode(), ControlDispatcher::Mode::Keyed);
}

void TstControls::init()
{
    if (!m_link.adaptor()->isReady())
        QVERIFY(m_link.login());
    m_link.clear();
}

void TstControls::cleanup()
{
    ControlDispatcher::instance()->setMode(ControlDispatcher::Mode::Keyed);
}

void TstControls::subscribesAtLoginOnly()
{
    QVERIFY(m_link.logout());
    QStringList log;
    // Made before the login: nothing can be sent yet.
    auto gate = recording("gate", &log, "Gate", "Threshold");
    auto meter = recording("meter", &log, "OutputMeters", "Channel_1_Level", "%");
    meter->setIsMeter(true);
    auto percent = recording("percent", &log, "OutputMeters", "Channel_2_Level", "%");
    auto half = recording("half", &log, "Gate", "");
    QSignalSpy gateReady(gate.get(), &TarnControl::corvexReady);
    QVERIFY(m_link.sent().isEmpty());

    QVERIFY(m_link.login());
    QCOMPARE(gateReady.count(), 1);
    QCOMPARE(startingWith(m_link.take(), "sub"),
             QList<QByteArray>({line("sub", "Gate", "Threshold"), line("sub", "OutputMeters", "Channel_2_Level", nullptr, "%")}));

    // Logged in: completing a control subscribes at once; equal names send nothing more.
    RecordingControl later(QStringLiteral("later"), &log);
    later.setPoName(QStringLiteral("Compressor"));
    later.setSvName(QStringLiteral("Ratio")); // both names set: subscribes
    later.setSvName(QStringLiteral("Ratio"));
    later.setPoName(QStringLiteral("Compressor"));
    half->componentCompleted();
    meter->componentCompleted();
    // A new name subscribes the new path; the old one is left as it is.
    later.setSvName(QStringLiteral("Threshold"));
    const QList<QByteArray> lines = m_link.take();
    QCOMPARE(startingWith(lines, "sub"), QList<QByteArray>({line("sub", "Compressor", "Ratio"), line("sub", "Compressor", "Threshold")}));
    QVERIFY(startingWith(lines, "unsub").isEmpty());

    // Destroyed controls unsubscribe; a meter and a control without both names do not.
    log.clear();
    auto gatePercent = recording("gatePercent", &log, "Gate", "Threshold", "%");
    auto gateMeter = recording("gateMeter", &log, "OutputMeters", "Channel_1_Level");
    gateMeter->setIsMeter(true);
    auto unnamed = recording("unnamed", &log, "Gate", "");
    auto survivor = recording("survivor", &log, "Gate", "Threshold", "%");
    m_link.clear();
    gatePercent.reset();
    gateMeter.reset();
    unnamed.reset();
    // The qualifier is not part of an unsubscription.
    QCOMPARE(startingWith(m_link.take(), "unsub"), QList<QByteArray>({line("unsub", "Gate", "Threshold")}));

    // The processor ends the shared subscription; the control still alive takes it up again.
    m_link.peer().send("unsubr \"\\\\Preset\\Gate\\SV\\Threshold\\%\"\n");
    QTRY_VERIFY(m_link.sent().contains(line("sub", "Gate", "Threshold", nullptr, "%")));
    QCOMPARE(log, QStringList({"survivor got unsubr Gate/Threshold/% = "}));
}

void TstControls::filtersRecordsToItsBinding()
{
    QStringList log;
    auto plain = recording("plain", &log, "Gate", "Threshold");
    auto percent = recording("percent", &log, "Gate", "Threshold", "%");
    m_link.clear();
    // Through the real link: the adaptor's parsing and the controls' filter together.
    QSignalSpy data(m_link.adaptor(), &TCPAdaptor::dataAvailable);
    m_link.peer().send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-3dB\"\n"
                       "subr \"\\\\Preset\\Gate\\SV\\Threshold\\%\" \"40\"\n"
                       "setr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-4dB\"\n"
                       "subr \"\\\\Preset\\Gate\\SV\\Attack\" \"1ms\"\n"
                       "subr \"\\\\Preset\\gate\\SV\\Threshold\" \"-5dB\"\n"
                       "get \"\\\\Preset\\Gate\\SV\\Threshold\" \"-6dB\"\n"
                       "unsubr \"\\\\Preset\\Gate\\SV\\Threshold\"\n");
    QTRY_COMPARE(data.count(), 7);
    QCOMPARE(log, QStringList({"plain got subr Gate/Threshold/ = -3dB", "percent got subr Gate/Threshold/% = 40",
                               "plain got get Gate/Threshold/ = -6dB", "plain got unsubr Gate/Threshold/ = "}));
    // "unsubr": exactly one new subscription.
    QCOMPARE(m_link.take(), QList<QByteArray>({line("sub", "Gate", "Threshold")}));
    // (Records reaching renamed and retyped controls, also during a delivery: keyedEqualsBroadcast.)
}


void TstControls::remoteWatchdogPollsAndReportsLoss()
{
    QVERIFY(m_link.logout());
    m_link.clear();
    RemoteConnectionWatchDog watchdog;
    QTimer *timer = watchdog.findChild<QTimer *>();
    QVERIFY(timer && !timer->isActive());

    QVERIFY(m_link.login());
    QVERIFY(timer->isActive());
    const QByteArray get = "get \"\\\\Node\\SV\\DeviceName\\\"";
    // The timer asks by itself (one real interval) and keeps asking.
    QTRY_COMPARE_WITH_TIMEOUT(m_link.sent().count(get), 1, RemoteConnectionWatchDog::kRepollIntervalMs + 3000);
    QVERIFY(timer->isActive());

    // It polls, it does not subscribe: its answers are not used and never resubscribe anything.
    QSignalSpy data(m_link.adaptor(), &TCPAdaptor::dataAvailable);
    m_link.peer().send("unsubr \"\\\\Node\\SV\\DeviceName\"\n"
                       "get \"\\\\Node\\SV\\DeviceName\" \"Stage left\"\n");
    QTRY_COMPARE(data.count(), 2);
    QVERIFY(startingWith(m_link.sent(), "sub").isEmpty());

    // An orderly disconnection stops it; a poll then finds the link not ready and sends nothing.
    QVERIFY(m_link.logout());
    QTRY_VERIFY(!timer->isActive());
    QMetaObject::invokeMethod(&watchdog, "onRepollTimeout");
    QVERIFY(!timer->isActive());
    QVERIFY(watchdog.connectionAvailable()); // only a link error counts as a loss

    // A lost link stops it and is reported once; the next login makes it available again.
    QSignalSpy lost(&watchdog, &RemoteConnectionWatchDog::connectionLost);
    QVERIFY(m_link.login());
    QVERIFY(timer->isActive());
    m_link.peer().abortCurrent();
    QVERIFY(lost.wait(5000));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!timer->isActive());
    QVERIFY(!watchdog.connectionAvailable());
    m_link.clear();
    QVERIFY(m_link.login());
    QVERIFY(watchdog.connectionAvailable());
    QVERIFY(timer->isActive());
    QMetaObject::invokeMethod(&watchdog, "onRepollTimeout");
    QTRY_COMPARE(m_link.sent().count(get), 1);
    // Losing the PC's network stops it too.
    emit ClientConnectionWatchDog::instance()->connectionLost();
    QVERIFY(!timer->isActive());
}

void TstControls::indexFollowsBindings()
{
    ControlDispatcher *dispatcher = ControlDispatcher::instance();
    const int before = dispatcher->controlCount();
    // (Delivery to renamed, retyped and wide controls is compared against broadcast in keyedEqualsBroadcast.)
    {
        QStringList log;
        TarnNumericalSV a;
        a.setPoName(QStringLiteral("Gate"));
        a.setSvName(QStringLiteral("Threshold"));
        a.setValueType(QStringLiteral("%"));
        ObjectWideControl wide(QStringLiteral("wide"), &log);
        wide.setPoName(QStringLiteral("Gate"));
        wide.widen();
        QCOMPARE(dispatcher->controlCount(), before + 2);
        QCOMPARE(dispatcher->boundCount(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%")), 1);
        QCOMPARE(dispatcher->wideCount(), 1);
    }
    // Destroyed controls leave the index.
    QCOMPARE(dispatcher->controlCount(), before);
    QCOMPARE(dispatcher->wideCount(), 0);
    QCOMPARE(dispatcher->boundCount(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%")), 0);

    // One connection in keyed mode, one per control in broadcast mode.
    TarnLED led;
    TarnMeter meter;
    const char *const dataAvailable = SIGNAL(dataAvailable(DataFromDevice));
    QCOMPARE(ReceiverCount::of(m_link.adaptor(), dataAvailable), 1);
    dispatcher->setMode(ControlDispatcher::Mode::Broadcast);
    QCOMPARE(ReceiverCount::of(m_link.adaptor(), dataAvailable), dispatcher->controlCount());
    dispatcher->setMode(ControlDispatcher::Mode::Keyed);
    QCOMPARE(ReceiverCount::of(m_link.adaptor(), dataAvailable), 1);
}

QStringList TstControls::runScenario(ControlDispatcher::Mode mode)
{
    ControlDispatcher::instance()->setMode(mode);
    QStringList log;
    SignalTap tap(&log);
    QObject context;
    connect(m_link.adaptor(), &TCPAdaptor::sendMessage, &context, [&log](const QByteArray &line) {
        log.append(QStringLiteral("sent ") + QString::fromUtf8(line).trimmed());
    });
    std::map<QString, QPointer<TarnControl>> controls;
    auto add = [&](const QString &name, TarnControl *control, const char *po, const char *sv) {
        tap.watch(control, name);
        control->setPoName(QLatin1String(po));
        control->setSvName(QLatin1String(sv));
        control->componentCompleted();
        controls[name] = control;
        return control;
    };
    auto recording = [&](const QString &name, const char *po, const char *sv) {
        return add(name, new RecordingControl(name, &log), po, sv);
    };

    // Creation order is delivery order: several controls per key, other forms and names between.
    recording(QStringLiteral("first"), "Compressor", "Threshold");
    auto *nsv = static_cast<TarnNumericalSV *>(add(QStringLiteral("nsv"), new TarnNumericalSV, "Compressor", "Threshold"));
    recording(QStringLiteral("second"), "Compressor", "Threshold");
    auto *wide = new ObjectWideControl(QStringLiteral("wide"), &log);
    add(QStringLiteral("wide"), wide, "Compressor", "");
    wide->widen();
    add(QStringLiteral("slider"), new TarnSlider, "Compressor", "Threshold");
    auto *field = new TarnTextField;
    field->setUnit(QStringLiteral("dB"));
    add(QStringLiteral("field"), field, "Compressor", "Threshold");
    add(QStringLiteral("meter"), new TarnMeter, "Compressor", "Threshold");
    add(QStringLiteral("led"), new TarnLED, "Compressor", "GainReduction");
    add(QStringLiteral("tsv"), new TarnTextSV, "Compressor", "Threshold");
    recording(QStringLiteral("late"), "Gate", "Threshold");
    recording(QStringLiteral("victim"), "Compressor", "Threshold");
    recording(QStringLiteral("leaver"), "Compressor", "Threshold");
    add(QStringLiteral("button"), new TarnButton, "Compressor", "Compressor");
    add(QStringLiteral("combo"), new CustomComboBox, "Compressor", "Threshold");
    add(QStringLiteral("group"), new TarnExclusiveGroup, "Compressor", "Threshold");
    add(QStringLiteral("label"), new TarnLabel, "Compressor", "Threshold");
    add(QStringLiteral("enum"), new TarnEnumSV, "Compressor", "Threshold");
    add(QStringLiteral("fader"), new Fader, "Compressor", "Threshold");
    add(QStringLiteral("unbound"), new TarnNumericalSV, "", "");
    recording(QStringLiteral("tail"), "Compressor", "Threshold");
    auto *solo = static_cast<TarnTextSV *>(add(QStringLiteral("solo"), new TarnTextSV, "Compressor", "Solo"));
    auto *wideTail = new ObjectWideControl(QStringLiteral("wideTail"), &log);
    add(QStringLiteral("wideTail"), wideTail, "Compressor", "");
    wideTail->widen();

    // While a record is delivered, one control's reaction renames, destroys and creates others.
    connect(nsv, &TarnNumericalSV::valueChanged, &context, [&](float value) {
        if (value == -5.0f) {
            controls[QStringLiteral("late")]->setPoName(QStringLiteral("Compressor")); // now bound here
            delete controls[QStringLiteral("victim")].data();
            controls[QStringLiteral("leaver")]->setSvName(QStringLiteral("Attack"));
            delete controls[QStringLiteral("first")].data(); // already served
            recording(QStringLiteral("born"), "Compressor", "Threshold");
        } else if (value == -6.0f) {
            controls[QStringLiteral("slider")]->setValueType(QString());
            controls[QStringLiteral("late")]->setValueType(QStringLiteral("%"));
        } else if (value == -7.0f) {
            // Renamed away and back within one delivery.
            controls[QStringLiteral("tail")]->setSvName(QStringLiteral("Other"));
            controls[QStringLiteral("tail")]->setSvName(QStringLiteral("Threshold"));
        }
    });
    // The only control of its key leaves it while the record is delivered.
    connect(solo, &TarnTextSV::valueChanged, &context, [solo](const QString &value) {
        if (value == QLatin1String("go"))
            solo->setSvName(QStringLiteral("Elsewhere"));
    });
    connect(static_cast<TarnTextSV *>(controls[QStringLiteral("tsv")].data()), &TarnTextSV::valueChanged, &context,
            [&](const QString &value) {
                // A later control destroys an earlier one and itself is unaffected.
                if (value == QLatin1String("-20dB"))
                    delete controls[QStringLiteral("second")].data();
            });

    const DataFromDevice script[] = {
        request("subr", "Compressor", "Threshold", "-10.0dB"),
        request("setr", "Compressor", "Threshold", "-11.0dB"),
        request("get", "Compressor", "Threshold", "-12.0dB"),
        request("subr", "Compressor", "Threshold", "50%", "%"),
        request("asyncget", "Compressor", "Threshold", "51%", "%"),
        request("unsubr", "Compressor", "Threshold", ""),
        request("subr", "Compressor", "Threshold", "-5.0dB"),
        request("subr", "Compressor", "Threshold", "-5.5dB"),
        request("subr", "Compressor", "Threshold", "-6.0dB"),
        request("subr", "Compressor", "Threshold", "40%", "%"),
        request("subr", "Compressor", "Threshold", "Inf"),
        request("subr", "Compressor", "Threshold", "-7.0dB"),
        request("subr", "Compressor", "Threshold", "-20dB"),
        request("asyncget", "Compressor", "GainReduction", "-3dB"),
        request("setr", "Compressor", "GainReduction", "-4dB"),
        request("subr", "compressor", "Threshold", "-1dB"),
        request("subr", "Compressor", "Attack", "10.0ms"),
        request("subr", "", "", "stray"),
        request("subr", "Compressor", "Compressor", "On"),
        request("subr", "Gate", "Threshold", "-40dB"),
        request("unsubr", "Compressor", "Threshold", "", "%"),
        request("subr", "Compressor", "Threshold", "-8.0dB"),
        request("subr", "Compressor", "Solo", "go"),
        request("subr", "Compressor", "Solo", "again"),
        request("subr", "Compressor", "Elsewhere", "there"),
    };
    int step = 0;
    for (const DataFromDevice &r : script) {
        log.append(QStringLiteral("-- record %1").arg(++step));
        emit m_link.adaptor()->dataAvailable(r);
    }
    log.append(QStringLiteral("-- login"));
    emit m_link.adaptor()->corvexReady();
    log.append(QStringLiteral("-- end of busy period"));
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    log.append(QStringLiteral("-- destruction"));
    for (auto &entry : controls)
        delete entry.second.data();
    return log;
}

void TstControls::keyedEqualsBroadcast()
{
    const QStringList broadcast = runScenario(ControlDispatcher::Mode::Broadcast);
    const QStringList keyed = runScenario(ControlDispatcher::Mode::Keyed);
    QCOMPARE(keyed, broadcast); // names the first entry that differs

    // The scenario really exercises what it claims to.
    auto section = [&keyed](int n) {
        const int from = keyed.indexOf(QStringLiteral("-- record %1").arg(n));
        const int to = keyed.indexOf(QStringLiteral("-- record %1").arg(n + 1));
        return keyed.mid(from, to - from);
    };
    const QStringList renamedDuringDelivery = section(7);
    QVERIFY(renamedDuringDelivery.contains(QStringLiteral("late got subr Compressor/Threshold/ = -5.0dB")));
    QVERIFY(!renamedDuringDelivery.contains(QStringLiteral("victim got subr Compressor/Threshold/ = -5.0dB")));
    QVERIFY(!renamedDuringDelivery.contains(QStringLiteral("leaver got subr Compressor/Threshold/ = -5.0dB")));
    QVERIFY(!renamedDuringDelivery.contains(QStringLiteral("born got subr Compressor/Threshold/ = -5.0dB")));
    QVERIFY(section(8).contains(QStringLiteral("born got subr Compressor/Threshold/ = -5.5dB")));
    QVERIFY(section(12).contains(QStringLiteral("tail got subr Compressor/Threshold/ = -7.0dB")));
    QVERIFY(section(2).contains(QStringLiteral("field.labelValueChanged(-11.0dB)"))); // "setr" for the field only
    QVERIFY(!section(2).contains(QStringLiteral("nsv.valueChanged(-11)")));
    QVERIFY(section(6).contains(QStringLiteral("sent unsub \"\\\\Preset\\Compressor\\SV\\Threshold\\\"")) == false);
    QVERIFY(section(6).contains(QStringLiteral("sent sub \"\\\\Preset\\Compressor\\SV\\Threshold\\\"")));
    QVERIFY(section(17).contains(QStringLiteral("wide got subr Compressor/Attack/ = 10.0ms")));
    QVERIFY(section(18).contains(QStringLiteral("unbound.valueChanged(0)")));
    QVERIFY(section(23).contains(QStringLiteral("wideTail got subr Compressor/Solo/ = go")));
    QVERIFY(!section(24).contains(QStringLiteral("solo.valueChanged(again)")));
    QVERIFY(section(25).contains(QStringLiteral("solo.valueChanged(there)")));
}


void TstControls::valueTexts()
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
    // Nudge step keys are case-sensitive; a parameter with several ranges has no single step.
    QCOMPARE(tarn::nudge::step(QStringLiteral("EQ:Q:9")), 64.0);
    for (const char *key : {"EQ:Q:10", "EQ:Frequency:-1", "eq:Gain:-1"})
        QCOMPARE(tarn::nudge::step(QLatin1String(key)), 0.0);
}

void TstControls::numericalReadsProcessorTexts()
{
    auto nsv = bound<TarnNumericalSV>("Compressor", "Threshold");
    QCOMPARE(nsv->value(), -1000.0f);
    // Once when the second name is set, once more when the component is complete.
    QCOMPARE(m_link.take(), Lines({line("sub", "Compressor", "Threshold"), line("sub", "Compressor", "Threshold")}));
    QSignalSpy changed(nsv.get(), &TarnNumericalSV::valueChanged);
    // The last rows are left alone: an empty text, an unchanged value, the echo of a set, another
    // form, another name, "unsubr".
    const struct {
        const char *command, *sv, *text, *type;
        float expected;
    } cases[] = {
        {"subr", "Threshold", "2.50kHz", "", 2500.0f}, {"subr", "Threshold", "Off", "", 0.0f},
        {"set", "Threshold", "On", "", 1.0f},          {"subr", "Threshold", "-10.0dB", "", -10.0f},
        {"get", "Threshold", "4.0:1", "", 4.0f},       {"asyncget", "Threshold", "1:2.0", "", 2.0f},
        {"sub", "Threshold", "100Hz", "", 100.0f},     {"subr", "Threshold", "17", "", 17.0f},
        {"subr", "Threshold", "nonsense", "", 0.0f},   {"subr", "Threshold", "", "", 0.0f},
        {"subr", "Threshold", "0", "", 0.0f},          {"setr", "Threshold", "5dB", "", 0.0f},
        {"subr", "Threshold", "50", "%", 0.0f},        {"subr", "threshold", "5", "", 0.0f},
        {"unsubr", "Threshold", "", "", 0.0f},
    };
    for (const auto &c : cases) {
        m_link.offer(QLatin1String(c.command), QStringLiteral("Compressor"), QLatin1String(c.sv), QLatin1String(c.text),
                     QLatin1String(c.type));
        QCOMPARE(nsv->value(), c.expected);
    }
    QCOMPARE(changed.count(), 9);
    changed.clear();
    // "unsubr" subscribes again.
    QCOMPARE(m_link.take(), Lines({line("sub", "Compressor", "Threshold")}));

    // A write from QML shows at once and is not sent: only the processor's values are sent back.
    nsv->setProperty("value", 3.5);
    QCOMPARE(nsv->value(), 3.5f);
    QCOMPARE(changed.count(), 1);
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(!throttleOf(nsv.get())->isActive());

    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-60.0dB"));
    changed.clear();
    // User changes: the processor's own value is not sent again.
    QTimer *throttle = throttleOf(nsv.get());
    nsv->setValueWithoutFeedback(-60.0f);
    QVERIFY(!throttle->isActive());

    // Two changes within one interval: one set, carrying the second; the shown value waits.
    QElapsedTimer clock;
    clock.start();
    nsv->setValueWithoutFeedback(-30.0f);
    nsv->setValueWithoutFeedback(-12.25f);
    QCOMPARE(throttle->interval(), 100);
    QVERIFY(m_link.sent().isEmpty());
    QCOMPARE(settled(throttle), Lines({line("set", "Compressor", "Threshold", "-12.25")}));
    QVERIFY(clock.elapsed() >= 95);
    QCOMPARE(nsv->value(), -60.0f);
    QCOMPARE(changed.count(), 0);

    // Shown once the processor reports it.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("Compressor"), QStringLiteral("Threshold"), QStringLiteral("-12.3dB"));
    QCOMPARE(nsv->value(), -12.3f);
    QCOMPARE(changed.count(), 1);

    // Away and back within one interval ends where the user stopped: the processor's own value.
    nsv->setValueWithoutFeedback(-20.0f);
    nsv->setValueWithoutFeedback(-12.3f);
    QCOMPARE(settled(throttle), Lines({line("set", "Compressor", "Threshold", "-12.3")}));

    // A set sent but not yet confirmed: going back to the processor's value is sent too.
    nsv->setValueWithoutFeedback(-40.0f);
    QTRY_COMPARE(m_link.sent().size(), 1);
    nsv->setValueWithoutFeedback(-12.3f);
    QCOMPARE(settled(throttle, 2), Lines({line("set", "Compressor", "Threshold", "-40"), line("set", "Compressor", "Threshold", "-12.3")}));
}

void TstControls::textValueAndRequests()
{
    auto tsv = bound<TarnTextSV>("NPO", "Node\\SV\\DeviceName");
    // Once when the second name is set, once more when the component is complete.
    QCOMPARE(m_link.take(), Lines({"sub \"\\\\Node\\SV\\DeviceName\\\"", "sub \"\\\\Node\\SV\\DeviceName\\\""}));
    QSignalSpy changed(tsv.get(), &TarnTextSV::valueChanged);

    m_link.offer(QStringLiteral("subr"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left"));
    QCOMPARE(tsv->value(), QStringLiteral("Stage Left"));
    QCOMPARE(changed.count(), 1);
    // Values that came from the processor never go back to it.
    QVERIFY(m_link.sent().isEmpty());
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QString());
    QCOMPARE(tsv->value(), QStringLiteral("Stage Left"));
    QCOMPARE(m_link.take(), Lines({"sub \"\\\\Node\\SV\\DeviceName\\\""}));

    // A write from QML goes out at once.
    tsv->setProperty("value", QStringLiteral("Front of House"));
    QCOMPARE(m_link.take(), Lines({"set \"\\\\Node\\SV\\DeviceName\\\" \"Front of House\""}));

    // Throttled writes: one set with the newest text.
    tsv->setValueWithoutFeedback(QStringLiteral("A"));
    tsv->setValueWithoutFeedback(QStringLiteral("AB"));
    QCOMPARE(settled(throttleOf(tsv.get())), Lines({"set \"\\\\Node\\SV\\DeviceName\\\" \"AB\""}));

    // One-shot reads: one question at a time, and the answer always announced.
    m_link.offer(QStringLiteral("subr"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left"));
    changed.clear();
    m_link.clear();
    tsv->requestValue();
    tsv->requestValue();
    QCOMPARE(m_link.take(), Lines({"asyncget \"\\\\Node\\SV\\DeviceName\\\""}));
    QCOMPARE(tsv->value(), QString());
    QCOMPARE(changed.count(), 0);
    m_link.offer(QStringLiteral("asyncget"), QStringLiteral("NPO"), QStringLiteral("Node\\SV\\DeviceName"), QStringLiteral("Stage Left"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.last().first().toString(), QStringLiteral("Stage Left"));
    QVERIFY(m_link.sent().isEmpty());
    tsv->requestValue();
    QCOMPARE(m_link.take(), Lines({"asyncget \"\\\\Node\\SV\\DeviceName\\\""}));

    tsv->cancelSubscription();
    tsv->subscribe();
    QCOMPARE(m_link.take(), Lines({"unsub \"\\\\Node\\SV\\DeviceName\\\"", "sub \"\\\\Node\\SV\\DeviceName\\\""}));

    // The end of a busy period subscribes again, only when logged in; unbound texts send nothing.
    auto unbound = std::make_unique<TarnTextSV>();
    emit tarn::LinkEvents::instance()->resendDataRequest(false);
    QVERIFY(m_link.sent().isEmpty());
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QCOMPARE(m_link.take(), Lines({"sub \"\\\\Node\\SV\\DeviceName\\\""}));
    QVERIFY(m_link.logout());
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(m_link.login());
    QCOMPARE(m_link.take(), Lines({"sub \"\\\\Node\\SV\\DeviceName\\\""}));

    // A polling text asks instead of subscribing; the base leaves it unsubscribed at the end.
    auto polled = std::make_unique<TarnTextSV>();
    polled->setIsMeter(true);
    polled->setPoName(QStringLiteral("Presets"));
    polled->setSvName(QStringLiteral("Name_3"));
    QCOMPARE(m_link.take(), Lines({"asyncget \"\\\\Storage\\Presets\\SV\\Name_3\\\""}));
    polled.reset();
    tsv.reset();
    QCOMPARE(m_link.take(), Lines({"unsub \"\\\\Node\\SV\\DeviceName\\\""}));
}

void TstControls::enumeratedChoices()
{
    auto enumSv = std::make_unique<TarnEnumSV>();
    QSignalSpy enumsChanged(enumSv.get(), &TarnEnumSV::enumsChanged);
    const QStringList modes = {QStringLiteral("Speech"), QStringLiteral("Music"), QStringLiteral("Speech/Music")};
    // Unbound: no listing is taken, also not one without a path.
    emit m_link.adaptor()->enumsAvailable(modes, QString());
    QCOMPARE(enumsChanged.count(), 0);

    enumSv->setPoName(QStringLiteral("Afs"));
    enumSv->setSvName(QStringLiteral("ContentMode"));
    QCOMPARE(m_link.take(), Lines({line("lc", "Afs", "ContentMode"), line("sub", "Afs", "ContentMode")}));
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

    enumSv->requestEnums();
    QCOMPARE(m_link.take(), Lines({line("lc", "Afs", "ContentMode")}));
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QCOMPARE(m_link.take(), Lines({line("lc", "Afs", "ContentMode"), line("sub", "Afs", "ContentMode")}));

    // Node-level choices are named by their own path.
    auto node = std::make_unique<TarnEnumSV>();
    node->setPoName(QStringLiteral("NPO"));
    node->setSvName(QStringLiteral("Node\\SV\\HardwareVersion"));
    QCOMPARE(node->enumPath(), QStringLiteral("\\\\Node\\SV\\HardwareVersion\\EN"));
    QCOMPARE(m_link.take(), Lines({"lc \"\\\\Node\\SV\\HardwareVersion\\\"", "sub \"\\\\Node\\SV\\HardwareVersion\\\""}));

    // Not logged in: neither listing nor subscription.
    QVERIFY(m_link.logout());
    auto offline = bound<TarnEnumSV>("RTA", "Averaging");
    offline->requestEnums();
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(m_link.login());
    // Every enumerated control lists and subscribes at the login.
    const QList<QByteArray> atLogin = m_link.take();
    for (const QByteArray &wanted : {line("lc", "RTA", "Averaging"), line("sub", "RTA", "Averaging"), line("lc", "Afs", "ContentMode")})
        QVERIFY2(atLogin.contains(wanted), wanted.constData());
}

void TstControls::labelAndTextField()
{
    auto label = bound<TarnLabel>("RoomEQ", "Response");
    QSignalSpy labelChanged(label.get(), &TarnLabel::labelValueChanged);
    const std::pair<const char *, const char *> reports[] = {{"subr", "Flat"}, {"subr", "Flat"}, {"unsubr", ""}, {"setr", "Other"}};
    for (const auto &[command, text] : reports)
        m_link.offer(QLatin1String(command), QStringLiteral("RoomEQ"), QStringLiteral("Response"), QLatin1String(text));
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
    const char *const ignored[][3] = {{"subr", "0.69m/2.25ft", ""}, {"unsubr", "", ""}, {"subr", "9ms", "%"}};
    for (const auto &r : ignored)
        m_link.offer(QLatin1String(r[0]), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QLatin1String(r[1]), QLatin1String(r[2]));
    QCOMPARE(field->labelValue(), QStringLiteral("2.00ms"));
    QCOMPARE(fieldChanged.count(), 2);
    QCOMPARE(m_link.take(), Lines({line("sub", "InputDelay", "Amount")})); // after "unsubr"

    // An edit goes out with its unit; the processor's own text is never sent back.
    field->setLabelValue(QStringLiteral("3.5"));
    field->setLabelValue(QStringLiteral("4ms"));
    field->setLabelValue(QStringLiteral("2.00ms"));
    QCOMPARE(m_link.take(), Lines({line("set", "InputDelay", "Amount", "3.5ms"), line("set", "InputDelay", "Amount", "4ms")}));

    // Another unit picks another part.
    field->setUnit(QStringLiteral("ft"));
    m_link.offer(QStringLiteral("subr"), QStringLiteral("InputDelay"), QStringLiteral("Amount"), QStringLiteral("2.00ms/0.69m/2.25ft"));
    QCOMPARE(field->labelValue(), QStringLiteral("2.25ft"));
    QVERIFY(m_link.sent().isEmpty());

    // Its own unsubscription, then the base's.
    field.reset();
    QCOMPARE(m_link.take(), Lines({line("unsub", "InputDelay", "Amount"), line("unsub", "InputDelay", "Amount")}));
}

void TstControls::slider()
{
    auto slider = std::make_unique<TarnSlider>();
    slider->setPoName(QStringLiteral("Compressor"));
    slider->setSvName(QStringLiteral("Threshold"));
    const QByteArray sub = line("sub", "Compressor", "Threshold", nullptr, "%");
    QCOMPARE(m_link.take(), Lines({sub}));
    // The login subscribes it without announcing corvexReady; a meter flag changes nothing.
    QSignalSpy ready(slider.get(), &TarnControl::corvexReady);
    slider->setIsMeter(true);
    emit m_link.adaptor()->corvexReady();
    QCOMPARE(ready.count(), 0);
    QCOMPARE(m_link.take(), Lines({sub}));
    QVERIFY(QMetaObject::invokeMethod(slider.get(), "sendUnSubRequest"));
    QCOMPARE(m_link.take(), Lines({line("unsub", "Compressor", "Threshold", nullptr, "%")}));
    slider->setIsMeter(false);

    // Positions: a "get", the echo of a set, "unsubr" (no value) and the plain form are left alone.
    QSignalSpy changed(slider.get(), &TarnSlider::stringPropertyChanged);
    const QString po = QStringLiteral("Compressor");
    const QString sv = QStringLiteral("Threshold");
    const QString pc = QStringLiteral("%");
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("42%"), pc);
    for (const char *command : {"get", "setr", "unsubr"})
        m_link.offer(QLatin1String(command), po, sv, QStringLiteral("10%"), pc);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-12.0dB"));
    QCOMPARE(slider->stringProperty(), 42.0f);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_link.take(), Lines({sub})); // "unsubr"

    // A move to the processor's own value is not sent (the throttle and waiting for the
    // confirmation are driven against the offline model); a write from QML goes out at once.
    slider->setValueWithoutFeedback(42.0f);
    QVERIFY(!slider->findChild<QTimer *>()->isActive());
    slider->setProperty("stringProperty", 70.0);
    QCOMPARE(m_link.take(), Lines({line("set", "Compressor", "Threshold", "70", "%")}));

    // On the plain form it reads the value texts; values from the processor are never sent back.
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
    QVERIFY(m_link.sent().isEmpty());
    slider.reset();
    QCOMPARE(m_link.take(), Lines({line("unsub", "Compressor", "Threshold")}));

    // Not logged in: no subscription until the login.
    QVERIFY(m_link.logout());
    auto offline = bound<TarnSlider>("Gate", "Threshold");
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(m_link.login());
    QCOMPARE(m_link.take(), Lines({line("sub", "Gate", "Threshold", nullptr, "%")}));
}

void TstControls::ratioSlider()
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
    // Between entries: the next one up; beyond the table: the end.
    const struct { const char *report; float position; } reports[] = {
        {"100%", 100.0f}, {"0%", 0.0f}, {"2.62626%", 18.0f / 37.0f * 100.0f}, {"1.5%", 13.0f / 37.0f * 100.0f}, {"250%", 100.0f}};
    for (const auto &r : reports) {
        m_link.offer(QStringLiteral("subr"), po, sv, QLatin1String(r.report), pc);
        QCOMPARE(slider->stringProperty(), r.position);
    }
    // Position 50 sends entry 18; 100 the last entry; far outside the travel the nearest end.
    const struct { float position; const char *sent; } moves[] = {{50.0f, "2.62626"}, {0.0f, "0"}, {103.0f, "100"}, {-40.0f, "0"}};
    for (const auto &m : moves) {
        slider->setValueWithoutFeedback(m.position);
        QCOMPARE(settled(slider->findChild<QTimer *>()), Lines({line("set", "Compressor", "Ratio", m.sent, "%")}));
    }
}

void TstControls::onOffButton()
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

    // Other types take no values (toggling, and several variables set in order, are driven
    // through the widgets).
    button->setProperty("buttonType", int(TarnButton::SingleShot));
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("On"));
    QCOMPARE(button->activeState(), false);
}

void TstControls::nudgeReadsValueTexts()
{
    const QString eq = QStringLiteral("Mid Outputs PEQ");
    // A text that is not read leaves the value at 0 and announces nothing.
    const struct {
        QString po;
        const char *sv, *text;
        double expected;
        bool read;
    } rows[] = {
        {eq, "Phase", "180 deg", 180.0, true},
        {eq, "Release", "12dB/s", 12.0, true},
        {eq, "Level", "50%", 50.0, true},
        {eq, "Band_1_Frequency", "2.50kHz", 2500.0, true},
        {eq, "Band_1_Frequency", "2.5KHZ", 2500.0, true},
        {eq, "Band_1_Frequency", "120.0hz", 120.0, true},
        {eq, "Band_1_Gain", "-3.5dB", -3.5, true},
        {"Compressor", "Ratio", "4.0:1", 4.0, true},
        {"Compressor", "Ratio", "Inf:1", 199.0, true},
        {eq, "Ratio", "4.0:1", 0.0, true}, // a ratio elsewhere is no number
        {"Crossover", "Band_3_LPFrequency", "Out", 20100.0, true},
        {"Crossover", "Band_1_HPFrequency", "Out", 15.9, true},
        {"Crossover", "Band_1_Frequency", "Out", 0.0, false},
        {"Gate", "Ratio", "1:2.5", 2.5, true},
        {"InputDelay", "Amount", "12.50ms/4.29m/14.07ft", 12.5, true},
        {"InputDelay", "Amount", "4.29m/14.07ft", 0.0, true},
        {"Afs", "LiftTime", "1m 30s", 90.0, true},
        {"Afs", "LiftTime", "45s", 45.0, true},
        {eq, "Attack", "250ms", 250.0, true},
        {eq, "Window", "2.5 s", 2.5, true},
        {eq, "Window", "1.5S", 1.5, true},
        {eq, "Window", "3m ", 180.0, true},
        {eq, "Q", "4.32", 4.32, true},
        {eq, "Q", "inf", 199.0, true},
    };
    for (const auto &r : rows) {
        TarnButton button;
        button.setButtonType(TarnButton::Nudge);
        button.setPoName(r.po);
        button.setSvName(QLatin1String(r.sv));
        QSignalSpy changed(&button, &TarnButton::valueToNudgeChanged);
        m_link.offer(QStringLiteral("subr"), r.po, QLatin1String(r.sv), QLatin1String(r.text));
        // "unsubr" leaves the value (it has none).
        m_link.offer(QStringLiteral("unsubr"), r.po, QLatin1String(r.sv), QString());
        QVERIFY2(changed.count() == (r.read ? 1 : 0) && double(button.valueToNudge()) == double(float(r.expected)), r.text);
    }
}

void TstControls::nudgeSends_data()
{
    QTest::addColumn<QString>("po");
    QTest::addColumn<QString>("sv");
    QTest::addColumn<QString>("poClass");
    QTest::addColumn<QString>("ranges");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("presses"); // direction and parameter class, or "=" and a report
    QTest::addColumn<QStringList>("sent");

    const QString eq = QStringLiteral("Mid Outputs PEQ");
    const QString frequencies = QString::fromLatin1(kEqFrequencyRanges);
    const QString releases = QStringLiteral(R"([{"range":"0","low":1,"high":10},{"range":"1","low":10,"high":100},)"
                                            R"({"range":"2","low":100,"high":360}])");
    // At a boundary up takes the upper range's step, down the lower one's.
    QTest::newRow("boundary up") << eq << "Band_1_Frequency" << "EQ" << frequencies << "100.0Hz" << QStringList{"1 Frequency"} << QStringList{"101"};
    QTest::newRow("boundary down") << eq << "Band_1_Frequency" << "EQ" << frequencies << "100.0Hz" << QStringList{"-1 Frequency"} << QStringList{"99.9"};
    // Quick presses before the report step on from the value already asked for; beyond every
    // range the last step used stays ("=" is a new report from the processor).
    QTest::newRow("quick presses, beyond every range") << eq << "Band_1_Frequency" << "EQ" << frequencies << "9.99kHz"
        << QStringList{"1 Frequency", "1 Frequency", "=30kHz", "-1 Frequency"} << QStringList{"10000", "10100", "29900"};
    // Release times run the other way: up shortens, and picks its range as a downward step.
    QTest::newRow("release") << "Compressor" << "Release" << "Compressor" << releases << "100dB/s"
                             << QStringList{"1 Release", "-1 Release", "-1 Release"} << QStringList{"98", "100", "105"};
    // No range data: the single step of the parameter; an unknown parameter: step 0.
    QTest::newRow("single step") << eq << "Band_1_Gain" << "EQ" << "[]" << "-3.0dB" << QStringList{"1 Gain", "1 Bogus"} << QStringList{"-2.9", "-2.9"};
    QTest::newRow("delay in ms") << "InputDelay" << "Amount" << "Delay"
                                 << R"([{"range":"0","low":0,"high":1},{"range":"1","low":1,"high":10},{"range":"2","low":10,"high":100}])"
                                 << "12.50ms/4.29m/14.07ft" << QStringList{"1 Amount"} << QStringList{"12.75ms"};
    QTest::newRow("lift time in s") << "Afs" << "LiftTime" << "AFS" << R"([{"range":"0","low":0,"high":60},{"range":"1","low":60,"high":600}])"
                                    << "1m 30s" << QStringList{"1 LiftTime"} << QStringList{"95s"};
    QTest::newRow("infinite ratio") << "Compressor" << "Ratio" << "Compressor" << "[]" << "-Inf:1" << QStringList{"1 Ratio"} << QStringList{"200"};
    QTest::newRow("ratio") << "Compressor" << "Ratio" << "Compressor" << "[]" << "4.0:1" << QStringList{"1 Ratio"} << QStringList{"4"};
}

void TstControls::nudgeSends()
{
    QFETCH(QString, po);
    QFETCH(QString, sv);
    QFETCH(QString, poClass);
    QFETCH(QString, ranges);
    QFETCH(QString, report);
    QFETCH(QStringList, presses);
    QFETCH(QStringList, sent);
    auto button = bound<TarnButton>(qPrintable(po), qPrintable(sv));
    button->setButtonType(TarnButton::Nudge);
    button->setNudgeJsonData(ranges);
    m_link.offer(QStringLiteral("subr"), po, sv, report);
    m_link.clear();
    QSignalSpy changed(button.get(), &TarnButton::valueToNudgeChanged);
    int reports = 0;
    for (const QString &press : presses) {
        if (press.startsWith(QLatin1Char('=')) && ++reports)
            m_link.offer(QStringLiteral("subr"), po, sv, press.mid(1));
        else
            button->onNudged(press.section(QLatin1Char(' '), 0, 0).toInt(), press.section(QLatin1Char(' '), 1), poClass);
    }
    QList<QByteArray> expected;
    for (const QString &value : sent)
        expected << line("set", qPrintable(po), qPrintable(sv), qPrintable(value));
    QCOMPARE(m_link.take(), expected);
    QCOMPARE(changed.count(), reports); // shown only when the processor reports it
}

void TstControls::faderScales()
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
    for (const char *command : {"get", "unsubr", "setr"})
        m_link.offer(QLatin1String(command), po, sv, QStringLiteral("-80dB"));
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
    // The value sent is the one the position shows on this scale.
    QCOMPARE(settled(throttle), Lines({line("set", "OutputGains", "Channel_2_Gain", "-35")}));
    QCOMPARE(fader->faderValue(), 100.0);

    // A percent fader: the number is the position.
    fader->setValueType(QStringLiteral("%"));
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("42%"), QStringLiteral("%"));
    QCOMPARE(fader->faderValue(), 42.0);
    fader->setValueWithoutFeedback(43.5);
    QCOMPARE(settled(throttle), Lines({line("set", "OutputGains", "Channel_2_Gain", "43.5", "%")}));

    // An empty range puts its value at the bottom instead of dividing by zero.
    fader->setValueType(QString());
    fader->setMaximum(-80.0);
    m_link.offer(QStringLiteral("subr"), po, sv, QStringLiteral("-80dB"));
    QCOMPARE(fader->faderValue(), 0.0);

    // A piecewise scale, when given, places values and positions instead.
    fader->setProperty("rangeBounaryValues", QVariant::fromValue(QList<qreal>({-80, -40, -20, 0, 10})));
    fader->setProperty("rangeLengthsInPercentage", QVariant::fromValue(QList<qreal>({10, 20, 40, 30})));
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
    fader->setValueWithoutFeedback(85.0);
    QCOMPARE(settled(throttle), Lines({line("set", "OutputGains", "Channel_2_Gain", "5")}));
}


void TstControls::meterScale()
{
    TarnMeter meter;
    meter.setPoName(QStringLiteral("Compressor"));
    meter.setSvName(QStringLiteral("GainReduction"));
    meter.setRangeBounaryValues({-40, -20, 0});
    meter.setRangeLengthsInPercentage({50, 50});
    meter.setCppSignalThreshold(-60);
    QSignalSpy changed(&meter, &TarnMeter::meterValueChanged);
    // Every report but "unsubr" counts, the echo of a set too; other forms do not.
    const struct {
        const char *command, *text, *type;
        const char *shown;
    } rows[] = {
        {"asyncget", "-10 dB", "", "75"}, {"asyncget", "-10.0DB", "", "75"}, {"asyncget", "-30.0dB", "", "25"},
        {"asyncget", "-33.3dB", "", "16.75"}, {"asyncget", "0.0dB", "", "100"},
        // Over the top: full scale; under the scale but over the threshold: the number; under it: 0.
        {"asyncget", "6.0dB", "", "100"}, {"asyncget", "-50.0dB", "", "-50"}, {"asyncget", "-70.0dB", "", "0"},
        {"asyncget", "-inf dB", "", "0"}, {"setr", "-2dB", "", "95"}, {"unsubr", "", "", "95"}, {"asyncget", "50", "%", "95"},
    };
    for (const auto &r : rows) {
        m_link.offer(QLatin1String(r.command), QStringLiteral("Compressor"), QStringLiteral("GainReduction"),
                     QLatin1String(r.text), QLatin1String(r.type));
        QVERIFY2(meter.meterValue() == QLatin1String(r.shown), r.text);
    }
    QCOMPARE(changed.count(), 7);
    const QString po = QStringLiteral("Compressor");
    const QString sv = QStringLiteral("GainReduction");

    // The threshold cuts off what lies under it.
    meter.setCppSignalThreshold(-5);
    m_link.offer(QStringLiteral("asyncget"), po, sv, QStringLiteral("-10 dB"));
    QCOMPARE(meter.meterValue(), QStringLiteral("0"));

    // Without a scale the text is shown as it came, less its unit.
    meter.setRangeBounaryValues({0});
    m_link.offer(QStringLiteral("asyncget"), po, sv, QStringLiteral("-12.5dB"));
    QCOMPARE(meter.meterValue(), QStringLiteral("-12.5"));

    // A percent meter shows the number without "%" and without scaling.
    meter.setRangeBounaryValues({-40, -20, 0});
    meter.setValueType(QStringLiteral("%"));
    m_link.offer(QStringLiteral("asyncget"), po, sv, QStringLiteral("42.5%"), QStringLiteral("%"));
    QCOMPARE(meter.meterValue(), QStringLiteral("42.5"));
}

void TstControls::meterWaitsForLogin()
{
    QVERIFY(m_link.logout());
    auto meter = bound<TarnMeter>("OutputMeters", "Channel_1_Level");
    auto led = bound<TarnLED>("OutputMeters", "Channel_1_Clip");
    QSignalSpy meterReady(meter.get(), &TarnControl::corvexReady);
    QSignalSpy ledReady(led.get(), &TarnControl::corvexReady);
    QVERIFY(!meter->findChild<QTimer *>()->isActive());
    QVERIFY(m_link.sent().isEmpty());

    // The login polls at once (the meter counts itself answered while logged out).
    QVERIFY(m_link.login());
    const QList<QByteArray> atLogin = m_link.take();
    QCOMPARE(QList<int>({atLogin.count(kLevelPoll), atLogin.count(kClipPoll), int(meterReady.count()), int(ledReady.count())}),
             QList<int>({1, 1, 0, 0}));

    // Losing the link stops the meter's ticking after one more tick.
    QSignalSpy lost(meter.get(), &TarnControl::connectionLost);
    m_link.peer().abortCurrent();
    QVERIFY(lost.wait(5000));
    QTRY_VERIFY(!meter->findChild<QTimer *>()->isActive());
    QVERIFY(m_link.login());
}

// Lighting with the processor and the next poll after each answer are driven through the widget.
void TstControls::ledKeepsPollingWhileAnswered()
{
    auto led = bound<TarnLED>("OutputMeters", "Channel_1_Clip");
    // Asked at once (once per name given, once on completion), never subscribed.
    QCOMPARE(m_link.take(), Lines({kClipPoll, kClipPoll}));
    QSignalSpy changed(led.get(), &TarnLED::valueChanged);
    QTimer *timer = led->findChild<QTimer *>();
    QVERIFY(!timer->isActive());
    // An unchanged text is not announced, but the polling goes on, one interval after the answer.
    for (const char *answer : {"Off", "Off"}) {
        QElapsedTimer clock;
        clock.start();
        m_link.offer(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Clip"), QLatin1String(answer));
        QTRY_COMPARE(m_link.sent().size(), 1);
        QVERIFY(clock.elapsed() >= tarn::controls::kPollIntervalMs - 5);
        QCOMPARE(m_link.take(), Lines({kClipPoll}));
    }
    QCOMPARE(changed.count(), 1);

    // "unsubr" is no answer; unanswered, the LED stops asking.
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Clip"), QString());
    QVERIFY(!timer->isActive());
    QCOMPARE(led->value(), QStringLiteral("Off"));
    // The end of a busy period starts it again.
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QCOMPARE(m_link.take(), Lines({kClipPoll}));
    led.reset();
    QVERIFY(m_link.sent().isEmpty());
}

TARN_TEST_MAIN(TstControls, QCoreApplication)
#include "tst_controls.moc"
