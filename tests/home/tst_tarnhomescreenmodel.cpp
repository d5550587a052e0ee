// Guards against crossover group flags and the dual-mono and stereo-input states drawn wrongly
// from what the processor reports, and against home-screen requests missing on the wire.
#include "scriptedpeer.h"
#include "settingskeys.h"
#include "tarnhomescreenmodel.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QSignalSpy>


using tarn::test::ScriptedPeer;

namespace {
constexpr int kWait = 5000;

struct Flags {
    bool low, mid, high, stereoLow, stereoMid, stereoHigh;
    bool operator==(const Flags &o) const
    {
        return low == o.low && mid == o.mid && high == o.high && stereoLow == o.stereoLow
            && stereoMid == o.stereoMid && stereoHigh == o.stereoHigh;
    }
};

Flags flagsOf(const TarnHomeScreenModel &m)
{
    return {m.lowVisible(), m.midVisible(), m.highVisible(), m.stereoOutputLow(), m.stereoOutputMid(), m.stereoOutputHigh()};
}

QString setting(const char *key)
{
    return TarnSettings::text(QString::fromLatin1(key));
}

void writeSetting(const char *key, const QString &value)
{
    TarnSettings::write(QString::fromLatin1(key), value);
}

void deliver(TarnHomeScreenModel &model, const QString &sv, const QString &value)
{
    DataFromDevice d;
    d.poName = QStringLiteral("Crossover");
    d.svName = sv;
    d.value = value;
    d.command = QStringLiteral("subr");
    model.onhomeScreenDataAvailable(&d);
}

// Every flag signal of the model, in the order they came.
class SignalLog : public QObject {
public:
    explicit SignalLog(TarnHomeScreenModel *m)
    {
        auto note = [this](const char *name) { return [this, name]() { names.append(QLatin1String(name)); }; };
        connect(m, &TarnHomeScreenModel::lowVisibleChanged, this, note("low"));
        connect(m, &TarnHomeScreenModel::midVisibleChanged, this, note("mid"));
        connect(m, &TarnHomeScreenModel::highVisibleChanged, this, note("high"));
        connect(m, &TarnHomeScreenModel::stereoOutputLowChanged, this, note("stereoLow"));
        connect(m, &TarnHomeScreenModel::stereoOutputMidChanged, this, note("stereoMid"));
        connect(m, &TarnHomeScreenModel::stereoOutputHighChanged, this, note("stereoHigh"));
        connect(m, &TarnHomeScreenModel::stereoInputChanged, this, note("stereoInput"));
    }
    QStringList names;
};
} // namespace

Q_DECLARE_METATYPE(Flags)

class TstTarnHomeScreenModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void flagTable_data();
    void flagTable();
    void unknownBandCountChangesNothing_data();
    void unknownBandCountChangesNothing();
    void flagsSetInOrderAndOnlyOnChange();
    void recordHandedToHolder();
    void otherRecordsIgnored();
    void listingRules();
    void answersFromTheWire();

private:
    bool login(ScriptedPeer &peer);
    TCPAdaptor *m_adaptor = nullptr;
};

void TstTarnHomeScreenModel::initTestCase()
{
    m_adaptor = TCPAdaptor::instance();
    QVERIFY(m_adaptor);
    writeSetting(tarn::keys::CurrentDeviceAddress, QStringLiteral("127.0.0.1"));
    writeSetting(tarn::keys::CurrentDevicePassword, QStringLiteral("secret"));
}

void TstTarnHomeScreenModel::init()
{
    TarnSettings settings;
    for (const char *key : {tarn::keys::CrossoverNumBand, tarn::keys::CrossoverMonoSub, tarn::keys::CrossoverLowGroupVisible,
                            tarn::keys::CrossoverMidGroupVisible, tarn::keys::CrossoverHighGroupVisible})
        settings.remove(QString::fromLatin1(key));
}

void TstTarnHomeScreenModel::cleanup()
{
    if (m_adaptor->isConnected()) {
        m_adaptor->doDisconnect();
        QTRY_VERIFY_WITH_TIMEOUT(!m_adaptor->isConnected(), kWait);
    }
}

bool TstTarnHomeScreenModel::login(ScriptedPeer &peer)
{
    qputenv("TARN_DEVICE_PORT", QByteArray::number(peer.port()));
    QSignalSpy ready(m_adaptor, &TCPAdaptor::corvexReady);
    m_adaptor->doConnect();
    return ready.wait(kWait);
}

