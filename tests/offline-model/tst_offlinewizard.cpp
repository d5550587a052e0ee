// Guards against wizards of the offline model that stall, take the wrong turn, change the wrong
// values, ignore a cancel, or offer a step whose page is missing or lacks what the page reads.
#include "catalogue.h"
#include "devicestate.h"
#include "eqbehaviour.h"
#include "testenv.h"
#include "wizarddescriptor.h"
#include "wizardengine.h"
#include "wizardbrandlistviewmodel.h"
#include "wizardscreensloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>

#include <memory>

using namespace tarn::offline;
using tarn::wizard::DescriptorState;
using tarn::wizard::WizardDescriptor;

namespace {
const QString kWizard = QStringLiteral("Node\\Wizard\\SV\\");

QString key(const QString &name)
{
    if (name.contains(QLatin1Char('\\')))
        return name;
    if (name.endsWith(QLatin1String("Speaker")) || name.endsWith(QLatin1String("Amplifier")))
        return QStringLiteral("Node\\SetupWizardCurrentChoices\\SV\\") + name;
    return kWizard + name;
}

// The model's state and behaviours, as the program makes them.
struct Model {
    Catalogue catalogue;
    std::unique_ptr<DeviceState> state;
    std::unique_ptr<EqBehaviour> eq;
    std::unique_ptr<WizardEngine> wizard;

