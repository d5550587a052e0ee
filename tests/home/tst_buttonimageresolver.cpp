#include "buttonimageresolver.h"
#include "testenv.h"

#include <QCoreApplication>

class TstButtonImageResolver : public QObject {
    Q_OBJECT
private slots:
    void tableSizes();
    void icons_data();
    void icons();
    void mutedIcons();
    void captions_data();
    void captions();
    void toggles();
    void colours();
    void unknownKeysStayUnknown();
    void attributes_data();
    void attributes();
    void oversizedDescription();
};

void TstButtonImageResolver::tableSizes()
{
    ButtonImageResolver r;
    QCOMPARE(r.iconCount(), 67);
    QCOMPARE(r.captionCount(), 40);
    QCOMPARE(r.toggleCount(), 10);
}

void TstButtonImageResolver::icons_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("path");
    const QString h = QStringLiteral("/images/Home/");
    QTest::newRow("MIX") << "MIX" << h + "ICN_Mixer.png";
    QTest::newRow("fixed router") << "norvQuarraFixedRouter" << h + "ICN_Mixer.png";
    QTest::newRow("AFS") << "QuarraAFS" << h + "ICN_AFS.png";
    QTest::newRow("GEQ") << "CadenzoGEQ" << h + "ICN_GraphicEQ.png";
    QTest::newRow("SUB") << "CadenzoSubHarmonicSynth" << h + "ICN_SubSynth.png";
    QTest::newRow("AEQ") << "norvQuarAutoEQPEQ" << h + "ICN_AutoEQ.png";
    QTest::newRow("CMP") << "CMP" << h + "ICN_Compressor.png";
    QTest::newRow("1x1") << "1x1" << h + "ICN_Crossover.png";
    QTest::newRow("XOV") << "CadenzoCrossover" << h + "ICN_Crossover.png";
    QTest::newRow("PEQ") << "norvQuarPEQ" << h + "ICN_ParaEQ.png";
    QTest::newRow("LMT") << "CadenzoLimiter" << h + "ICN_Limiter.png";
    QTest::newRow("DLY") << "QuarraDelay" << h + "ICN_AlignmentDelay.png";
    QTest::newRow("RTA peak") << "CadenzoRTApeak" << h + "ICN_RTAmic.png";
    QTest::newRow("AGC") << "norvAGC" << h + "ICN_AGC.png";
    QTest::newRow("INR") << "norvQuarraInputRouter" << h + "ICN_Input.png";
    QTest::newRow("OUP") << "OUP" << h + "ICN_Output.png";
    QTest::newRow("gate") << "norvGate" << h + "ICN_Gate.png";
    QTest::newRow("EQ1") << "EQ1" << "/images/ButtonBG1.png";
    QTest::newRow("EQ9") << "EQ9" << "/images/ButtonBG9.png";
    QTest::newRow("EQ14") << "EQ14" << "/images/ButtonBG14.png";
    QTest::newRow("EQSub") << "EQSub" << "/images/ButtonBGS.png";
    // Keys the table does not have.
    QTest::newRow("EQ15") << "EQ15" << QString();
    QTest::newRow("EQ0") << "EQ0" << QString();
    QTest::newRow("GAT label") << "GAT" << QString();
    QTest::newRow("case matters") << "mix" << QString();
}

void TstButtonImageResolver::icons()
{
    QFETCH(QString, key);
    QFETCH(QString, path);
    ButtonImageResolver r;
    QCOMPARE(r.imagePath(key), path);
}

void TstButtonImageResolver::mutedIcons()
{
    ButtonImageResolver r;
    for (const char *key : {"MIX", "CadenzoMixer", "QuarraMixer", "norvQuarraMixer", "norvQuarraFixedRouter"})
        QCOMPARE(r.imagePath(QLatin1String(key) + QStringLiteral(":Off")), QStringLiteral("/images/Home/ICN_MixerMute.png"));
    QCOMPARE(r.imagePath(QStringLiteral("norvQuarraOutput:Off")), QStringLiteral("/images/Home/ICN_OutputMute.png"));
    QCOMPARE(r.imagePath(QStringLiteral("OUP:Off")), QStringLiteral("/images/Home/ICN_OutputMute.png"));
    // The input router has an icon but no muted one.
    QCOMPARE(r.imagePath(QStringLiteral("norvQuarraInputRouter")), QStringLiteral("/images/Home/ICN_Input.png"));
    QCOMPARE(r.imagePath(QStringLiteral("norvQuarraInputRouter:Off")), QString());
    QCOMPARE(r.imagePath(QStringLiteral("CMP:Off")), QString());
}

