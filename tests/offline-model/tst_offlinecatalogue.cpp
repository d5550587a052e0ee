// Guards against a model catalogue that lacks a name the application binds, accepts a broken
// entry, shows values unlike a processor, meters (dynamics, analyser) that ignore their settings,
// equaliser curves and a room measurement out of shape, or a configurable chain unlike the fixed one.
#include "analyserscene.h"
#include "bindingscan.h"
#include "catalogue.h"
#include "devicestate.h"
#include "displayformat.h"
#include "eqbehaviour.h"
#include "quarramodel.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

using tarn::offline::AnalyserScene;
using tarn::offline::analyserBandCentreHz;
using tarn::offline::analyserBandLevel;
using tarn::offline::Catalogue;
using tarn::offline::DeviceState;
using tarn::offline::DisplayFormat;
using tarn::offline::EqBehaviour;
using tarn::offline::QuarraModel;
using tarn::offline::Variable;
using tarn::test::Binding;

using Mutator = std::function<void(QJsonObject &)>;
Q_DECLARE_METATYPE(Mutator)

namespace {
const QString kCatalogue = QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json");

QString presetKey(const QString &object, const QString &name)
{
    return QStringLiteral("Preset\\%1\\SV\\%2").arg(object, name);
}

QJsonObject builtIn()
{
    QFile file(kCatalogue);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

// `node` with `fields` merged in at `path` (member names, array indexes); a null field removes the member.
QJsonValue mergedAt(const QJsonValue &node, QVariantList path, const QJsonObject &fields)
{
    if (path.isEmpty()) {
        QJsonObject object = node.toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (it->isNull())
                object.remove(it.key());
            else
                object.insert(it.key(), *it);
        }
        return object;
    }
    const QVariant step = path.takeFirst();
    if (step.type() == QVariant::Int) {
        QJsonArray array = node.toArray();
        array.replace(step.toInt(), mergedAt(array.at(step.toInt()), path, fields));
        return array;
    }
    QJsonObject object = node.toObject();
    object.insert(step.toString(), mergedAt(object.value(step.toString()), path, fields));
    return object;
}

Mutator merge(const QVariantList &path, const QJsonObject &fields)
{
    return [=](QJsonObject &doc) { doc = mergedAt(doc, path, fields).toObject(); };
}

// Merges `fields` into the "live" object of a class's gain-reduction meter, at `path` inside it.
Mutator editLive(const QString &cls, const QVariantList &path, const QJsonObject &fields)
{
    return [=](QJsonObject &doc) {
        const QJsonArray list = doc.value(QStringLiteral("classes")).toObject().value(cls).toArray();
        for (int i = 0; i < list.size(); ++i) {
            if (list.at(i).toObject().value(QStringLiteral("name")) == QLatin1String("GainReduction"))
                doc = mergedAt(doc, QVariantList{QStringLiteral("classes"), cls, i, QStringLiteral("live")} + path, fields).toObject();
        }
    };
}

const QString kSignal = QStringLiteral("Preset\\TestSignal\\SV\\Level");

// The built-in catalogue with a signal that the test sets, watched by every dynamics block.
QJsonObject withTestSignal()
{
    const QJsonObject level{{"name", "Level"}, {"kind", "number"}, {"min", -120}, {"max", 20}, {"format", "level"}, {"initial", -20}};
    QJsonObject doc = mergedAt(builtIn(), {"classes"}, {{"TestSignal", QJsonArray{level}}}).toObject();
    QJsonArray objects = doc.value(QStringLiteral("objects")).toArray();
    objects.append(QJsonObject{{"name", "TestSignal"}, {"class", "TestSignal"}});
    doc.insert(QStringLiteral("objects"), objects);
    for (int i = 0; i < doc.value(QStringLiteral("configurations")).toArray().size(); ++i) {
        QJsonArray list = doc.value(QStringLiteral("configurations")).toArray().at(i).toObject().value(QStringLiteral("objects")).toArray();
        list.append(QStringLiteral("TestSignal"));
        doc = mergedAt(doc, {"configurations", i}, {{"objects", list}}).toObject();
    }
    for (const char *cls : {"Compressor", "Gate", "AGC", "Limiter"})
        editLive(QLatin1String(cls), {}, {{"source", kSignal}})(doc);
    return doc;
}

const QString kSpectrum = QStringLiteral("Preset\\RTA\\SV\\AllMeters");

QVector<double> bands(const DeviceState &state)
{
    QVector<double> out;
    for (const QString &p : state.display(state.indexOf(kSpectrum)).split(QLatin1Char(' ')))
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
            sum[b] += now[b] / ticks;
    }
    return sum;
}

} // namespace

