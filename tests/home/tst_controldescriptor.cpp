// Guards against descriptor documents that name controls the processor lacks, pick the wrong band or
// accept malformed input, and home-screen blocks drawn with the wrong picture, caption or colour.
#include "appdatastore.h"
#include "buttonimageresolver.h"
#include "catalogue.h"
#include "controldescriptor.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

using tarn::home::DescriptorDocument;

namespace {
const QStringList kShipped{
    "CompressorControlDescriptor.xml", "GateControlDescriptor.xml",    "AGCControlDescriptor.xml",
    "LimiterControlDescriptor.xml",    "SubHarmonicControlDescriptor.xml", "MixerControlDescriptor.xml",
    "DelayControlDescriptor.xml",      "InputDelayControlDescriptor.xml", "OutputMetersControlDescriptor.xml",
    "RTAControlDescriptor.xml",        "SigGenControlDescriptor.xml"};

QByteArray wrap(const QByteArray &body, const QByteArray &root = R"(screen="S" po="P")")
{
    return "<?xml version=\"1.0\"?>\n<ControlDescriptor " + root + ">\n" + body + "\n</ControlDescriptor>\n";
}
} // namespace

class TstControlDescriptor : public QObject {
    Q_OBJECT
private slots:
    void init();
    void shippedDocumentsLoad_data();
    void shippedDocumentsLoad();
    void sourceForms();
    void lookups();
    void controlsAreServedAndStepped();
    void rejected_data();
    void rejected();
    // The home screen's pictures and captions.
    void resolverLookups_data();
    void resolverLookups();
    void attributes_data();
    void attributes();
};

void TstControlDescriptor::init()
{
    TarnSettings settings;
    for (const char *key : {tarn::keys::LimiterType, tarn::keys::DelayType, tarn::keys::MixerType})
        settings.remove(QString::fromLatin1(key));
}

void TstControlDescriptor::shippedDocumentsLoad_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &file : kShipped)
        QTest::newRow(qPrintable(file)) << file;
}

void TstControlDescriptor::shippedDocumentsLoad()
{
    QFETCH(QString, file);
    ControlDescriptor d;
    QSignalSpy loaded(&d, &ControlDescriptor::loaded);
    d.setSource(QStringLiteral("/xml/") + file);
    QCOMPARE(loaded.count(), 1);
    QVERIFY2(d.valid() && d.errorString().isEmpty(), qPrintable(d.errorString()));
    QVERIFY(!d.screen().isEmpty() && !d.title().isEmpty() && !d.controls().isEmpty());
    for (const QVariant &c : d.controls()) {
        const QVariantMap map = c.toMap();
        QVERIFY(!map.value("po").toString().isEmpty() && !map.value("sv").toString().isEmpty() && !map.value("label").toString().isEmpty());
        // A meter scale has one mark more than it has segments, and the segments fill the meter.
        const QVariantList lengths = map.value(QStringLiteral("lengths")).toList();
        if (!lengths.isEmpty()) {
            QCOMPARE(map.value(QStringLiteral("scale")).toList().size(), lengths.size() + 1);
            double total = 0;
            for (const QVariant &l : lengths)
                total += l.toDouble();
            QCOMPARE(total, 100.0);
        }
        if (map.value(QStringLiteral("kind")) == QLatin1String("spectrum"))
            QCOMPARE(map.value(QStringLiteral("bandLabels")).toStringList().size(), map.value(QStringLiteral("bands")).toInt());
    }
    // Every variant of the document resolves.
    for (const QString &variant : d.variants()) {
        d.setVariant(variant);
        QCOMPARE(d.currentVariant(), variant);
        QVERIFY(!d.poName().isEmpty());
    }
}

