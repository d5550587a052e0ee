#pragma once

#include "catalogue.h"

#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QVector>

#include <functional>
#include <vector>

namespace tarn::offline {
struct AnalyserScene;

// Small deterministic generator, so a seed gives the same meter movement on every machine.
class SplitMix64 {
public:
    explicit SplitMix64(quint64 seed) : m_state(seed) {}
    quint64 next();
    double unit(); // [0, 1)

private:
    quint64 m_state;
};

// The processor's live state: every value of the catalogue, the running configuration, the
// preset store, the node command channel and the moving meters.
class DeviceState : public QObject {
    Q_OBJECT
public:
    enum class WriteResult { Changed, Unchanged, ReadOnly, Invalid, Absent, Busy };

    // Paths the behaviour of the preset store and the node command channel rests on.
    static const QStringList &requiredKeys();
    static bool checkCatalogue(const Catalogue &catalogue, QString *error);

    // The catalogue must pass checkCatalogue().
    DeviceState(const Catalogue &catalogue, quint64 seed, QObject *parent = nullptr);

    const Catalogue &catalogue() const { return m_catalogue; }
    const Variable &variable(int idx) const { return m_catalogue.variables()[size_t(idx)]; }
    int indexOf(const QString &key) const { return m_catalogue.indexOf(key); }
    int count() const { return int(m_values.size()); }

    bool isPresent(int idx) const;
    QString display(int idx) const;
    QString percent(int idx) const; // empty for values without a range
    QString limit(int idx, bool upper) const;
    WriteResult write(int idx, const QString &text, bool asPercent, QString *why);

    // Names below a path (components joined by backslashes, "" for the root); false when the
    // path is no folder of the tree or lies inside an object the running preset lacks.
    bool children(const QString &path, QStringList *names) const;

    void tick(int count = 1);
    quint64 ticks() const { return m_ticks; }

    // The stored number of a numeric value.
    double number(int idx) const { return m_values[size_t(idx)].number; }
    // Changes the model makes by itself, as the processor's own algorithms would: read-only
    // values may change, numbers are clamped and rounded like a client's, choices must be one
    // of the list, and the preset is not marked modified. False when nothing changed.
    bool modelSetNumber(int idx, double number);
    bool modelSetText(int idx, const QString &text);

    // Changes the processing chain without a recall, as a setup wizard's apply does: objects
    // come and go, the configuration's own values are taken and the preset counts as modified.
    bool switchConfiguration(const QString &configuration);

    int currentPreset() const;
    QString configurationName() const { return m_configuration; }
    bool recallInProgress() const { return m_recalling != 0; }
    void setRecallDuration(int ms) { m_recallMs = qMax(0, ms); }

    // Node commands a model adds to the built-in ones: called with the parsed request once its
    // status is "<method>:InProgress"; false for methods it does not serve. A handler that takes
    // a request ends it with finishNodeCommand(), at once or later.
    using NodeCommandHandler = std::function<bool(const QJsonObject &request)>;
    void setNodeCommandHandler(NodeCommandHandler handler) { m_nodeCommands = std::move(handler); }
    // Puts `answer` on the result variable (pushed even when equal to the last one) and ends the
    // status with "<method>:Done", or ":Failed" when the answer holds an "error".
    void finishNodeCommand(const QString &method, const QJsonObject &answer);
    // A command that arrives as a raw JSON line rather than as a set of the command variable.
    void runRawCommand(const QString &json);

    // Replaces the running chain by the processing objects of `chain` (Catalogue::absorb):
    // objects that stay keep their values, new ones start at their initial values, attributes
    // take the new chain's, and every stored preset moves onto the new chain. Objects named in
    // `renewed` (another block under the same name) start afresh. What appeared or changed is
    // pushed; then chainChanged().
    void reconfigure(const Catalogue &chain, const QSet<QString> &renewed = {});

    // The store (slots, names, current slot) with the running values; restoring it is refused
    // as a whole or taken as a whole. presets.json and the settings file hold this.
    QJsonObject presetStoreJson() const;
    bool restorePresetStore(const QJsonObject &json, QString *error);
    // As restorePresetStore, from a client: refused while a preset loads; every value that
    // changes is announced, Changed is bumped.
    bool importSettings(const QJsonObject &json, QString *error);

    int presetSlots() const { return m_catalogue.presetSlots(); }
    bool slotUsed(int slot) const;
    // One stored preset ({"configuration", "values"}; the name is the slot's Name_n), empty for
    // an empty slot. importPreset stores such a document (refused, with nothing changed, when it
    // does not fit the catalogue or a preset is loading); clearPreset empties the slot and keeps
    // its name.
    QJsonObject presetJson(int slot) const;
    bool importPreset(int slot, const QJsonObject &preset, QString *error);
    bool clearPreset(int slot, QString *error);
    // The document as this store would write it, for comparing documents.
    bool normalisePreset(const QJsonObject &preset, QJsonObject *normal, QString *error) const;

signals:
    void valueChanged(int idx);
    // A client's set changed a value (after valueChanged).
    void clientChanged(int idx);
    // A client's set was accepted, whether or not it changed the value (answers to a wizard
    // may repeat the value they had).
    void clientWrote(int idx);
    // One step of the model's clock has passed (after the meters moved).
    void ticked();
    void presetStoreChanged();
    void rebootRequested();
    void chainChanged();

private:
    struct Value {
        double number = 0;
        QString text;
        QVector<double> bands;
        bool operator==(const Value &o) const { return number == o.number && text == o.text && bands == o.bands; }
    };
    struct Slot {
        bool used = false;
        QString configuration;
        std::vector<Value> values; // preset-scope values, indexed like m_values
    };

    struct StoreImage {
        std::vector<Slot> stored;
        QHash<int, QString> names;
        int current = 0;
        QString runningConfiguration;
        std::vector<Value> running;
        bool modified = false;
    };

    Value parseInitial(const Variable &v) const;
    QJsonObject valuesJson(const std::vector<Value> &values) const;
    bool readPreset(const QJsonObject &json, Slot *slot, QString *error) const;
    bool readStore(const QJsonObject &json, StoreImage *image, QString *error) const;
    void applyStore(StoreImage &&image);
    bool runningDiffersFrom(int slot) const;
    bool assign(int idx, const Value &value);
    bool assignText(const QString &key, const QString &text);
    bool assignNumber(const QString &key, double number);
    QString nameOfSlot(int slot) const;
    bool readSlot(const QString &text, int *slot, QString *why) const;
    WriteResult runAction(int idx, const QString &text, QString *why);
    void startRecall(int slot);
    void finishRecall(int slot);
    void storeSlot(int slot);
    void updateRecallList();
    void runNodeCommand(const QString &text);
    void runCommandJson(const QString &json);
    bool fits(const Variable &v, const Value &value) const;
    void setPresent(const QString &configuration);
    // What the analyser spectrum `v` listens to; false when `v` is another spectrum.
    bool analyserScene(const Variable &v, AnalyserScene *scene) const;
    void buildTree();
    double dynamicsReading(const Variable &v) const;

    Catalogue m_catalogue;
    std::vector<Value> m_values;
    std::vector<Slot> m_slots; // index = slot number; 0 unused
    QSet<QString> m_present;
    std::vector<char> m_hidden; // variables of present objects that the chain does not serve
    QString m_configuration;
    QHash<QString, QStringList> m_tree;
    int m_recalling = 0;
    int m_recallMs = 400;
    SplitMix64 m_random;
    std::vector<double> m_phase;
    quint64 m_ticks = 0;
    NodeCommandHandler m_nodeCommands;
};
} // namespace tarn::offline