void TstTarnHomeScreenModel::flagTable_data()
{
    QTest::addColumn<QString>("numBands");
    QTest::addColumn<QString>("monoSub");
    QTest::addColumn<Flags>("expected");
    QTest::newRow("1 band, no sub") << "1" << "0" << Flags{false, false, true, false, false, true};
    QTest::newRow("1 band, sub") << "1" << "1" << Flags{true, false, true, false, false, true};
    QTest::newRow("1 band, sub any text") << "1" << "yes" << Flags{true, false, true, false, false, true};
    QTest::newRow("2 bands, no sub") << "2" << "0" << Flags{true, false, true, true, false, true};
    QTest::newRow("2 bands, sub") << "2" << "1" << Flags{true, true, true, false, true, true};
    QTest::newRow("2 bands, empty sub counts as other") << "2" << "" << Flags{true, true, true, false, true, true};
    QTest::newRow("3 bands, no sub") << "3" << "0" << Flags{true, true, true, true, true, true};
    QTest::newRow("3 bands, sub") << "3" << "1" << Flags{true, true, true, true, true, true};
}

void TstTarnHomeScreenModel::flagTable()
{
    QFETCH(QString, numBands);
    QFETCH(QString, monoSub);
    QFETCH(Flags, expected);
    TarnHomeScreenModel m;
    deliver(m, QStringLiteral("NumBands"), numBands);
    QCOMPARE(flagsOf(m), (Flags{false, false, false, false, false, false}));
    deliver(m, QStringLiteral("MonoSub"), monoSub);
    QCOMPARE(flagsOf(m), expected);
    QCOMPARE(m.numBands(), numBands);
    QCOMPARE(m.monoSub(), monoSub);
    QCOMPARE(m.homeScreenData()->numbands(), numBands);
    QCOMPARE(m.homeScreenData()->monoSub(), monoSub);

    // The same table reached from every other row: the result depends on the two values only.
    for (const QString &before : {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}) {
        TarnHomeScreenModel other;
        deliver(other, QStringLiteral("NumBands"), before);
        deliver(other, QStringLiteral("MonoSub"), QStringLiteral("1"));
        deliver(other, QStringLiteral("NumBands"), numBands);
        deliver(other, QStringLiteral("MonoSub"), monoSub);
        QCOMPARE(flagsOf(other), expected);
    }

    // What was drawn is written to the settings, where the crossover and delay screens read it.
    QCOMPARE(setting(tarn::keys::CrossoverNumBand), numBands);
    QCOMPARE(setting(tarn::keys::CrossoverMonoSub), monoSub);
    QCOMPARE(setting(tarn::keys::CrossoverLowGroupVisible), QVariant(expected.low).toString());
    QCOMPARE(setting(tarn::keys::CrossoverMidGroupVisible), QVariant(expected.mid).toString());
    QCOMPARE(setting(tarn::keys::CrossoverHighGroupVisible), QVariant(expected.high).toString());
    m.setProperty("monoSub", QStringLiteral("7"));
    QCOMPARE(setting(tarn::keys::CrossoverMonoSub), QStringLiteral("7"));
}

void TstTarnHomeScreenModel::unknownBandCountChangesNothing_data()
{
    QTest::addColumn<QString>("numBands");
    QTest::newRow("4") << "4";
    QTest::newRow("empty") << "";
    QTest::newRow("padded") << " 2";
}

void TstTarnHomeScreenModel::unknownBandCountChangesNothing()
{
    QFETCH(QString, numBands);
    {
        // From the initial state: stereoOutputHigh stays false.
        TarnHomeScreenModel m;
        SignalLog log(&m);
        writeSetting(tarn::keys::CrossoverHighGroupVisible, QStringLiteral("untouched"));
        deliver(m, QStringLiteral("NumBands"), numBands);
        deliver(m, QStringLiteral("MonoSub"), QStringLiteral("0"));
        QCOMPARE(flagsOf(m), (Flags{false, false, false, false, false, false}));
        QVERIFY(log.names.isEmpty());
        QCOMPARE(setting(tarn::keys::CrossoverHighGroupVisible), QStringLiteral("untouched"));
        // The attribute values themselves are still taken and written.
        QCOMPARE(setting(tarn::keys::CrossoverNumBand), numBands);
        QCOMPARE(setting(tarn::keys::CrossoverMonoSub), QStringLiteral("0"));
    }
    {
        // From a known row: every flag keeps its value.
        TarnHomeScreenModel m;
        deliver(m, QStringLiteral("NumBands"), QStringLiteral("2"));
        deliver(m, QStringLiteral("MonoSub"), QStringLiteral("0"));
        const Flags before = flagsOf(m);
        SignalLog log(&m);
        deliver(m, QStringLiteral("NumBands"), numBands);
        deliver(m, QStringLiteral("MonoSub"), QStringLiteral("1"));
        QCOMPARE(flagsOf(m), before);
        QVERIFY(log.names.isEmpty());
    }
}

