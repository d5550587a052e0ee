#include "bindingscan.h"
#include "catalogue.h"
#include "devicestate.h"
#include "displayformat.h"
#include "quarramodel.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

using tarn::offline::Catalogue;
using tarn::offline::DeviceState;
using tarn::offline::DisplayFormat;
using tarn::test::Binding;

using Mutator = std::function<void(QJsonObject &)>;
Q_DECLARE_METATYPE(Mutator)

namespace {
const QString kCatalogue = QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json");

QJsonObject builtIn()
{
    QFile file(kCatalogue);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

Binding bind(const QString &po, const QString &sv, const QString &valueType = QString())
{
    return Binding{QStringLiteral("(list)"), 0, po, sv, valueType};
}

// What the application's models, plotters and screens bind by name, beyond what the QML
// documents spell out literally.
QList<Binding> boundByTheApplication()
{
    QList<Binding> b;
    const QString npo = QStringLiteral("NPO");
    for (const char *sv : {"Node\\AT\\Class_Name", "Node\\AT\\Instance_Name", "Node\\AT\\Software_Version",
                           "Node\\SV\\HardwareVersion", "Node\\SV\\DeviceName", "Node\\SV\\Reboot", "Node\\Config\\SV\\Command",
                           "Node\\Config\\SV\\Command:Status", "Node\\Config\\SV\\Result", "Node\\Config\\SV\\Progress",
                           "Node\\Settings\\SV\\PresetRecallList", "Node\\Settings\\SV\\PresetIsModified",
                           "Node\\Wizard\\SV\\WizardState", "Node\\Wizard\\SV\\WizardEvent", "Node\\Wizard\\SV\\TitleString",
                           "Node\\Wizard\\SV\\LevelAssistOutput", "Node\\Wizard\\SV\\WizardStartFrom",
                           "Node\\Wizard\\SV\\AutoEQMeasurements", "Node\\Wizard\\SV\\WizardGenericAmpLevel\\Min",
                           "Node\\Wizard\\SV\\DialTypeSlider", "Node\\SetupWizardCurrentChoices\\SV\\MainSpeaker",
                           "Node\\SetupWizardCurrentChoices\\SV\\SubSpeaker", "Node\\SetupWizardCurrentChoices\\SV\\LowAmplifier",
                           "Node\\SetupWizardCurrentChoices\\SV\\MidAmplifier", "Node\\SetupWizardCurrentChoices\\SV\\HighAmplifier",
                           "Preset"})
        b << bind(npo, QLatin1String(sv));
    for (const char *sv : {"CurrentPreset", "Recall", "Store", "RenamePreset", "Changed"})
        b << bind(QStringLiteral("Presets"), QLatin1String(sv));
    for (int n = 1; n <= 30; ++n)
        b << bind(QStringLiteral("Presets"), QStringLiteral("Name_%1").arg(n));

    // Block switches (the home screen's toggles) and the parameters that have nudge steps.
    const QList<QPair<const char *, QStringList>> blocks = {
        {"Compressor", {"Compressor", "Threshold", "Gain", "Ratio", "OverEasy", "Attack", "Hold", "Release", "GainReduction"}},
        {"Gate", {"Gate", "Threshold", "Ratio", "MaxAttenuation", "Attack", "Hold", "Release", "GainReduction"}},
        {"AGC", {"AGC", "Target", "Max Gain", "Window", "Low Threshold", "LimThreshold", "Attack", "Release", "LimAttack", "LimRelease"}},
        {"Afs", {"AFS", "LiftTime", "MaxFixedFilters", "Sensitivity", "HighPass", "ContentMode", "FilterMode"}},
        {"SubHarmonicSynth", {"SubharmonicSynth", "Subharmonics", "Synthesis Level 36-56Hz", "Synthesis Level 24-36Hz"}},
        {"SignalGenerator", {"SignalGenerator", "Sine Frequency", "Signal Amplitude"}},
        {"RTA", {"AllMeters", "Gain"}},
        {"RoomEQ", {"AutoEQ", "Response", "Target"}},
        {"GEQ", {"GraphicEQ", "QuickCurve"}},
        {"InputDelay", {"Delay", "Amount"}},
    };
    for (const auto &block : blocks) {
        for (const QString &sv : block.second)
            b << bind(QLatin1String(block.first), sv);
    }
    for (const char *band : {"Low", "Mid", "High"}) {
        const QString prefix = QLatin1String(band) + QStringLiteral(" Outputs ");
        for (const char *sv : {"Limiter", "Threshold", "OverEasy", "Attack", "Hold", "Release", "OvershootDb", "GainReduction"})
            b << bind(prefix + QStringLiteral("Limiter"), QLatin1String(sv));
        b << bind(prefix + QStringLiteral("Delay"), QStringLiteral("Delay")) << bind(prefix + QStringLiteral("Delay"), QStringLiteral("Amount"));
        b << bind(prefix + QStringLiteral("PEQ"), QStringLiteral("ParametricEQ"));
    }
    // Graph plotters: parametric bands, crossover bands, feedback filters, graphic EQ bands.
    for (const char *po : {"Low Outputs PEQ", "Mid Outputs PEQ", "High Outputs PEQ", "RoomEQ"}) {
        for (int n = 1; n <= 8; ++n) {
            for (const char *p : {"Frequency", "Gain", "Q", "Slope", "Type"})
                b << bind(QLatin1String(po), QStringLiteral("Band_%1_%2").arg(n).arg(QLatin1String(p)));
        }
    }
    b << bind(QStringLiteral("Crossover"), QStringLiteral("NumBands")) << bind(QStringLiteral("Crossover"), QStringLiteral("MonoSub"));
    for (const QString &band : {QStringLiteral("Band_1_"), QStringLiteral("Band_2_"), QStringLiteral("Band_3_"), QStringLiteral("MonoSub_")}) {
        for (const char *p : {"HPFrequency", "Gain", "LPFrequency", "HPType", "LPType", "Polarity", "Phase"})
            b << bind(QStringLiteral("Crossover"), band + QLatin1String(p));
    }
    for (int n = 1; n <= 12; ++n) {
        for (const char *p : {"Frequency", "Gain", "Q"})
            b << bind(QStringLiteral("Afs"), QStringLiteral("Band_%1_%2").arg(n).arg(QLatin1String(p)));
    }
    const QStringList geqBands = {"20 Hz",   "25 Hz",    "31.5 Hz", "40 Hz",   "50 Hz",   "63 Hz",    "80 Hz",    "100 Hz",
                                  "125 Hz",  "160 Hz",   "200 Hz",  "250 Hz",  "315 Hz",  "400 Hz",   "500 Hz",   "630 Hz",
                                  "800 Hz",  "1.0 kHz",  "1.25 kHz", "1.6 kHz", "2.0 kHz", "2.5 kHz", "3.15 kHz", "4.0 kHz",
                                  "5.0 kHz", "6.3 kHz",  "8.0 kHz", "10.0 kHz", "12.5 kHz", "16.0 kHz", "20.0 kHz"};
    for (const char *po : {"GEQ", "LeftGEQ", "RightGEQ"}) {
        for (const QString &band : geqBands)
            b << bind(QLatin1String(po), band);
    }
    // Mixers, routing, outputs and meters.
    for (const char *po : {"StereoMixer", "MonoMixer"}) {
        b << bind(QLatin1String(po), QStringLiteral("Mute"));
        for (const char *ch : {"A", "B", "C"})
            b << bind(QLatin1String(po), QStringLiteral("Input_%1_Gain").arg(QLatin1String(ch)));
    }
    b << bind(QStringLiteral("RTARouter"), QStringLiteral("Source"));
    for (int n = 1; n <= 6; ++n) {
        b << bind(QStringLiteral("OutputGains"), QStringLiteral("Channel_%1_Mute").arg(n))
          << bind(QStringLiteral("OutputGains"), QStringLiteral("Channel_%1_Gain").arg(n), QStringLiteral("%"))
          << bind(QStringLiteral("OutputMeters"), QStringLiteral("Channel_%1_Level").arg(n), QStringLiteral("%"))
          << bind(QStringLiteral("OutputMeters"), QStringLiteral("Channel_%1_Clip").arg(n));
    }
    for (int n = 1; n <= 3; ++n)
        b << bind(QStringLiteral("InputMeters"), QStringLiteral("Channel_%1_Level").arg(n))
          << bind(QStringLiteral("InputMeters"), QStringLiteral("Channel_%1_Clip").arg(n));
    return b;
}

QString scanError(const Mutator &mutate)
{
    QJsonObject doc = builtIn();
    mutate(doc);
    Catalogue c;
    QString error;
    if (c.loadJson(QJsonDocument(doc).toJson(), &error) && !DeviceState::checkCatalogue(c, &error))
        return error;
    return error;
}

QJsonObject firstOfClass(const QJsonObject &doc, const QString &cls, int index)
{
    return doc.value(QStringLiteral("classes")).toObject().value(cls).toArray().at(index).toObject();
}

void setInClass(QJsonObject &doc, const QString &cls, int index, const QJsonObject &entry)
{
    QJsonObject classes = doc.value(QStringLiteral("classes")).toObject();
    QJsonArray list = classes.value(cls).toArray();
    list.replace(index, entry);
    classes.insert(cls, list);
    doc.insert(QStringLiteral("classes"), classes);
}
} // namespace

class TstOfflineCatalogue : public QObject {
    Q_OBJECT
private slots:
    void builtInCatalogueServesTheApplication();
    void brokenCataloguesAreRefused_data();
    void brokenCataloguesAreRefused();
    void displayFormats_data();
    void displayFormats();
    void percentScales();
    void everyBoundNameIsInTheCatalogue();
    void scannerFindsMissingNames();
};

void TstOfflineCatalogue::builtInCatalogueServesTheApplication()
{
    Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(kCatalogue, &error), qPrintable(error));
    QVERIFY2(DeviceState::checkCatalogue(catalogue, &error), qPrintable(error));
    QCOMPARE(catalogue.model(), QStringLiteral("Tarn"));
    const QStringList missing = tarn::test::missingBindings(catalogue, boundByTheApplication());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));

    // Every variable has a sensible kind, range and initial value.
    for (const auto &v : catalogue.variables()) {
        QString why;
        QVERIFY2(Catalogue::acceptsText(v, v.initial, &why), qPrintable(v.key + QStringLiteral(": ") + why));
        QVERIFY2(!v.key.contains(QLatin1Char('"')), qPrintable(v.key));
    }
    const auto &ratio = catalogue.variables()[size_t(catalogue.indexOf(QStringLiteral("Preset\\Compressor\\SV\\Ratio")))];
    QCOMPARE(ratio.format.unit, QStringLiteral(":1"));
    QVERIFY(!catalogue.sourceNames(QStringLiteral("Dante")).isEmpty());

    // Each configuration yields the home screen's cases.
    int dualMono = 0;
    for (const auto &c : catalogue.configurations()) {
        QVERIFY(c.objects.contains(QStringLiteral("StereoMixer")) != c.objects.contains(QStringLiteral("MonoMixer")));
        if (c.objects.contains(QStringLiteral("LeftGEQ")))
            ++dualMono;
    }
    QVERIFY(dualMono >= 1);
}

