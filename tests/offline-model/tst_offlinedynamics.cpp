// The gain-reduction meters of the model's dynamics blocks: they read what the block's settings
// do to the level of the signal it watches, and nothing while the block is switched off.
#include "catalogue.h"
#include "devicestate.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <functional>
#include <memory>

using tarn::offline::Catalogue;
using tarn::offline::DeviceState;

namespace {
const QString kCatalogue = QStringLiteral(TARN_SOURCE_DIR "/offline-model/catalogue/tarn.json");
const QString kSignal = QStringLiteral("Preset\\TestSignal\\SV\\Level");

QJsonObject builtIn()
{
    QFile file(kCatalogue);
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The gain-reduction entry of a class, found by name.
QJsonObject &entryNamed(QJsonArray &list, const QString &name, QJsonObject &holder, int *index)
{
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).toObject().value(QStringLiteral("name")).toString() == name) {
            holder = list.at(i).toObject();
            *index = i;
            return holder;
        }
    }
    *index = -1;
    return holder;
}

using Edit = std::function<void(QJsonObject &live)>;

// Edits the "live" object of a class's GainReduction entry.
void editLive(QJsonObject &doc, const QString &cls, const Edit &edit)
{
    QJsonObject classes = doc.value(QStringLiteral("classes")).toObject();
    QJsonArray list = classes.value(cls).toArray();
    QJsonObject entry;
    int index = -1;
    entryNamed(list, QStringLiteral("GainReduction"), entry, &index);
    QJsonObject live = entry.value(QStringLiteral("live")).toObject();
    edit(live);
    entry.insert(QStringLiteral("live"), live);
    list.replace(index, entry);
    classes.insert(cls, list);
    doc.insert(QStringLiteral("classes"), classes);
}

// The built-in catalogue with a signal that the test sets, watched by every dynamics block.
QJsonObject withTestSignal()
{
    QJsonObject doc = builtIn();
    QJsonObject classes = doc.value(QStringLiteral("classes")).toObject();
    classes.insert(QStringLiteral("TestSignal"),
                   QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Level")},
                                          {QStringLiteral("kind"), QStringLiteral("number")},
                                          {QStringLiteral("min"), -120},
                                          {QStringLiteral("max"), 20},
                                          {QStringLiteral("format"), QStringLiteral("level")},
                                          {QStringLiteral("initial"), -20}}});
    doc.insert(QStringLiteral("classes"), classes);
    QJsonArray objects = doc.value(QStringLiteral("objects")).toArray();
    objects.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("TestSignal")}, {QStringLiteral("class"), QStringLiteral("TestSignal")}});
    doc.insert(QStringLiteral("objects"), objects);
    QJsonArray configurations = doc.value(QStringLiteral("configurations")).toArray();
    for (int i = 0; i < configurations.size(); ++i) {
        QJsonObject c = configurations.at(i).toObject();
        QJsonArray list = c.value(QStringLiteral("objects")).toArray();
        list.append(QStringLiteral("TestSignal"));
        c.insert(QStringLiteral("objects"), list);
        configurations.replace(i, c);
    }
    doc.insert(QStringLiteral("configurations"), configurations);
    for (const char *cls : {"Compressor", "Gate", "AGC", "Limiter"})
        editLive(doc, QLatin1String(cls), [](QJsonObject &live) { live.insert(QStringLiteral("source"), kSignal); });
    return doc;
}

QString loadError(const QJsonObject &doc)
{
    Catalogue c;
    QString error;
    c.loadJson(QJsonDocument(doc).toJson(), &error);
    return error;
}
} // namespace

class TstOfflineDynamics : public QObject {
    Q_OBJECT
private slots:
    void readingsFollowSettingsAndSignal();
    void builtInMetersFollowTheInput();
    void brokenDynamicsEntriesAreRefused();

private:
    std::unique_ptr<DeviceState> makeState(const QJsonObject &doc);
    void set(const QString &key, const QString &text);
    double reading(const QString &object);

    Catalogue m_catalogue;
    std::unique_ptr<DeviceState> m_state;
};