void TstTarnHomeScreenModel::flagsSetInOrderAndOnlyOnChange()
{
    TarnHomeScreenModel m;
    SignalLog log(&m);
    deliver(m, QStringLiteral("NumBands"), QStringLiteral("3"));
    deliver(m, QStringLiteral("MonoSub"), QStringLiteral("0"));
    QCOMPARE(log.names, (QStringList{"low", "mid", "high", "stereoLow", "stereoMid", "stereoHigh"}));

    log.names.clear();
    deliver(m, QStringLiteral("MonoSub"), QStringLiteral("0"));
    QVERIFY(log.names.isEmpty());

    deliver(m, QStringLiteral("NumBands"), QStringLiteral("2"));
    deliver(m, QStringLiteral("MonoSub"), QStringLiteral("1"));
    QCOMPARE(log.names, (QStringList{"stereoLow"}));

    log.names.clear();
    deliver(m, QStringLiteral("NumBands"), QStringLiteral("1"));
    deliver(m, QStringLiteral("MonoSub"), QStringLiteral("0"));
    QCOMPARE(log.names, (QStringList{"low", "mid", "stereoMid"}));

    // Setters from QML follow the same rule.
    log.names.clear();
    m.setHighVisible(true);
    m.setStereoInput(true);
    QVERIFY(log.names.isEmpty());
    m.setStereoInput(false);
    QCOMPARE(log.names, (QStringList{"stereoInput"}));

    // A band count alone changes no flag; the next MonoSub value applies it.
    const Flags oneBand{false, false, true, false, false, true};
    QCOMPARE(flagsOf(m), oneBand);
    log.names.clear();
    deliver(m, QStringLiteral("NumBands"), QStringLiteral("3"));
    QCOMPARE(setting(tarn::keys::CrossoverNumBand), QStringLiteral("3"));
    QCOMPARE(flagsOf(m), oneBand);
    QVERIFY(log.names.isEmpty());
    deliver(m, QStringLiteral("MonoSub"), QStringLiteral("0"));
    QCOMPARE(flagsOf(m), (Flags{true, true, true, true, true, true}));
}

void TstTarnHomeScreenModel::recordHandedToHolder()
{
    HomeScreenDataHolder *holder = HomeScreenDataHolder::instance();
    QCOMPARE(HomeScreenDataHolder::instance(), holder);
    holder->setData(nullptr);
    {
        TarnHomeScreenModel m;
        deliver(m, QStringLiteral("NumBands"), QStringLiteral("3"));
        QVERIFY(!holder->data());
        deliver(m, QStringLiteral("MonoSub"), QStringLiteral("1"));
        QCOMPARE(holder->data(), m.homeScreenData());
        QCOMPARE(holder->data()->numbands(), QStringLiteral("3"));
        QCOMPARE(holder->data()->property("monoSub").toString(), QStringLiteral("1"));
    }
    // The record went with its model; the holder does not point at freed memory.
    QVERIFY(!holder->data());
}

void TstTarnHomeScreenModel::otherRecordsIgnored()
{
    TarnHomeScreenModel m;
    SignalLog log(&m);
    m.onhomeScreenDataAvailable(nullptr);
    DataFromDevice d;
    d.poName = QStringLiteral("Compressor");
    d.svName = QStringLiteral("MonoSub");
    d.value = QStringLiteral("0");
    m.onhomeScreenDataAvailable(&d);
    d.poName = QStringLiteral("Crossover");
    d.svName = QStringLiteral("Band_1_Gain");
    m.onhomeScreenDataAvailable(&d);
    QVERIFY(m.monoSub().isEmpty());
    QVERIFY(log.names.isEmpty());
}