void TstControlDescriptor::sourceForms()
{
    const QString expected = QStringLiteral(":/xml/GateControlDescriptor.xml");
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("/xml/GateControlDescriptor.xml")), expected);
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("qrc:/xml/GateControlDescriptor.xml")), expected);
    QCOMPARE(tarn::home::descriptorFilePath(expected), expected);
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("file:///tmp/x.xml")), QStringLiteral("/tmp/x.xml"));
    // A path that is no resource stays a file path.
    QCOMPARE(tarn::home::descriptorFilePath(QStringLiteral("/tmp/none.xml")), QStringLiteral("/tmp/none.xml"));

    for (const QString &source : {QStringLiteral("/xml/GateControlDescriptor.xml"), QStringLiteral("qrc:/xml/GateControlDescriptor.xml")}) {
        ControlDescriptor d;
        d.setSource(source);
        QVERIFY(d.valid());
        QCOMPARE(d.poName(), QStringLiteral("Gate"));
    }

    // A missing document is an error; a good source afterwards replaces the failure.
    ControlDescriptor d;
    d.setSource(QStringLiteral("/xml/NoSuchControlDescriptor.xml"));
    QVERIFY(!d.valid() && d.controls().isEmpty() && d.poName().isEmpty());
    QVERIFY(d.errorString().contains(QStringLiteral("NoSuchControlDescriptor")));
    d.setSource(QStringLiteral("/xml/SigGenControlDescriptor.xml"));
    QVERIFY(d.valid() && d.errorString().isEmpty());
    QCOMPARE(d.poName(), QStringLiteral("SignalGenerator"));
}

// The lookups and band variants the block screens use, on shipped documents.
void TstControlDescriptor::lookups()
{
    ControlDescriptor d;
    d.setSource(QStringLiteral("/xml/CompressorControlDescriptor.xml"));
    QCOMPARE(d.rangeClass(), QStringLiteral("Compressor"));
    QCOMPARE(d.controlsOfKind(QStringLiteral("toggle")).size(), 1);
    const QVariantMap ratio = d.controlWithRole(QStringLiteral("ratio"));
    QCOMPARE(ratio.value(QStringLiteral("sv")).toString(), QStringLiteral("Ratio"));
    QCOMPARE(ratio.value(QStringLiteral("rangeClass")).toString(), QStringLiteral("Compressor"));
    QCOMPARE(d.groups(), (QStringList{"Detector", "Timing"}));
    QCOMPARE(d.controlsInGroup(QStringLiteral("Timing")).size(), 3);
    QVERIFY(d.control(QStringLiteral("Nothing")).isEmpty());

    // Variants filter the controls; meters keep the processing object they name.
    d.setSource(QStringLiteral("/xml/MixerControlDescriptor.xml"));
    QCOMPARE(d.currentVariant(), QStringLiteral("StereoMixer"));
    QVERIFY(!d.control(QStringLiteral("Input_B_Pan")).isEmpty());
    QCOMPARE(d.control(QStringLiteral("Channel_1_Level")).value(QStringLiteral("po")).toString(), QStringLiteral("InputMeters"));
    d.setVariant(QStringLiteral("MonoMixer"));
    QVERIFY(d.control(QStringLiteral("Input_B_Pan")).isEmpty());
    QCOMPARE(d.control(QStringLiteral("Input_A_Gain")).value(QStringLiteral("po")).toString(), QStringLiteral("MonoMixer"));

    // The same variable name in two processing objects.
    d.setSource(QStringLiteral("/xml/OutputMetersControlDescriptor.xml"));
    QCOMPARE(d.control(QStringLiteral("Channel_2_Level"), QStringLiteral("OutputMeters")).value(QStringLiteral("group")).toString(),
             QStringLiteral("Output 2"));
    QCOMPARE(d.control(QStringLiteral("Channel_2_Level"), QStringLiteral("InputMeters")).value(QStringLiteral("group")).toString(),
             QStringLiteral("Input B"));

    // Band variants follow their setting (once no variant is asked for explicitly).
    d.setVariant(QString());
    d.setSource(QStringLiteral("/xml/LimiterControlDescriptor.xml"));
    QCOMPARE(d.variantSetting(), QString::fromLatin1(tarn::keys::LimiterType));
    QCOMPARE(d.variants(), (QStringList{"Low", "Mid", "High"}));
    // No setting yet: the default band.
    QCOMPARE(d.currentVariant(), QStringLiteral("High"));
    QCOMPARE(d.poName(), QStringLiteral("High Outputs Limiter"));

    // The setting in any case, or the processing object's own name; an unknown word falls back
    // to the default.
    auto fromSetting = [&d](const char *setting) {
        TarnSettings::write(QString::fromLatin1(tarn::keys::LimiterType), QLatin1String(setting));
        d.reload();
        return d.currentVariant();
    };
    QCOMPARE(fromSetting("mid"), QStringLiteral("Mid"));
    QCOMPARE(fromSetting("Sideways"), QStringLiteral("High"));
    QCOMPARE(fromSetting("Low Outputs Limiter"), QStringLiteral("Low"));
    QCOMPARE(d.poName(), QStringLiteral("Low Outputs Limiter"));
    QCOMPARE(d.variantLabel(), QStringLiteral("Low Outputs"));
    for (const QVariant &c : d.controls())
        QCOMPARE(c.toMap().value(QStringLiteral("po")).toString(), QStringLiteral("Low Outputs Limiter"));

    // An explicit variant wins over the setting; an unknown one falls back to the default, not
    // to the setting; none gives the setting's again.
    ControlDescriptor e;
    QSignalSpy loaded(&e, &ControlDescriptor::loaded);
    e.setVariant(QStringLiteral("Mid"));
    e.setSource(QStringLiteral("/xml/LimiterControlDescriptor.xml"));
    QCOMPARE(e.poName(), QStringLiteral("Mid Outputs Limiter"));
    e.setVariant(QStringLiteral("Nope"));
    QCOMPARE(e.currentVariant(), QStringLiteral("High"));
    e.setVariant(QString());
    QCOMPARE(e.currentVariant(), QStringLiteral("Low"));
    QVERIFY(loaded.count() >= 3);
}