void TstButtonImageResolver::captions_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("caption");
    QTest::newRow("rta:RTA") << "rta:RTA" << "RTA";
    QTest::newRow("rta:MIX") << "rta:MIX" << "Input Mixer";
    QTest::newRow("in:SIG") << "in:SIG" << "Signal Generator";
    QTest::newRow("in:MIX") << "in:MIX" << "Input Mixer";
    QTest::newRow("in:AFS") << "in:AFS" << "AFS";
    QTest::newRow("in:GEQ") << "in:GEQ" << "Graphic EQ";
    QTest::newRow("in:SUB") << "in:SUB" << "Sub harmonic Synth";
    QTest::newRow("in:PEQ double blank") << "in:PEQ" << "Parametric  EQ";
    QTest::newRow("in:CMP") << "in:CMP" << "Compressor";
    QTest::newRow("in:GAT") << "in:GAT" << "Noise Gate";
    QTest::newRow("in:DLY") << "in:DLY" << "Backline Delay";
    QTest::newRow("in:AGC double blanks") << "in:AGC" << "Automatic  Gain  Control";
    QTest::newRow("mid:MIX") << "mid:MIX" << "Mid  Mixer";
    QTest::newRow("out:MIX") << "out:MIX" << "Mid  Mixer";
    QTest::newRow("mid:AEQ") << "mid:AEQ" << "Auto  EQ";
    QTest::newRow("out:AEQ") << "out:AEQ" << "Auto  EQ";
    QTest::newRow("mid:SUB misspelt") << "mid:SUB" << "Sub harmoinc Synth";
    QTest::newRow("out:SUB misspelt") << "out:SUB" << "Sub harmoinc Synth";
    QTest::newRow("mid:CMP") << "mid:CMP" << "Compressor";
    QTest::newRow("out:GAT") << "out:GAT" << "Noise Gate";
    QTest::newRow("mid:AGC") << "mid:AGC" << "Automatic  Gain  Control";
    QTest::newRow("out:AGC") << "out:AGC" << "Automatic  Gain  Control";
    QTest::newRow("mid:DLY") << "mid:DLY" << "Fill Delay";
    QTest::newRow("out:DLY") << "out:DLY" << "Alignment Delay";
    QTest::newRow("out:PEQ") << "out:PEQ" << "Parametric  EQ";
    QTest::newRow("out:LMT") << "out:LMT" << "Limiter";
    QTest::newRow("out:1") << "out:1" << "Output 1";
    QTest::newRow("out:6") << "out:6" << "Output 6";
    QTest::newRow("out:QuarraCrossover") << "out:QuarraCrossover" << "Crossover";
    QTest::newRow("out:CadenzoCrossover") << "out:CadenzoCrossover" << "Crossover";
    QTest::newRow(":") << ":" << " ";
    QTest::newRow("in:") << "in:" << " ";
    QTest::newRow("mid:") << "mid:" << " ";
    QTest::newRow("out:") << "out:" << " ";
    // Grid-qualified labels that are not in the table.
    QTest::newRow("out:7") << "out:7" << QString();
    QTest::newRow("rta:") << "rta:" << QString();
    QTest::newRow("in:LMT") << "in:LMT" << QString();
    QTest::newRow("mid:PEQ") << "mid:PEQ" << QString();
    QTest::newRow("bare label") << "PEQ" << QString();
    QTest::newRow("empty") << "" << QString();
}

void TstButtonImageResolver::captions()
{
    QFETCH(QString, key);
    QFETCH(QString, caption);
    ButtonImageResolver r;
    QCOMPARE(r.buttonText(key), caption);
}

void TstButtonImageResolver::toggles()
{
    ButtonImageResolver r;
    const QList<QPair<QString, QString>> rows{
        {"DLY", "Delay"}, {"LMT", "Limiter"}, {"PEQ", "ParametricEQ"}, {"AEQ", "AutoEQ"}, {"GEQ", "GraphicEQ"},
        {"AGC", "AGC"},   {"AFS", "AFS"},     {"SUB", "SubharmonicSynth"}, {"CMP", "Compressor"}, {"GAT", "Gate"}};
    for (const auto &row : rows)
        QCOMPARE(r.toggleSVName(row.first), row.second);
    QCOMPARE(r.toggleSVName(QStringLiteral("MIX")), QString());
    QCOMPARE(r.toggleSVName(QStringLiteral("out:DLY")), QString());
}