void TstTarnHomeScreenModel::listingRules()
{
    TarnHomeScreenModel m;
    SignalLog log(&m);
    QSignalSpy dual(&m, &TarnHomeScreenModel::isDualMonoChanged);
    const QString path = QStringLiteral("\\\\Preset\\");

    m.onPoReceived({"MonoMixer : ", "GEQ : "}, path);
    QVERIFY(!m.stereoInput());
    QVERIFY(!m.isDualMono());

    // Neither mixer: the input stays as it was.
    m.onPoReceived({"GEQ : ", "Compressor : "}, path);
    QVERIFY(!m.stereoInput());

    // Both mixers: stereo wins.
    m.onPoReceived({"MonoMixer : ", "StereoMixer : "}, path);
    QVERIFY(m.stereoInput());
    m.onPoReceived({"Crossover : "}, path);
    QVERIFY(m.stereoInput());
    QCOMPARE(log.names, (QStringList{"stereoInput", "stereoInput"}));

    // Names compare whole and case-sensitively, with the listing's " : ".
    m.onPoReceived({"MonoMixer", "MonoMixer :", "monomixer : ", " MonoMixer : "}, path);
    QVERIFY(m.stereoInput());

    // Either one-sided graphic EQ makes the screen dual mono.
    m.onPoReceived({"StereoMixer : ", "LeftGEQ : "}, path);
    QVERIFY(m.isDualMono());
    m.onPoReceived({"RightGEQ : "}, path);
    QVERIFY(m.isDualMono());
    m.onPoReceived({"GEQ : "}, path);
    QVERIFY(!m.isDualMono());
    m.onPoReceived({"LeftGEQ"}, path);
    QVERIFY(!m.isDualMono());
    QCOMPARE(m.processingObjects(), QStringList{"LeftGEQ"});

    m.onPoReceived({}, path);
    QVERIFY(!m.isDualMono());
    QVERIFY(m.stereoInput());
    QVERIFY(dual.count() >= 10);

    // Every listing announces dual mono, false first, even when nothing changes; the setter
    // itself only announces changes.
    auto announced = [&](const QStringList &listing) {
        dual.clear();
        m.onPoReceived(listing, path);
        QList<bool> values;
        for (const QList<QVariant> &a : dual)
            values << a.at(0).toBool();
        return values;
    };
    QCOMPARE(announced({"StereoMixer : "}), QList<bool>{false});
    QCOMPARE(announced({"LeftGEQ : ", "RightGEQ : "}), (QList<bool>{false, true}));
    QCOMPARE(announced({"RightGEQ : "}), (QList<bool>{false, true}));
    dual.clear();
    m.setIsDualMono(true);
    QCOMPARE(dual.count(), 0);
    m.setIsDualMono(false);
    QCOMPARE(dual.count(), 1);
}

// Each new home screen subscribes to the two crossover attributes and lists the preset, and
// draws from the answers.
void TstTarnHomeScreenModel::answersFromTheWire()
{
    ScriptedPeer peer;
    QVERIFY(login(peer));
    const QList<QByteArray> expected{"sub \"\\\\Preset\\Crossover\\AT\\NumBands\\\"",
                                     "sub \"\\\\Preset\\Crossover\\AT\\MonoSub\\\"", "ls \"\\\\Preset\\\""};
    for (int round = 0; round < 2; ++round) {
        peer.clearLines();
        TarnHomeScreenModel m;
        QTRY_COMPARE_WITH_TIMEOUT(peer.lines().size(), 3, kWait);
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(peer.lines().at(i).text, expected.at(i));
        if (round == 0)
            continue;
        QSignalSpy high(&m, &TarnHomeScreenModel::stereoOutputHighChanged);
        QSignalSpy dual(&m, &TarnHomeScreenModel::isDualMonoChanged);
        peer.send("subr \"\\\\Preset\\Crossover\\AT\\NumBands\" \"2\"\n"
                  "subr \"\\\\Preset\\Crossover\\AT\\MonoSub\" \"1\"\n"
                  "ls \"\\\\Preset\\\"\n\tMonoMixer : \n\tLeftGEQ : \n\tRightGEQ : \n\tCrossover : \nendls\n");
        QTRY_COMPARE_WITH_TIMEOUT(dual.count(), 2, kWait);
        QCOMPARE(high.count(), 1);
        QCOMPARE(flagsOf(m), (Flags{true, true, true, false, true, true}));
        QVERIFY(!m.stereoInput());
        QVERIFY(m.isDualMono());
        QCOMPARE(m.processingObjects().size(), 4);
        QCOMPARE(setting(tarn::keys::CrossoverNumBand), QStringLiteral("2"));
    }
}

TARN_TEST_MAIN(TstTarnHomeScreenModel, QCoreApplication)
#include "tst_tarnhomescreenmodel.moc"