// Every control of every variant names a variable the offline model serves; a numeric control whose
// block class has range data for its parameter gets per-range steps that cover its limits (the
// others must be absent from the range data, so that the single step applies).
void TstControlDescriptor::controlsAreServedAndStepped()
{
    tarn::offline::Catalogue catalogue;
    QString error;
    QVERIFY2(catalogue.load(QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json"), &error), qPrintable(error));
    AppDataStore store;
    int withRanges = 0;
    for (const QString &file : kShipped) {
        ControlDescriptor d;
        d.setSource(QStringLiteral("/xml/") + file);
        for (const QString &variant : d.variants().isEmpty() ? QStringList{QString()} : d.variants()) {
            d.setVariant(variant);
            for (const QVariant &c : d.controls()) {
                const QVariantMap map = c.toMap();
                const QString what = file + QLatin1Char(' ') + map.value("po").toString() + QLatin1Char('/') + map.value("sv").toString();
                QVERIFY2(catalogue.indexOf("Preset\\" + map.value("po").toString() + "\\SV\\" + map.value("sv").toString()) >= 0,
                         qPrintable(what + QStringLiteral(" is not served")));
                const QString ranges = store.getJsonArray(map.value("rangeClass").toString(), map.value("nudgeClass").toString());
                if (map.value("kind") != QLatin1String("number") || ranges == QLatin1String("[]"))
                    continue;
                ++withRanges;
                double low = 1e300;
                double high = -1e300;
                for (const QJsonValue &e : QJsonDocument::fromJson(ranges.toUtf8()).array()) {
                    low = qMin(low, e.toObject().value(QStringLiteral("low")).toDouble());
                    high = qMax(high, e.toObject().value(QStringLiteral("high")).toDouble());
                }
                QVERIFY2(low <= map.value("min").toDouble() && high >= map.value("max").toDouble(), qPrintable(what));
            }
        }
    }
    QVERIFY(withRanges >= 15);
}

void TstControlDescriptor::rejected_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("fault");
    QTest::newRow("not XML") << QByteArray("control descriptor") << "";
    QTest::newRow("wrong root") << QByteArray("<Descriptor screen=\"S\"/>") << "<ControlDescriptor>";
    QTest::newRow("no screen") << QByteArray("<ControlDescriptor po=\"P\"/>") << "screen";
    QTest::newRow("unclosed") << QByteArray("<ControlDescriptor screen=\"S\" po=\"P\"><Control kind=\"toggle\" sv=\"X\">") << "";
    QTest::newRow("unknown kind") << wrap(R"(<Control kind="knob" sv="X"/>)") << "knob";
    QTest::newRow("no sv") << wrap(R"(<Control kind="number"/>)") << "sv";
    QTest::newRow("blank sv") << wrap(R"(<Control kind="number" sv="  "/>)") << "empty";
    QTest::newRow("bad number") << wrap(R"(<Control kind="number" sv="X" min="low"/>)") << "min";
    QTest::newRow("infinite number") << wrap(R"(<Control kind="number" sv="X" max="inf"/>)") << "max";
    QTest::newRow("min above max") << wrap(R"(<Control kind="number" sv="X" min="5" max="1"/>)") << "min is not below max";
    QTest::newRow("bad flag") << wrap(R"(<Control kind="number" sv="X" slider="yes"/>)") << "slider";
    QTest::newRow("scale without lengths") << wrap(R"(<Control kind="meter" sv="X" scale="-40,0"/>)") << "scale";
    QTest::newRow("scale descending") << wrap(R"(<Control kind="meter" sv="X" scale="0,-40" lengths="100"/>)") << "ascend";
    QTest::newRow("spectrum without bands") << wrap(R"(<Control kind="spectrum" sv="X"/>)") << "bands";
    QTest::newRow("spectrum label count") << wrap(R"(<Control kind="spectrum" sv="X" bands="3" bandLabels="a,b"/>)") << "band labels";
    QTest::newRow("band labels on a meter") << wrap(R"(<Control kind="meter" sv="X" bandLabels="a,b"/>)") << "spectrum";
    QTest::newRow("spectrum too many bands") << wrap(R"(<Control kind="spectrum" sv="X" bands="100000"/>)") << "bands";
    QTest::newRow("unknown element") << wrap(R"(<Knob sv="X"/>)") << "Knob";
    QTest::newRow("no processing object") << wrap(R"(<Control kind="toggle" sv="X"/>)", R"(screen="S")") << "processing object";
    QTest::newRow("undeclared variant") << wrap(R"(<Control kind="toggle" sv="X" variants="Left"/>)") << "Left";
    QTest::newRow("default not declared")
        << wrap(R"(<Variant name="A" po="PA"/><Control kind="toggle" sv="X"/>)", R"(screen="S" defaultVariant="B")") << "B";
    QTest::newRow("variant named twice")
        << wrap(R"(<Variant name="A" po="PA"/><Variant name="A" po="PB"/>)", R"(screen="S")") << "twice";
    QTest::newRow("variant without po") << wrap(R"(<Variant name="A"/>)", R"(screen="S")") << "po";
    QTest::newRow("setting without variants") << wrap(R"(<Control kind="toggle" sv="X"/>)", R"(screen="S" po="P" variantSetting="Data/X")")
                                              << "variant setting";
    QTest::newRow("two roots") << QByteArray(R"(<ControlDescriptor screen="S" po="P"/><ControlDescriptor screen="T" po="P"/>)") << "";
    QTest::newRow("document type")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>\n"
                      "<ControlDescriptor screen=\"&b;\" po=\"P\"/>")
        << "document type";
    QTest::newRow("long attribute") << wrap("<Control kind=\"toggle\" sv=\"" + QByteArray(600, 'x') + "\"/>") << "longer than";
    QTest::newRow("too big") << wrap(QByteArray(tarn::home::kMaxDescriptorBytes, ' ')) << "larger than";
    QByteArray many;
    for (int i = 0; i <= tarn::home::kMaxDescriptorControls; ++i)
        many += "<Control kind=\"toggle\" sv=\"X" + QByteArray::number(i) + "\"/>\n";
    QTest::newRow("too many controls") << wrap(many) << "more than";
}