class TstOfflineCatalogue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void builtInCatalogueServesTheApplication();
    void brokenCataloguesAreRefused_data();
    void brokenCataloguesAreRefused();
    void displayFormats_data();
    void displayFormats();
    void percentScales();
    void everyBoundNameIsInTheCatalogue();
    void scannerFindsMissingNames();
    void dynamicsReadingsFollowSettingsAndSignal();
    void dynamicsMetersFollowTheInput();
    void analyserBandLevels();
    void analyserSpectrumFollowsTheGenerator();
    void curvesAndQuickCurveTables();
    void catalogueFollowsTheFixedChain_data();
    void catalogueFollowsTheFixedChain();

private:
    std::unique_ptr<DeviceState> makeState(const QJsonObject &doc, quint64 seed = 5);
    void set(const QStringList &settings);
    double reading(const QString &object);

    Catalogue m_tarn;   // the built-in catalogue
    Catalogue m_quarra; // the configurable model's, of its default chain
    QJsonObject m_quarraDocument;
    Catalogue m_catalogue;
    std::unique_ptr<DeviceState> m_state;
};

void TstOfflineCatalogue::initTestCase()
{
    QString error;
    QVERIFY2(m_tarn.load(kCatalogue, &error) && DeviceState::checkCatalogue(m_tarn, &error), qPrintable(error));
    QuarraModel configurable(QuarraModel::Settings{});
    QVERIFY2(configurable.prepare(&m_quarra, &error), qPrintable(error));
    m_quarraDocument = QJsonDocument::fromJson(configurable.document()).object();
}

void TstOfflineCatalogue::builtInCatalogueServesTheApplication()
{
    const Catalogue &catalogue = m_tarn;
    QCOMPARE(catalogue.model(), QStringLiteral("Tarn"));

    // Keys travel inside quoted words of the link (the loader has checked every initial value).
    for (const auto &v : catalogue.variables())
        QVERIFY2(!v.key.contains(QLatin1Char('"')), qPrintable(v.key));
    QCOMPARE(catalogue.variables()[size_t(catalogue.indexOf(QStringLiteral("Preset\\Compressor\\SV\\Ratio")))].format.unit, QStringLiteral(":1"));
    QVERIFY(!catalogue.sourceNames(QStringLiteral("Dante")).isEmpty());

    // Each configuration yields the home screen's cases.
    int dualMono = 0;
    for (const auto &c : catalogue.configurations()) {
        QVERIFY(c.objects.contains(QStringLiteral("StereoMixer")) != c.objects.contains(QStringLiteral("MonoMixer")));
        if (c.objects.contains(QStringLiteral("LeftGEQ")))
            ++dualMono;
    }
    QVERIFY(dualMono >= 1);

    Catalogue c;
    QString error;
    QVERIFY(!c.loadJson("{\"format\": ", &error));
    QVERIFY(error.contains(QStringLiteral("not a JSON object")));
    QVERIFY(c.variables().empty());
}

