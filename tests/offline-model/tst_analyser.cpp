#include "analyserscene.h"
#include "catalogue.h"
#include "devicestate.h"

#include <QtTest>

#include <algorithm>

using tarn::offline::AnalyserScene;
using tarn::offline::analyserBandCentreHz;
using tarn::offline::analyserBandLevel;
using tarn::offline::Catalogue;
using tarn::offline::DeviceState;

namespace {
const QString kSpectrum = QStringLiteral("Preset\\RTA\\SV\\AllMeters");

QVector<double> bands(const DeviceState &state)
{
    QVector<double> out;
    const QStringList parts = state.display(state.indexOf(kSpectrum)).split(QLatin1Char(' '));
    for (const QString &p : parts)
        out << p.toDouble();
    return out;
}

// The mean of each band over many ticks, so the swing and the noise average out.
QVector<double> meanBands(DeviceState &state, int ticks = 240)
{
    QVector<double> sum(31, 0.0);
    for (int t = 0; t < ticks; ++t) {
        state.tick();
        const QVector<double> now = bands(state);
        for (int b = 0; b < 31 && b < now.size(); ++b)
            sum[b] += now[b];
    }
    for (double &s : sum)
        s /= ticks;
    return sum;
}

void set(DeviceState &state, const QString &key, const QString &value)
{
    QString why;
    const auto result = state.write(state.indexOf(key), value, false, &why);
    QVERIFY2(result == DeviceState::WriteResult::Changed || result == DeviceState::WriteResult::Unchanged, qPrintable(why));
}
} // namespace

// The offline model's analyser: what the measurement microphone hears of the signal generator,
// and the programme on the inputs.
class TstAnalyser : public QObject {
    Q_OBJECT
private slots:
    void bandLevels();
    void spectrumFollowsTheGenerator();
};

void TstAnalyser::bandLevels()
{
    QCOMPARE(analyserBandCentreHz(0), 20.0);
    QVERIFY(qAbs(analyserBandCentreHz(17) - 1016.0) < 1.0);

    AnalyserScene scene;
    scene.source = QStringLiteral("RTA Mic");
    scene.generatorOn = true;
    scene.amplitudeDb = -20;
    // Pink noise: equal in every band, steady.
    const auto pink0 = analyserBandLevel(scene, 0, 31, -30);
    const auto pink30 = analyserBandLevel(scene, 30, 31, -30);
    QCOMPARE(pink0.mean, pink30.mean);
    QVERIFY(pink0.motion < 0.5);
    // White noise: 3 dB per octave up.
    scene.signal = AnalyserScene::Signal::WhiteNoise;
    QVERIFY(qAbs(analyserBandLevel(scene, 20, 31, -30).mean - analyserBandLevel(scene, 17, 31, -30).mean - 3.0) < 1e-9);
    // A sine lights its band, a little of the neighbours and nothing else.
    scene.signal = AnalyserScene::Signal::Sine;
    scene.sineHz = 250;
    const double peak = analyserBandLevel(scene, 11, 31, -30).mean;
    QCOMPARE(peak, -23.0);
    QVERIFY(analyserBandLevel(scene, 10, 31, -30).mean < peak - 20);
    QVERIFY(analyserBandLevel(scene, 12, 31, -30).mean < peak - 20);
    QVERIFY(analyserBandLevel(scene, 20, 31, -30).mean < -60);
    // The analyser's gain lifts what it shows.
    scene.gainDb = 12;
    QCOMPARE(analyserBandLevel(scene, 11, 31, -30).mean, -11.0);
    // On an input it shows the programme, whatever the generator does.
    scene.source = QStringLiteral("Input B");
    QCOMPARE(analyserBandLevel(scene, 4, 31, -30).mean, -30 - 1.0 + 12);
    // Slow averaging steadies the bands.
    scene.averaging = QStringLiteral("Slow");
    QVERIFY(analyserBandLevel(scene, 4, 31, -30).motion < 1.0);
}

void TstAnalyser::spectrumFollowsTheGenerator()
{
    Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(QStringLiteral(":/offline-model/tarn.json"), &error), qPrintable(error));
    DeviceState state(catalogue, 7);
    QCOMPARE(bands(state).size(), 31);

    // The room, quiet, through the microphone.
    const QVector<double> room = meanBands(state);
    QVERIFY(*std::max_element(room.begin(), room.end()) < -50);

    // A 1 kHz sine at -10 dB stands out in its band.
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\Signal Type"), QStringLiteral("Sine"));
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\Sine Frequency"), QStringLiteral("1000"));
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\Signal Amplitude"), QStringLiteral("-10"));
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\SignalGenerator"), QStringLiteral("On"));
    const QVector<double> sine = meanBands(state);
    const int loudest = int(std::max_element(sine.begin(), sine.end()) - sine.begin());
    QCOMPARE(loudest, 17);
    QVERIFY(qAbs(sine[17] - -13.0) < 2.0);

    // Moved to 100 Hz, the peak moves with it; the analyser's gain lifts it.
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\Sine Frequency"), QStringLiteral("100"));
    set(state, QStringLiteral("Preset\\RTA\\SV\\Gain"), QStringLiteral("6"));
    const QVector<double> low = meanBands(state);
    QCOMPARE(int(std::max_element(low.begin(), low.end()) - low.begin()), 7);
    QVERIFY(qAbs(low[7] - -7.0) < 2.0);

    // Pink noise fills every band alike.
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\Signal Type"), QStringLiteral("Pink Noise"));
    const QVector<double> pink = meanBands(state);
    const auto [lo, hi] = std::minmax_element(pink.begin(), pink.end());
    QVERIFY2(*hi - *lo < 3.0, qPrintable(QString::number(*hi - *lo)));

    // On an input the analyser shows the programme, not the generator.
    set(state, QStringLiteral("Preset\\RTARouter\\SV\\Source"), QStringLiteral("Input A"));
    const QVector<double> programme = meanBands(state);
    QVERIFY(programme[0] > programme[30] + 4);

    // Switched off, the room is quiet again.
    set(state, QStringLiteral("Preset\\RTARouter\\SV\\Source"), QStringLiteral("RTA Mic"));
    set(state, QStringLiteral("Preset\\SignalGenerator\\SV\\SignalGenerator"), QStringLiteral("Off"));
    set(state, QStringLiteral("Preset\\RTA\\SV\\Gain"), QStringLiteral("0"));
    const QVector<double> quiet = meanBands(state);
    QVERIFY(*std::max_element(quiet.begin(), quiet.end()) < -50);
}

QTEST_GUILESS_MAIN(TstAnalyser)
#include "tst_analyser.moc"