void TstControlDescriptor::rejected()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, fault);
    DescriptorDocument document;
    document.screen = QStringLiteral("kept");
    QString error;
    QVERIFY(!tarn::home::parseControlDescriptor(xml, &document, &error));
    QVERIFY(!error.isEmpty());
    if (!fault.isEmpty())
        QVERIFY2(error.contains(fault), qPrintable(error));
    QCOMPARE(document.screen, QStringLiteral("kept"));
}


// One row per kind of key (the home screen suite checks more labels, mutes and captions on the
// blocks themselves): class names, muted variants, grid-qualified captions, keys not in the tables.
void TstControlDescriptor::resolverLookups_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString h = QStringLiteral("/images/Home/");
    QTest::newRow("icon of a class") << "icon" << "norvQuarraFixedRouter" << h + "ICN_Mixer.png";
    QTest::newRow("icon of a crossover layout") << "icon" << "1x1" << h + "ICN_Crossover.png";
    QTest::newRow("icon of a band") << "icon" << "EQ14" << "/images/ButtonBG14.png";
    QTest::newRow("icon of the sub band") << "icon" << "EQSub" << "/images/ButtonBGS.png";
    QTest::newRow("no icon past the bands") << "icon" << "EQ15" << QString();
    QTest::newRow("icon, case matters") << "icon" << "mix" << QString();
    QTest::newRow("muted output") << "icon" << "OUP:Off" << h + "ICN_OutputMute.png";
    QTest::newRow("no muted input router") << "icon" << "norvQuarraInputRouter:Off" << QString();
    QTest::newRow("no muted compressor") << "icon" << "CMP:Off" << QString();
    QTest::newRow("caption mid") << "caption" << "mid:DLY" << "Fill Delay";
    QTest::newRow("caption out") << "caption" << "out:DLY" << "Alignment Delay";
    QTest::newRow("caption misspelt as shipped") << "caption" << "mid:SUB" << "Sub harmoinc Synth";
    QTest::newRow("caption of a crossover class") << "caption" << "out:CadenzoCrossover" << "Crossover";
    QTest::newRow("caption of an empty label") << "caption" << "mid:" << " ";
    QTest::newRow("no caption past the outputs") << "caption" << "out:7" << QString();
    QTest::newRow("no caption in the wrong grid") << "caption" << "in:LMT" << QString();
    QTest::newRow("no caption unqualified") << "caption" << "PEQ" << QString();
    QTest::newRow("toggle") << "toggle" << "SUB" << "SubharmonicSynth";
    QTest::newRow("no toggle for mixers") << "toggle" << "MIX" << QString();
    QTest::newRow("no toggle qualified") << "toggle" << "out:DLY" << QString();
    QTest::newRow("colour") << "color" << "norvQuarraOutput" << "#222222";
    QTest::newRow("no colour from the toggle table") << "color" << "CMP" << QString();
    QTest::newRow("text colour") << "txtColor" << "CadenzoMixer" << "white";
    QTest::newRow("no text colour") << "txtColor" << "DLY" << QString();
}