void TstOfflineCatalogue::brokenCataloguesAreRefused_data()
{
    QTest::addColumn<Mutator>("mutate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unknown field") << Mutator([](QJsonObject &d) { d.insert(QStringLiteral("bogus"), 1); })
                                   << QStringLiteral("unknown field \"bogus\"");
    QTest::newRow("format tag") << Mutator([](QJsonObject &d) { d.insert(QStringLiteral("format"), QStringLiteral("x")); })
                                << QStringLiteral("\"format\" must be");
    QTest::newRow("min above max") << Mutator([](QJsonObject &d) {
        QJsonObject e = firstOfClass(d, QStringLiteral("Compressor"), 1);
        e.insert(QStringLiteral("min"), 5);
        setInClass(d, QStringLiteral("Compressor"), 1, e);
    }) << QStringLiteral("min must lie below max");
    QTest::newRow("initial out of range") << Mutator([](QJsonObject &d) {
        QJsonObject e = firstOfClass(d, QStringLiteral("Compressor"), 1);
        e.insert(QStringLiteral("initial"), 12);
        setInClass(d, QStringLiteral("Compressor"), 1, e);
    }) << QStringLiteral("initial value");
    QTest::newRow("choice initial") << Mutator([](QJsonObject &d) {
        QJsonObject e = firstOfClass(d, QStringLiteral("RTARouter"), 0);
        e.insert(QStringLiteral("initial"), QStringLiteral("Input Z"));
        setInClass(d, QStringLiteral("RTARouter"), 0, e);
    }) << QStringLiteral("is not one of");
    QTest::newRow("unknown kind") << Mutator([](QJsonObject &d) {
        QJsonObject e = firstOfClass(d, QStringLiteral("RTARouter"), 0);
        e.insert(QStringLiteral("kind"), QStringLiteral("colour"));
        setInClass(d, QStringLiteral("RTARouter"), 0, e);
    }) << QStringLiteral("unknown kind");
    QTest::newRow("bad pattern") << Mutator([](QJsonObject &d) {
        QJsonArray node = d.value(QStringLiteral("node")).toArray();
        QJsonObject e = node.at(4).toObject();
        e.insert(QStringLiteral("pattern"), QStringLiteral("[a-"));
        node.replace(4, e);
        d.insert(QStringLiteral("node"), node);
    }) << QStringLiteral("invalid pattern");
    QTest::newRow("huge repeat") << Mutator([](QJsonObject &d) {
        QJsonObject e = firstOfClass(d, QStringLiteral("OutputGains"), 0);
        e.insert(QStringLiteral("for"), QJsonObject{{QStringLiteral("n"), QJsonObject{{QStringLiteral("from"), 1}, {QStringLiteral("to"), 5000}}}});
        setInClass(d, QStringLiteral("OutputGains"), 0, e);
    }) << QStringLiteral("bad \"for\" range");
    QTest::newRow("duplicate object") << Mutator([](QJsonObject &d) {
        QJsonArray objects = d.value(QStringLiteral("objects")).toArray();
        objects.append(objects.at(0));
        d.insert(QStringLiteral("objects"), objects);
    }) << QStringLiteral("duplicate object");
    QTest::newRow("unknown live source") << Mutator([](QJsonObject &d) {
        QJsonObject e = firstOfClass(d, QStringLiteral("InputMeters"), 1);
        QJsonObject live = e.value(QStringLiteral("live")).toObject();
        live.insert(QStringLiteral("source"), QStringLiteral("Preset\\Nowhere\\SV\\X_{n}"));
        e.insert(QStringLiteral("live"), live);
        setInClass(d, QStringLiteral("InputMeters"), 1, e);
    }) << QStringLiteral("live source");
    QTest::newRow("configuration object") << Mutator([](QJsonObject &d) {
        QJsonArray configurations = d.value(QStringLiteral("configurations")).toArray();
        QJsonObject c = configurations.at(0).toObject();
        QJsonArray objects = c.value(QStringLiteral("objects")).toArray();
        objects.append(QStringLiteral("Flux Capacitor"));
        c.insert(QStringLiteral("objects"), objects);
        configurations.replace(0, c);
        d.insert(QStringLiteral("configurations"), configurations);
    }) << QStringLiteral("unknown object");
    QTest::newRow("preset configuration") << Mutator([](QJsonObject &d) {
        QJsonObject presets = d.value(QStringLiteral("presets")).toObject();
        QJsonArray stored = presets.value(QStringLiteral("stored")).toArray();
        QJsonObject p = stored.at(0).toObject();
        p.insert(QStringLiteral("configuration"), QStringLiteral("Nine-Way"));
        stored.replace(0, p);
        presets.insert(QStringLiteral("stored"), stored);
        d.insert(QStringLiteral("presets"), presets);
    }) << QStringLiteral("unknown configuration");
    QTest::newRow("preset keeps a reading") << Mutator([](QJsonObject &d) {
        QJsonObject presets = d.value(QStringLiteral("presets")).toObject();
        QJsonArray stored = presets.value(QStringLiteral("stored")).toArray();
        QJsonObject p = stored.at(0).toObject();
        p.insert(QStringLiteral("values"), QJsonObject{{QStringLiteral("Preset\\OutputMeters\\SV\\Channel_1_Level"), -3}});
        stored.replace(0, p);
        presets.insert(QStringLiteral("stored"), stored);
        d.insert(QStringLiteral("presets"), presets);
    }) << QStringLiteral("is not a preset variable");
    QTest::newRow("preset store variable missing") << Mutator([](QJsonObject &d) {
        QJsonArray storage = d.value(QStringLiteral("storage")).toArray();
        storage.removeAt(1);
        d.insert(QStringLiteral("storage"), storage);
    }) << QStringLiteral("Storage\\Presets\\SV\\CurrentPreset");
}

