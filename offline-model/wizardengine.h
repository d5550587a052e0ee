#pragma once

#include "devicestate.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>

namespace tarn::offline {
class Catalogue;

// The processor's wizards: setup (inputs, speakers, amplifiers, subwoofers, monitors, apply),
// Auto EQ and level assist, feedback-suppression setup, the digital audio link (on the hardware
// variant with the card) and the short input and graphic EQ setups. The engine publishes
// "Node\Wizard\SV\WizardState" and "TitleString", takes events from "WizardEvent" ("Next",
// "Back", "Cancel", and each step's own words) and answers from the variables each step names,
// moves on only on answers the step takes, and returns to "Inactive" on "Cancel" from anywhere.
// Answers change the processor's values as they would on a processor: the setup's apply
// switches the processing chain and sets crossover, mixer, limiters and output gains; Auto EQ
// sets the room EQ; the feedback setup places fixed filters. Measurements and placements run
// on the model's clock (the meter clock), and their randomness comes from the seed.
class WizardEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kMeasureTicks = 8;
    static constexpr int kApplyTicks = 10;
    static constexpr int kCalculateTicks = 6;
    static constexpr int kFilterTicks = 6;

    // Lists the built-in speakers and amplifiers as the choices of the setup wizard's choice
    // variables (before the state is made from the catalogue).
    static void addChoices(Catalogue *catalogue);

    WizardEngine(DeviceState *state, quint64 seed, QObject *parent = nullptr);

    bool usable() const { return m_stateIdx >= 0; }
    QString state() const { return m_current; }

    // The flow as data: every step, the events each takes ("Back" and "Cancel" are taken
    // everywhere) and the variables whose writes answer it.
    QStringList steps() const { return m_steps.keys(); }
    QStringList eventsOf(const QString &step) const { return m_steps.value(step).events.keys(); }
    QStringList answerKeysOf(const QString &step) const;

private:
    using Next = std::function<QString()>;
    using Answer = std::function<QString(const QString &)>;
    struct Step {
        QString section;
        QHash<QString, Next> events;
        QHash<int, Answer> answers;
        int ticks = 0;  // a step that ends by itself after so many clock steps ...
        Next done;      // ... and goes where this says
        std::function<void()> enter;
        std::function<void()> tick;
        bool transient = false; // not returned to by "Back"
    };
    struct Amp {
        QString entry;
        QString sensitivity;
        QString maxInput;
        double level = -10;
        bool bridged = false;
    };
    struct Monitor {
        QString input;
        QString mode;
        QString speaker;
        bool afs = false;
        int output = 0;
    };
    struct Setup {
        QString items;
        QStringList bands; // output bands of the main speakers, asked in this order
        int band = 0;
        bool sub = false;  // the amplifier questions are about the subwoofer
        QHash<QString, Amp> amps;
        QList<Monitor> monitors;
        Monitor pending;
        bool fromCurrent = false;
    };
    enum class Purpose { Chirp, Reference, Match };

    // Flow
    Step &def(const QString &name, const QString &section);
    void defineStart();
    void defineSetup();
    void defineAmplifiers(const QString &band);
    void defineAutoEq();
    void defineAfs();
    void defineParvane();
    void defineRunSetup();
    void onWrote(int idx);
    void handle(int idx, const QString &text);
    void handleEvent(const QString &word);
    void moveTo(const QString &next);
    void go(const QString &next);
    void back();
    void cancel(const QString &why);
    void begin(const QString &first, const QString &wizard);
    void publish();
    void onTicked();
    QString fail(const QString &reason);

    // Values
    int idx(const QString &key) const { return m_state->indexOf(key); }
    QString text(const QString &key) const;
    double number(const QString &key) const;
    void setModel(const QString &key, const QString &text);
    void setModelNumber(const QString &key, double value);
    bool write(const QString &key, const QString &text);
    bool present(const QString &object) const;
    bool hasCard() const;

    // Setup
    QString mode() const;
    bool usingSubs() const;
    QString currentBand() const;
    QString sensitivityPrefix() const;
    QString startMainAmplifiers();
    QString firstAmplifierStep();
    QString afterAmplifier();
    QString nextBand();
    QString monitorsOrApply();
    QString afterInputs();
    int freeOutputs() const;
    QList<int> usedOutputs() const;
    void loadCurrentSettings();
    void resetSetup();
    QString plannedConfiguration() const;
    void applySetup();
    double recommendedLevel() const;

    // Measurements
    QString measure(Purpose purpose);
    QString classify(double heard) const;
    double heardLevel(const QString &band);
    QString afterMeasurement();
    QString nextMatchBand();
    void measurePosition();
    void fitRoom();
    void restoreRoom();
    void placeFixedFilter();
    bool parvaneChannels(bool inputs, QString *reason);

    DeviceState *m_state;
    SplitMix64 m_random;
    QHash<QString, Step> m_steps;
    QSet<int> m_watched;
    int m_stateIdx = -1;
    int m_eventIdx = -1;
    int m_titleIdx = -1;
    int m_levelIdx = -1;
    QString m_current;
    QString m_wizard;
    QString m_error;
    QStringList m_history;
    int m_ticksLeft = 0;
    bool m_chained = false;
    Setup m_setup;

    Purpose m_purpose = Purpose::Chirp;
    QString m_lastOutcome;
    QString m_matchBand;
    double m_reference = 0;
    int m_position = 0;
    QVector<QVector<double>> m_positions;
    QVector<QStringList> m_savedBands; // room EQ bands before a fit, for a discard
    int m_nextFixed = 0;
};
} // namespace tarn::offline