std::unique_ptr<DeviceState> TstOfflineDynamics::makeState(const QJsonObject &doc)
{
    QString error;
    if (!m_catalogue.loadJson(QJsonDocument(doc).toJson(), &error) || !DeviceState::checkCatalogue(m_catalogue, &error)) {
        qWarning().noquote() << error;
        return nullptr;
    }
    return std::make_unique<DeviceState>(m_catalogue, 5);
}

void TstOfflineDynamics::set(const QString &key, const QString &text)
{
    QString why;
    const int idx = m_state->indexOf(key);
    QVERIFY2(idx >= 0, qPrintable(key));
    const auto result = m_state->write(idx, text, false, &why);
    QVERIFY2(result == DeviceState::WriteResult::Changed || result == DeviceState::WriteResult::Unchanged,
             qPrintable(key + QStringLiteral(": ") + why));
}

double TstOfflineDynamics::reading(const QString &object)
{
    m_state->tick();
    const QString text = m_state->display(m_state->indexOf(QStringLiteral("Preset\\%1\\SV\\GainReduction").arg(object)));
    return text.chopped(2).toDouble(); // "-7.5dB"
}

void TstOfflineDynamics::readingsFollowSettingsAndSignal()
{
    m_state = makeState(withTestSignal());
    QVERIFY(m_state);

    // Compressor: off reads 0 whatever the settings.
    set(QStringLiteral("Preset\\Compressor\\SV\\Threshold"), QStringLiteral("-20"));
    set(kSignal, QStringLiteral("-10"));
    QCOMPARE(reading(QStringLiteral("Compressor")), 0.0);
    set(QStringLiteral("Preset\\Compressor\\SV\\Compressor"), QStringLiteral("On"));
    QCOMPARE(reading(QStringLiteral("Compressor")), -7.5);          // 10 dB over at 4:1
    set(QStringLiteral("Preset\\Compressor\\SV\\Threshold"), QStringLiteral("-30"));
    QCOMPARE(reading(QStringLiteral("Compressor")), -15.0);         // 20 dB over
    set(kSignal, QStringLiteral("-40"));
    QCOMPARE(reading(QStringLiteral("Compressor")), 0.0);           // under the threshold
    set(kSignal, QStringLiteral("-30"));
    set(QStringLiteral("Preset\\Compressor\\SV\\OverEasy"), QStringLiteral("5"));
    QCOMPARE(reading(QStringLiteral("Compressor")), -0.9);          // middle of a 10 dB knee: -0.9375
    set(QStringLiteral("Preset\\Compressor\\SV\\OverEasy"), QStringLiteral("Off"));
    set(kSignal, QStringLiteral("-10"));
    set(QStringLiteral("Preset\\Compressor\\SV\\Ratio"), QStringLiteral("Inf:1"));
    QCOMPARE(reading(QStringLiteral("Compressor")), -20.0);
    set(QStringLiteral("Preset\\Compressor\\SV\\Compressor"), QStringLiteral("Off"));
    QCOMPARE(reading(QStringLiteral("Compressor")), 0.0);

    // Gate: expands 1:2 under the threshold, never by more than its largest attenuation.
    set(QStringLiteral("Preset\\Gate\\SV\\Gate"), QStringLiteral("On"));
    set(QStringLiteral("Preset\\Gate\\SV\\Threshold"), QStringLiteral("-60"));
    set(QStringLiteral("Preset\\Gate\\SV\\Ratio"), QStringLiteral("1:2.0"));
    set(QStringLiteral("Preset\\Gate\\SV\\MaxAttenuation"), QStringLiteral("40"));
    set(kSignal, QStringLiteral("-50"));
    QCOMPARE(reading(QStringLiteral("Gate")), 0.0);
    set(kSignal, QStringLiteral("-70"));
    QCOMPARE(reading(QStringLiteral("Gate")), -10.0);
    set(kSignal, QStringLiteral("-110"));
    QCOMPARE(reading(QStringLiteral("Gate")), -40.0);

    // AGC: raises by at most Max Gain, cuts down to the window, and leaves noise alone.
    set(QStringLiteral("Preset\\AGC\\SV\\AGC"), QStringLiteral("On"));
    set(QStringLiteral("Preset\\AGC\\SV\\Target"), QStringLiteral("-20"));
    set(QStringLiteral("Preset\\AGC\\SV\\Window"), QStringLiteral("4"));
    set(QStringLiteral("Preset\\AGC\\SV\\Max Gain"), QStringLiteral("6"));
    set(QStringLiteral("Preset\\AGC\\SV\\Low Threshold"), QStringLiteral("-50"));
    set(QStringLiteral("Preset\\AGC\\SV\\LimThreshold"), QStringLiteral("-6"));
    set(kSignal, QStringLiteral("-40"));
    QCOMPARE(reading(QStringLiteral("AGC")), 6.0);
    set(kSignal, QStringLiteral("-24"));
    QCOMPARE(reading(QStringLiteral("AGC")), 2.0);
    set(kSignal, QStringLiteral("-10"));
    QCOMPARE(reading(QStringLiteral("AGC")), -8.0);
    set(kSignal, QStringLiteral("-70"));
    QCOMPARE(reading(QStringLiteral("AGC")), 0.0);
    set(kSignal, QStringLiteral("-21"));
    set(QStringLiteral("Preset\\AGC\\SV\\LimThreshold"), QStringLiteral("-25"));
    QCOMPARE(reading(QStringLiteral("AGC")), -4.0); // the limit caps the window

    // Limiters: each band's own threshold; switched on in the catalogue's presets.
    set(kSignal, QStringLiteral("-5"));
    set(QStringLiteral("Preset\\Low Outputs Limiter\\SV\\Threshold"), QStringLiteral("-12"));
    set(QStringLiteral("Preset\\High Outputs Limiter\\SV\\Threshold"), QStringLiteral("10"));
    QCOMPARE(reading(QStringLiteral("Low Outputs Limiter")), -7.0);
    QCOMPARE(reading(QStringLiteral("High Outputs Limiter")), 0.0);
    set(QStringLiteral("Preset\\Low Outputs Limiter\\SV\\OverEasy"), QStringLiteral("2")); // knee -14 .. -10
    set(kSignal, QStringLiteral("-12"));
    QCOMPARE(reading(QStringLiteral("Low Outputs Limiter")), -0.5);
}

