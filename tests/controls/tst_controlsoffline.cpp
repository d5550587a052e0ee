// Guards against controls that show values the offline model did not confirm, stay unbound
// after a dropped connection, or poll meters while the application is busy.
#include "appbusy.h"
#include "linkclient.h"
#include "linkfixture.h"
#include "modelprocess.h"
#include "tarnmeter.h"
#include "tarnnumericalsv.h"
#include "tarnslider.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

using tarn::test::ModelProcess;

namespace {
constexpr int kWait = 5000;

// Every line the adaptor hands to the worker, with the time it left the control.
struct SentLine {
    qint64 at;
    QByteArray text;
};
} // namespace

class TstControlsOffline : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void sliderShowsOnlyConfirmedValues();
    void controlMadeBeforeLoginSubscribesAtEveryLogin();
    void metersPollAndPauseWhileBusy();

private:
    bool login() { return tarn::test::loginAdaptor(m_model.port(), QStringLiteral("stagemanagers")); }
    QList<SentLine> sentStartingWith(const QByteArray &prefix) const;

    ModelProcess m_model;
    TCPAdaptor *m_adaptor = nullptr;
    QElapsedTimer m_clock;
    QList<SentLine> m_sent;
};

void TstControlsOffline::initTestCase()
{
    QVERIFY2(m_model.start({QStringLiteral("--seed"), QStringLiteral("3")}), qPrintable(m_model.output()));
    m_adaptor = TCPAdaptor::instance();
    m_clock.start();
    connect(m_adaptor, &TCPAdaptor::sendMessage, this, [this](const QByteArray &line) {
        m_sent.append({m_clock.elapsed(), line.trimmed()});
    });
}

void TstControlsOffline::cleanup()
{
    tarn::AppBusy::setBusy(false);
    QVERIFY(tarn::test::logoutAdaptor());
    m_sent.clear();
}

QList<SentLine> TstControlsOffline::sentStartingWith(const QByteArray &prefix) const
{
    QList<SentLine> lines;
    for (const SentLine &line : m_sent) {
        if (line.text.startsWith(prefix))
            lines.append(line);
    }
    return lines;
}

void TstControlsOffline::sliderShowsOnlyConfirmedValues()
{
    QVERIFY(login());
    TarnSlider slider;
    slider.setPoName(QStringLiteral("Compressor"));
    slider.setSvName(QStringLiteral("Gain"));
    slider.componentCompleted();
    // Gain -20 ... 20 dB, 0 dB at first: half way.
    QTRY_COMPARE_WITH_TIMEOUT(slider.stringProperty(), 50.0f, kWait);

    // What the slider shows changes only with a report from the processor. This listener runs
    // after the controls', so a change shown belongs to the record not yet listed here.
    QList<DataFromDevice> records;
    connect(m_adaptor, &TCPAdaptor::dataAvailable, &slider, [&records](const DataFromDevice &r) { records.append(r); });
    QList<QPair<float, int>> shown;
    connect(&slider, &TarnSlider::stringPropertyChanged, &slider, [&](float v) { shown.append({v, records.size()}); });

    // The user drags for a while: one position every few milliseconds.
    m_sent.clear();
    const QByteArray set = "set \"\\\\Preset\\Compressor\\SV\\Gain\\%\"";
    int moves = 0;
    QTimer drag;
    drag.setInterval(4);
    connect(&drag, &QTimer::timeout, &slider, [&]() {
        ++moves;
        slider.setValueWithoutFeedback(50.0f + float(moves));
        if (moves == 40)
            drag.stop();
    });
    drag.start();
    QTRY_VERIFY_WITH_TIMEOUT(!drag.isActive(), kWait);
    // The last position always goes out.
    QTRY_VERIFY_WITH_TIMEOUT(!sentStartingWith(set).isEmpty() && sentStartingWith(set).last().text == set + " \"90\"", kWait);

    const QList<SentLine> sets = sentStartingWith(set);
    QVERIFY2(sets.size() < moves / 2, qPrintable(QString::number(sets.size())));
    for (int i = 1; i < sets.size(); ++i)
        QVERIFY2(sets.at(i).at - sets.at(i - 1).at >= 29, qPrintable(QString::number(sets.at(i).at - sets.at(i - 1).at)));

    // It ends at the processor's confirmation of the last position, and every value it showed
    // came with a report of the processor ("subr"; its answers to sets are not shown).
    QTRY_COMPARE_WITH_TIMEOUT(slider.stringProperty(), 90.0f, kWait);
    QVERIFY(!shown.isEmpty());
    for (const auto &entry : shown) {
        QVERIFY(entry.second < records.size());
        const DataFromDevice &cause = records.at(entry.second);
        QCOMPARE(QStringList({cause.command, cause.svName, cause.valueType, cause.value}),
                 QStringList({"subr", "Gain", "%", QString::number(double(entry.first)) + QLatin1Char('%')}));
    }
}

