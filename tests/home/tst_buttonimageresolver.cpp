// Guards against home-screen blocks drawn with the wrong icon, caption, toggle or colour, and
// against block descriptions from the processor read without bounds.
#include "buttonimageresolver.h"
#include "testenv.h"

#include <QCoreApplication>

class TstButtonImageResolver : public QObject {
    Q_OBJECT
private slots:
    void lookups_data();
    void lookups();
    void attributes_data();
    void attributes();
    void oversizedDescription();
};

// One row per kind of key: class names and labels, muted variants, grid-qualified captions with
// their odd spacing, and keys the tables do not have.
void TstButtonImageResolver::lookups_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString h = QStringLiteral("/images/Home/");
    QTest::newRow("icon of a label") << "icon" << "MIX" << h + "ICN_Mixer.png";
    QTest::newRow("icon of a class") << "icon" << "norvQuarraFixedRouter" << h + "ICN_Mixer.png";
    QTest::newRow("icon of a crossover layout") << "icon" << "1x1" << h + "ICN_Crossover.png";
    QTest::newRow("icon of a band") << "icon" << "EQ14" << "/images/ButtonBG14.png";
    QTest::newRow("icon of the sub band") << "icon" << "EQSub" << "/images/ButtonBGS.png";
    QTest::newRow("no icon past the bands") << "icon" << "EQ15" << QString();
    QTest::newRow("icon, case matters") << "icon" << "mix" << QString();
    QTest::newRow("muted mixer") << "icon" << "QuarraMixer:Off" << h + "ICN_MixerMute.png";
    QTest::newRow("muted output") << "icon" << "OUP:Off" << h + "ICN_OutputMute.png";
    QTest::newRow("no muted input router") << "icon" << "norvQuarraInputRouter:Off" << QString();
    QTest::newRow("no muted compressor") << "icon" << "CMP:Off" << QString();
    QTest::newRow("caption in") << "caption" << "in:DLY" << "Backline Delay";
    QTest::newRow("caption mid") << "caption" << "mid:DLY" << "Fill Delay";
    QTest::newRow("caption out") << "caption" << "out:DLY" << "Alignment Delay";
    QTest::newRow("caption double blanks") << "caption" << "in:AGC" << "Automatic  Gain  Control";
    QTest::newRow("caption misspelt as shipped") << "caption" << "mid:SUB" << "Sub harmoinc Synth";
    QTest::newRow("caption of an output") << "caption" << "out:6" << "Output 6";
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

void TstButtonImageResolver::lookups()
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

void TstButtonImageResolver::attributes_data()
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