void TstOfflineDynamics::builtInMetersFollowTheInput()
{
    m_state = makeState(builtIn());
    QVERIFY(m_state);
    const int input = m_state->indexOf(QStringLiteral("Preset\\InputMeters\\SV\\Channel_1_Level"));
    set(QStringLiteral("Preset\\Compressor\\SV\\Compressor"), QStringLiteral("On"));
    set(QStringLiteral("Preset\\Compressor\\SV\\Threshold"), QStringLiteral("-50"));
    set(QStringLiteral("Preset\\Compressor\\SV\\Ratio"), QStringLiteral("4"));
    set(QStringLiteral("Preset\\Compressor\\SV\\OverEasy"), QStringLiteral("Off"));
    QSet<QString> seen;
    for (int i = 0; i < 50; ++i) {
        const double gr = reading(QStringLiteral("Compressor"));
        const double level = m_state->display(input).chopped(2).toDouble();
        const double expected = level > -50 ? -(level + 50) * 0.75 : 0.0;
        QVERIFY2(std::abs(gr - expected) <= 0.1, qPrintable(QStringLiteral("input %1 dB read %2 dB").arg(level).arg(gr)));
        seen.insert(QString::number(gr));
    }
    QVERIFY2(seen.size() > 10, "the reading follows the moving input");
    set(QStringLiteral("Preset\\Compressor\\SV\\Threshold"), QStringLiteral("0"));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(reading(QStringLiteral("Compressor")), 0.0);
}