void TstOfflineCatalogue::brokenCataloguesAreRefused_data()
{
    QTest::addColumn<Mutator>("mutate");
    QTest::addColumn<QString>("expected");
    const QString classes = QStringLiteral("classes");
    QTest::newRow("unknown field") << merge({}, {{"bogus", 1}}) << "unknown field \"bogus\"";
    QTest::newRow("format tag") << merge({}, {{"format", "x"}}) << "\"format\" must be";
    QTest::newRow("min above max") << merge({classes, "Compressor", 1}, {{"min", 5}}) << "min must lie below max";
    QTest::newRow("initial out of range") << merge({classes, "Compressor", 1}, {{"initial", 12}}) << "initial value";
    QTest::newRow("choice initial") << merge({classes, "RTARouter", 0}, {{"initial", "Input Z"}}) << "is not one of";
    QTest::newRow("unknown kind") << merge({classes, "RTARouter", 0}, {{"kind", "colour"}}) << "unknown kind";
    QTest::newRow("bad pattern") << merge({"node", 4}, {{"pattern", "[a-"}}) << "invalid pattern";
    QTest::newRow("huge repeat") << merge({classes, "OutputGains", 0}, {{"for", QJsonObject{{"n", QJsonObject{{"from", 1}, {"to", 5000}}}}}})
                                 << "bad \"for\" range";
    QTest::newRow("duplicate object") << merge({"objects", 1}, {{"name", "SignalGenerator"}}) << "duplicate object";
    QTest::newRow("unknown live source") << merge({classes, "InputMeters", 1, "live"}, {{"source", "Preset\\Nowhere\\SV\\X_{n}"}})
                                         << "live source";
    QTest::newRow("configuration object") << merge({"configurations", 0}, {{"objects", QJsonArray{"Flux Capacitor"}}}) << "unknown object";
    QTest::newRow("preset configuration") << merge({"presets", "stored", 0}, {{"configuration", "Nine-Way"}}) << "unknown configuration";
    QTest::newRow("preset keeps a reading") << merge({"presets", "stored", 0}, {{"values", QJsonObject{{"Preset\\OutputMeters\\SV\\Channel_1_Level", -3}}}})
                                            << "is not a preset variable";
    QTest::newRow("preset store variable missing") << merge({"storage", 1}, {{"path", "Storage\\Presets\\SV\\Other"}})
                                                   << "Storage\\Presets\\SV\\CurrentPreset";
    QTest::newRow("dynamics law") << editLive(QStringLiteral("Gate"), {}, {{"law", "expander"}}) << "unknown law \"expander\"";
    QTest::newRow("dynamics range missing") << editLive(QStringLiteral("Gate"), {"params"}, {{"range", QJsonValue()}})
                                            << "\"range\" must be a non-empty text";
    QTest::newRow("dynamics unknown parameter") << editLive(QStringLiteral("Gate"), {"params"}, {{"knee", "OverEasy"}}) << "unknown field \"knee\"";
    QTest::newRow("dynamics switch") << editLive(QStringLiteral("Compressor"), {}, {{"enable", "Threshold"}}) << "is no on/off switch";
    QTest::newRow("dynamics threshold") << editLive(QStringLiteral("Limiter"), {}, {{"params", QJsonObject{{"threshold", "Limiter"}, {"knee", "OverEasy"}}}})
                                        << "the threshold setting";
    QTest::newRow("dynamics source") << editLive(QStringLiteral("AGC"), {}, {{"source", "Preset\\RTARouter\\SV\\Source"}}) << "is no number";
    QTest::newRow("dynamics on a node entry")
        << merge({"node", 0}, {{"kind", "meter"}, {"min", -40}, {"max", 0}, {"initial", QJsonValue()}, {"live", QJsonObject{{"type", "dynamics"}, {"law", "limiter"}}}})
        << "belongs to a processing object";
    QTest::newRow("dynamics move meters only") << merge({"classes", "Gate", 7}, {{"kind", "spectrum"}, {"bands", 3}}) << "\"dynamics\" moves meters";
}

void TstOfflineCatalogue::brokenCataloguesAreRefused()
{
    QFETCH(Mutator, mutate);
    QFETCH(QString, expected);
    QJsonObject doc = builtIn();
    mutate(doc);
    Catalogue c;
    QString error;
    if (c.loadJson(QJsonDocument(doc).toJson(), &error))
        DeviceState::checkCatalogue(c, &error);
    QVERIFY2(error.contains(expected), qPrintable(QStringLiteral("got: ") + error));
}

