// Guards against equalisers and a feedback suppressor in the offline model that do not act by
// themselves as a processor does: quick curves, filters placed and lifted, the room measurement.
#include "catalogue.h"
#include "eqbehaviour.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "testenv.h"

#include <QCoreApplication>

#include <cmath>

using tarn::offline::EqBehaviour;
using tarn::test::LinkClient;
using tarn::test::ModelProcess;

namespace {
constexpr int kWaitMs = 10000;

// One model with its clock stopped and one logged-in client.
struct Rig {
    ModelProcess model;
    LinkClient client;

    bool start(const QStringList &extra = QStringList())
    {
        QStringList args = {QStringLiteral("--meter-interval"), QStringLiteral("0")};
        args << extra;
        return model.start(args) && client.login(model.port());
    }
    // Sends a line and returns its answer; values pushed meanwhile are skipped (and kept in
    // the client's records).
    QString ask(const QString &line)
    {
        const QString word = line.section(QLatin1Char(' '), 0, 0);
        const QStringList answers = word == QLatin1String("set") ? QStringList{QStringLiteral("setr "), QStringLiteral("error ")}
                                                                 : QStringList{word + QLatin1Char(' '), QStringLiteral("error ")};
        QSignalSpy lines(&client, &LinkClient::lineReceived);
        client.sendRaw(line.toUtf8() + '\n');
        for (int seen = 0;; ++seen) {
            while (lines.size() <= seen) {
                if (!lines.wait(kWaitMs))
                    return QStringLiteral("(no answer)");
            }
            const QString text = lines.at(seen).first().toString();
            for (const QString &a : answers) {
                if (text.startsWith(a))
                    return text;
            }
        }
    }
    QString get(const QString &object, const QString &sv)
    {
        ask(QStringLiteral("get \"\\\\Preset\\%1\\SV\\%2\"").arg(object, sv));
        return client.value(object, sv);
    }
    QString set(const QString &object, const QString &sv, const QString &value)
    {
        return ask(QStringLiteral("set \"\\\\Preset\\%1\\SV\\%2\" \"%3\"").arg(object, sv, value));
    }
    double number(const QString &object, const QString &sv)
    {
        QString text = get(object, sv);
        double scale = 1.0;
        if (text.endsWith(QLatin1String("kHz"))) {
            text.chop(3);
            scale = 1000.0;
        } else if (text.endsWith(QLatin1String("Hz")) || text.endsWith(QLatin1String("dB"))) {
            text.chop(2);
        }
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? v * scale : std::nan("");
    }
    QVector<double> filterGains()
    {
        QVector<double> gains;
        for (int n = 1; n <= 12; ++n)
            gains << number(QStringLiteral("Afs"), QStringLiteral("Band_%1_Gain").arg(n));
        return gains;
    }
    bool tick(int n) { return ask(QStringLiteral("model tick %1").arg(n)).startsWith(QLatin1String("model ok")); }
};

int placed(const QVector<double> &gains)
{
    int n = 0;
    for (double g : gains)
        n += g < 0 ? 1 : 0;
    return n;
}
} // namespace

class TstOfflineEq : public QObject {
    Q_OBJECT
private slots:
    void curvesAndQuickCurveTables();
    void quickCurvesSetTheBands();
    void suppressorPlacesDeepensAndMovesFilters();
    void suppressorModesAndLiftTime();
    void suppressorIsRepeatableWithTheSeed();
    void roomMeasurementIsThereAndReadOnly();
};