void TstControlDescriptor::resolverLookups()
{
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    ButtonImageResolver r;
    const QString found = table == "icon" ? r.imagePath(key)
        : table == "caption"              ? r.buttonText(key)
        : table == "toggle"               ? r.toggleSVName(key)
        : table == "color"                ? r.color(key)
                                          : r.txtColor(key);
    QCOMPARE(found, expected);
}

void TstControlDescriptor::attributes_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("router");
    QTest::newRow("both") << R"({"ClassName":"norvQuarraOutput","Attributes":{"OutputName":"Sub Left","RouteMix":"A+B"}})"
                          << "Sub Left" << "A+B";
    QTest::newRow("single input") << R"({"Attributes":{"RouteMix":"In3"}})" << QString() << "In3";
    QTest::newRow("no attributes") << R"({"ClassName":"CadenzoPEQ"})" << QString() << QString();
    QTest::newRow("attributes not an object") << R"({"Attributes":"OutputName"})" << QString() << QString();
    QTest::newRow("name not a text") << R"({"Attributes":{"OutputName":{"x":1},"RouteMix":[1]}})" << QString() << QString();
    QTest::newRow("array") << R"([{"Attributes":{"OutputName":"Main"}}])" << QString() << QString();
    QTest::newRow("not JSON") << "Output 1" << QString() << QString();
    QTest::newRow("empty") << "" << QString() << QString();
    QTest::newRow("unicode") << QString::fromUtf8(R"({"Attributes":{"OutputName":"Bühne ♪"}})")
                             << QString::fromUtf8("Bühne ♪") << QString();
    // Bounded: read up to the limit; deep nesting is refused by the parser, not the stack.
    const QString main = QStringLiteral(R"({"Attributes":{"OutputName":"Main"}})");
    const int limit = ButtonImageResolver::kMaxDescriptionLength;
    QTest::newRow("at the size limit") << main + QString(limit - main.size(), QLatin1Char(' ')) << "Main" << QString();
    QTest::newRow("over the size limit") << main + QString(limit - main.size() + 1, QLatin1Char(' ')) << QString() << QString();
    QTest::newRow("deep nesting") << QString(5000, QLatin1Char('[')) + QString(5000, QLatin1Char(']')) << QString() << QString();
}

void TstControlDescriptor::attributes()
{
    QFETCH(QString, description);
    QFETCH(QString, output);
    QFETCH(QString, router);
    ButtonImageResolver r;
    QCOMPARE(r.outputName(description), output);
    QCOMPARE(r.routerName(description), router);
}


TARN_TEST_MAIN(TstControlDescriptor, QCoreApplication)
#include "tst_controldescriptor.moc"
