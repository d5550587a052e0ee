// Guards against meters and LEDs that scale levels wrongly, poll too often or not at all, or keep
// polling a link that is gone.
#include "controlconstants.h"
#include "controlstestutil.h"
#include "linkevents.h"
#include "tarnled.h"
#include "tarnmeter.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

using tarn::test::line;
using tarn::test::LinkFixture;

namespace {
const QByteArray kLevelPoll = line("asyncget", "OutputMeters", "Channel_1_Level");
const QByteArray kClipPoll = line("asyncget", "OutputMeters", "Channel_1_Clip");

template <typename T>
std::unique_ptr<T> bound(const char *po, const char *sv)
{
    auto control = std::make_unique<T>();
    control->setPoName(QString::fromLatin1(po));
    control->setSvName(QString::fromLatin1(sv));
    control->componentCompleted();
    return control;
}

int countOf(const QList<QByteArray> &lines, const QByteArray &wanted)
{
    return int(std::count(lines.begin(), lines.end(), wanted));
}
} // namespace

class TstMeters : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void meterScale();
    void meterPollsAfterEachAnswer();
    void meterRepollsAfterTenMissedTicks();
    void meterWaitsForLogin();
    void ledKeepsPollingWhileAnswered();

private:
    LinkFixture m_link;
};

void TstMeters::initTestCase()
{
    QVERIFY(m_link.login());
}

void TstMeters::init()
{
    m_link.clear();
}

void TstMeters::meterScale()
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
        {"asyncget", "-10 dB", "", "75"},
        {"asyncget", "-10.0DB", "", "75"},
        {"asyncget", "-30.0dB", "", "25"},
        {"asyncget", "-33.3dB", "", "16.75"},
        {"asyncget", "0.0dB", "", "100"},
        {"asyncget", "6.0dB", "", "100"},     // over the top: full scale
        {"asyncget", "-50.0dB", "", "-50"},   // under the scale, over the threshold
        {"asyncget", "-70.0dB", "", "0"},     // under the threshold
        {"asyncget", "-inf dB", "", "0"},
        {"setr", "-2dB", "", "95"},
        {"unsubr", "", "", "95"},
        {"asyncget", "50", "%", "95"},
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

void TstMeters::meterPollsAfterEachAnswer()
{
    auto meter = bound<TarnMeter>("OutputMeters", "Channel_1_Level");
    QTimer *timer = meter->findChild<QTimer *>();
    QCOMPARE(timer->interval(), tarn::controls::kPollIntervalMs);
    QVERIFY(timer->isSingleShot());
    // Made while logged in, it has no answer yet: its first poll comes after ten ticks.
    QTRY_COMPARE_WITH_TIMEOUT(countOf(m_link.sent(), kLevelPoll), 1, 3000);

    for (int round = 0; round < 3; ++round) {
        m_link.clear();
        QElapsedTimer clock;
        clock.start();
        m_link.offer(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level"),
                     QStringLiteral("-12.0dB"));
        QVERIFY(timer->isActive());
        QTRY_COMPARE(countOf(m_link.sent(), kLevelPoll), 1);
        QVERIFY2(clock.elapsed() >= tarn::controls::kPollIntervalMs - 5, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_link.sent().size(), 1);
    }
    // Destroyed: nothing more, no unsubscription.
    m_link.clear();
    meter.reset();
    QVERIFY(m_link.sent().isEmpty());
}

void TstMeters::meterRepollsAfterTenMissedTicks()
{
    auto meter = std::make_unique<TarnMeter>();
    meter->setPoName(QStringLiteral("OutputMeters"));
    meter->setSvName(QStringLiteral("Channel_1_Level"));
    QTimer *timer = meter->findChild<QTimer *>();
    // Drive the ticks by hand: nine unanswered ticks send nothing, the tenth asks again.
    auto tick = [&meter, timer]() {
        timer->stop();
        QVERIFY(QMetaObject::invokeMethod(meter.get(), "sendDataRequest"));
    };
    m_link.clear();
    for (int i = 0; i < 8; ++i) // setSvName above was the first
        tick();
    QVERIFY(m_link.sent().isEmpty());
    QVERIFY(timer->isActive()); // still ticking
    tick();
    QCOMPARE(m_link.take(), QList<QByteArray>({kLevelPoll}));
    for (int i = 0; i < 9; ++i)
        tick();
    QVERIFY(m_link.sent().isEmpty());
    tick();
    QCOMPARE(m_link.take(), QList<QByteArray>({kLevelPoll}));
    // An answer makes the next tick ask at once.
    m_link.offer(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Level"), QStringLiteral("-3dB"));
    tick();
    QCOMPARE(m_link.take(), QList<QByteArray>({kLevelPoll}));

    // With the real timer: the next poll after an unanswered one comes ten ticks later.
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(countOf(m_link.sent(), kLevelPoll), 1, 5000);
    QVERIFY2(clock.elapsed() >= 9 * tarn::controls::kPollIntervalMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(timer->isActive());
}

void TstMeters::meterWaitsForLogin()
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
    QCOMPARE(countOf(atLogin, kLevelPoll), 1);
    QCOMPARE(countOf(atLogin, kClipPoll), 1);
    QCOMPARE(meterReady.count(), 0);
    QCOMPARE(ledReady.count(), 0);

    // Losing the link stops the meter's ticking after one more tick.
    QSignalSpy lost(meter.get(), &TarnControl::connectionLost);
    m_link.peer().abortCurrent();
    QVERIFY(lost.wait(5000));
    QTRY_VERIFY(!meter->findChild<QTimer *>()->isActive());
    QVERIFY(m_link.login());
}

void TstMeters::ledKeepsPollingWhileAnswered()
{
    auto led = bound<TarnLED>("OutputMeters", "Channel_1_Clip");
    // Asked at once (once per name given, once on completion), never subscribed.
    QCOMPARE(m_link.take(), QList<QByteArray>({kClipPoll, kClipPoll}));
    QSignalSpy changed(led.get(), &TarnLED::valueChanged);
    QTimer *timer = led->findChild<QTimer *>();
    QVERIFY(!timer->isActive());

    const char *answers[] = {"Off", "Off", "On", "On", "Off"};
    for (const char *answer : answers) {
        QElapsedTimer clock;
        clock.start();
        m_link.offer(QStringLiteral("asyncget"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Clip"),
                     QLatin1String(answer));
        QCOMPARE(led->value(), QLatin1String(answer));
        QTRY_COMPARE(m_link.sent().size(), 1);
        QVERIFY(clock.elapsed() >= tarn::controls::kPollIntervalMs - 5);
        QCOMPARE(m_link.take(), QList<QByteArray>({kClipPoll}));
    }
    // An unchanged text is not announced, but the polling went on.
    QCOMPARE(changed.count(), 3);

    // "unsubr" is no answer; unanswered, the LED stops asking.
    m_link.offer(QStringLiteral("unsubr"), QStringLiteral("OutputMeters"), QStringLiteral("Channel_1_Clip"), QString());
    QVERIFY(!timer->isActive());
    QCOMPARE(led->value(), QStringLiteral("Off"));
    // The end of a busy period starts it again.
    emit tarn::LinkEvents::instance()->resendDataRequest(true);
    QCOMPARE(m_link.take(), QList<QByteArray>({kClipPoll}));
    led.reset();
    QVERIFY(m_link.sent().isEmpty());
}

TARN_TEST_MAIN(TstMeters, QCoreApplication)
#include "tst_meters.moc"