void TstOfflineEq::curvesAndQuickCurveTables()
{
    for (const char *name : {"Flat", "MyBand", "Speech", "Performance Venue", "DJ"}) {
        const QVector<double> curve = EqBehaviour::quickCurve(QLatin1String(name));
        QCOMPARE(curve.size(), 31);
        for (double level : curve)
            QVERIFY2(level >= -12.0 && level <= 12.0, name);
    }
    QVERIFY(EqBehaviour::quickCurve(QStringLiteral("Manual")).isEmpty());
    QVERIFY(EqBehaviour::quickCurve(QStringLiteral("Speech; drop table")).isEmpty());

    // 160 points per decade with 20 Hz at index 143 and 20 kHz at 623.
    QVERIFY(std::fabs(EqBehaviour::curveFrequency(143) - 20.0) < 1e-9);
    QVERIFY(std::fabs(EqBehaviour::curveFrequency(303) - 200.0) < 1e-9);
    QVERIFY(std::fabs(EqBehaviour::curveFrequency(623) - 20000.0) < 1e-6);
    const QStringList room = EqBehaviour::curveText(&EqBehaviour::roomLevel).split(QLatin1Char(' '));
    QCOMPARE(room.size(), EqBehaviour::kCurvePoints);
    for (const QString &n : room) {
        bool ok = false;
        const double v = n.toDouble(&ok);
        QVERIFY2(ok && v >= -40.0 && v <= 20.0, qPrintable(n));
    }
    // The room: the speaker rolls off below 40 Hz, a mode near 63 Hz, a dip near 180 Hz, a
    // falling top. The target: a rise in the bass, flat mids, a falling top.
    QVERIFY(EqBehaviour::roomLevel(20.0) < -8.0);
    QVERIFY(EqBehaviour::roomLevel(63.0) > EqBehaviour::roomLevel(100.0) + 3.0);
    QVERIFY(EqBehaviour::roomLevel(180.0) < EqBehaviour::roomLevel(300.0) - 2.0);
    QVERIFY(EqBehaviour::roomLevel(18000.0) < -4.0);
    QCOMPARE(EqBehaviour::targetLevel(1000.0), 0.0);
    QVERIFY(std::fabs(EqBehaviour::targetLevel(20.0) - 4.0) < 1e-9);
    QVERIFY(std::fabs(EqBehaviour::targetLevel(20000.0) + std::log2(10.0)) < 1e-9);

    // Only empty texts are filled: a catalogue that brings its own measurement keeps it.
    tarn::offline::Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json"), &error), qPrintable(error));
    const QString response = QStringLiteral("Preset\\RoomEQ\\SV\\Response");
    const QString target = QStringLiteral("Preset\\RoomEQ\\SV\\Target");
    QVERIFY(catalogue.variables()[size_t(catalogue.indexOf(response))].initial.isEmpty());
    EqBehaviour::addRoomMeasurement(&catalogue);
    QCOMPARE(catalogue.variables()[size_t(catalogue.indexOf(response))].initial,
             EqBehaviour::curveText(&EqBehaviour::roomLevel));
    QVERIFY(catalogue.overrideInitial(target, QStringLiteral("1 2 3"), &error));
    tarn::offline::Catalogue other = catalogue;
    QVERIFY(other.overrideInitial(response, QString(), &error));
    EqBehaviour::addRoomMeasurement(&other);
    QVERIFY(other.variables()[size_t(other.indexOf(response))].initial.isEmpty());
    QCOMPARE(other.variables()[size_t(other.indexOf(target))].initial, QStringLiteral("1 2 3"));
}