void TstOfflineCatalogue::displayFormats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QString>("text");
    QTest::newRow("dB") << "dB" << -10.0 << -60.0 << 0.0 << "-10.0dB";
    QTest::newRow("no negative zero") << "dB" << -0.04 << -60.0 << 0.0 << "0.0dB";
    QTest::newRow("Hz") << "Hz" << 125.0 << 20.0 << 20000.0 << "125.0Hz";
    QTest::newRow("kHz") << "Hz" << 2500.0 << 20.0 << 20000.0 << "2.50kHz";
    QTest::newRow("HP out") << "Hz-hp" << 15.9 << 15.9 << 20000.0 << "Out";
    QTest::newRow("LP out") << "Hz-lp" << 20100.0 << 16.0 << 20100.0 << "Out";
    QTest::newRow("ratio") << "ratio" << 4.0 << 1.0 << 100.0 << "4.0:1";
    QTest::newRow("ratio inf") << "ratio" << 100.0 << 1.0 << 100.0 << "Inf:1";
    QTest::newRow("gate ratio") << "gate-ratio" << 2.0 << 1.0 << 20.0 << "1:2.0";
    QTest::newRow("delay") << "delay" << 10.0 << 0.0 << 1000.0 << "10.00ms/3.43m/11.25ft";
    QTest::newRow("lift time") << "lift-time" << 90.0 << 0.0 << 3600.0 << "1m 30s";
    QTest::newRow("lift seconds") << "lift-time" << 45.0 << 0.0 << 3600.0 << "45s";
    QTest::newRow("lift off") << "lift-time" << 0.0 << 0.0 << 3600.0 << "Off";
    QTest::newRow("over easy off") << "overeasy" << 0.0 << 0.0 << 10.0 << "Off";
    QTest::newRow("percent") << "percent" << 50.0 << 0.0 << 100.0 << "50%";
    QTest::newRow("dB/s") << "dBps0" << 60.0 << 1.0 << 360.0 << "60dB/s";
    QTest::newRow("phase") << "degrees" << 90.0 << 0.0 << 180.0 << "90 deg";
}