void TstOfflineCatalogue::brokenCataloguesAreRefused()
{
    QFETCH(Mutator, mutate);
    QFETCH(QString, expected);
    const QString error = scanError(mutate);
    QVERIFY2(error.contains(expected), qPrintable(QStringLiteral("got: ") + error));

    Catalogue c;
    QString text;
    QVERIFY(!c.loadJson("{\"format\": ", &text));
    QVERIFY(text.contains(QStringLiteral("not a JSON object")));
    QVERIFY(c.variables().empty());
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
    const QJsonObject formats = builtIn().value(QStringLiteral("formats")).toObject();
    QVERIFY(formats.contains(format));
    // Through a catalogue, so the test reads the formats exactly as the program does.
    QJsonObject doc = builtIn();
    QJsonObject entry = firstOfClass(doc, QStringLiteral("SignalGenerator"), 3);
    entry.insert(QStringLiteral("format"), format);
    entry.insert(QStringLiteral("min"), min);
    entry.insert(QStringLiteral("max"), max);
    entry.insert(QStringLiteral("initial"), min);
    entry.remove(QStringLiteral("resolution"));
    setInClass(doc, QStringLiteral("SignalGenerator"), 3, entry);
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

void TstOfflineCatalogue::percentScales()
{
    using tarn::offline::fromPercent;
    using tarn::offline::toPercent;
    QCOMPARE(toPercent(-30, -60, 0, false), 50.0);
    QVERIFY(std::fabs(toPercent(632.456, 20, 20000, true) - 50.0) < 0.001);
    QVERIFY(std::fabs(fromPercent(50, 20, 20000, true) - 632.456) < 0.01);
    QCOMPARE(toPercent(-100, -60, 0, false), 0.0);
    QCOMPARE(toPercent(5, -60, 0, false), 100.0);
    QCOMPARE(fromPercent(250, -60, 0, false), 0.0);
    QCOMPARE(tarn::offline::formatPercent(66.666666), QStringLiteral("66.67%"));
    double p = 0;
    QVERIFY(tarn::offline::parsePercent(QStringLiteral("42%"), &p));
    QCOMPARE(p, 42.0);
    QVERIFY(!tarn::offline::parsePercent(QStringLiteral("%"), &p));
}

void TstOfflineCatalogue::everyBoundNameIsInTheCatalogue()
{
    Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(kCatalogue, &error), qPrintable(error));
    QList<Binding> found;
    int files = 0;
    const auto scanTree = [&](const QString &root, const QStringList &filters, bool qml) {
        QDirIterator it(root, filters, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QString text = QString::fromUtf8(file.readAll());
            const QString name = QDir(QStringLiteral(TARN_SOURCE_DIR)).relativeFilePath(file.fileName());
            found += qml ? tarn::test::scanQml(text, name) : tarn::test::scanCpp(text, name);
            ++files;
        }
    };
    scanTree(QStringLiteral(TARN_SOURCE_DIR "/resources/qml"), {QStringLiteral("*.qml")}, true);
    scanTree(QStringLiteral(TARN_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, false);
    QVERIFY(files > 0);
    qInfo("%d bindings in %d files", int(found.size()), files);
    // Some documents show the configurable model's objects only: a binding either model serves
    // is served.
    tarn::offline::QuarraModel configurable(tarn::offline::QuarraModel::Settings{});
    Catalogue quarra;
    QVERIFY2(configurable.prepare(&quarra, &error), qPrintable(error));
    const QStringList missingInQuarra = tarn::test::missingBindings(quarra, found);
    QStringList missing;
    for (const QString &line : tarn::test::missingBindings(catalogue, found)) {
        if (missingInQuarra.contains(line))
            missing << line;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

void TstOfflineCatalogue::scannerFindsMissingNames()
{
    Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(kCatalogue, &error), qPrintable(error));
    const QString qml = QStringLiteral(R"(
import QtQuick 2.15
Item {
    // poName: "Commented" svName: "Out"
    TarnSlider { poName: "Compressor"; svName: "Threshold"; valueType: "%" }
    TarnTextSV {
        id: busy
        svName: "Node\\Config\\SV\\Command:Status"
        poName: "NPO"
        property string note: "poName: \"Fake\""
    }
    TarnNumericalSV { poName: "Compresor"; svName: "Threshold" }
    TarnSlider { poName: "NPO"; svName: "Node\\SV\\DeviceName"; valueType: "%" }
    Repeater { model: 31; TarnNumericalSV { poName: "GEQ"; svName: bands[index] } }
    TarnNumericalSV { poName: "Ghost"; svName: names[0] }
    TarnTextSV { poName: "Presets"; svName: "Name_31" }
}
)");
    const QList<Binding> bindings = tarn::test::scanQml(qml, QStringLiteral("fixture.qml"));
    QCOMPARE(bindings.size(), 7);
    QCOMPARE(bindings.at(0).valueType, QStringLiteral("%"));
    QCOMPARE(bindings.at(1).sv, QStringLiteral("Node\\Config\\SV\\Command:Status"));
    QCOMPARE(bindings.at(1).line, 8);
    const QStringList missing = tarn::test::missingBindings(catalogue, bindings);
    QCOMPARE(missing.size(), 4);
    QVERIFY(missing.at(0).contains(QStringLiteral("Compresor")));
    QVERIFY(missing.at(1).contains(QStringLiteral("has no range")));
    QVERIFY(missing.at(2).contains(QStringLiteral("\"Ghost\"")));
    QVERIFY(missing.at(3).contains(QStringLiteral("Name_31")));

    const QString cpp = QStringLiteral(R"(
void Model::subscribe()
{
    DataFromDevice d;
    d.command = QStringLiteral("sub");
    d.poName = QStringLiteral("Crossover");
    d.svName = QStringLiteral("NumBands");
    send(d);
    d.svName = QStringLiteral("NumBand");
    if (x) {
        d.svName = QLatin1String("MonoSub");
    }
    const char *text = "poName = \"Fake\"";
    m_status.setPoName(QStringLiteral("NPO"));
    m_status.setSvName(QStringLiteral("Node\\Wizard\\SV\\WizardGenericAmpLevel\\Min"));
}
void Other::f() { d.svName = QStringLiteral("Orphan"); }
)");
    const QList<Binding> fromCpp = tarn::test::scanCpp(cpp, QStringLiteral("fixture.cpp"));
    QCOMPARE(fromCpp.size(), 4);
    const QStringList missingCpp = tarn::test::missingBindings(catalogue, fromCpp);
    QCOMPARE(missingCpp.size(), 1);
    QVERIFY(missingCpp.first().contains(QStringLiteral("NumBand ")));
    QVERIFY(missingCpp.first().startsWith(QStringLiteral("fixture.cpp:9:")));
}

TARN_TEST_MAIN(TstOfflineCatalogue, QCoreApplication)
#include "tst_offlinecatalogue.moc"