void TstButtonImageResolver::colours()
{
    ButtonImageResolver r;
    QCOMPARE(r.color(QStringLiteral("CadenzoMixer")), QStringLiteral("#1A1A1A"));
    QCOMPARE(r.color(QStringLiteral("norvQuarraOutput")), QStringLiteral("#222222"));
    QCOMPARE(r.txtColor(QStringLiteral("CadenzoMixer")), QStringLiteral("white"));
    QCOMPARE(r.txtColor(QStringLiteral("norvQuarraOutput")), QStringLiteral("white"));
    // Colours come from the colour tables, not from the toggle table.
    QCOMPARE(r.color(QStringLiteral("CMP")), QString());
    QCOMPARE(r.txtColor(QStringLiteral("DLY")), QString());
    QCOMPARE(r.color(QStringLiteral("QuarraMixer")), QString());
}

void TstButtonImageResolver::unknownKeysStayUnknown()
{
    ButtonImageResolver r;
    for (int i = 0; i < 100; ++i) {
        const QString key = QStringLiteral("Unknown%1").arg(i);
        QCOMPARE(r.imagePath(key), QString());
        QCOMPARE(r.buttonText(key), QString());
        QCOMPARE(r.toggleSVName(key), QString());
        QCOMPARE(r.color(key), QString());
    }
    QCOMPARE(r.iconCount(), 67);
    QCOMPARE(r.captionCount(), 40);
    QCOMPARE(r.toggleCount(), 10);
}

void TstButtonImageResolver::attributes_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("router");
    QTest::newRow("both") << R"({"ClassName":"norvQuarraOutput","Attributes":{"OutputName":"Sub Left","RouteMix":"A+B"}})"
                          << "Sub Left" << "A+B";
    QTest::newRow("router only") << R"({"Attributes":{"RouteMix":"1+2+3"}})" << QString() << "1+2+3";
    QTest::newRow("single input") << R"({"Attributes":{"RouteMix":"In3"}})" << QString() << "In3";
    QTest::newRow("number") << R"({"Attributes":{"OutputName":4}})" << "4" << QString();
    QTest::newRow("no attributes") << R"({"ClassName":"CadenzoPEQ"})" << QString() << QString();
    QTest::newRow("attributes not an object") << R"({"Attributes":"OutputName"})" << QString() << QString();
    QTest::newRow("name not a text") << R"({"Attributes":{"OutputName":{"x":1},"RouteMix":[1]}})" << QString() << QString();
    QTest::newRow("top-level member only") << R"({"OutputName":"Main"})" << QString() << QString();
    QTest::newRow("array") << R"([{"Attributes":{"OutputName":"Main"}}])" << QString() << QString();
    QTest::newRow("not JSON") << "Output 1" << QString() << QString();
    QTest::newRow("cut short") << R"({"Attributes":{"OutputName":"Ma)" << QString() << QString();
    QTest::newRow("empty") << "" << QString() << QString();
    QTest::newRow("unicode") << QString::fromUtf8(R"({"Attributes":{"OutputName":"Bühne ♪"}})")
                             << QString::fromUtf8("Bühne ♪") << QString();
}

void TstButtonImageResolver::attributes()
{
    QFETCH(QString, description);
    QFETCH(QString, output);
    QFETCH(QString, router);
    ButtonImageResolver r;
    QCOMPARE(r.outputName(description), output);
    QCOMPARE(r.routerName(description), router);
}

void TstButtonImageResolver::oversizedDescription()
{
    ButtonImageResolver r;
    const QString filler(ButtonImageResolver::kMaxDescriptionLength, QLatin1Char(' '));
    const QString big = QStringLiteral(R"({"Attributes":{"OutputName":"Main"}})") + filler;
    QCOMPARE(r.outputName(big), QString());
    // Just inside the limit it is read.
    const QString fits = QStringLiteral(R"({"Attributes":{"OutputName":"Main"}})")
        + filler.left(ButtonImageResolver::kMaxDescriptionLength - 36);
    QCOMPARE(fits.size(), ButtonImageResolver::kMaxDescriptionLength);
    QCOMPARE(r.outputName(fits), QStringLiteral("Main"));
    // Deep nesting is refused by the parser rather than overflowing the stack.
    const QString deep = QString(5000, QLatin1Char('[')) + QString(5000, QLatin1Char(']'));
    QCOMPARE(r.outputName(deep), QString());
}

TARN_TEST_MAIN(TstButtonImageResolver, QCoreApplication)
#include "tst_buttonimageresolver.moc"
