// Guards against controls that subscribe at the wrong time or take another binding's records, a
// remote watchdog that misses a loss, and a keyed dispatch that drifts from the broadcast it replaces.
#include "clientconnectionwatchdog.h"
#include "controldispatcher.h"
#include "linkfixture.h"
#include "customcombobox.h"
#include "fader.h"
#include "linkevents.h"
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

#include <QCoreApplication>
#include <QMetaMethod>
#include <QPointer>
#include <QTimer>

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
} // namespace

class TstControlBase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void subscribesAtLoginOnly(); // and unsubscribes on destruction
    void filtersRecordsToItsBinding(); // and follows it when renamed
    void remoteWatchdogPollsAndReportsLoss();
    void indexFollowsBindings();
    void keyedEqualsBroadcast(); // also through a real loss and login

private:
    QStringList runScenario(ControlDispatcher::Mode mode);
    LinkFixture m_link;
};

void TstControlBase::initTestCase()
{
    QVERIFY(m_link.login());
    QCOMPARE(ControlDispatcher::instance()->mode(), ControlDispatcher::Mode::Keyed);
}

void TstControlBase::init()
{
    if (!m_link.adaptor()->isReady())
        QVERIFY(m_link.login());
    m_link.clear();
}

void TstControlBase::cleanup()
{
    ControlDispatcher::instance()->setMode(ControlDispatcher::Mode::Keyed);
}

void TstControlBase::subscribesAtLoginOnly()
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
    QSignalSpy svChanged(&later, &TarnControl::svNameChanged);
    later.setSvName(QStringLiteral("Ratio"));
    later.setPoName(QStringLiteral("Compressor"));
    QCOMPARE(svChanged.count(), 0);
    half->componentCompleted();
    meter->componentCompleted();
    // A new name subscribes the new path; the old one is left as it is.
    later.setSvName(QStringLiteral("Threshold"));
    QCOMPARE(svChanged.count(), 1);
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

void TstControlBase::filtersRecordsToItsBinding()
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

    // The filter on its own, as a subclass or an index would ask it.
    QVERIFY(plain->acceptsRecord(request("subr", "Gate", "Threshold", "")));
    QVERIFY(!percent->acceptsRecord(request("subr", "Gate", "Threshold", "")));
    QVERIFY(!plain->acceptsRecord(request("setr", "Gate", "Threshold", "")));

    // Renamed, retyped and named back: each record over the real link reaches a control only under
    // the binding it has when the record arrives.
    log.clear();
    data.clear();
    plain->setSvName(QStringLiteral("Attack"));
    m_link.peer().send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-3dB\"\n"
                       "subr \"\\\\Preset\\Gate\\SV\\Attack\" \"1ms\"\n");
    QTRY_COMPARE(data.count(), 2);
    plain->setValueType(QStringLiteral("%"));
    m_link.peer().send("subr \"\\\\Preset\\Gate\\SV\\Attack\" \"2ms\"\n"
                       "subr \"\\\\Preset\\Gate\\SV\\Attack\\%\" \"30%\"\n");
    QTRY_COMPARE(data.count(), 4);
    plain->setPoName(QStringLiteral("Compressor"));
    plain->setValueType(QString());
    plain->setPoName(QStringLiteral("Gate"));
    plain->setSvName(QStringLiteral("Threshold"));
    m_link.peer().send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-4dB\"\n");
    QTRY_COMPARE(data.count(), 5);
    QCOMPARE(log, QStringList({"plain got subr Gate/Attack/ = 1ms", "plain got subr Gate/Attack/% = 30%",
                               "plain got subr Gate/Threshold/ = -4dB"}));
}


void TstControlBase::remoteWatchdogPollsAndReportsLoss()
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

