#include "wizardengine.h"

#include "autoeqfit.h"
#include "catalogue.h"
#include "eqbehaviour.h"
#include "wizardlibrary.h"

#include <QLoggingCategory>
#include <QTimer>

#include <cmath>

Q_LOGGING_CATEGORY(lcWizardEngine, "tarn.offline.wizard", QtInfoMsg)

namespace tarn::offline {
namespace {
const QString kInactive = QStringLiteral("Inactive");
const QString kStay = QStringLiteral("\x01stay"); // an answer taken without moving on
const QString kError = QStringLiteral("DisplayError");
const QString kNext = QStringLiteral("Next");

QString wiz(const QString &name)
{
    return QStringLiteral("Node\\Wizard\\SV\\") + name;
}

QString choice(const QString &name)
{
    return QStringLiteral("Node\\SetupWizardCurrentChoices\\SV\\") + name;
}

QString preset(const QString &object, const QString &name)
{
    return QStringLiteral("Preset\\") + object + QStringLiteral("\\SV\\") + name;
}

QString outputGain(int channel)
{
    return preset(QStringLiteral("OutputGains"), QStringLiteral("Channel_%1_Gain").arg(channel));
}

QString outputMute(int channel)
{
    return preset(QStringLiteral("OutputGains"), QStringLiteral("Channel_%1_Mute").arg(channel));
}

// Output channels of a band: low 1/2, mid 3/4, high 5/6 (left, right).
int leftChannel(const QString &band)
{
    return band == QLatin1String("Low") ? 1 : band == QLatin1String("Mid") ? 3 : 5;
}

QString numberText(double x)
{
    return QString::number(x, 'g', 6);
}

double dbu(double volts)
{
    return 20.0 * std::log10(volts / 0.775);
}

// "+20 dBu" -> 20
double leadingNumber(const QString &text)
{
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+'))
            digits += c;
        else if (!digits.isEmpty())
            break;
    }
    return digits.toDouble();
}

// What each band adds to what the microphone hears (speaker sensitivity and place in the room).
double bandOffset(const QString &band)
{
    return band == QLatin1String("Low") ? 2.5 : band == QLatin1String("Mid") ? -3.5 : 0.0;
}

constexpr double kNoiseFloor = -62.0;
constexpr double kChirpStep = 6.0;

double targetCurve(const QString &name, double f)
{
    if (name == QLatin1String("House"))
        return EqBehaviour::targetLevel(f);
    if (name == QLatin1String("Speech")) {
        double level = f < 150.0 ? -6.0 * std::log2(150.0 / f) : 0.0;
        if (f > 6000.0)
            level -= 1.5 * std::log2(f / 6000.0);
        return qMax(level, -18.0);
    }
    if (name == QLatin1String("Music")) {
        double level = f < 250.0 ? qMin(8.0, 4.0 * std::log2(250.0 / f)) : 0.0;
        if (f > 3000.0)
            level -= 1.5 * std::log2(f / 3000.0);
        return level;
    }
    return 0.0;
}
} // namespace

void WizardEngine::addChoices(Catalogue *catalogue)
{
    const WizardLibrary &library = WizardLibrary::builtIn();
    const QStringList none{QStringLiteral("None")};
    QString error;
    // Each speaker question lists the speakers made for it.
    const QList<QPair<const char *, const char *>> speakers = {{"MainSpeaker", "main"}, {"SubSpeaker", "sub"}, {"MonitorSpeaker", "monitor"}};
    for (const auto &q : speakers) {
        QStringList entries = none;
        for (const WizardLibrary::Speaker &s : library.speakers) {
            if (s.role == QLatin1String(q.second))
                entries << s.entry;
        }
        if (catalogue->indexOf(choice(QLatin1String(q.first))) >= 0 && !catalogue->setChoices(choice(QLatin1String(q.first)), entries, &error))
            qCWarning(lcWizardEngine).noquote() << error;
    }
    for (const char *name : {"LowAmplifier", "MidAmplifier", "HighAmplifier"}) {
        if (catalogue->indexOf(choice(QLatin1String(name))) >= 0
            && !catalogue->setChoices(choice(QLatin1String(name)), none + library.amplifierEntries(), &error))
            qCWarning(lcWizardEngine).noquote() << error;
    }
}

WizardEngine::WizardEngine(DeviceState *state, quint64 seed, QObject *parent)
    : QObject(parent), m_state(state), m_random(seed ^ 0x5EEDC0DE17ull), m_current(kInactive)
{
    m_stateIdx = idx(wiz(QStringLiteral("WizardState")));
    m_eventIdx = idx(wiz(QStringLiteral("WizardEvent")));
    m_titleIdx = idx(wiz(QStringLiteral("TitleString")));
    m_levelIdx = idx(wiz(QStringLiteral("LevelAssistOutput")));
    if (m_stateIdx < 0 || m_eventIdx < 0 || m_titleIdx < 0) {
        m_stateIdx = -1;
        qCInfo(lcWizardEngine) << "this catalogue has no wizard variables; no wizards";
        return;
    }
    defineStart();
    defineSetup();
    for (const char *band : {"High", "Mid", "Low"})
        defineAmplifiers(QLatin1String(band));
    defineAutoEq();
    defineAfs();
    defineParvane();
    defineRunSetup();
    // Answers of variables this catalogue lacks can never come.
    for (Step &s : m_steps)
        s.answers.remove(-1);
    m_watched.insert(m_eventIdx);
    for (const Step &s : qAsConst(m_steps)) {
        for (auto it = s.answers.constBegin(); it != s.answers.constEnd(); ++it)
            m_watched.insert(it.key());
    }
    connect(m_state, &DeviceState::clientWrote, this, &WizardEngine::onWrote);
    connect(m_state, &DeviceState::ticked, this, &WizardEngine::onTicked);
    qCInfo(lcWizardEngine) << m_steps.size() << "wizard steps," << WizardLibrary::builtIn().speakers.size() << "speakers,"
                           << WizardLibrary::builtIn().amplifiers.size() << "amplifiers";
}

// ----------------------------------------------------------------------------------------------
// The engine

QStringList WizardEngine::answerKeysOf(const QString &step) const
{
    QStringList keys;
    const Step s = m_steps.value(step);
    for (auto it = s.answers.constBegin(); it != s.answers.constEnd(); ++it)
        keys << m_state->variable(it.key()).key;
    return keys;
}

WizardEngine::Step &WizardEngine::def(const QString &name, const QString &section)
{
    Step &s = m_steps[name];
    s.section = section;
    return s;
}

void WizardEngine::onWrote(int index)
{
    if (!m_watched.contains(index))
        return;
    // Taken after the client's set has been answered, with the value it set.
    const QString value = m_state->display(index);
    QTimer::singleShot(0, this, [this, index, value] { handle(index, value); });
}

void WizardEngine::handle(int index, const QString &value)
{
    if (index == m_eventIdx) {
        if (value.trimmed().isEmpty())
            return;
        m_state->modelSetText(m_eventIdx, QString()); // so that the same event can come again
        handleEvent(value.trimmed());
        return;
    }
    const auto step = m_steps.constFind(m_current);
    if (step == m_steps.constEnd() || !step->answers.contains(index)) {
        qCInfo(lcWizardEngine).noquote() << "answer" << m_state->variable(index).name << "=" << value.left(80)
                                         << "is not asked in" << m_current;
        return;
    }
    qCInfo(lcWizardEngine).noquote() << m_current << "answered" << value.left(80);
    moveTo(step->answers.value(index)(value));
}

void WizardEngine::handleEvent(const QString &word)
{
    qCInfo(lcWizardEngine).noquote() << "event" << word.left(80) << "in" << m_current;
    if (word == QLatin1String("Cancel")) {
        cancel(QStringLiteral("cancelled"));
        return;
    }
    if (word == QLatin1String("Back") && m_current != kError) {
        back();
        return;
    }
    const auto step = m_steps.constFind(m_current);
    if (step == m_steps.constEnd() || !step->events.contains(word)) {
        qCInfo(lcWizardEngine).noquote() << "event" << word.left(80) << "is not taken in" << m_current;
        return;
    }
    moveTo(step->events.value(word)());
}

void WizardEngine::moveTo(const QString &next)
{
    if (next.isEmpty() || next == kStay)
        return;
    go(next);
}

void WizardEngine::go(const QString &next)
{
    if (next != kInactive && !m_steps.contains(next)) {
        qCWarning(lcWizardEngine).noquote() << "no wizard step" << next << "; back to Inactive";
        cancel(QStringLiteral("lost its way"));
        return;
    }
    if (m_current != kInactive && !m_steps.value(m_current).transient && next != m_current)
        m_history.append(m_current);
    m_current = next;
    if (next == kInactive) {
        m_history.clear();
        m_chained = false;
    }
    m_ticksLeft = next == kInactive ? 0 : m_steps.value(next).ticks;
    publish();
    if (next != kInactive && m_steps.value(next).enter)
        m_steps.value(next).enter();
}

void WizardEngine::back()
{
    // Back from a wizard's first step leaves the wizard.
    if (m_history.isEmpty()) {
        cancel(QStringLiteral("left by Back"));
        return;
    }
    m_current = m_history.takeLast();
    m_ticksLeft = m_steps.value(m_current).ticks;
    publish();
    if (m_steps.value(m_current).enter)
        m_steps.value(m_current).enter();
}

void WizardEngine::cancel(const QString &why)
{
    if (m_current == kInactive)
        return;
    qCInfo(lcWizardEngine).noquote() << m_wizard << why << "in" << m_current;
    if (!m_savedBands.isEmpty())
        restoreRoom();
    m_chained = false;
    m_history.clear();
    m_current = kInactive;
    publish();
}

void WizardEngine::begin(const QString &first, const QString &wizard)
{
    m_wizard = wizard;
    m_history.clear();
    m_savedBands.clear();
    qCInfo(lcWizardEngine).noquote() << wizard << "started";
    m_current = kInactive;
    go(first);
}