void TstOfflineEq::quickCurvesSetTheBands()
{
    Rig rig;
    QVERIFY2(rig.start(), qPrintable(rig.model.output()));
    const QString geq = QStringLiteral("GEQ");
    QCOMPARE(rig.get(geq, QStringLiteral("QuickCurve")), QStringLiteral("Flat"));

    // A subscriber sees the bands move when the curve is chosen.
    rig.ask(QStringLiteral("sub \"\\\\Preset\\GEQ\\SV\\100 Hz\""));
    QVERIFY(rig.set(geq, QStringLiteral("QuickCurve"), QStringLiteral("DJ")).startsWith(QLatin1String("setr")));
    QCOMPARE(rig.client.value(geq, QStringLiteral("100 Hz")), QStringLiteral("4.0dB"));
    QCOMPARE(rig.get(geq, QStringLiteral("40 Hz")), QStringLiteral("6.0dB"));
    QCOMPARE(rig.get(geq, QStringLiteral("500 Hz")), QStringLiteral("-2.0dB"));
    QCOMPARE(rig.get(geq, QStringLiteral("QuickCurve")), QStringLiteral("DJ"));
    QCOMPARE(rig.get(QStringLiteral("LeftGEQ"), QStringLiteral("40 Hz")).isEmpty(), true); // not running

    // A band moved by hand: the curve is the user's now; the other bands stay.
    QVERIFY(rig.set(geq, QStringLiteral("1.0 kHz"), QStringLiteral("-3")).startsWith(QLatin1String("setr")));
    QCOMPARE(rig.get(geq, QStringLiteral("QuickCurve")), QStringLiteral("Manual"));
    QCOMPARE(rig.get(geq, QStringLiteral("40 Hz")), QStringLiteral("6.0dB"));
    // Choosing "Manual" changes no band.
    QVERIFY(rig.set(geq, QStringLiteral("QuickCurve"), QStringLiteral("Speech")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.set(geq, QStringLiteral("QuickCurve"), QStringLiteral("Manual")).startsWith(QLatin1String("setr")));
    QCOMPARE(rig.get(geq, QStringLiteral("100 Hz")), QStringLiteral("-6.0dB"));
    QCOMPARE(rig.get(geq, QStringLiteral("1.0 kHz")), QStringLiteral("0.0dB"));
    // An unknown curve is refused and changes nothing.
    QVERIFY(rig.set(geq, QStringLiteral("QuickCurve"), QStringLiteral("Disco")).startsWith(QLatin1String("error")));
    QCOMPARE(rig.get(geq, QStringLiteral("100 Hz")), QStringLiteral("-6.0dB"));
}

void TstOfflineEq::suppressorPlacesDeepensAndMovesFilters()
{
    Rig rig;
    QVERIFY2(rig.start(), qPrintable(rig.model.output()));
    const QString afs = QStringLiteral("Afs");
    QCOMPARE(rig.get(afs, QStringLiteral("AFS")), QStringLiteral("On"));
    QVector<double> gains = rig.filterGains();
    QCOMPARE(placed(gains), 2);

    // The first step rings in filter 7, the first after the six fixed ones, at -3 dB.
    QVERIFY(rig.tick(1));
    gains = rig.filterGains();
    QCOMPARE(gains[6], -3.0);
    QCOMPARE(placed(gains), 3);
    const double frequency = rig.number(afs, QStringLiteral("Band_7_Frequency"));
    QVERIFY2(frequency >= 200.0 && frequency <= 8000.0, qPrintable(QString::number(frequency)));
    const double q = rig.number(afs, QStringLiteral("Band_7_Q"));
    QVERIFY(q >= 8.0 && q <= 32.0);

    // Between events (15 steps in speech/music) nothing moves; the next event deepens it.
    QVERIFY(rig.tick(13));
    QCOMPARE(rig.filterGains(), gains);
    QVERIFY(rig.tick(2));
    QCOMPARE(rig.number(afs, QStringLiteral("Band_7_Gain")), -6.0);

    // In time all six live filters are taken, none deeper than -18 dB, the fixed ones untouched.
    QVERIFY(rig.tick(15 * 40));
    gains = rig.filterGains();
    QCOMPARE(placed(gains), 8);
    QCOMPARE(gains[0], -9.5);
    QCOMPARE(gains[1], -6.0);
    for (int i = 2; i < 6; ++i)
        QCOMPARE(gains[i], 0.0);
    for (int i = 6; i < 12; ++i)
        QVERIFY2(gains[i] <= -3.0 && gains[i] >= -18.0, qPrintable(QString::number(gains[i])));

    // New rings then move the oldest live filters; the fixed ones stay where they are.
    QStringList before;
    for (int n = 1; n <= 12; ++n)
        before << rig.get(afs, QStringLiteral("Band_%1_Frequency").arg(n));
    QVERIFY(rig.tick(15 * 10));
    int moved = 0;
    for (int n = 1; n <= 12; ++n) {
        const bool same = rig.get(afs, QStringLiteral("Band_%1_Frequency").arg(n)) == before.at(n - 1);
        if (n <= 6)
            QVERIFY(same);
        moved += same ? 0 : 1;
    }
    QVERIFY(moved >= 1);

    // The filters are the processor's: a client cannot set them.
    QVERIFY(rig.set(afs, QStringLiteral("Band_7_Gain"), QStringLiteral("-1")).startsWith(QLatin1String("error read only")));
}

void TstOfflineEq::suppressorModesAndLiftTime()
{
    Rig rig;
    QVERIFY2(rig.start(), qPrintable(rig.model.output()));
    const QString afs = QStringLiteral("Afs");

    // Fixed: no live filters.
    QVERIFY(rig.set(afs, QStringLiteral("FilterMode"), QStringLiteral("Fixed")).startsWith(QLatin1String("setr")));
    const QVector<double> start = rig.filterGains();
    QVERIFY(rig.tick(100));
    QCOMPARE(rig.filterGains(), start);

    // Off: nothing either.
    QVERIFY(rig.set(afs, QStringLiteral("FilterMode"), QStringLiteral("Fixed + Live")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.set(afs, QStringLiteral("AFS"), QStringLiteral("Off")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.tick(100));
    QCOMPARE(rig.filterGains(), start);

    // Live with all twelve: the first free filter is filter 3; with no fixed filters kept
    // aside, fewer fixed ones leave more live ones.
    QVERIFY(rig.set(afs, QStringLiteral("AFS"), QStringLiteral("On")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.set(afs, QStringLiteral("FilterMode"), QStringLiteral("Live")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.tick(1));
    QCOMPARE(rig.number(afs, QStringLiteral("Band_3_Gain")), -3.0);

    // A lift time of one second lets live filters go after ten steps (100 ms each).
    QVERIFY(rig.set(afs, QStringLiteral("LiftTime"), QStringLiteral("1")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.tick(9));
    QCOMPARE(rig.number(afs, QStringLiteral("Band_3_Gain")), -3.0);
    QVERIFY(rig.tick(1));
    QCOMPARE(rig.number(afs, QStringLiteral("Band_3_Gain")), 0.0);
    // In live mode the setup filters count as live and are lifted as well.
    QCOMPARE(rig.number(afs, QStringLiteral("Band_1_Gain")), 0.0);

    // Speech is caught sooner: ten steps between events.
    QVERIFY(rig.set(afs, QStringLiteral("LiftTime"), QStringLiteral("Off")).startsWith(QLatin1String("setr")));
    QVERIFY(rig.set(afs, QStringLiteral("ContentMode"), QStringLiteral("Speech")).startsWith(QLatin1String("setr")));
    const int before = placed(rig.filterGains());
    QVERIFY(rig.tick(60));
    QVERIFY(placed(rig.filterGains()) > before);
}

void TstOfflineEq::suppressorIsRepeatableWithTheSeed()
{
    Rig a;
    Rig b;
    QVERIFY2(a.start({QStringLiteral("--seed"), QStringLiteral("11")}), qPrintable(a.model.output()));
    QVERIFY2(b.start({QStringLiteral("--seed"), QStringLiteral("11")}), qPrintable(b.model.output()));
    QVERIFY(a.tick(120));
    QVERIFY(b.tick(120));
    for (int n = 1; n <= 12; ++n) {
        const QString sv = QStringLiteral("Band_%1_Frequency").arg(n);
        QCOMPARE(a.get(QStringLiteral("Afs"), sv), b.get(QStringLiteral("Afs"), sv));
    }
    QCOMPARE(a.filterGains(), b.filterGains());
}

void TstOfflineEq::roomMeasurementIsThereAndReadOnly()
{
    Rig rig;
    QVERIFY2(rig.start(), qPrintable(rig.model.output()));
    const QString response = rig.get(QStringLiteral("RoomEQ"), QStringLiteral("Response"));
    QCOMPARE(response, EqBehaviour::curveText(&EqBehaviour::roomLevel));
    QCOMPARE(rig.get(QStringLiteral("RoomEQ"), QStringLiteral("Target")), EqBehaviour::curveText(&EqBehaviour::targetLevel));
    QVERIFY(rig.set(QStringLiteral("RoomEQ"), QStringLiteral("Response"), QStringLiteral("0 0 0")).startsWith(QLatin1String("error read only")));
    // It belongs to every preset: a recall keeps it.
    QVERIFY(rig.ask(QStringLiteral("set \"\\\\Storage\\Presets\\SV\\Recall\" \"3\"")).startsWith(QLatin1String("setr")));
    QTRY_VERIFY_WITH_TIMEOUT(rig.ask(QStringLiteral("get \"\\\\Storage\\Presets\\SV\\CurrentPreset\""))
                                 .endsWith(QLatin1String("\"3\"")), kWaitMs);
    QCOMPARE(rig.get(QStringLiteral("RoomEQ"), QStringLiteral("Response")), response);
}

TARN_TEST_MAIN(TstOfflineEq, QCoreApplication)
#include "tst_offlineeq.moc"