void TstOfflineCatalogue::displayFormats()
{
    QFETCH(QString, format);
    QFETCH(double, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(QString, text);
    // Through a catalogue, so the test reads the formats exactly as the program does.
    QJsonObject doc = builtIn();
    QVERIFY(doc.value(QStringLiteral("formats")).toObject().contains(format));
    merge({QStringLiteral("classes"), QStringLiteral("SignalGenerator"), 3},
          {{"format", format}, {"min", min}, {"max", max}, {"initial", min}, {"resolution", QJsonValue()}})(doc);
    Catalogue c;
    QString error;
    QVERIFY2(c.loadJson(QJsonDocument(doc).toJson(), &error), qPrintable(error));
    const auto &v = c.variables()[size_t(c.indexOf(QStringLiteral("Preset\\SignalGenerator\\SV\\Signal Amplitude")))];
    QCOMPARE(tarn::offline::formatValue(v.format, value, min, max), text);
    double back = 0;
    QVERIFY(tarn::offline::parseValue(v.format, text, min, max, &back));
    QVERIFY2(std::fabs(back - value) <= 0.06 * std::max(1.0, std::fabs(value)), qPrintable(QString::number(back)));
    // What the link strips the units from reads back as well.
    QVERIFY(tarn::offline::parseValue(v.format, QString::number(value), min, max, &back));
    QCOMPARE(back, value);
    QVERIFY(!tarn::offline::parseValue(v.format, QStringLiteral("loud"), min, max, &back));
    QVERIFY(!tarn::offline::parseValue(v.format, QStringLiteral("nan"), min, max, &back));
}

// Scales the protocol suite does not reach: the way back on a log scale, clamping, a bare "%".
void TstOfflineCatalogue::percentScales()
{
    using tarn::offline::fromPercent;
    using tarn::offline::toPercent;
    QVERIFY(std::fabs(toPercent(632.456, 20, 20000, true) - 50.0) < 0.001);
    QVERIFY(std::fabs(fromPercent(50, 20, 20000, true) - 632.456) < 0.01);
    QCOMPARE(QVector<double>({toPercent(-100, -60, 0, false), toPercent(5, -60, 0, false), fromPercent(250, -60, 0, false)}),
             QVector<double>({0.0, 100.0, 0.0}));
    double p = 0;
    QVERIFY(!tarn::offline::parsePercent(QStringLiteral("%"), &p));
}

void TstOfflineCatalogue::everyBoundNameIsInTheCatalogue()
{
    QList<Binding> found;
    QDirIterator it(QStringLiteral(TARN_SOURCE_DIR "/resources/qml"), {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        found += tarn::test::scanQml(QString::fromUtf8(file.readAll()), QDir(QStringLiteral(TARN_SOURCE_DIR)).relativeFilePath(file.fileName()));
    }
    // The scan finds the literal bindings (most names are computed, their objects are checked).
    QVERIFY2(found.size() >= 40, qPrintable(QString::number(found.size())));
    // Some documents show the configurable model's objects only: either model may serve a binding.
    const QStringList missingInQuarra = tarn::test::missingBindings(m_quarra, found);
    QStringList missing;
    for (const QString &line : tarn::test::missingBindings(m_tarn, found)) {
        if (missingInQuarra.contains(line))
            missing << line;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

void TstOfflineCatalogue::scannerFindsMissingNames()
{
    // Names in comments and strings are no bindings; a computed name leaves the object alone.
    const QList<Binding> qml = tarn::test::scanQml(QStringLiteral(R"(Item {
    // poName: "Commented" svName: "Out"
    TarnSlider { poName: "Compressor"; svName: "Threshold"; valueType: "%" }
    TarnTextSV {
        svName: "Node\\Config\\SV\\Command:Status"
        poName: "NPO"; property string note: "poName: \"Fake\""
    }
    TarnNumericalSV { poName: "Compresor"; svName: "Threshold" }
    TarnSlider { poName: "NPO"; svName: "Node\\SV\\DeviceName"; valueType: "%" }
    Repeater { model: 31; TarnNumericalSV { poName: "Ghost"; svName: bands[index] } }
    TarnTextSV { poName: "Presets"; svName: "Name_31" }
})"), QStringLiteral("fixture.qml"));
    QCOMPARE(qml.size(), 6);
    QCOMPARE(qml.at(1).sv + QLatin1Char('@') + QString::number(qml.at(1).line), QStringLiteral("Node\\Config\\SV\\Command:Status@5"));
    // Flagged: a misspelt object, a range asked of a text, an unknown object, a slot past the last.
    QStringList places;
    for (const QString &line : tarn::test::missingBindings(m_tarn, qml))
        places << line.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(places.join(QLatin1Char(' ')), QStringLiteral("fixture.qml:8: fixture.qml:9: fixture.qml:10: fixture.qml:11:"));
}

std::unique_ptr<DeviceState> TstOfflineCatalogue::makeState(const QJsonObject &doc, quint64 seed)
{
    QString error;
    if (!m_catalogue.loadJson(QJsonDocument(doc).toJson(), &error) || !DeviceState::checkCatalogue(m_catalogue, &error)) {
        qWarning().noquote() << error;
        return nullptr;
    }
    return std::make_unique<DeviceState>(m_catalogue, seed);
}

// Writes settings "Object\SV\Name=value" (under Preset) as a client would.
void TstOfflineCatalogue::set(const QStringList &settings)
{
    for (const QString &s : settings) {
        QString why;
        const int idx = m_state->indexOf(QStringLiteral("Preset\\") + s.section(QLatin1Char('='), 0, 0));
        QVERIFY2(idx >= 0, qPrintable(s));
        const auto result = m_state->write(idx, s.section(QLatin1Char('='), 1), false, &why);
        QVERIFY2(result == DeviceState::WriteResult::Changed || result == DeviceState::WriteResult::Unchanged,
                 qPrintable(s + QStringLiteral(": ") + why));
    }
}

double TstOfflineCatalogue::reading(const QString &object)
{
    m_state->tick();
    const QString text = m_state->display(m_state->indexOf(QStringLiteral("Preset\\%1\\SV\\GainReduction").arg(object)));
    return text.chopped(2).toDouble(); // "-7.5dB"
}

void TstOfflineCatalogue::dynamicsReadingsFollowSettingsAndSignal()
{
    m_state = makeState(withTestSignal());
    QVERIFY(m_state);
    // Settings ("Object\SV\Name=value" under Preset), then the gain reduction one object reads.
    struct Step {
        QStringList sets;
        const char *object;
        double reading;
    };
    const Step steps[] = {
        // Compressor: off reads 0 whatever the settings.
        {{"Compressor\\SV\\Threshold=-20", "TestSignal\\SV\\Level=-10"}, "Compressor", 0.0},
        {{"Compressor\\SV\\Compressor=On"}, "Compressor", -7.5}, // 10 dB over at 4:1
        {{"Compressor\\SV\\Threshold=-30"}, "Compressor", -15.0},
        {{"TestSignal\\SV\\Level=-40"}, "Compressor", 0.0}, // under the threshold
        {{"TestSignal\\SV\\Level=-30", "Compressor\\SV\\OverEasy=5"}, "Compressor", -0.9}, // middle of a 10 dB knee: -0.9375
        {{"Compressor\\SV\\OverEasy=Off", "TestSignal\\SV\\Level=-10", "Compressor\\SV\\Ratio=Inf:1"}, "Compressor", -20.0},
        {{"Compressor\\SV\\Compressor=Off"}, "Compressor", 0.0},
        // Gate: expands 1:2 under the threshold, never by more than its largest attenuation.
        {{"Gate\\SV\\Gate=On", "Gate\\SV\\Threshold=-60", "Gate\\SV\\Ratio=1:2.0", "Gate\\SV\\MaxAttenuation=40", "TestSignal\\SV\\Level=-50"},
         "Gate", 0.0},
        {{"TestSignal\\SV\\Level=-70"}, "Gate", -10.0},
        {{"TestSignal\\SV\\Level=-110"}, "Gate", -40.0},
        // AGC: raises by at most Max Gain, cuts down to the window, and leaves noise alone.
        {{"AGC\\SV\\AGC=On", "AGC\\SV\\Target=-20", "AGC\\SV\\Window=4", "AGC\\SV\\Max Gain=6", "AGC\\SV\\Low Threshold=-50",
          "AGC\\SV\\LimThreshold=-6", "TestSignal\\SV\\Level=-40"},
         "AGC", 6.0},
        {{"TestSignal\\SV\\Level=-24"}, "AGC", 2.0},
        {{"TestSignal\\SV\\Level=-10"}, "AGC", -8.0},
        {{"TestSignal\\SV\\Level=-70"}, "AGC", 0.0},
        {{"TestSignal\\SV\\Level=-21", "AGC\\SV\\LimThreshold=-25"}, "AGC", -4.0}, // the limit caps the window
        // Limiters: each band's own threshold; switched on in the catalogue's presets.
        {{"TestSignal\\SV\\Level=-5", "Low Outputs Limiter\\SV\\Threshold=-12", "High Outputs Limiter\\SV\\Threshold=10"},
         "Low Outputs Limiter", -7.0},
        {{}, "High Outputs Limiter", 0.0},
        {{"Low Outputs Limiter\\SV\\OverEasy=2", "TestSignal\\SV\\Level=-12"}, "Low Outputs Limiter", -0.5}, // knee -14 .. -10
    };
    for (const Step &step : steps) {
        set(step.sets);
        QCOMPARE(reading(QLatin1String(step.object)), step.reading);
    }
}

void TstOfflineCatalogue::dynamicsMetersFollowTheInput()
{
    m_state = makeState(builtIn());
    QVERIFY(m_state);
    const int input = m_state->indexOf(QStringLiteral("Preset\\InputMeters\\SV\\Channel_1_Level"));
    set({"Compressor\\SV\\Compressor=On", "Compressor\\SV\\Threshold=-50", "Compressor\\SV\\Ratio=4", "Compressor\\SV\\OverEasy=Off"});
    QSet<QString> seen;
    for (int i = 0; i < 50; ++i) {
        const double gr = reading(QStringLiteral("Compressor"));
        const double level = m_state->display(input).chopped(2).toDouble();
        const double expected = level > -50 ? -(level + 50) * 0.75 : 0.0;
        QVERIFY2(std::abs(gr - expected) <= 0.1, qPrintable(QStringLiteral("input %1 dB read %2 dB").arg(level).arg(gr)));
        seen.insert(QString::number(gr));
    }
    QVERIFY2(seen.size() > 10, "the reading follows the moving input");
    set({"Compressor\\SV\\Threshold=0"});
    for (int i = 0; i < 10; ++i)
        QCOMPARE(reading(QStringLiteral("Compressor")), 0.0);
}

void TstOfflineCatalogue::analyserBandLevels()
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
    // On an input it shows the programme, whatever the generator does.
    scene.source = QStringLiteral("Input B");
    QCOMPARE(analyserBandLevel(scene, 4, 31, -30).mean, -30 - 1.0);
    // Slow averaging steadies the bands.
    scene.averaging = QStringLiteral("Slow");
    QVERIFY(analyserBandLevel(scene, 4, 31, -30).motion < 1.0);
}

void TstOfflineCatalogue::analyserSpectrumFollowsTheGenerator()
{
    m_state = makeState(builtIn(), 7);
    QVERIFY(m_state);
    DeviceState &state = *m_state;
    QCOMPARE(bands(state).size(), 31);

    // The room, quiet, through the microphone.
    const QVector<double> room = meanBands(state);
    QVERIFY(*std::max_element(room.begin(), room.end()) < -50);

    // A 1 kHz sine at -10 dB stands out in its band.
    set({"SignalGenerator\\SV\\Signal Type=Sine", "SignalGenerator\\SV\\Sine Frequency=1000",
         "SignalGenerator\\SV\\Signal Amplitude=-10", "SignalGenerator\\SV\\SignalGenerator=On"});
    const QVector<double> sine = meanBands(state);
    const int loudest = int(std::max_element(sine.begin(), sine.end()) - sine.begin());
    QCOMPARE(loudest, 17);
    QVERIFY(qAbs(sine[17] - -13.0) < 2.0);

    // Moved to 100 Hz, the peak moves with it; the analyser's gain lifts it.
    set({"SignalGenerator\\SV\\Sine Frequency=100", "RTA\\SV\\Gain=6"});
    const QVector<double> low = meanBands(state);
    QCOMPARE(int(std::max_element(low.begin(), low.end()) - low.begin()), 7);
    QVERIFY(qAbs(low[7] - -7.0) < 2.0);

    // Pink noise fills every band alike.
    set({"SignalGenerator\\SV\\Signal Type=Pink Noise"});
    const QVector<double> pink = meanBands(state);
    const auto [lo, hi] = std::minmax_element(pink.begin(), pink.end());
    QVERIFY2(*hi - *lo < 3.0, qPrintable(QString::number(*hi - *lo)));

    // On an input the analyser shows the programme, not the generator.
    set({"RTARouter\\SV\\Source=Input A"});
    const QVector<double> programme = meanBands(state);
    QVERIFY(programme[0] > programme[30] + 4);

    // Switched off, the room is quiet again.
    set({"RTARouter\\SV\\Source=RTA Mic", "SignalGenerator\\SV\\SignalGenerator=Off", "RTA\\SV\\Gain=0"});
    const QVector<double> quiet = meanBands(state);
    QVERIFY(*std::max_element(quiet.begin(), quiet.end()) < -50);
}

void TstOfflineCatalogue::curvesAndQuickCurveTables()
{
    for (const char *name : {"Flat", "MyBand", "Speech", "Performance Venue", "DJ"}) {
        const QVector<double> curve = EqBehaviour::quickCurve(QLatin1String(name));
        const auto [lo, hi] = std::minmax_element(curve.cbegin(), curve.cend());
        QVERIFY2(curve.size() == 31 && *lo >= -12.0 && *hi <= 12.0, name);
    }
    QVERIFY(EqBehaviour::quickCurve(QStringLiteral("Manual")).isEmpty());
    QVERIFY(EqBehaviour::quickCurve(QStringLiteral("Speech; drop table")).isEmpty());

    // 160 points per decade with 20 Hz at index 143 and 20 kHz at 623.
    for (const auto &[index, hz] : {std::pair<int, double>{143, 20.0}, {303, 200.0}, {623, 20000.0}})
        QVERIFY2(std::fabs(EqBehaviour::curveFrequency(index) - hz) < 1e-6, qPrintable(QString::number(hz)));
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
    Catalogue catalogue = m_tarn;
    QString error;
    const QString response = QStringLiteral("Preset\\RoomEQ\\SV\\Response");
    const QString target = QStringLiteral("Preset\\RoomEQ\\SV\\Target");
    QVERIFY(catalogue.variables()[size_t(catalogue.indexOf(response))].initial.isEmpty());
    EqBehaviour::addRoomMeasurement(&catalogue);
    QCOMPARE(catalogue.variables()[size_t(catalogue.indexOf(response))].initial, EqBehaviour::curveText(&EqBehaviour::roomLevel));
    QVERIFY(catalogue.overrideInitial(target, QStringLiteral("1 2 3"), &error));
    Catalogue other = catalogue;
    QVERIFY(other.overrideInitial(response, QString(), &error));
    EqBehaviour::addRoomMeasurement(&other);
    QVERIFY(other.variables()[size_t(other.indexOf(response))].initial.isEmpty());
    QCOMPARE(other.variables()[size_t(other.indexOf(target))].initial, QStringLiteral("1 2 3"));
}

void TstOfflineCatalogue::catalogueFollowsTheFixedChain_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("tarnObject");
    QTest::addColumn<QString>("family"); // a counted name and the attribute that counts it
    QTest::addColumn<QString>("attribute");
    QTest::newRow("input PEQ") << "PEQIn1" << "Low Outputs PEQ" << "Band_%1_Type" << "NumBands";
    QTest::newRow("output PEQ") << "PEQOut6" << "Mid Outputs PEQ" << "Band_%1_Gain" << "NumBands";
    QTest::newRow("auto EQ") << "AutoEQPEQ2" << "RoomEQ" << "Band_%1_Q" << "NumBands";
    QTest::newRow("feedback") << "AFS3" << "Afs" << "Band_%1_Frequency" << "NumFilters";
    QTest::newRow("compressor") << "Compressor1" << "Compressor" << "" << "";
    QTest::newRow("delay") << "MidDelay4" << "InputDelay" << "" << "";
    QTest::newRow("limiter") << "Limiter5" << "High Outputs Limiter" << "" << "";
    QTest::newRow("crossover") << "Crossover1" << "Crossover" << "Band_%1_LPType" << "NumBands";
    QTest::newRow("zone gains") << "ZoneGains" << "OutputGains" << "Channel_%1_Mute" << "NumChans";
    QTest::newRow("input gains") << "InputGains" << "OutputGains" << "Channel_%1_Gain" << "NumChans";
    QTest::newRow("output meters") << "OutputMeters" << "OutputMeters" << "Channel_%1_Clip" << "NumChans";
    QTest::newRow("mid meters") << "MidMeters" << "InputMeters" << "Channel_%1_Level" << "NumChans";
    QTest::newRow("input mixer") << "In_Mixer2" << "MonoMixer" << "Input_%1_Mute" << "NumInputs";
    QTest::newRow("analyser") << "RTA" << "RTA" << "" << "";
    QTest::newRow("generator") << "SignalGenerator" << "SignalGenerator" << "" << "";
}

void TstOfflineCatalogue::catalogueFollowsTheFixedChain()
{
    QFETCH(QString, object);
    QFETCH(QString, tarnObject);
    QFETCH(QString, family);
    QFETCH(QString, attribute);
    const Catalogue &quarra = m_quarra;
    const Catalogue &tarn = m_tarn;
    const QJsonObject &document = m_quarraDocument;
    const QJsonObject po = document.value(object).toObject();
    QVERIFY2(!po.isEmpty(), "the default document has the object");

    // Every object of the document is served; the template's initial values are served too.
    for (auto it = document.begin(); it != document.end(); ++it) {
        if (it.value().toObject().contains(QStringLiteral("ClassName")))
            QVERIFY2(quarra.configuration(QStringLiteral("Chain"))->objects.contains(it.key()), qPrintable(it.key()));
    }
    const QJsonObject svValues = po.value(QStringLiteral("SVValues")).toObject();
    for (auto it = svValues.begin(); it != svValues.end(); ++it)
        QVERIFY2(quarra.indexOf(presetKey(object, it.key())) >= 0, qPrintable(it.key()));

    // Names the fixed-chain object has (up to this object's counts) come with its kind, range and unit.
    const int count = po.value(QStringLiteral("Attributes")).toObject().value(attribute).toInt();
    for (const Variable &t : tarn.variables()) {
        if (t.object != tarnObject || t.key.contains(QLatin1String("\\AT\\")))
            continue;
        const QRegularExpressionMatch number = QRegularExpression(QStringLiteral("_(\\d+)_")).match(t.name);
        if (number.hasMatch() && number.captured(1).toInt() > count)
            continue;
        const int idx = quarra.indexOf(presetKey(object, t.name));
        if (idx < 0 && t.name.startsWith(QLatin1String("Input_"))) // mixer inputs are numbered here
            continue;
        QVERIFY2(idx >= 0, qPrintable(t.name));
        const Variable &q = quarra.variables()[size_t(idx)];
        QCOMPARE(int(q.kind), int(t.kind));
        QCOMPARE(q.writable, t.writable);
        QCOMPARE(q.min, t.min);
        QCOMPARE(q.format.unit, t.format.unit);
        QCOMPARE(int(q.live.type), int(t.live.type)); // meters move, gain reductions follow their block
        if (t.name != QLatin1String("Amount") && t.name != QLatin1String("Source"))
            QCOMPARE(q.max, t.max);
        if (t.name != QLatin1String("Source"))
            QCOMPARE(q.choices, t.choices);
    }
    if (!family.isEmpty()) {
        QVERIFY(count > 0);
        QVERIFY(quarra.indexOf(presetKey(object, family.arg(count))) >= 0);
        QCOMPARE(quarra.indexOf(presetKey(object, family.arg(count + 1))), -1);
    }
}

TARN_TEST_MAIN(TstOfflineCatalogue, QCoreApplication)
#include "tst_offlinecatalogue.moc"