    explicit Model(quint64 seed = 1, const QString &hardware = QStringLiteral("Standard"))
    {
        QString error;
        if (!catalogue.load(QStringLiteral(":/offline-model/tarn.json"), &error)
            || !catalogue.overrideInitial(QStringLiteral("Node\\SV\\HardwareVersion"), hardware, &error))
            qFatal("catalogue: %s", qPrintable(error));
        EqBehaviour::addRoomMeasurement(&catalogue);
        WizardEngine::addChoices(&catalogue);
        state = std::make_unique<DeviceState>(catalogue, seed);
        eq = std::make_unique<EqBehaviour>(state.get(), seed, 100);
        wizard = std::make_unique<WizardEngine>(state.get(), seed);
    }
    QString value(const QString &name) const { return state->display(state->indexOf(key(name))); }
    double number(const QString &name) const { return state->number(state->indexOf(key(name))); }
    // A client's set, then whatever the engine does in answer.
    bool set(const QString &name, const QString &v)
    {
        QString why;
        const auto r = state->write(state->indexOf(key(name)), v, false, &why);
        QCoreApplication::processEvents();
        return r == DeviceState::WriteResult::Changed || r == DeviceState::WriteResult::Unchanged;
    }
    void event(const QString &word) { set(QStringLiteral("WizardEvent"), word); }
    void tick(int n)
    {
        for (int i = 0; i < n; ++i) {
            state->tick();
            QCoreApplication::processEvents();
        }
    }
    QString at() const { return value(QStringLiteral("WizardState")); }
};

// One step of a walk: an event ("!"), an answer, or clock steps ("~"); then where the wizard is.
struct Step {
    const char *name;
    const char *value;
    const char *expect;
};

const QVector<Step> kSetup = {
    {"!", "StartSetupWizard", "StartSetupWizard"}, {"!", "Next", "StartSetupWizardWarning"}, {"!", "Next", "StartFromWhat"},
    {"WizardStartFrom", "New", "ConfirmStartNew"}, {"!", "Next", "SelectItemsToSetup"}, {"SetupItems", "All", "SelectPaInputFormat"},
    {"PaInputFormat", "Stereo", "SelectFirstPaInput"}, {"FirstPaInput", "Input A", "SelectSecondPaInput"},
    {"SecondPaInput", "Input A", "DisplayError"}, {"!", "Back", "SelectSecondPaInput"}, // both sides on one input
    {"SecondPaInput", "Input B", "SelectPaOutputFormat"}, {"PaOutputFormat", "Stereo", "SelectMainSpeakerUsage"},
    {"MainSpeakerUsage", "Speech", "SelectMainSpeakerMode"}, {"MainSpeakerMode", "2Way", "SelectMainSpeaker"},
    {"MainSpeaker", "Generic|Passive|Full-range cabinet", "DisplayError"}, {"!", "Back", "SelectMainSpeaker"}, // cannot be bi-amped
    {"MainSpeaker", "Harrow Acoustics|HX Series|HX15", "PromptUsingSubs"}, {"UsingSubs", "Yes", "SelectHighAmplifier"},
    {"HighAmplifier", "Brant Power|BP|BP-2400", "SelectHighAmplifierSensitivity"},
    {"HighAmplifierSensitivity", "1.4 V", "SelectHighAmplifierLevel"}, {"WizardGenericAmpLevel", "-12", "SelectHighAmplifierLevel"},
    {"!", "Next", "SelectHighAmpBridgeMode"}, {"HighAmpBridgeMode", "Bridged", "SelectMidAmplifier"},
    {"MidAmplifier", "Kestrel|K Series|K2-600", "SelectMidAmplifierInfoKestrel"}, {"!", "Next", "SelectMidAmplifierMaxAnalogInputKestrel"},
    {"MidAmplifierMaxInput", "+14 dBu", "SelectMidAmplifierSensitivityKestrel"}, {"!", "Next", "PromptSubsAuxFed"},
    {"SubsAuxFed", "Yes", "SelectAuxFedSubInput"}, {"AuxFedSubInput", "Input C", "SelectSubSpeakerMode"},
    {"SubSpeakerMode", "Passive", "SelectSubSpeaker"}, {"SubSpeaker", "Harrow Acoustics|HS Subwoofers|HS18", "SelectLowAmplifier"},
    {"LowAmplifier", "Generic|Two-channel|Any two-channel amplifier", "SelectLowAmplifierSensitivity"},
    {"LowAmplifierSensitivity", "Unknown", "SelectLowAmplifierLevel"}, {"!", "Next", "SelectSubAmpBridgeMode"},
    {"SubAmpBridgeMode", "Stereo", "AllOutputsUsedNoneLeftForMonitors"}, {"!", "Next", "PromptApplySetup"},
    {"!", "Apply", "AmpTrafficControl"}, {"!", "Next", "SetupApply"}, {"~", "10", "MakeTheFollowingConnections"},
    {"!", "Next", "SetupComplete"}, {"!", "Next", "RunAllPromptAutoEQ"}, {"!", "Skip", "RunAllPromptAFS"}, {"!", "Skip", "Inactive"},
};

const QVector<Step> kAutoEq = {
    {"!", "StartAutoEQ", "StartAutoEQ"}, {"!", "Next", "PromptAutoEQChoice"}, {"AutoEQChoice", "AutoEQ", "PromptRtaMic"},
    {"!", "Next", "SelectAutoEqObject"}, {"AutoEqObject", "RoomEQ", "SelectTargetCurve"}, {"TargetCurve", "House", "PromptAutoEQMeasurements"},
    {"AutoEQMeasurements", "2 (Good)", "SetChirpLevel"}, {"!", "Next", "RunningLevelAssist"}, {"~", "8", "SetChirpLevelSignalNotEnough"},
    {"!", "Up", "RunningLevelAssist"}, {"~", "8", "SetChirpLevelTooMuchNoise"}, {"!", "Up", "RunningLevelAssist"},
    {"~", "8", "SetChirpLevelSignalAcceptable"}, {"!", "Next", "MicPosition1"}, {"!", "Next", "AutoEQMeasuring"},
    {"~", "8", "AutoEQPlaceMic"}, {"!", "Next", "AutoEQMeasuring"}, {"~", "8", "AutoEQCalculation"}, {"~", "12", "AutoEQResult"},
};

const QVector<Step> kAfs = {
    {"!", "StartAFS", "StartAFS"}, {"!", "Next", "AFSSelectAFSObject"}, {"AfsObject", "Afs", "AFSConnectMic"}, {"!", "Next", "AFSGatesOff"},
    {"!", "Next", "SetType"}, {"AfsContentMode", "Speech", "PromptDefaultFilters"}, {"AfsDefaultFilters", "Clear", "SetFilters"},
    {"DialTypeSlider", "25", "SetFilters"}, {"!", "Next", "GainDown"}, {"!", "Next", "GainUp"}, {"~", "18", "GainStop"},
    {"!", "Next", "GainPerformance"}, {"!", "Next", "AFSResult"}, {"!", "Next", "PromptAFSDone"}, {"!", "Next", "AFSComplete"},
    {"!", "Next", "Inactive"},
};

const QVector<Step> kLink = {
    {"!", "StartParvaneWizard", "StartParvaneWizard"}, {"!", "Next", "StartParvaneWizardWarning"}, {"!", "Next", "ParvaneSampleRate"},
    {"ParvaneSampleRate", "96 kHz", "ParvaneSampleRateWarning"}, {"!", "Next", "ParvaneInputConsecutive"},
    {"ParvaneInputConsecutive", "No", "ParvaneInputManualEdit"}, {"ParvaneInput_1_Channel", "40", "ParvaneInputManualEdit"},
    {"!", "Next", "DisplayError"}, {"!", "Back", "ParvaneInputManualEdit"}, // channel 40 does not exist at 96 kHz
    {"ParvaneInput_1_Channel", "5", "ParvaneInputManualEdit"}, {"!", "Next", "ParvaneInputNames"},
    {"ParvaneInput_1_Name", "Stage Left", "ParvaneInputNames"}, {"!", "Next", "ParvaneOutputConsecutive"},
    {"ParvaneOutputConsecutive", "Yes", "ParvaneOutputStartChannel"}, {"ParvaneOutputStart", "3", "ParvaneOutputStartChannel"},
    {"!", "Next", "StartParvaneDuplicateWarning"}, {"!", "Next", "OptionCardConnections"}, // input 1 and input 5 both on channel 5
    {"ParvaneNetworkMode", "Redundant", "OptionCardConnections"}, {"!", "Next", "PromptParvaneApply"}, {"!", "Apply", "ParvaneApply"},
    {"~", "10", "ParvaneComplete"}, {"!", "Next", "Inactive"},
};

bool walk(Model &m, const QVector<Step> &steps, int count = -1)
{
    for (int i = 0; i < (count < 0 ? steps.size() : qMin(count, steps.size())); ++i) {
        const Step &s = steps[i];
        if (QLatin1String(s.name) == QLatin1String("!"))
            m.event(QLatin1String(s.value));
        else if (QLatin1String(s.name) == QLatin1String("~"))
            m.tick(QByteArray(s.value).toInt());
        else if (!m.set(QLatin1String(s.name), QLatin1String(s.value)))
            return QTest::qVerify(false, "set", qPrintable(QStringLiteral("%1 = %2 refused").arg(s.name, s.value)), __FILE__, __LINE__);
        if (m.at() != QLatin1String(s.expect))
            return QTest::qVerify(false, "walk", qPrintable(QStringLiteral("step %1 (%2 %3): at %4, not %5")
                                                              .arg(i).arg(s.name, s.value, m.at(), s.expect)), __FILE__, __LINE__);
    }
    return true;
}
} // namespace