void WizardEngine::publish()
{
    m_state->modelSetText(m_stateIdx, m_current);
    QString title;
    if (m_current != kInactive) {
        const QString section = m_current == kError ? m_error : m_steps.value(m_current).section;
        title = section.isEmpty() ? m_wizard : m_wizard + QStringLiteral(" \u00b7 ") + section;
    }
    m_state->modelSetText(m_titleIdx, title);
    if (m_current == kInactive && m_levelIdx >= 0)
        m_state->modelSetNumber(m_levelIdx, m_state->variable(m_levelIdx).min);
}

void WizardEngine::onTicked()
{
    if (m_current == kInactive)
        return;
    const Step step = m_steps.value(m_current);
    if (step.tick)
        step.tick();
    if (step.ticks > 0 && --m_ticksLeft <= 0 && step.done)
        moveTo(step.done());
}

QString WizardEngine::fail(const QString &reason)
{
    qCInfo(lcWizardEngine).noquote() << m_current << "refused:" << reason;
    m_error = reason;
    return kError;
}

// ----------------------------------------------------------------------------------------------
// Values

QString WizardEngine::text(const QString &key) const
{
    const int i = idx(key);
    return i < 0 ? QString() : m_state->display(i);
}

double WizardEngine::number(const QString &key) const
{
    const int i = idx(key);
    return i < 0 ? 0.0 : m_state->number(i);
}

void WizardEngine::setModel(const QString &key, const QString &value)
{
    const int i = idx(key);
    if (i >= 0)
        m_state->modelSetText(i, value);
}

void WizardEngine::setModelNumber(const QString &key, double value)
{
    const int i = idx(key);
    if (i >= 0)
        m_state->modelSetNumber(i, value);
}

// A processing value is changed as a client would change it, so the preset counts as modified
// and the model's own behaviours (quick curves) follow.
bool WizardEngine::write(const QString &key, const QString &value)
{
    const int i = idx(key);
    if (i < 0)
        return false;
    QString why;
    const auto result = m_state->write(i, value, false, &why);
    if (result != DeviceState::WriteResult::Changed && result != DeviceState::WriteResult::Unchanged) {
        qCInfo(lcWizardEngine).noquote() << "could not set" << key << "to" << value << ":" << why;
        return false;
    }
    return true;
}

bool WizardEngine::present(const QString &object) const
{
    const QStringList objects = m_state->catalogue().configuration(m_state->configurationName())
                                    ? m_state->catalogue().configuration(m_state->configurationName())->objects
                                    : QStringList();
    return objects.contains(object);
}

bool WizardEngine::hasCard() const
{
    return text(QStringLiteral("Node\\SV\\HardwareVersion")) == QLatin1String("Parvane");
}

// ----------------------------------------------------------------------------------------------
// The start menu

void WizardEngine::defineStart()
{
    struct Start {
        const char *event;
        const char *wizard;
    };
    static const Start starts[] = {
        {"StartSetupWizard", "Setup Wizard"},   {"StartAutoEQ", "Auto EQ"},     {"StartAFS", "Feedback Suppression Setup"},
        {"StartParvaneWizard", "Digital Audio Link"}, {"StartInput", "Input Setup"}, {"StartGEQ", "Graphic EQ Setup"},
        {"StartSpeaker", "Speaker Setup"},
    };
    for (const Start &start : starts) {
        const QString first = QLatin1String(start.event);
        const QString wizard = QLatin1String(start.wizard);
        m_steps[kInactive].events[first] = [this, first, wizard] {
            m_chained = false;
            if (first == QLatin1String("StartSetupWizard") || first == QLatin1String("StartSpeaker"))
                resetSetup();
            begin(first, wizard);
            return kStay;
        };
    }
    Step &error = def(kError, QString());
    error.transient = true;
    error.events[kNext] = [this] {
        back();
        return kStay;
    };
    error.events[QStringLiteral("Back")] = error.events[kNext];
}

// ----------------------------------------------------------------------------------------------
// Setup: start point, inputs, speakers, amplifiers, subwoofers, monitors, apply

void WizardEngine::resetSetup()
{
    m_setup = Setup();
}

QString WizardEngine::mode() const
{
    return text(wiz(QStringLiteral("MainSpeakerMode")));
}

bool WizardEngine::usingSubs() const
{
    return mode() != QLatin1String("3Way") && text(wiz(QStringLiteral("UsingSubs"))) == QLatin1String("Yes");
}