void TstControlsOffline::controlMadeBeforeLoginSubscribesAtEveryLogin()
{
    TarnNumericalSV threshold;
    threshold.setPoName(QStringLiteral("Gate"));
    threshold.setSvName(QStringLiteral("Threshold"));
    threshold.componentCompleted();
    QVERIFY(m_sent.isEmpty());
    QCOMPARE(threshold.value(), -1000.0f);

    const QByteArray sub = "sub \"\\\\Preset\\Gate\\SV\\Threshold\\\"";
    QVERIFY(login());
    QTRY_COMPARE_WITH_TIMEOUT(threshold.value(), -60.0f, kWait);
    QCOMPARE(sentStartingWith(sub).size(), 1);

    // Another console changes it, and makes the model drop the application's connection.
    tarn::test::LinkClient side;
    QVERIFY(side.login(m_model.port()));
    side.sendRaw("set \"\\\\Preset\\Gate\\SV\\Threshold\" \"-42.5dB\"\n");
    QTRY_COMPARE_WITH_TIMEOUT(threshold.value(), -42.5f, kWait);

    // The processor drops the connection: the control is unavailable until QML says otherwise,
    // and after the next login it is bound again.
    QSignalSpy lost(&threshold, &TarnControl::connectionLost);
    side.sendRaw("model drop-all\n");
    QVERIFY(lost.wait(kWait));
    QVERIFY(!threshold.connectionAvailable());
    m_sent.clear();
    QVERIFY(login());
    QTRY_COMPARE_WITH_TIMEOUT(sentStartingWith(sub).size(), 1, kWait);
    QVERIFY(!threshold.connectionAvailable());
    side.sendRaw("set \"\\\\Preset\\Gate\\SV\\Threshold\" \"-12.5dB\"\n");
    QTRY_COMPARE_WITH_TIMEOUT(threshold.value(), -12.5f, kWait);
}

void TstControlsOffline::metersPollAndPauseWhileBusy()
{
    QVERIFY(login());
    TarnMeter meter;
    meter.setPoName(QStringLiteral("OutputMeters"));
    meter.setSvName(QStringLiteral("Channel_1_Level"));
    meter.setRangeBounaryValues({-90, -40, -20, 0});
    meter.setRangeLengthsInPercentage({20, 40, 40});
    meter.setCppSignalThreshold(-90);
    meter.componentCompleted();

    // Answers come back, and each next poll leaves a poll interval after the answer before it.
    QList<qint64> answers;
    QElapsedTimer clock;
    clock.start();
    connect(m_adaptor, &TCPAdaptor::dataAvailable, &meter, [&](const DataFromDevice &r) {
        if (r.svName == QLatin1String("Channel_1_Level") && r.command == QLatin1String("asyncget"))
            answers.append(clock.elapsed());
    });
    QTRY_VERIFY_WITH_TIMEOUT(answers.size() >= 8, kWait);
    const QByteArray poll = "asyncget \"\\\\Preset\\OutputMeters\\SV\\Channel_1_Level\\\"";
    for (int i = 1; i < answers.size(); ++i)
        QVERIFY2(answers.at(i) - answers.at(i - 1) >= 95, qPrintable(QString::number(answers.at(i) - answers.at(i - 1))));
    const double meterValue = meter.meterValue().toDouble();
    QVERIFY2(meterValue > 0.0 && meterValue <= 100.0, qPrintable(meter.meterValue()));

    // Busy: the polls stay at the worker, so no answers come, and the meter keeps ticking.
    tarn::AppBusy::setBusy(true);
    const int polls = sentStartingWith(poll).size();
    QSignalSpy records(m_adaptor, &TCPAdaptor::dataAvailable);
    // At most the answer to a poll already on its way.
    records.wait(300);
    records.clear();
    QVERIFY(!records.wait(1500));
    QVERIFY(meter.findChild<QTimer *>()->isActive());
    // Unanswered, the meter asks again only after several missed ticks (not at every one); the
    // link held the polls back.
    const int unanswered = sentStartingWith(poll).size() - polls;
    QVERIFY2(unanswered <= 4, qPrintable(QString::number(unanswered)));

    // Not busy: polling resumes by itself.
    tarn::AppBusy::setBusy(false);
    const int before = answers.size();
    QTRY_VERIFY_WITH_TIMEOUT(answers.size() >= before + 3, kWait);
}

TARN_TEST_MAIN(TstControlsOffline, QCoreApplication)
#include "tst_controlsoffline.moc"