Q_DECLARE_METATYPE(Step)

class TstOfflineWizard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(offline_model);
        QLoggingCategory::setFilterRules(QStringLiteral("tarn.offline*.info=false"));
    }
    void everyStepHasItsPage();
    void walksSetTheProcessor_data();
    void walksSetTheProcessor();
    void autoEq();
    void levelAssist();
    void cancelFromEveryStep();
    void refusals();
};

// Every step the processor can be in has a page; the descriptor the page reads has what the page
// reads and names pictures that are there; every choice and button of it is something the step takes.
void TstOfflineWizard::everyStepHasItsPage()
{
    Model m;
    const WizardEngine &w = *m.wizard;
    const auto table = WizardScreensLoader::builtInTable();
    const QStringList steps = w.steps();
    for (const QString &s : steps)
        QVERIFY2(table.contains(s), qPrintable(s + " has no page"));
    for (auto it = table.constBegin(); it != table.constEnd(); ++it)
        QVERIFY2(steps.contains(it.key()), qPrintable(it.key() + " is never reached"));

    WizardDescriptor lists;
    WizardDescriptor dialogs;
    WizardDescriptor runSetups;
    WizardDescriptor dials;
    WizardDescriptor graphs;
    for (const auto &[d, kind] : {std::pair{&lists, "List"}, {&dialogs, "Dialog"}, {&runSetups, "RunSetup"}, {&dials, "Dial"}, {&graphs, "AFSGraph"}})
        QVERIFY(d->load(QStringLiteral(TARN_SOURCE_DIR "/resources/xml/Wizard%1View.xml").arg(QLatin1String(kind))));
    const auto takes = [&](const QString &step, const QString &word) {
        return word == QLatin1String("Back") || word == QLatin1String("Cancel") || w.eventsOf(step).contains(word);
    };
    const auto answersWith = [&](const QString &step, const QString &path, const QString &value) {
        const int idx = m.state->indexOf(path);
        return w.answerKeysOf(step).contains(path) && idx >= 0 && m.state->variable(idx).choices.contains(value);
    };
    const auto needs = [](const WizardDescriptor &file, const QString &id, const QStringList &children) {
        const DescriptorState *s = file.state(id);
        QVERIFY2(s, qPrintable(id + " is not described"));
        for (const QString &c : children)
            QVERIFY2(s->has(c), qPrintable(id + " lacks <" + c + ">"));
        const QString image = s->text(QStringLiteral("image"));
        QVERIFY2(image.isEmpty() || QFile::exists(image.mid(3)), qPrintable(image));
    };
    // A list has a title entry and answers; each answer is taken by `step` (unless none is given).
    const auto checkList = [&](const WizardDescriptor &file, const QString &id, const QString &step) {
        needs(file, id, {"heading", "lvElements", "button"});
        const DescriptorState *s = file.state(id);
        QVERIFY2(s, qPrintable(id));
        const QString path = s->text(QStringLiteral("SVPath"));
        bool titled = false;
        int entries = 0;
        for (const auto &child : s->children) {
            for (const auto &e : child.elements) {
                QVERIFY2(!e.text.isEmpty() && !e.value.isEmpty(), qPrintable(id));
                QVERIFY2(e.image.isEmpty() || QFile::exists(e.image.mid(3)), qPrintable(e.image));
                titled = titled || e.value == QLatin1String("TitleString");
                if (e.value == QLatin1String("TitleString") || step.isEmpty())
                    continue;
                ++entries;
                const bool ok = path.isEmpty() ? takes(step, e.value) : answersWith(step, path, e.value);
                QVERIFY2(ok, qPrintable(QStringLiteral("%1: \"%2\" is not taken").arg(id, e.value)));
            }
        }
        QVERIFY2(titled && (entries > 0 || step.isEmpty()), qPrintable(id));
    };
    const QStringList dialogPages = {QStringLiteral("WizardDialogType.qml"), QStringLiteral("WizardFormType.qml"),
                                     QStringLiteral("WizardMakeConnections.qml"), QStringLiteral("WizardAEQResultType.qml")};
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        const QString &state = it.key();
        const QString &page = it.value();
        if (page == QLatin1String("WizardListType.qml")) {
            checkList(lists, state, state);
        } else if (page == QLatin1String("RunSetupWizardScreen.qml")) {
            // Each line opens a question of the same file that names its variable.
            QVERIFY(takes(state, QStringLiteral("Next")));
            needs(dialogs, state, {"button"});
            checkList(runSetups, state, QString());
            for (const auto &child : runSetups.state(state)->children) {
                for (const auto &e : child.elements) {
                    if (e.value == QLatin1String("TitleString"))
                        continue;
                    checkList(runSetups, e.value, state);
                    QVERIFY2(runSetups.state(e.value)->has("SVPath"), qPrintable(e.value));
                }
            }
        } else if (page == QLatin1String("WizardNestedListViewType.qml")) {
            QVERIFY2(!w.answerKeysOf(state).isEmpty(), qPrintable(state));
            QVERIFY2(!WizardBrandListViewModel::choiceVariableFor(state).isEmpty(), qPrintable(state));
        } else if (page == QLatin1String("WizardDialType.qml")) {
            needs(dials, state, {"heading", "button", "dialOrSlider"});
            QVERIFY(QStringList({"dial", "slider"}).contains(dials.state(state)->text("dialOrSlider")));
            QVERIFY2(takes(state, QStringLiteral("Next")), qPrintable(state));
        } else if (page == QLatin1String("WizardAFSGraphType.qml")) {
            needs(graphs, state, {"heading", "button", "image"});
            needs(dialogs, state, {"DisplayText"});
            QVERIFY2(takes(state, QStringLiteral("Next")), qPrintable(state));
        } else {
            QVERIFY2(dialogPages.contains(page), qPrintable("no check for " + page));
            needs(dialogs, state, {"heading", "button", "DisplayText", "image", "svValue"});
            const QString event = dialogs.state(state)->text(QStringLiteral("svValue"));
            // No event: the processor moves on by itself.
            QVERIFY2(event.isEmpty() || takes(state, event), qPrintable(state + " does not take " + event));
        }
    }
    QVERIFY(takes(QStringLiteral("AutoEQResult"), QStringLiteral("Discard")));
}