void TstControlBase::indexFollowsBindings()
{
    ControlDispatcher *dispatcher = ControlDispatcher::instance();
    const int before = dispatcher->controlCount();
    QStringList log;
    {
        TarnNumericalSV a;
        TarnSlider b;
        QCOMPARE(dispatcher->controlCount(), before + 2);
        QCOMPARE(dispatcher->boundCount(QString(), QString(), QString()), 1);
        QCOMPARE(dispatcher->boundCount(QString(), QString(), QStringLiteral("%")), 1);

        a.setPoName(QStringLiteral("Gate"));
        a.setSvName(QStringLiteral("Threshold"));
        b.setPoName(QStringLiteral("Gate"));
        b.setSvName(QStringLiteral("Threshold"));
        QCOMPARE(dispatcher->boundCount(QStringLiteral("Gate"), QStringLiteral("Threshold"), QString()), 1);
        QCOMPARE(dispatcher->boundCount(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%")), 1);
        QCOMPARE(dispatcher->boundCount(QString(), QString(), QString()), 0);

        // A control that becomes "%" moves over; one record reaches both.
        a.setValueType(QStringLiteral("%"));
        QCOMPARE(dispatcher->boundCount(QStringLiteral("Gate"), QStringLiteral("Threshold"), QString()), 0);
        QCOMPARE(dispatcher->boundCount(QStringLiteral("Gate"), QStringLiteral("Threshold"), QStringLiteral("%")), 2);
        emit m_link.adaptor()->dataAvailable(request("subr", "Gate", "Threshold", "25%", "%"));
        QCOMPARE(a.value(), 0.0f); // reached: a number control reads no "%"
        QCOMPARE(b.stringProperty(), 25.0f);

        // Only the wide control is offered everything.
        ObjectWideControl wide(QStringLiteral("wide"), &log);
        wide.setPoName(QStringLiteral("Gate"));
        wide.widen();
        QCOMPARE(dispatcher->wideCount(), 1);
        emit m_link.adaptor()->dataAvailable(request("subr", "Gate", "Attack", "1.0ms"));
        emit m_link.adaptor()->dataAvailable(request("subr", "Compressor", "Attack", "1.0ms"));
        QCOMPARE(log, QStringList({QStringLiteral("wide got subr Gate/Attack/ = 1.0ms")}));
    }
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

QStringList TstControlBase::runScenario(ControlDispatcher::Mode mode)
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

void TstControlBase::keyedEqualsBroadcast()
{
    const QStringList broadcast = runScenario(ControlDispatcher::Mode::Broadcast);
    const QStringList keyed = runScenario(ControlDispatcher::Mode::Keyed);
    for (int i = 0; i < qMin(broadcast.size(), keyed.size()); ++i) {
        if (broadcast.at(i) != keyed.at(i))
            QFAIL(qPrintable(QStringLiteral("entry %1 differs: broadcast \"%2\", keyed \"%3\"").arg(i).arg(broadcast.at(i), keyed.at(i))));
    }
    QCOMPARE(keyed.size(), broadcast.size());

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

    // A real loss and login through the link, in both modes: the same lines reach the processor.
    auto run = [this](ControlDispatcher::Mode mode) {
        ControlDispatcher::instance()->setMode(mode);
        TarnNumericalSV nsv;
        TarnSlider slider;
        TarnLED led;
        TarnEnumSV choices;
        const std::pair<TarnControl *, const char *> bindings[] = {{&nsv, "Threshold"}, {&slider, "Threshold"}, {&led, "GainReduction"}, {&choices, "Mode"}};
        for (const auto &[control, sv] : bindings) {
            control->setPoName(QStringLiteral("Gate"));
            control->setSvName(QLatin1String(sv));
        }
        QSignalSpy lost(&nsv, &TarnControl::connectionLost);
        m_link.peer().abortCurrent();
        if (!lost.wait(5000))
            return QList<QByteArray>({"no loss"});
        m_link.clear();
        if (!m_link.login())
            return QList<QByteArray>({"no login"});
        QList<QByteArray> lines = m_link.take();
        // The values that follow reach the controls the same way.
        m_link.peer().send("subr \"\\\\Preset\\Gate\\SV\\Threshold\" \"-33.0dB\"\n"
                           "subr \"\\\\Preset\\Gate\\SV\\Threshold\\%\" \"12%\"\n");
        QSignalSpy sliderMoved(&slider, &TarnSlider::stringPropertyChanged);
        if (!QTest::qWaitFor([&] { return nsv.value() == -33.0f && slider.stringProperty() == 12.0f; }, 5000))
            return QList<QByteArray>({"no values"});
        lines.append(QByteArray::number(nsv.value()) + ' ' + QByteArray::number(slider.stringProperty()));
        return lines;
    };
    const QList<QByteArray> broadcastLines = run(ControlDispatcher::Mode::Broadcast);
    const QList<QByteArray> keyedLines = run(ControlDispatcher::Mode::Keyed);
    QCOMPARE(keyedLines, broadcastLines);
    QVERIFY(keyedLines.contains(line("sub", "Gate", "Threshold", nullptr, "%")));
    QVERIFY(keyedLines.contains(line("lc", "Gate", "Mode")));
    QVERIFY(keyedLines.contains(line("asyncget", "Gate", "GainReduction")));
}


TARN_TEST_MAIN(TstControlBase, QCoreApplication)
#include "tst_tarncontrol.moc"