// The processor's present chain, as answers: what "Current settings" starts from.
void WizardEngine::loadCurrentSettings()
{
    const QString numBands = text(QStringLiteral("Preset\\Crossover\\AT\\NumBands"));
    const bool monoSub = text(QStringLiteral("Preset\\Crossover\\AT\\MonoSub")) == QLatin1String("1");
    setModel(wiz(QStringLiteral("PaInputFormat")), present(QStringLiteral("MonoMixer")) ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
    setModel(wiz(QStringLiteral("PaOutputFormat")), QStringLiteral("Stereo"));
    setModel(wiz(QStringLiteral("MainSpeakerMode")), numBands == QLatin1String("3") ? QStringLiteral("3Way")
                                                     : numBands == QLatin1String("2") ? QStringLiteral("2Way")
                                                                                      : QStringLiteral("FullRange"));
    setModel(wiz(QStringLiteral("UsingSubs")), monoSub ? QStringLiteral("Yes") : QStringLiteral("No"));
    m_setup.fromCurrent = true;
}

QString WizardEngine::plannedConfiguration() const
{
    const bool mono = text(wiz(QStringLiteral("PaInputFormat"))) == QLatin1String("Mono")
                   || text(wiz(QStringLiteral("PaOutputFormat"))) == QLatin1String("Mono");
    const QString m = mode();
    const QString ways = m == QLatin1String("3Way") ? QStringLiteral("3-Way")
                       : m == QLatin1String("2Way") ? QStringLiteral("2-Way")
                                                    : QStringLiteral("Full Range");
    return (mono ? QStringLiteral("Mono ") : QStringLiteral("Stereo ")) + ways
         + (usingSubs() ? QStringLiteral(" + Mono Sub") : QString());
}

QList<int> WizardEngine::usedOutputs() const
{
    // Monitors alone keep the chain: what it drives now stays in use.
    QStringList bands;
    if (m_setup.items == QLatin1String("Monitors")) {
        for (const char *band : {"Low", "Mid", "High"}) {
            if (present(QLatin1String(band) + QStringLiteral(" Outputs Limiter")))
                bands << QLatin1String(band);
        }
    } else {
        bands = m_setup.bands;
        if (usingSubs())
            bands << QStringLiteral("Low");
    }
    QList<int> used;
    for (const QString &band : qAsConst(bands))
        used << leftChannel(band) << leftChannel(band) + 1;
    for (const Monitor &m : m_setup.monitors)
        used << m.output;
    return used;
}

int WizardEngine::freeOutputs() const
{
    return 6 - usedOutputs().size();
}

QString WizardEngine::afterInputs()
{
    const bool wasMono = present(QStringLiteral("MonoMixer"));
    const bool mono = plannedConfiguration().startsWith(QLatin1String("Mono"));
    if (m_setup.fromCurrent && wasMono != mono && m_current != QLatin1String("JackFormatNeedsToChange"))
        return QStringLiteral("JackFormatNeedsToChange");
    return m_setup.items == QLatin1String("Inputs") ? QStringLiteral("PromptApplySetup") : QStringLiteral("SelectMainSpeakerUsage");
}

QString WizardEngine::currentBand() const
{
    if (m_setup.sub)
        return QStringLiteral("Low");
    return m_setup.band < m_setup.bands.size() ? m_setup.bands.at(m_setup.band) : QStringLiteral("High");
}

// Full-range main speakers have one amplifier, asked about as the PA amplifier.
QString WizardEngine::sensitivityPrefix() const
{
    return !m_setup.sub && mode() == QLatin1String("FullRange") ? QStringLiteral("Pa") : currentBand();
}

QString WizardEngine::startMainAmplifiers()
{
    const QString m = mode();
    const bool subs = usingSubs();
    m_setup.bands = m == QLatin1String("3Way") ? QStringList{QStringLiteral("High"), QStringLiteral("Mid"), QStringLiteral("Low")}
                  : m == QLatin1String("2Way") ? (subs ? QStringList{QStringLiteral("High"), QStringLiteral("Mid")}
                                                       : QStringList{QStringLiteral("High"), QStringLiteral("Low")})
                                               : QStringList{QStringLiteral("High")};
    m_setup.band = 0;
    m_setup.sub = false;
    return firstAmplifierStep();
}

QString WizardEngine::firstAmplifierStep()
{
    const WizardLibrary::Speaker *speaker = WizardLibrary::builtIn().speaker(
        text(choice(m_setup.sub ? QStringLiteral("SubSpeaker") : QStringLiteral("MainSpeaker"))));
    const bool powered = speaker && speaker->powered;
    return (powered ? QStringLiteral("Powered%1Amplifier") : QStringLiteral("Select%1Amplifier")).arg(currentBand());
}

QString WizardEngine::afterAmplifier()
{
    const Amp amp = m_setup.amps.value(currentBand());
    const WizardLibrary::Amplifier *a = WizardLibrary::builtIn().amplifier(amp.entry);
    const bool bridgeable = a && a->bridgeable;
    if (m_setup.sub)
        return bridgeable ? QStringLiteral("SelectSubAmpBridgeMode") : monitorsOrApply();
    if (bridgeable && (currentBand() == QLatin1String("High") || currentBand() == QLatin1String("Low")))
        return QStringLiteral("Select%1AmpBridgeMode").arg(currentBand());
    return nextBand();
}

QString WizardEngine::nextBand()
{
    if (m_setup.sub)
        return monitorsOrApply();
    ++m_setup.band;
    if (m_setup.band < m_setup.bands.size())
        return firstAmplifierStep();
    return usingSubs() ? QStringLiteral("PromptSubsAuxFed") : monitorsOrApply();
}

QString WizardEngine::monitorsOrApply()
{
    if (m_setup.items == QLatin1String("Speakers"))
        return QStringLiteral("PromptApplySetup");
    return freeOutputs() >= 1 ? QStringLiteral("PromptAddAnotherMonitor") : QStringLiteral("AllOutputsUsedNoneLeftForMonitors");
}

// The amplifier's input level control, as the processor would have it set: full power at the
// processor's +20 dBu, from the amplifier's sensitivity (or its largest input).
double WizardEngine::recommendedLevel() const
{
    const Amp amp = m_setup.amps.value(currentBand());
    const WizardLibrary::Amplifier *a = WizardLibrary::builtIn().amplifier(amp.entry);
    double level = -10.0;
    if (a && a->kestrel)
        level = leadingNumber(amp.maxInput) - 20.0;
    else if (amp.sensitivity == QLatin1String("Unknown"))
        level = -10.0;
    else if (!amp.sensitivity.isEmpty())
        level = dbu(leadingNumber(amp.sensitivity)) - 20.0;
    else if (a)
        level = dbu(a->sensitivity) - 20.0;
    return qBound(-40.0, std::round(level * 2.0) / 2.0, 0.0);
}

void WizardEngine::defineSetup()
{
    const auto to = [](const char *state) { return [s = QString::fromLatin1(state)] { return s; }; };
    const auto answer = [this](Step &s, const char *name, Answer handler) { s.answers[idx(wiz(QLatin1String(name)))] = handler; };

    def(QStringLiteral("StartSetupWizard"), QStringLiteral("Start")).events[kNext] = to("StartSetupWizardWarning");
    def(QStringLiteral("StartSetupWizardWarning"), QStringLiteral("Start")).events[kNext] = to("StartFromWhat");
    answer(def(QStringLiteral("StartFromWhat"), QStringLiteral("Start")), "WizardStartFrom", [](const QString &v) {
        return v == QLatin1String("New") ? QStringLiteral("ConfirmStartNew") : QStringLiteral("ConfirmCurrentSettings");
    });
    def(QStringLiteral("ConfirmStartNew"), QStringLiteral("Start")).events[kNext] = [this] {
        // Every answer back to the processor's defaults.
        for (const Variable &v : m_state->catalogue().variables()) {
            if (v.key.startsWith(QLatin1String("Node\\Wizard\\SV\\")) && v.kind == Variable::Kind::Choice)
                setModel(v.key, v.initial);
            if (v.key.startsWith(QLatin1String("Node\\SetupWizardCurrentChoices\\SV\\")))
                setModel(v.key, v.initial);
        }
        m_setup.fromCurrent = false;
        return QStringLiteral("SelectItemsToSetup");
    };
    def(QStringLiteral("ConfirmCurrentSettings"), QStringLiteral("Start")).events[kNext] = [this] {
        loadCurrentSettings();
        return QStringLiteral("SelectItemsToSetup");
    };
    answer(def(QStringLiteral("SelectItemsToSetup"), QStringLiteral("Start")), "SetupItems", [this](const QString &v) {
        m_setup.items = v;
        m_setup.monitors.clear();
        if (v == QLatin1String("Monitors"))
            return freeOutputs() >= 1 ? QStringLiteral("SelectMonitorInput") : QStringLiteral("AllOutputsUsedNoneLeftForMonitors");
        return v == QLatin1String("Speakers") ? QStringLiteral("SelectMainSpeakerUsage") : QStringLiteral("SelectPaInputFormat");
    });

    // Inputs
    answer(def(QStringLiteral("SelectPaInputFormat"), QStringLiteral("Inputs")), "PaInputFormat",
           [](const QString &) { return QStringLiteral("SelectFirstPaInput"); });
    answer(def(QStringLiteral("SelectFirstPaInput"), QStringLiteral("Inputs")), "FirstPaInput", [this](const QString &) {
        return text(wiz(QStringLiteral("PaInputFormat"))) == QLatin1String("Stereo") ? QStringLiteral("SelectSecondPaInput") : afterInputs();
    });
    answer(def(QStringLiteral("SelectSecondPaInput"), QStringLiteral("Inputs")), "SecondPaInput", [this](const QString &v) {
        if (v == text(wiz(QStringLiteral("FirstPaInput"))))
            return fail(v + QStringLiteral(" already feeds the left side"));
        return QStringLiteral("SelectPaOutputFormat");
    });
    // A three-input format is not offered by this processor; the question is answered as the
    // second one would be.
    answer(def(QStringLiteral("SelectThirdPaInput"), QStringLiteral("Inputs")), "ThirdPaInput",
           [this](const QString &) { return afterInputs(); });
    answer(def(QStringLiteral("SelectPaOutputFormat"), QStringLiteral("Inputs")), "PaOutputFormat",
           [this](const QString &) { return afterInputs(); });
    def(QStringLiteral("JackFormatNeedsToChange"), QStringLiteral("Inputs")).events[kNext] = [this] { return afterInputs(); };

    // Main speakers
    answer(def(QStringLiteral("SelectMainSpeakerUsage"), QStringLiteral("Speakers")), "MainSpeakerUsage",
           [](const QString &) { return QStringLiteral("SelectMainSpeakerMode"); });
    answer(def(QStringLiteral("SelectMainSpeakerMode"), QStringLiteral("Speakers")), "MainSpeakerMode",
           [](const QString &) { return QStringLiteral("SelectMainSpeaker"); });
    def(QStringLiteral("SelectMainSpeaker"), QStringLiteral("Speakers")).answers[idx(choice(QStringLiteral("MainSpeaker")))] =
        [this](const QString &v) {
            const WizardLibrary::Speaker *s = WizardLibrary::builtIn().speaker(v);
            if (!s || s->role != QLatin1String("main"))
                return fail(QStringLiteral("Choose a main speaker"));
            if (!s->modes.contains(mode()))
                return fail(QStringLiteral("That speaker cannot be driven %1").arg(
                    mode() == QLatin1String("FullRange") ? QStringLiteral("full range") : QStringLiteral("that way")));
            return mode() == QLatin1String("3Way") ? startMainAmplifiers() : QStringLiteral("PromptUsingSubs");
        };
    answer(def(QStringLiteral("PromptUsingSubs"), QStringLiteral("Subwoofers")), "UsingSubs",
           [this](const QString &) { return startMainAmplifiers(); });

    // Subwoofers
    answer(def(QStringLiteral("PromptSubsAuxFed"), QStringLiteral("Subwoofers")), "SubsAuxFed", [](const QString &v) {
        return v == QLatin1String("Yes") ? QStringLiteral("SelectAuxFedSubInput") : QStringLiteral("SelectSubSpeakerMode");
    });
    answer(def(QStringLiteral("SelectAuxFedSubInput"), QStringLiteral("Subwoofers")), "AuxFedSubInput", [this](const QString &v) {
        const bool stereo = text(wiz(QStringLiteral("PaInputFormat"))) == QLatin1String("Stereo");
        if (v == text(wiz(QStringLiteral("FirstPaInput"))) || (stereo && v == text(wiz(QStringLiteral("SecondPaInput")))))
            return fail(v + QStringLiteral(" already feeds the main speakers"));
        return QStringLiteral("SelectSubSpeakerMode");
    });
    answer(def(QStringLiteral("SelectSubSpeakerMode"), QStringLiteral("Subwoofers")), "SubSpeakerMode",
           [](const QString &) { return QStringLiteral("SelectSubSpeaker"); });
    def(QStringLiteral("SelectSubSpeaker"), QStringLiteral("Subwoofers")).answers[idx(choice(QStringLiteral("SubSpeaker")))] =
        [this](const QString &v) {
            const WizardLibrary::Speaker *s = WizardLibrary::builtIn().speaker(v);
            if (!s || s->role != QLatin1String("sub"))
                return fail(QStringLiteral("Choose a subwoofer"));
            if (s->powered != (text(wiz(QStringLiteral("SubSpeakerMode"))) == QLatin1String("Powered")))
                return fail(s->powered ? QStringLiteral("That subwoofer is powered") : QStringLiteral("That subwoofer needs an amplifier"));
            m_setup.sub = true;
            return firstAmplifierStep();
        };
    answer(def(QStringLiteral("SelectSubAmpBridgeMode"), QStringLiteral("Subwoofers")), "SubAmpBridgeMode", [this](const QString &v) {
        m_setup.amps[QStringLiteral("Low")].bridged = v == QLatin1String("Bridged");
        return monitorsOrApply();
    });

    // Monitors
    def(QStringLiteral("PromptAddAnotherMonitor"), QStringLiteral("Monitors")).events[QStringLiteral("AddMonitor")] = [this] {
        return freeOutputs() >= 1 ? QStringLiteral("SelectMonitorInput") : QStringLiteral("AllOutputsUsedNoneLeftForMonitors");
    };
    m_steps[QStringLiteral("PromptAddAnotherMonitor")].events[kNext] = to("PromptApplySetup");
    def(QStringLiteral("AllOutputsUsedNoneLeftForMonitors"), QStringLiteral("Monitors")).events[kNext] = to("PromptApplySetup");
    answer(def(QStringLiteral("SelectMonitorInput"), QStringLiteral("Monitors")), "MonitorInput", [this](const QString &v) {
        m_setup.pending = Monitor();
        m_setup.pending.input = v;
        return QStringLiteral("SelectMonitorMode");
    });
    answer(def(QStringLiteral("SelectMonitorMode"), QStringLiteral("Monitors")), "MonitorMode", [this](const QString &v) {
        m_setup.pending.mode = v;
        return v == QLatin1String("Wedge") ? QStringLiteral("SelectMonitorSpeaker") : QStringLiteral("PromptAFSMonitorInput");
    });
    def(QStringLiteral("SelectMonitorSpeaker"), QStringLiteral("Monitors")).answers[idx(choice(QStringLiteral("MonitorSpeaker")))] =
        [this](const QString &v) {
            const WizardLibrary::Speaker *s = WizardLibrary::builtIn().speaker(v);
            if (!s || s->role != QLatin1String("monitor"))
                return fail(QStringLiteral("Choose a monitor speaker"));
            m_setup.pending.speaker = v;
            return s->powered ? QStringLiteral("PromptAFSMonitorInput") : QStringLiteral("SelectMonitorAmplifierSensitivity");
        };
    answer(def(QStringLiteral("SelectMonitorAmplifierSensitivity"), QStringLiteral("Monitors")), "MonitorAmplifierSensitivity",
           [](const QString &v) {
               return v == QLatin1String("Kestrel") ? QStringLiteral("SelectMonitorAmplifierMaxAnalogInputKestrel")
                                                    : QStringLiteral("PromptAFSMonitorInput");
           });
    answer(def(QStringLiteral("SelectMonitorAmplifierMaxAnalogInputKestrel"), QStringLiteral("Monitors")), "MonitorAmplifierMaxInput",
           [](const QString &) { return QStringLiteral("PromptAFSMonitorInput"); });
    answer(def(QStringLiteral("PromptAFSMonitorInput"), QStringLiteral("Monitors")), "AFSMonitorInput", [this](const QString &v) {
        const QList<int> used = usedOutputs();
        for (int channel = 1; channel <= 6; ++channel) {
            if (!used.contains(channel)) {
                m_setup.pending.output = channel;
                break;
            }
        }
        if (m_setup.pending.output == 0)
            return QStringLiteral("AllOutputsUsedNoneLeftForMonitors");
        m_setup.pending.afs = v == QLatin1String("Yes");
        m_setup.monitors.append(m_setup.pending);
        m_setup.pending = Monitor();
        return QStringLiteral("PromptAddAnotherMonitor");
    });

    // Apply
    def(QStringLiteral("PromptApplySetup"), QStringLiteral("Apply")).events[QStringLiteral("Apply")] = to("AmpTrafficControl");
    def(QStringLiteral("AmpTrafficControl"), QStringLiteral("Apply")).events[kNext] = to("SetupApply");
    Step &apply = def(QStringLiteral("SetupApply"), QStringLiteral("Apply"));
    apply.transient = true;
    apply.ticks = kApplyTicks;
    apply.done = [this] {
        applySetup();
        return QStringLiteral("MakeTheFollowingConnections");
    };
    def(QStringLiteral("MakeTheFollowingConnections"), QStringLiteral("Connections")).events[kNext] = to("SetupComplete");
    def(QStringLiteral("SetupComplete"), QStringLiteral("Done")).events[kNext] = [this] {
        if (m_setup.items == QLatin1String("Inputs") || m_setup.items == QLatin1String("Monitors"))
            return kInactive;
        m_chained = true;
        return QStringLiteral("RunAllPromptAutoEQ");
    };
    Step &runEq = def(QStringLiteral("RunAllPromptAutoEQ"), QStringLiteral("Next steps"));
    runEq.events[QStringLiteral("Run")] = [this] {
        begin(QStringLiteral("StartAutoEQ"), QStringLiteral("Auto EQ"));
        return kStay;
    };
    runEq.events[QStringLiteral("Skip")] = to("RunAllPromptAFS");
    Step &runAfs = def(QStringLiteral("RunAllPromptAFS"), QStringLiteral("Next steps"));
    runAfs.events[QStringLiteral("Run")] = [this] {
        begin(QStringLiteral("StartAFS"), QStringLiteral("Feedback Suppression Setup"));
        return kStay;
    };
    runAfs.events[QStringLiteral("Skip")] = [this] { return hasCard() ? QStringLiteral("RunAllPromptParvane") : kInactive; };
    Step &runLink = def(QStringLiteral("RunAllPromptParvane"), QStringLiteral("Next steps"));
    runLink.events[QStringLiteral("Run")] = [this] {
        begin(QStringLiteral("StartParvaneWizard"), QStringLiteral("Digital Audio Link"));
        return kStay;
    };
    runLink.events[QStringLiteral("Skip")] = [] { return kInactive; };

    // The speakers alone, from the start menu.
    def(QStringLiteral("StartSpeaker"), QStringLiteral("Start")).events[kNext] = [this] {
        loadCurrentSettings();
        m_setup.items = QStringLiteral("Speakers");
        return QStringLiteral("SelectMainSpeakerUsage");
    };
}

// The questions about one band's amplifier; "Pa" questions stand for the one amplifier of
// full-range main speakers.
void WizardEngine::defineAmplifiers(const QString &band)
{
    const QString section = QStringLiteral("Amplifiers");
    const auto amplifierAnswer = [this](bool powered) {
        return [this, powered](const QString &v) {
            const WizardLibrary::Amplifier *a = WizardLibrary::builtIn().amplifier(v);
            if (!a)
                return fail(QStringLiteral("Choose an amplifier"));
            if (a->builtIn != powered)
                return fail(powered ? QStringLiteral("A powered speaker uses its own amplifier") : QStringLiteral("That amplifier is built into powered speakers"));
            Amp amp;
            amp.entry = v;
            m_setup.amps[currentBand()] = amp;
            if (powered)
                return QStringLiteral("Select%1AmplifierLevel").arg(currentBand());
            if (a->kestrel)
                return QStringLiteral("Select%1AmplifierInfoKestrel").arg(currentBand());
            return QStringLiteral("Select%1AmplifierSensitivity").arg(sensitivityPrefix());
        };
    };
    const int choiceIdx = idx(choice(band + QStringLiteral("Amplifier")));
    def(QStringLiteral("Select%1Amplifier").arg(band), section).answers[choiceIdx] = amplifierAnswer(false);
    def(QStringLiteral("Powered%1Amplifier").arg(band), section).answers[choiceIdx] = amplifierAnswer(true);
    def(QStringLiteral("Select%1AmplifierInfoKestrel").arg(band), section).events[kNext] = [this] {
        return QStringLiteral("Select%1AmplifierMaxAnalogInputKestrel").arg(sensitivityPrefix());
    };

    const QStringList prefixes = band == QLatin1String("High") ? QStringList{band, QStringLiteral("Pa")} : QStringList{band};
    for (const QString &prefix : prefixes) {
        def(QStringLiteral("Select%1AmplifierSensitivity").arg(prefix), section)
            .answers[idx(wiz(prefix + QStringLiteral("AmplifierSensitivity")))] = [this](const QString &v) {
            if (v == QLatin1String("Kestrel"))
                return fail(QStringLiteral("Choose the amplifier's sensitivity"));
            m_setup.amps[currentBand()].sensitivity = v;
            return QStringLiteral("Select%1AmplifierLevel").arg(currentBand());
        };
        def(QStringLiteral("Select%1AmplifierMaxAnalogInputKestrel").arg(prefix), section)
            .answers[idx(wiz(prefix + QStringLiteral("AmplifierMaxInput")))] = [this](const QString &v) {
            m_setup.amps[currentBand()].maxInput = v;
            return QStringLiteral("Select%1AmplifierSensitivityKestrel").arg(currentBand());
        };
    }

    // The level dials: the processor shows where the amplifier's control belongs; the dial is
    // turned to where it is, and the difference is shown as the level the speakers will get.
    const auto dial = [this, section](const QString &name) {
        Step &s = def(name, section);
        const auto showLevel = [this] {
            if (m_levelIdx >= 0)
                m_state->modelSetNumber(m_levelIdx, number(wiz(QStringLiteral("WizardGenericAmpLevel"))) - recommendedLevel());
        };
        s.enter = [this, showLevel] {
            setModelNumber(wiz(QStringLiteral("WizardGenericAmpLevel")), recommendedLevel());
            showLevel();
        };
        s.tick = showLevel;
        s.events[kNext] = [this] {
            m_setup.amps[currentBand()].level = number(wiz(QStringLiteral("WizardGenericAmpLevel")));
            return afterAmplifier();
        };
    };
    dial(QStringLiteral("Select%1AmplifierLevel").arg(band));
    dial(QStringLiteral("Select%1AmplifierSensitivityKestrel").arg(band));
    if (band != QLatin1String("Mid")) {
        def(QStringLiteral("Select%1AmpBridgeMode").arg(band), section).answers[idx(wiz(band + QStringLiteral("AmpBridgeMode")))] =
            [this](const QString &v) {
                m_setup.amps[currentBand()].bridged = v == QLatin1String("Bridged");
                return nextBand();
            };
    }
}

void WizardEngine::applySetup()
{
    const QString items = m_setup.items;
    const bool inputs = items == QLatin1String("All") || items == QLatin1String("Inputs");
    const bool speakers = items == QLatin1String("All") || items == QLatin1String("Speakers");
    if (inputs || speakers) {
        // Inputs alone keep the speakers' part of the chain as it is.
        if (!speakers) {
            const QString numBands = text(QStringLiteral("Preset\\Crossover\\AT\\NumBands"));
            setModel(wiz(QStringLiteral("MainSpeakerMode")), numBands == QLatin1String("3") ? QStringLiteral("3Way")
                                                             : numBands == QLatin1String("2") ? QStringLiteral("2Way")
                                                                                              : QStringLiteral("FullRange"));
            setModel(wiz(QStringLiteral("UsingSubs")),
                     text(QStringLiteral("Preset\\Crossover\\AT\\MonoSub")) == QLatin1String("1") ? QStringLiteral("Yes") : QStringLiteral("No"));
        }
        if (!inputs)
            setModel(wiz(QStringLiteral("PaInputFormat")), present(QStringLiteral("MonoMixer")) ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
        const QString configuration = plannedConfiguration();
        if (!m_state->switchConfiguration(configuration))
            qCWarning(lcWizardEngine).noquote() << "no configuration" << configuration;
    }
    const QString mixer = present(QStringLiteral("MonoMixer")) ? QStringLiteral("MonoMixer") : QStringLiteral("StereoMixer");
    if (inputs) {
        const bool stereo = text(wiz(QStringLiteral("PaInputFormat"))) == QLatin1String("Stereo");
        const QString first = text(wiz(QStringLiteral("FirstPaInput")));
        const QString second = stereo ? text(wiz(QStringLiteral("SecondPaInput"))) : QString();
        for (const QString &ch : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
            const QString input = QStringLiteral("Input ") + ch;
            const bool used = input == first || input == second;
            write(preset(mixer, QStringLiteral("Input_%1_Gain").arg(ch)), used ? QStringLiteral("0") : QStringLiteral("Off"));
            write(preset(mixer, QStringLiteral("Input_%1_Mute").arg(ch)), used ? QStringLiteral("Off") : QStringLiteral("On"));
            if (mixer == QLatin1String("StereoMixer") && used)
                write(preset(mixer, QStringLiteral("Input_%1_Pan").arg(ch)),
                      !stereo ? QStringLiteral("0") : input == first ? QStringLiteral("-100") : QStringLiteral("100"));
        }
        write(preset(mixer, QStringLiteral("Mute")), QStringLiteral("Off"));
    }
    if (speakers) {
        const WizardLibrary &library = WizardLibrary::builtIn();
        const WizardLibrary::Speaker *main = library.speaker(text(choice(QStringLiteral("MainSpeaker"))));
        const WizardLibrary::Speaker *sub = usingSubs() ? library.speaker(text(choice(QStringLiteral("SubSpeaker")))) : nullptr;
        const QString m = mode();
        const QString crossover = QStringLiteral("Crossover");
        if (main) {
            const double lowest = sub ? sub->upper : main->lowCut;
            const QList<double> splits = m == QLatin1String("3Way") && main->crossover.size() >= 2
                                           ? QList<double>{main->crossover.at(0), main->crossover.at(1)}
                                         : m == QLatin1String("2Way") && !main->crossover.isEmpty() ? QList<double>{main->crossover.at(0)}
                                                                                                   : QList<double>{};
            for (int b = 0; b <= splits.size(); ++b) {
                write(preset(crossover, QStringLiteral("Band_%1_HPFrequency").arg(b + 1)), numberText(b == 0 ? lowest : splits.at(b - 1)));
                write(preset(crossover, QStringLiteral("Band_%1_LPFrequency").arg(b + 1)),
                      b < splits.size() ? numberText(splits.at(b)) : QStringLiteral("Out"));
            }
        }
        if (sub) {
            write(preset(crossover, QStringLiteral("MonoSub_LPFrequency")), numberText(sub->upper));
            write(preset(crossover, QStringLiteral("MonoSub_HPFrequency")), numberText(sub->lowCut));
        }
        const QString usage = text(wiz(QStringLiteral("MainSpeakerUsage")));
        const QString curve = usage == QLatin1String("Speech") ? QStringLiteral("Speech")
                            : usage == QLatin1String("DJ")     ? QStringLiteral("DJ")
                                                               : QStringLiteral("Performance Venue");
        for (const char *geq : {"GEQ", "LeftGEQ", "RightGEQ"}) {
            if (present(QLatin1String(geq)))
                write(preset(QLatin1String(geq), QStringLiteral("QuickCurve")), curve);
        }
        write(preset(QStringLiteral("Afs"), QStringLiteral("ContentMode")),
              usage == QLatin1String("Speech") ? QStringLiteral("Speech") : QStringLiteral("Music"));
        // Each amplifier: its limiter at the amplifier's clip point, the output gain making up
        // for where its level control is, the right channel muted when it is bridged.
        for (auto it = m_setup.amps.constBegin(); it != m_setup.amps.constEnd(); ++it) {
            const QString &band = it.key();
            const Amp &amp = it.value();
            const WizardLibrary::Amplifier *a = library.amplifier(amp.entry);
            double clip = 99;
            if (a && a->kestrel && !amp.maxInput.isEmpty())
                clip = leadingNumber(amp.maxInput);
            else if (amp.sensitivity == QLatin1String("Unknown"))
                clip = 99;
            else if (!amp.sensitivity.isEmpty())
                clip = dbu(leadingNumber(amp.sensitivity));
            else if (a)
                clip = dbu(a->sensitivity);
            if (clip < 99)
                write(preset(band + QStringLiteral(" Outputs Limiter"), QStringLiteral("Threshold")),
                      numberText(std::round(qBound(-30.0, clip, 20.0) * 10.0) / 10.0));
            const int left = leftChannel(band);
            const double gain = qBound(-20.0, -10.0 - amp.level, 12.0);
            write(outputGain(left), numberText(gain));
            write(outputGain(left + 1), numberText(gain));
            write(outputMute(left), QStringLiteral("Off"));
            write(outputMute(left + 1), amp.bridged ? QStringLiteral("On") : QStringLiteral("Off"));
        }
    }
    for (const Monitor &monitor : qAsConst(m_setup.monitors)) {
        write(outputGain(monitor.output), QStringLiteral("0"));
        write(outputMute(monitor.output), QStringLiteral("Off"));
        if (monitor.afs)
            write(preset(QStringLiteral("Afs"), QStringLiteral("AFS")), QStringLiteral("On"));
    }
    qCInfo(lcWizardEngine).noquote() << "setup applied:" << m_state->configurationName() << "," << m_setup.amps.size()
                                     << "amplifiers," << m_setup.monitors.size() << "monitors";
}

// ----------------------------------------------------------------------------------------------
// Auto EQ and level assist

// What the microphone hears of one band playing the chirp: the chirp level, the band's speakers
// and output gain, and a little of the room's unrest.
double WizardEngine::heardLevel(const QString &band)
{
    const int left = leftChannel(band);
    const double gain = text(outputMute(left)) == QLatin1String("On") ? -90.0 : number(outputGain(left));
    const double jitter = 0.8 * (m_random.unit() - 0.5);
    return number(wiz(QStringLiteral("ChirpLevel"))) - 6.0 + bandOffset(band) + gain + jitter;
}

// The outcome of a measurement, as the suffix of the state that reports it ("" when good).
QString WizardEngine::classify(double heard) const
{
    if (text(preset(QStringLiteral("RTARouter"), QStringLiteral("Source"))) != QLatin1String("RTA Mic"))
        return QStringLiteral("NoMic");
    if (text(preset(QStringLiteral("SignalGenerator"), QStringLiteral("SignalGenerator"))) == QLatin1String("On"))
        return QStringLiteral("HighNoise");
    const double snr = heard - kNoiseFloor;
    if (snr < 6)
        return QStringLiteral("SignalNotHeard");
    if (snr < 15)
        return QStringLiteral("SignalNotEnough");
    if (snr < 21)
        return QStringLiteral("TooMuchNoise");
    if (heard > -8)
        return QStringLiteral("Clip");
    return QString();
}

QString WizardEngine::measure(Purpose purpose)
{
    m_purpose = purpose;
    return QStringLiteral("RunningLevelAssist");
}

QString WizardEngine::nextMatchBand()
{
    const QStringList order{QStringLiteral("Mid"), QStringLiteral("Low")};
    int from = m_matchBand.isEmpty() ? 0 : order.indexOf(m_matchBand) + 1;
    for (int i = from; i < order.size(); ++i) {
        if (present(order.at(i) + QStringLiteral(" Outputs Limiter"))) {
            m_matchBand = order.at(i);
            return QStringLiteral("MatchReference");
        }
    }
    return QStringLiteral("LevelAssistComplete");
}

QString WizardEngine::afterMeasurement()
{
    const QString band = m_purpose == Purpose::Match ? m_matchBand : QStringLiteral("High");
    const double heard = heardLevel(band);
    QString outcome = classify(heard);
    switch (m_purpose) {
    case Purpose::Chirp:
        if (m_levelIdx >= 0)
            m_state->modelSetNumber(m_levelIdx, heard);
        if (outcome == QLatin1String("HighNoise"))
            outcome = QStringLiteral("TooMuchNoise");
        return QStringLiteral("SetChirpLevel") + (outcome.isEmpty() ? QStringLiteral("SignalAcceptable") : outcome);
    case Purpose::Reference:
        if (m_levelIdx >= 0)
            m_state->modelSetNumber(m_levelIdx, heard);
        if (!outcome.isEmpty())
            return QStringLiteral("GetReference") + outcome;
        m_reference = heard;
        // A reference far from the middle of the microphone's range makes matching coarse.
        if (heard < -40.0 || heard > -14.0)
            return QStringLiteral("GetReferenceAdjust");
        m_matchBand.clear();
        return nextMatchBand();
    case Purpose::Match: {
        const double difference = heard - m_reference;
        if (m_levelIdx >= 0)
            m_state->modelSetNumber(m_levelIdx, outcome.isEmpty() ? difference : heard);
        if (!outcome.isEmpty())
            return QStringLiteral("MatchReference") + outcome;
        return std::fabs(difference) <= 1.0 ? nextMatchBand() : QStringLiteral("MatchReferenceAdjust");
    }
    }
    return QString();
}

void WizardEngine::measurePosition()
{
    const double seedPhase = m_random.unit() * 6.283185307179586;
    QVector<double> curve(EqBehaviour::kCurvePoints);
    for (int i = 0; i < curve.size(); ++i) {
        const double f = EqBehaviour::curveFrequency(i);
        // Each position hears the room a little differently.
        curve[i] = EqBehaviour::roomLevel(f) + 1.2 * std::sin(std::log10(f) * (9.0 + m_position) + seedPhase);
    }
    m_positions.append(curve);
}

void WizardEngine::fitRoom()
{
    if (m_positions.isEmpty())
        return;
    const QString object = text(wiz(QStringLiteral("AutoEqObject")));
    QVector<double> average(EqBehaviour::kCurvePoints, 0.0);
    QVector<double> target(EqBehaviour::kCurvePoints, 0.0);
    const QString curveName = text(wiz(QStringLiteral("TargetCurve")));
    QStringList measured;
    QStringList wanted;
    for (int i = 0; i < average.size(); ++i) {
        for (const QVector<double> &p : qAsConst(m_positions))
            average[i] += p[i] / m_positions.size();
        target[i] = targetCurve(curveName, EqBehaviour::curveFrequency(i));
        measured << QString::number(std::round(average[i] * 10.0) / 10.0 + 0.0, 'f', 1);
        wanted << QString::number(std::round(target[i] * 10.0) / 10.0 + 0.0, 'f', 1);
    }
    setModel(preset(object, QStringLiteral("Response")), measured.join(QLatin1Char(' ')));
    setModel(preset(object, QStringLiteral("Target")), wanted.join(QLatin1Char(' ')));

    // The bands as they were, for a discard.
    m_savedBands.clear();
    for (int n = 1; n <= 8; ++n) {
        QStringList band;
        for (const char *p : {"Frequency", "Gain", "Q", "Type"})
            band << text(preset(object, QStringLiteral("Band_%1_").arg(n) + QLatin1String(p)));
        m_savedBands << band;
    }
    const int gainIdx = idx(preset(object, QStringLiteral("Band_1_Gain")));
    const double minGain = gainIdx >= 0 ? m_state->variable(gainIdx).min : -12.0;
    const double maxGain = gainIdx >= 0 ? m_state->variable(gainIdx).max : 6.0;
    const QVector<FitBand> bands = fitBands(average, target, 8, minGain, maxGain, &EqBehaviour::curveFrequency);
    for (int n = 1; n <= 8; ++n) {
        const FitBand b = n <= bands.size() ? bands.at(n - 1) : FitBand{1000.0 * n, 0.0, 1.0};
        write(preset(object, QStringLiteral("Band_%1_Type").arg(n)), QStringLiteral("Bell"));
        write(preset(object, QStringLiteral("Band_%1_Frequency").arg(n)), numberText(b.frequency));
        write(preset(object, QStringLiteral("Band_%1_Q").arg(n)), numberText(b.q));
        write(preset(object, QStringLiteral("Band_%1_Gain").arg(n)), numberText(b.gain));
    }
    write(preset(object, QStringLiteral("AutoEQ")), QStringLiteral("On"));
    qCInfo(lcWizardEngine) << "room fitted with" << bands.size() << "bands from" << m_positions.size() << "measurements";
}

void WizardEngine::restoreRoom()
{
    const QString object = text(wiz(QStringLiteral("AutoEqObject")));
    for (int n = 1; n <= m_savedBands.size(); ++n) {
        const QStringList &band = m_savedBands.at(n - 1);
        int i = 0;
        for (const char *p : {"Frequency", "Gain", "Q", "Type"})
            write(preset(object, QStringLiteral("Band_%1_").arg(n) + QLatin1String(p)), band.value(i++));
    }
    m_savedBands.clear();
    qCInfo(lcWizardEngine) << "room EQ bands restored";
}

void WizardEngine::defineAutoEq()
{
    const auto to = [](const char *state) { return [s = QString::fromLatin1(state)] { return s; }; };
    const auto answer = [this](Step &s, const char *name, Answer handler) { s.answers[idx(wiz(QLatin1String(name)))] = handler; };
    const QString mic = QStringLiteral("Microphone");
    const QString level = QStringLiteral("Chirp level");
    const QString measuring = QStringLiteral("Measurements");

    def(QStringLiteral("StartAutoEQ"), QString()).events[kNext] = [this] {
        m_positions.clear();
        m_position = 0;
        return QStringLiteral("PromptAutoEQChoice");
    };
    answer(def(QStringLiteral("PromptAutoEQChoice"), QString()), "AutoEQChoice", [this](const QString &v) {
        m_wizard = v == QLatin1String("LevelAssist") ? QStringLiteral("Level Assist") : QStringLiteral("Auto EQ");
        return QStringLiteral("PromptRtaMic");
    });
    def(QStringLiteral("PromptRtaMic"), mic).events[kNext] = [this] {
        return text(wiz(QStringLiteral("AutoEQChoice"))) == QLatin1String("LevelAssist") ? QStringLiteral("SetChirpLevel")
                                                                                         : QStringLiteral("SelectAutoEqObject");
    };
    answer(def(QStringLiteral("SelectAutoEqObject"), QStringLiteral("Target")), "AutoEqObject",
           [](const QString &) { return QStringLiteral("SelectTargetCurve"); });
    answer(def(QStringLiteral("SelectTargetCurve"), QStringLiteral("Target")), "TargetCurve",
           [](const QString &) { return QStringLiteral("PromptAutoEQMeasurements"); });
    answer(def(QStringLiteral("PromptAutoEQMeasurements"), measuring), "AutoEQMeasurements",
           [](const QString &) { return QStringLiteral("SetChirpLevel"); });

    // The chirp level: measured, then raised or lowered by the user until the microphone hears
    // it well above the room and below clipping.
    def(QStringLiteral("SetChirpLevel"), level).events[kNext] = [this] { return measure(Purpose::Chirp); };
    Step &running = def(QStringLiteral("RunningLevelAssist"), level);
    running.transient = true;
    running.ticks = kMeasureTicks;
    running.tick = [this] {
        if (m_levelIdx < 0)
            return;
        m_state->modelSetNumber(m_levelIdx, heardLevel(m_purpose == Purpose::Match ? m_matchBand : QStringLiteral("High")));
    };
    running.done = [this] { return afterMeasurement(); };
    const auto louder = [this](double step) {
        return [this, step] {
            const QString key = wiz(QStringLiteral("ChirpLevel"));
            setModelNumber(key, number(key) + step);
            return measure(m_purpose);
        };
    };
    for (const char *outcome : {"SignalAcceptable", "Clip", "SignalNotEnough", "SignalNotHeard", "TooMuchNoise", "NoMic"}) {
        Step &s = def(QStringLiteral("SetChirpLevel") + QLatin1String(outcome), level);
        s.transient = true;
        s.events[QStringLiteral("Retry")] = [this] { return measure(Purpose::Chirp); };
        s.events[QStringLiteral("Up")] = louder(kChirpStep);
        s.events[QStringLiteral("Down")] = louder(-kChirpStep);
    }
    m_steps[QStringLiteral("SetChirpLevelSignalAcceptable")].events[kNext] = [this] {
        if (text(wiz(QStringLiteral("AutoEQChoice"))) == QLatin1String("LevelAssist"))
            return QStringLiteral("GetReference");
        m_positions.clear();
        m_position = 1;
        return QStringLiteral("MicPosition1");
    };

    // The room, at one position after another.
    def(QStringLiteral("MicPosition1"), measuring).events[kNext] = to("AutoEQMeasuring");
    def(QStringLiteral("AutoEQPlaceMic"), measuring).events[kNext] = to("AutoEQMeasuring");
    Step &measuringStep = def(QStringLiteral("AutoEQMeasuring"), measuring);
    measuringStep.transient = true;
    measuringStep.ticks = kMeasureTicks;
    measuringStep.done = [this] {
        const QString outcome = classify(heardLevel(QStringLiteral("High")));
        if (!outcome.isEmpty())
            return QStringLiteral("AutoEQMeasuring") + outcome;
        // Each side plays in turn; a side that stays silent is reported.
        bool leftHeard = false;
        bool rightHeard = false;
        for (const char *band : {"Low", "Mid", "High"}) {
            if (!present(QLatin1String(band) + QStringLiteral(" Outputs Limiter")))
                continue;
            const int left = leftChannel(QLatin1String(band));
            leftHeard = leftHeard || text(outputMute(left)) != QLatin1String("On");
            rightHeard = rightHeard || text(outputMute(left + 1)) != QLatin1String("On");
        }
        if (!leftHeard)
            return QStringLiteral("AutoEQMeasuringLeftNotDetected");
        if (!rightHeard)
            return QStringLiteral("AutoEQMeasuringRightNotDetected");
        measurePosition();
        const int wanted = int(leadingNumber(text(wiz(QStringLiteral("AutoEQMeasurements")))));
        if (m_positions.size() >= qMax(1, wanted))
            return QStringLiteral("AutoEQCalculation");
        ++m_position;
        return QStringLiteral("AutoEQPlaceMic");
    };
    for (const char *outcome : {"SignalNotEnough", "SignalNotHeard", "LeftNotDetected", "RightNotDetected", "Clip",
                                "TooMuchNoise", "NoMic", "HighNoise"}) {
        Step &s = def(QStringLiteral("AutoEQMeasuring") + QLatin1String(outcome), measuring);
        s.transient = true;
        s.events[QStringLiteral("Retry")] = to("AutoEQMeasuring");
        s.events[QStringLiteral("Up")] = [this] {
            setModelNumber(wiz(QStringLiteral("ChirpLevel")), number(wiz(QStringLiteral("ChirpLevel"))) + kChirpStep);
            return QStringLiteral("AutoEQMeasuring");
        };
        s.events[QStringLiteral("Down")] = [this] {
            setModelNumber(wiz(QStringLiteral("ChirpLevel")), number(wiz(QStringLiteral("ChirpLevel"))) - kChirpStep);
            return QStringLiteral("AutoEQMeasuring");
        };
    }
    Step &calculation = def(QStringLiteral("AutoEQCalculation"), QStringLiteral("Result"));
    calculation.transient = true;
    calculation.ticks = kCalculateTicks;
    calculation.done = to("RunningAutoEQ");
    Step &fit = def(QStringLiteral("RunningAutoEQ"), QStringLiteral("Result"));
    fit.transient = true;
    fit.ticks = kCalculateTicks;
    fit.done = [this] {
        fitRoom();
        return QStringLiteral("AutoEQResult");
    };
    Step &result = def(QStringLiteral("AutoEQResult"), QStringLiteral("Result"));
    result.transient = true;
    result.events[kNext] = [this] {
        m_savedBands.clear(); // kept
        return QStringLiteral("AutoEQComplete");
    };
    result.events[QStringLiteral("Discard")] = [this] {
        restoreRoom();
        return QStringLiteral("ExitAutoEQ");
    };
    def(QStringLiteral("AutoEQComplete"), QStringLiteral("Done")).events[kNext] = to("PromptAutoEqAnotherSystem");
    const auto finish = [this] { return m_chained ? QStringLiteral("RunAllPromptAFS") : kInactive; };
    Step &another = def(QStringLiteral("PromptAutoEqAnotherSystem"), QStringLiteral("Done"));
    another.events[QStringLiteral("Again")] = [this] {
        m_positions.clear();
        m_position = 0;
        return QStringLiteral("SelectAutoEqObject");
    };
    another.events[kNext] = finish;
    def(QStringLiteral("ExitAutoEQ"), QStringLiteral("Stopped")).events[kNext] = finish;

    // Level assist: the high band is the reference, the others are matched to it by their
    // output gains.
    def(QStringLiteral("GetReference"), QStringLiteral("Reference")).events[kNext] = [this] { return measure(Purpose::Reference); };
    for (const char *outcome : {"SignalNotHeard", "SignalNotEnough", "Adjust", "NoMic", "Clip", "HighNoise", "TooMuchNoise"}) {
        Step &s = def(QStringLiteral("GetReference") + QLatin1String(outcome), QStringLiteral("Reference"));
        s.transient = true;
        s.events[QStringLiteral("Retry")] = [this] { return measure(Purpose::Reference); };
        s.events[QStringLiteral("Up")] = [this] {
            setModelNumber(wiz(QStringLiteral("ChirpLevel")), number(wiz(QStringLiteral("ChirpLevel"))) + kChirpStep);
            return measure(Purpose::Reference);
        };
        s.events[QStringLiteral("Down")] = [this] {
            setModelNumber(wiz(QStringLiteral("ChirpLevel")), number(wiz(QStringLiteral("ChirpLevel"))) - kChirpStep);
            return measure(Purpose::Reference);
        };
    }
    m_steps[QStringLiteral("GetReferenceAdjust")].events[kNext] = [this] {
        m_matchBand.clear();
        return nextMatchBand();
    };
    def(QStringLiteral("MatchReference"), QStringLiteral("Matching")).events[kNext] = [this] { return measure(Purpose::Match); };
    const auto nudge = [this](double db) {
        return [this, db] {
            const int left = leftChannel(m_matchBand);
            for (int channel : {left, left + 1})
                write(outputGain(channel), numberText(qBound(-80.0, number(outputGain(channel)) + db, 12.0)));
            return measure(Purpose::Match);
        };
    };
    for (const char *outcome : {"SignalNotHeard", "Adjust", "NoMic", "Clip", "HighNoise", "TooMuchNoise", "SignalNotEnough"}) {
        Step &s = def(QStringLiteral("MatchReference") + QLatin1String(outcome), QStringLiteral("Matching"));
        s.transient = true;
        s.events[QStringLiteral("Retry")] = [this] { return measure(Purpose::Match); };
        s.events[QStringLiteral("Up")] = nudge(1.0);
        s.events[QStringLiteral("Down")] = nudge(-1.0);
    }
    m_steps[QStringLiteral("MatchReferenceAdjust")].events[kNext] = [this] { return nextMatchBand(); };
    def(QStringLiteral("LevelAssistComplete"), QStringLiteral("Done")).events[kNext] = finish;
}

// ----------------------------------------------------------------------------------------------
// Feedback suppression: fixed filters placed while the gain is raised

void WizardEngine::placeFixedFilter()
{
    const QString afs = text(wiz(QStringLiteral("AfsObject")));
    const double frequency = std::round(150.0 * std::pow(40.0, m_random.unit()));
    const double q = std::round((12.0 + 18.0 * m_random.unit()) * 10.0) / 10.0;
    const double depth = std::round(-(6.0 + 6.0 * m_random.unit()) * 2.0) / 2.0;
    const int n = m_nextFixed + 1;
    setModelNumber(preset(afs, QStringLiteral("Band_%1_Frequency").arg(n)), frequency);
    setModelNumber(preset(afs, QStringLiteral("Band_%1_Q").arg(n)), q);
    setModelNumber(preset(afs, QStringLiteral("Band_%1_Gain").arg(n)), depth);
    ++m_nextFixed;
    qCInfo(lcWizardEngine) << "fixed filter" << n << "placed at" << frequency << "Hz," << depth << "dB";
}

void WizardEngine::defineAfs()
{
    const auto to = [](const char *state) { return [s = QString::fromLatin1(state)] { return s; }; };
    const auto answer = [this](Step &s, const char *name, Answer handler) { s.answers[idx(wiz(QLatin1String(name)))] = handler; };
    const QString prepare = QStringLiteral("Preparation");
    const QString ring = QStringLiteral("Ringing out");

    def(QStringLiteral("StartAFS"), QString()).events[kNext] = to("AFSSelectAFSObject");
    answer(def(QStringLiteral("AFSSelectAFSObject"), prepare), "AfsObject", [](const QString &) { return QStringLiteral("AFSConnectMic"); });
    def(QStringLiteral("AFSConnectMic"), prepare).events[kNext] = to("AFSGatesOff");
    def(QStringLiteral("AFSGatesOff"), prepare).events[kNext] = to("SetType");
    answer(def(QStringLiteral("SetType"), prepare), "AfsContentMode", [this](const QString &v) {
        write(preset(text(wiz(QStringLiteral("AfsObject"))), QStringLiteral("ContentMode")), v);
        return QStringLiteral("PromptDefaultFilters");
    });
    answer(def(QStringLiteral("PromptDefaultFilters"), prepare), "AfsDefaultFilters", [](const QString &) { return QStringLiteral("SetFilters"); });
    Step &filters = def(QStringLiteral("SetFilters"), prepare);
    filters.enter = [this] {
        const double fixed = number(preset(text(wiz(QStringLiteral("AfsObject"))), QStringLiteral("MaxFixedFilters")));
        setModelNumber(wiz(QStringLiteral("DialTypeSlider")), std::round(fixed / 12.0 * 100.0));
    };
    filters.events[kNext] = [this] {
        const QString afs = text(wiz(QStringLiteral("AfsObject")));
        const int fixed = int(std::round(number(wiz(QStringLiteral("DialTypeSlider"))) / 100.0 * 12.0));
        write(preset(afs, QStringLiteral("MaxFixedFilters")), QString::number(fixed));
        write(preset(afs, QStringLiteral("FilterMode")), fixed == 0 ? QStringLiteral("Live") : QStringLiteral("Fixed + Live"));
        m_nextFixed = 0;
        if (text(wiz(QStringLiteral("AfsDefaultFilters"))) == QLatin1String("Clear")) {
            for (int n = 1; n <= fixed; ++n)
                setModelNumber(preset(afs, QStringLiteral("Band_%1_Gain").arg(n)), 0);
        } else {
            // Kept filters stay; new ones go after them.
            while (m_nextFixed < fixed && number(preset(afs, QStringLiteral("Band_%1_Gain").arg(m_nextFixed + 1))) < 0)
                ++m_nextFixed;
        }
        return QStringLiteral("GainDown");
    };
    def(QStringLiteral("GainDown"), ring).events[kNext] = to("GainUp");
    Step &up = def(QStringLiteral("GainUp"), ring);
    up.enter = [this] {
        write(preset(text(wiz(QStringLiteral("AfsObject"))), QStringLiteral("AFS")), QStringLiteral("On"));
        m_ticksLeft = kFilterTicks;
    };
    // A ring caught every few steps, until the fixed filters are used up.
    up.tick = [this] {
        if (--m_ticksLeft > 0)
            return;
        m_ticksLeft = kFilterTicks;
        const int fixed = int(number(preset(text(wiz(QStringLiteral("AfsObject"))), QStringLiteral("MaxFixedFilters"))));
        if (m_nextFixed < fixed)
            placeFixedFilter();
        if (m_nextFixed >= fixed)
            go(QStringLiteral("GainStop"));
    };
    up.events[kNext] = to("GainStop");
    def(QStringLiteral("GainStop"), ring).events[kNext] = to("GainPerformance");
    def(QStringLiteral("GainPerformance"), ring).events[kNext] = to("AFSResult");
    def(QStringLiteral("AFSResult"), QStringLiteral("Result")).events[kNext] = to("PromptAFSDone");
    Step &done = def(QStringLiteral("PromptAFSDone"), QStringLiteral("Result"));
    done.events[kNext] = to("AFSComplete");
    done.events[QStringLiteral("Repeat")] = to("AFSPromptRepeat");
    Step &repeat = def(QStringLiteral("AFSPromptRepeat"), QStringLiteral("Result"));
    repeat.events[QStringLiteral("Keep")] = to("GainDown");
    repeat.events[QStringLiteral("Restart")] = to("PromptDefaultFilters");
    def(QStringLiteral("AFSComplete"), QStringLiteral("Done")).events[kNext] = [this] {
        return m_chained && hasCard() ? QStringLiteral("RunAllPromptParvane") : kInactive;
    };
}

// ----------------------------------------------------------------------------------------------
// The digital audio link card

bool WizardEngine::parvaneChannels(bool inputs, QString *reason)
{
    const QString dir = inputs ? QStringLiteral("Input") : QStringLiteral("Output");
    const int max = text(wiz(QStringLiteral("ParvaneSampleRate"))) == QLatin1String("96 kHz") ? 32 : 64;
    QList<int> channels;
    for (int n = 1; n <= 8; ++n)
        channels << int(number(wiz(QStringLiteral("Parvane%1_%2_Channel").arg(dir).arg(n))));
    for (int c : channels) {
        if (c < 1 || c > max) {
            *reason = QStringLiteral("Link channels go from 1 to %1 at this sample rate").arg(max);
            return false;
        }
    }
    return true;
}

void WizardEngine::defineParvane()
{
    const auto to = [](const char *state) { return [s = QString::fromLatin1(state)] { return s; }; };
    const auto answer = [this](Step &s, const char *name, Answer handler) { s.answers[idx(wiz(QLatin1String(name)))] = handler; };
    const QString inputs = QStringLiteral("Link inputs");
    const QString outputs = QStringLiteral("Link outputs");

    def(QStringLiteral("StartParvaneWizard"), QString()).events[kNext] = [this] {
        if (!hasCard())
            return fail(QStringLiteral("This processor has no digital audio link card"));
        return QStringLiteral("StartParvaneWizardWarning");
    };
    def(QStringLiteral("StartParvaneWizardWarning"), QString()).events[kNext] = to("ParvaneSampleRate");
    answer(def(QStringLiteral("ParvaneSampleRate"), QStringLiteral("Sample rate")), "ParvaneSampleRate", [](const QString &v) {
        return v == QLatin1String("96 kHz") ? QStringLiteral("ParvaneSampleRateWarning") : QStringLiteral("ParvaneInputConsecutive");
    });
    def(QStringLiteral("ParvaneSampleRateWarning"), QStringLiteral("Sample rate")).events[kNext] = to("ParvaneInputConsecutive");
    answer(def(QStringLiteral("ParvaneInputConsecutive"), inputs), "ParvaneInputConsecutive", [](const QString &v) {
        return v == QLatin1String("Yes") ? QStringLiteral("ParvaneInputStartChannel") : QStringLiteral("ParvaneInputManualEdit");
    });
    answer(def(QStringLiteral("ParvaneOutputConsecutive"), outputs), "ParvaneOutputConsecutive", [](const QString &v) {
        return v == QLatin1String("Yes") ? QStringLiteral("ParvaneOutputStartChannel") : QStringLiteral("ParvaneOutputManualEdit");
    });
    const auto consecutive = [this](bool in, const QString &next) {
        return [this, in, next] {
            const QString dir = in ? QStringLiteral("Input") : QStringLiteral("Output");
            const int start = int(number(wiz(QStringLiteral("Parvane%1Start").arg(dir))));
            for (int n = 1; n <= 8; ++n)
                setModelNumber(wiz(QStringLiteral("Parvane%1_%2_Channel").arg(dir).arg(n)), start + n - 1);
            QString reason;
            if (start + 7 > (text(wiz(QStringLiteral("ParvaneSampleRate"))) == QLatin1String("96 kHz") ? 32 : 64))
                return fail(QStringLiteral("Eight channels from %1 do not fit at this sample rate").arg(start));
            return next;
        };
    };
    const auto manual = [this](bool in, const QString &next) {
        return [this, in, next] {
            QString reason;
            return parvaneChannels(in, &reason) ? next : fail(reason);
        };
    };
    const auto afterOutputs = [this](QString next) {
        return [this, next] {
            // Two link channels on one input (or output) are allowed by the card but are
            // almost always a typing error.
            for (const QString &dir : {QStringLiteral("Input"), QStringLiteral("Output")}) {
                QSet<int> seen;
                for (int n = 1; n <= 8; ++n) {
                    const int c = int(number(wiz(QStringLiteral("Parvane%1_%2_Channel").arg(dir).arg(n))));
                    if (seen.contains(c))
                        return QStringLiteral("StartParvaneDuplicateWarning");
                    seen.insert(c);
                }
            }
            return next;
        };
    };
    def(QStringLiteral("ParvaneInputStartChannel"), inputs).events[kNext] = consecutive(true, QStringLiteral("ParvaneInputNames"));
    def(QStringLiteral("ParvaneInputManualEdit"), inputs).events[kNext] = manual(true, QStringLiteral("ParvaneInputNames"));
    def(QStringLiteral("ParvaneInputNames"), inputs).events[kNext] = to("ParvaneOutputConsecutive");
    def(QStringLiteral("ParvaneOutputStartChannel"), outputs).events[kNext] = [consecutive, afterOutputs, this] {
        const QString next = consecutive(false, QStringLiteral("OptionCardConnections"))();
        return next == QLatin1String("OptionCardConnections") ? afterOutputs(next)() : next;
    };
    def(QStringLiteral("ParvaneOutputManualEdit"), outputs).events[kNext] = [manual, afterOutputs] {
        const QString next = manual(false, QStringLiteral("OptionCardConnections"))();
        return next == QLatin1String("OptionCardConnections") ? afterOutputs(next)() : next;
    };
    Step &duplicate = def(QStringLiteral("StartParvaneDuplicateWarning"), outputs);
    duplicate.transient = true;
    duplicate.events[kNext] = to("OptionCardConnections");
    def(QStringLiteral("OptionCardConnections"), QStringLiteral("Network")).events[kNext] = to("PromptParvaneApply");
    def(QStringLiteral("PromptParvaneApply"), QStringLiteral("Apply")).events[QStringLiteral("Apply")] = to("ParvaneApply");
    Step &apply = def(QStringLiteral("ParvaneApply"), QStringLiteral("Apply"));
    apply.transient = true;
    apply.ticks = kApplyTicks;
    apply.done = [this] {
        const QString link = QStringLiteral("Node\\Parvane\\SV\\");
        setModel(link + QStringLiteral("SampleRate"), text(wiz(QStringLiteral("ParvaneSampleRate"))));
        setModel(link + QStringLiteral("NetworkMode"), text(wiz(QStringLiteral("ParvaneNetworkMode"))));
        for (int n = 1; n <= 8; ++n) {
            setModelNumber(link + QStringLiteral("Input_%1_Channel").arg(n), number(wiz(QStringLiteral("ParvaneInput_%1_Channel").arg(n))));
            setModelNumber(link + QStringLiteral("Output_%1_Channel").arg(n), number(wiz(QStringLiteral("ParvaneOutput_%1_Channel").arg(n))));
            setModel(link + QStringLiteral("Input_%1_Name").arg(n), text(wiz(QStringLiteral("ParvaneInput_%1_Name").arg(n))));
        }
        qCInfo(lcWizardEngine) << "digital audio link set up";
        return QStringLiteral("ParvaneComplete");
    };
    def(QStringLiteral("ParvaneComplete"), QStringLiteral("Done")).events[kNext] = [] { return kInactive; };
}

// ----------------------------------------------------------------------------------------------
// Input and graphic EQ setups: every answer is applied at once

void WizardEngine::defineRunSetup()
{
    const auto to = [](const char *state) { return [s = QString::fromLatin1(state)] { return s; }; };
    def(QStringLiteral("StartInput"), QString()).events[kNext] = to("SelectInput");
    def(QStringLiteral("StartGEQ"), QString()).events[kNext] = to("SelectGEQ");
    Step &input = def(QStringLiteral("SelectInput"), QString());
    input.events[kNext] = [] { return kInactive; };
    const auto mixer = [this] { return present(QStringLiteral("MonoMixer")) ? QStringLiteral("MonoMixer") : QStringLiteral("StereoMixer"); };
    for (const QString &ch : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
        input.answers[idx(wiz(QStringLiteral("Input%1Use").arg(ch)))] = [this, ch, mixer](const QString &v) {
            const QString m = mixer();
            write(preset(m, QStringLiteral("Input_%1_Mute").arg(ch)), v == QLatin1String("Off") ? QStringLiteral("On") : QStringLiteral("Off"));
            if (m == QLatin1String("StereoMixer") && v != QLatin1String("Off"))
                write(preset(m, QStringLiteral("Input_%1_Pan").arg(ch)), v == QLatin1String("Left")    ? QStringLiteral("-100")
                                                                         : v == QLatin1String("Right") ? QStringLiteral("100")
                                                                                                       : QStringLiteral("0"));
            return kStay;
        };
        input.answers[idx(wiz(QStringLiteral("Input%1Trim").arg(ch)))] = [this, ch, mixer](const QString &v) {
            write(preset(mixer(), QStringLiteral("Input_%1_Gain").arg(ch)), QString::number(leadingNumber(v)));
            return kStay;
        };
    }
    input.answers[idx(wiz(QStringLiteral("MixerMute")))] = [this, mixer](const QString &v) {
        write(preset(mixer(), QStringLiteral("Mute")), v);
        return kStay;
    };
    Step &geq = def(QStringLiteral("SelectGEQ"), QString());
    geq.events[kNext] = [] { return kInactive; };
    const QList<QPair<QString, QStringList>> curves = {
        {QStringLiteral("GEQCurve"), {QStringLiteral("GEQ")}},
        {QStringLiteral("GEQLeftCurve"), {QStringLiteral("LeftGEQ")}},
        {QStringLiteral("GEQRightCurve"), {QStringLiteral("RightGEQ")}},
    };
    for (const auto &c : curves) {
        const QString object = c.second.first();
        geq.answers[idx(wiz(c.first))] = [this, object](const QString &v) {
            // One graphic EQ, or two for dual-mono chains: the plain question sets whichever runs.
            if (present(object))
                write(preset(object, QStringLiteral("QuickCurve")), v);
            else if (object == QLatin1String("GEQ"))
                for (const char *side : {"LeftGEQ", "RightGEQ"})
                    write(preset(QLatin1String(side), QStringLiteral("QuickCurve")), v);
            return kStay;
        };
    }
    geq.answers[idx(wiz(QStringLiteral("GEQSwitch")))] = [this](const QString &v) {
        for (const char *object : {"GEQ", "LeftGEQ", "RightGEQ"}) {
            if (present(QLatin1String(object)))
                write(preset(QLatin1String(object), QStringLiteral("GraphicEQ")), v);
        }
        return kStay;
    };
}
} // namespace tarn::offline