void TstOfflineWizard::walksSetTheProcessor_data()
{
    QTest::addColumn<QString>("hardware");
    QTest::addColumn<QVector<Step>>("steps");
    QTest::addColumn<QString>("chain");
    QTest::addColumn<QStringList>("values"); // as the processor shows them afterwards
    // The speakers' crossover and the subwoofer's band; limiters at the amplifiers' clip points
    // (1.4 V is +5.1 dBu, the Kestrel's switch +14 dBu); output gains that make up for where the
    // level controls are, the bridged amplifier's right channel muted; inputs A left, B right, C
    // (the subwoofer send) out of the main mix; the graphic EQ's curve (which sets its bands) and
    // the suppressor for what the PA plays; the preset marked changed.
    QTest::newRow("setup") << "Standard" << kSetup << "Stereo 2-Way + Mono Sub" << QStringList{
        "Preset\\Crossover\\AT\\NumBands=2", "Preset\\Crossover\\AT\\MonoSub=1",
        "Preset\\Crossover\\SV\\Band_1_LPFrequency=1.20kHz", "Preset\\Crossover\\SV\\Band_2_HPFrequency=1.20kHz",
        "Preset\\Crossover\\SV\\Band_1_HPFrequency=100.0Hz", "Preset\\Crossover\\SV\\MonoSub_LPFrequency=100.0Hz",
        "Preset\\High Outputs Limiter\\SV\\Threshold=5.1dB", "Preset\\Mid Outputs Limiter\\SV\\Threshold=14.0dB",
        "Preset\\OutputGains\\SV\\Channel_5_Gain=2.0dB", "Preset\\OutputGains\\SV\\Channel_3_Gain=-4.0dB",
        "Preset\\OutputGains\\SV\\Channel_6_Mute=On", "Preset\\OutputGains\\SV\\Channel_4_Mute=Off",
        "Preset\\StereoMixer\\SV\\Input_A_Pan=-100", "Preset\\StereoMixer\\SV\\Input_B_Pan=100",
        "Preset\\StereoMixer\\SV\\Input_C_Mute=On", "Preset\\GEQ\\SV\\QuickCurve=Speech", "Preset\\GEQ\\SV\\100 Hz=-6.0dB",
        "Preset\\Afs\\SV\\ContentMode=Speech", "Node\\Settings\\SV\\PresetIsModified=On"};
    QTest::newRow("feedback") << "Standard" << kAfs << "Stereo 3-Way" << QStringList{
        "Preset\\Afs\\SV\\ContentMode=Speech", "Preset\\Afs\\SV\\MaxFixedFilters=3", "Preset\\Afs\\SV\\FilterMode=Fixed + Live",
        "Preset\\Afs\\SV\\AFS=On"};
    QTest::newRow("digital link") << "Parvane" << kLink << "Stereo 3-Way" << QStringList{
        "Node\\Parvane\\SV\\SampleRate=96 kHz", "Node\\Parvane\\SV\\Input_1_Channel=5", "Node\\Parvane\\SV\\Input_1_Name=Stage Left",
        "Node\\Parvane\\SV\\Output_8_Channel=10", "Node\\Parvane\\SV\\NetworkMode=Redundant"};
    QTest::newRow("input and graphic EQ") << "Standard" << QVector<Step>{
        {"!", "StartInput", "StartInput"}, {"!", "Next", "SelectInput"},   {"InputCUse", "Mono", "SelectInput"},
        {"InputCTrim", "+6 dB", "SelectInput"}, {"MixerMute", "On", "SelectInput"}, {"!", "Next", "Inactive"},
        {"!", "StartGEQ", "StartGEQ"},     {"!", "Next", "SelectGEQ"},     {"GEQCurve", "DJ", "SelectGEQ"},
        {"GEQSwitch", "On", "SelectGEQ"},  {"!", "Next", "Inactive"}} << "Stereo 3-Way" << QStringList{
        "Preset\\StereoMixer\\SV\\Input_C_Mute=Off", "Preset\\StereoMixer\\SV\\Input_C_Pan=0", "Preset\\StereoMixer\\SV\\Input_C_Gain=6.0dB",
        "Preset\\StereoMixer\\SV\\Mute=On", "Preset\\GEQ\\SV\\QuickCurve=DJ", "Preset\\GEQ\\SV\\GraphicEQ=On"};
}