void TstOfflineDynamics::brokenDynamicsEntriesAreRefused()
{
    QJsonObject doc = builtIn();
    editLive(doc, QStringLiteral("Gate"), [](QJsonObject &live) { live.insert(QStringLiteral("law"), QStringLiteral("expander")); });
    QVERIFY2(loadError(doc).contains(QStringLiteral("unknown law \"expander\"")), qPrintable(loadError(doc)));

    doc = builtIn();
    editLive(doc, QStringLiteral("Gate"), [](QJsonObject &live) {
        QJsonObject params = live.value(QStringLiteral("params")).toObject();
        params.remove(QStringLiteral("range"));
        live.insert(QStringLiteral("params"), params);
    });
    QVERIFY2(loadError(doc).contains(QStringLiteral("\"range\" must be a non-empty text")), qPrintable(loadError(doc)));

    doc = builtIn();
    editLive(doc, QStringLiteral("Gate"), [](QJsonObject &live) {
        QJsonObject params = live.value(QStringLiteral("params")).toObject();
        params.insert(QStringLiteral("knee"), QStringLiteral("OverEasy"));
        live.insert(QStringLiteral("params"), params);
    });
    QVERIFY2(loadError(doc).contains(QStringLiteral("unknown field \"knee\"")), qPrintable(loadError(doc)));

    doc = builtIn();
    editLive(doc, QStringLiteral("Compressor"), [](QJsonObject &live) { live.insert(QStringLiteral("enable"), QStringLiteral("Threshold")); });
    QVERIFY2(loadError(doc).contains(QStringLiteral("is no on/off switch")), qPrintable(loadError(doc)));

    doc = builtIn();
    editLive(doc, QStringLiteral("Limiter"), [](QJsonObject &live) {
        live.insert(QStringLiteral("params"), QJsonObject{{QStringLiteral("threshold"), QStringLiteral("Limiter")},
                                                          {QStringLiteral("knee"), QStringLiteral("OverEasy")}});
    });
    QVERIFY2(loadError(doc).contains(QStringLiteral("the threshold setting")), qPrintable(loadError(doc)));

    doc = builtIn();
    editLive(doc, QStringLiteral("AGC"), [](QJsonObject &live) {
        live.insert(QStringLiteral("source"), QStringLiteral("Preset\\RTARouter\\SV\\Source"));
    });
    QVERIFY2(loadError(doc).contains(QStringLiteral("is no number")), qPrintable(loadError(doc)));

    // Node entries belong to no processing object, so they have no block to read.
    doc = builtIn();
    QJsonArray node = doc.value(QStringLiteral("node")).toArray();
    node.append(QJsonObject{{QStringLiteral("path"), QStringLiteral("Node\\Test\\SV\\Reduction")},
                            {QStringLiteral("kind"), QStringLiteral("meter")},
                            {QStringLiteral("min"), -40},
                            {QStringLiteral("max"), 0},
                            {QStringLiteral("live"), QJsonObject{{QStringLiteral("type"), QStringLiteral("dynamics")},
                                                                {QStringLiteral("law"), QStringLiteral("limiter")}}}});
    doc.insert(QStringLiteral("node"), node);
    QVERIFY2(loadError(doc).contains(QStringLiteral("belongs to a processing object")), qPrintable(loadError(doc)));

    // Dynamics move meters only.
    doc = builtIn();
    QJsonObject classes = doc.value(QStringLiteral("classes")).toObject();
    QJsonArray gate = classes.value(QStringLiteral("Gate")).toArray();
    QJsonObject holder;
    int index = -1;
    QJsonObject entry = entryNamed(gate, QStringLiteral("GainReduction"), holder, &index);
    entry.insert(QStringLiteral("kind"), QStringLiteral("spectrum"));
    entry.insert(QStringLiteral("bands"), 3);
    gate.replace(index, entry);
    classes.insert(QStringLiteral("Gate"), gate);
    doc.insert(QStringLiteral("classes"), classes);
    QVERIFY2(loadError(doc).contains(QStringLiteral("\"dynamics\" moves meters")), qPrintable(loadError(doc)));
}

TARN_TEST_MAIN(TstOfflineDynamics, QCoreApplication)
#include "tst_offlinedynamics.moc"