void TstOfflineWizard::walksSetTheProcessor()
{
    QFETCH(QString, hardware);
    QFETCH(QVector<Step>, steps);
    QFETCH(QString, chain);
    QFETCH(QStringList, values);
    Model m(1, hardware);
    QCOMPARE(m.state->configurationName(), QStringLiteral("Stereo 3-Way"));
    const int preset = m.state->currentPreset();
    QVERIFY(walk(m, steps));
    QCOMPARE(m.state->configurationName(), chain);
    QStringList shown;
    for (const QString &v : values)
        shown << v.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + m.value(v.section(QLatin1Char('='), 0, 0));
    QCOMPARE(shown, values);
    // A changed preset, not another one; the fixed filters the feedback setup placed cut.
    QCOMPARE(m.state->currentPreset(), preset);
    QCOMPARE(m.value(QStringLiteral("TitleString")), QString());
    for (int n = 1; n <= 3 && QTest::currentDataTag() == QLatin1String("feedback"); ++n)
        QVERIFY2(m.number(QStringLiteral("Preset\\Afs\\SV\\Band_%1_Gain").arg(n)) <= -6.0, qPrintable(QString::number(n)));
}

void TstOfflineWizard::autoEq()
{
    const auto bands = [](Model &m) {
        QStringList b;
        for (int n = 1; n <= 8; ++n)
            b << m.value(QStringLiteral("Preset\\RoomEQ\\SV\\Band_%1_Gain").arg(n)) + m.value(QStringLiteral("Preset\\RoomEQ\\SV\\Band_%1_Frequency").arg(n));
        return b;
    };
    Model a(7);
    const QStringList before = bands(a);
    QVERIFY(walk(a, kAutoEq));
    const QStringList fitted = bands(a);
    QVERIFY(fitted != before);
    QCOMPARE(a.value(QStringLiteral("Preset\\RoomEQ\\SV\\Response")).split(QLatin1Char(' ')).size(), 625);
    QCOMPARE(a.value(QStringLiteral("Preset\\RoomEQ\\SV\\AutoEQ")), QStringLiteral("On"));
    // The mode near 63 Hz is cut.
    bool cut = false;
    for (int n = 1; n <= 8; ++n) {
        const double f = a.number(QStringLiteral("Preset\\RoomEQ\\SV\\Band_%1_Frequency").arg(n));
        cut = cut || (f > 50 && f < 80 && a.number(QStringLiteral("Preset\\RoomEQ\\SV\\Band_%1_Gain").arg(n)) <= -3);
    }
    QVERIFY2(cut, qPrintable(fitted.join(QLatin1Char(','))));

    // The same seed measures the same room and fits the same bands; another seed does not.
    Model b(7);
    QVERIFY(walk(b, kAutoEq));
    QCOMPARE(bands(b), fitted);
    QCOMPARE(b.value(QStringLiteral("Preset\\RoomEQ\\SV\\Response")), a.value(QStringLiteral("Preset\\RoomEQ\\SV\\Response")));
    Model c(8);
    QVERIFY(walk(c, kAutoEq));
    QVERIFY(c.value(QStringLiteral("Preset\\RoomEQ\\SV\\Response")) != a.value(QStringLiteral("Preset\\RoomEQ\\SV\\Response")));

    // Discarded: the bands are back; kept: they stay.
    QVERIFY(walk(a, {{"!", "Discard", "ExitAutoEQ"}}));
    QCOMPARE(bands(a), before);
    QVERIFY(walk(b, {{"!", "Next", "AutoEQComplete"}, {"!", "Next", "PromptAutoEqAnotherSystem"}, {"!", "Next", "Inactive"}}));
    QCOMPARE(bands(b), fitted);

    // Without the microphone on the analyser's input the processor says so.
    Model d;
    QVERIFY(walk(d, kAutoEq, 7));
    QVERIFY(walk(d, {{"Preset\\RTARouter\\SV\\Source", "Input A", "SetChirpLevel"}, {"!", "Next", "RunningLevelAssist"},
                     {"~", "8", "SetChirpLevelNoMic"}}));
}

void TstOfflineWizard::levelAssist()
{
    Model m;
    const QVector<Step> steps = {
        {"!", "StartAutoEQ", "StartAutoEQ"},  {"!", "Next", "PromptAutoEQChoice"}, {"AutoEQChoice", "LevelAssist", "PromptRtaMic"},
        {"!", "Next", "SetChirpLevel"},       {"!", "Next", "RunningLevelAssist"}, {"~", "8", "SetChirpLevelSignalNotEnough"},
        {"!", "Up", "RunningLevelAssist"},    {"~", "8", "SetChirpLevelTooMuchNoise"}, {"!", "Up", "RunningLevelAssist"},
        {"~", "8", "SetChirpLevelSignalAcceptable"}, {"!", "Next", "GetReference"}, {"!", "Next", "RunningLevelAssist"},
        {"~", "8", "MatchReference"},         {"!", "Next", "RunningLevelAssist"}, {"~", "8", "MatchReferenceAdjust"},
    };
    QVERIFY(walk(m, steps));
    // The mid band plays 3.5 dB under the reference: raised until it matches; then the low band.
    QVERIFY(std::fabs(m.number(QStringLiteral("LevelAssistOutput")) + 3.5) < 0.9);
    const auto nudge = [&](const QString &word, const QString &until) {
        for (int i = 0; i < 6 && m.at() != until; ++i) {
            m.event(word);
            m.tick(8);
        }
        return m.at() == until;
    };
    QVERIFY(nudge(QStringLiteral("Up"), QStringLiteral("MatchReference")));
    QVERIFY(m.number(QStringLiteral("Preset\\OutputGains\\SV\\Channel_3_Gain")) >= 3.0);
    QCOMPARE(m.number(QStringLiteral("Preset\\OutputGains\\SV\\Channel_3_Gain")), m.number(QStringLiteral("Preset\\OutputGains\\SV\\Channel_4_Gain")));
    QVERIFY(walk(m, {{"!", "Next", "RunningLevelAssist"}, {"~", "8", "MatchReferenceAdjust"}}));
    QVERIFY(nudge(QStringLiteral("Down"), QStringLiteral("LevelAssistComplete")));
    QVERIFY(m.number(QStringLiteral("Preset\\OutputGains\\SV\\Channel_1_Gain")) <= -2.0);
}

// "Cancel" from any step ends the wizard; a setup cancelled before its apply leaves the chain.
void TstOfflineWizard::cancelFromEveryStep()
{
    const QList<QPair<const QVector<Step> *, QString>> wizards = {
        {&kSetup, QStringLiteral("Standard")}, {&kAutoEq, QStringLiteral("Standard")}, {&kAfs, QStringLiteral("Standard")}, {&kLink, QStringLiteral("Parvane")}};
    for (const auto &[steps, hardware] : wizards) {
        // After each step but one that ends the wizard.
        for (int n = 1; n <= steps->size() && steps->at(n - 1).expect != QLatin1String("Inactive"); ++n) {
            Model m(1, hardware);
            const QString chain = m.state->configurationName();
            QVERIFY(walk(m, *steps, n));
            const QString at = m.at();
            m.event(QStringLiteral("Cancel"));
            QVERIFY2(m.at() == QLatin1String("Inactive") && m.value(QStringLiteral("TitleString")).isEmpty(), qPrintable(at));
            QVERIFY2(n > 38 || m.state->configurationName() == chain, qPrintable(at));
        }
    }
}

void TstOfflineWizard::refusals()
{
    Model m;
    QVERIFY(walk(m, kSetup, 7));
    // Not a choice of the variable: the processor refuses the set itself.
    QVERIFY(!m.set(QStringLiteral("FirstPaInput"), QStringLiteral("Input Z")));
    // An event the step does not take, an answer it does not ask, an event from nowhere change
    // nothing; an answer repeating the value the variable holds still answers; Back goes back.
    QCOMPARE(m.value(QStringLiteral("FirstPaInput")), QStringLiteral("Input A"));
    QVERIFY(walk(m, {{"!", "Apply", "SelectFirstPaInput"}, {"MainSpeakerMode", "3Way", "SelectFirstPaInput"},
                     {"!", "NoSuchEvent\x7f", "SelectFirstPaInput"}, {"FirstPaInput", "Input A", "SelectSecondPaInput"},
                     {"!", "Back", "SelectFirstPaInput"}}));
    // From a wizard's first step Back leaves it; the start menu stays.
    for (int i = 0; i < 7 && m.at() != QLatin1String("Inactive"); ++i)
        m.event(QStringLiteral("Back"));
    QVERIFY(walk(m, {{"!", "Back", "Inactive"}}));

    // Without the link card its wizard says so.
    Model standard;
    QVERIFY(walk(standard, {{"!", "StartParvaneWizard", "StartParvaneWizard"}, {"!", "Next", "DisplayError"}}));
    QVERIFY(standard.value(QStringLiteral("TitleString")).contains(QLatin1String("no digital audio link card")));
}

TARN_TEST_MAIN(TstOfflineWizard, QCoreApplication)
#include "tst_offlinewizard.moc"
