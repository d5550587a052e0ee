#pragma once

#include "displayformat.h"
#include "dynamicslaw.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

namespace tarn::offline {
// Moving values of meters: a slow swing around a mean plus noise, an indicator that lights
// while another meter stays above a threshold, or the gain change of a dynamics block for the
// level of another meter (0 while the block's switch is off). Each reads the range bottom
// (dynamics: 0) while the "silent" variable holds the given value (a muted channel shows no level).
struct LiveMotion {
    enum class Type { None, Level, Above, Dynamics };
    Type type = Type::None;
    double mean = 0;
    double swing = 0;
    double noise = 0;
    double period = 40; // ticks per swing
    QString source;     // Above, Dynamics: key of the meter it watches
    double threshold = 0;
    DynamicsLaw law = DynamicsLaw::Compressor;
    QString enableKey;                     // Dynamics: the block's on/off switch
    QList<QPair<QString, QString>> params; // Dynamics: role -> key of the block's setting
    QString silentKey;
    QString silentValue;
};

struct Variable {
    enum class Kind { Number, Meter, Spectrum, Choice, OnOff, Text };
    enum class Action { None, Recall, Store, Rename, NodeCommand, Reboot };

    QString key;    // path without leading backslashes: Preset\Compressor\SV\Threshold
    QString object; // processing object for Preset paths, else empty
    QString name;   // last path component
    Kind kind = Kind::Text;
    bool writable = true;
    bool presetScope = false; // part of a preset snapshot
    double min = 0;
    double max = 0;
    bool logScale = false;
    double resolution = 0;
    DisplayFormat format;
    QStringList choices;
    QString onText = QStringLiteral("On");
    QString offText = QStringLiteral("Off");
    int maxLength = 64;
    QRegularExpression pattern;
    int bands = 0;
    QString initial;
    LiveMotion live;
    Action action = Action::None;

    bool isNumeric() const { return kind == Kind::Number || kind == Kind::Meter; }
};

struct Configuration {
    QString name;
    QStringList objects;            // processing objects present, in chain order
    QList<QPair<QString, QString>> values; // attribute values (key, display text)
    // When not empty, the only variables of its objects that are served (a reconfigured chain
    // keeps the entries of objects it dropped or shrank, unserved).
    QSet<QString> variables;
};

struct StoredPreset {
    int slot = 0;
    QString name;
    QString configuration;
    QList<QPair<QString, QString>> values; // overrides of the initial values
};

// The device catalogue of one processor model, read from JSON (format in README.md).
class Catalogue {
public:
    bool load(const QString &path, QString *error);
    bool loadJson(const QByteArray &json, QString *error);

    const QString &model() const { return m_model; }
    const std::vector<Variable> &variables() const { return m_variables; }
    int indexOf(const QString &key) const { return m_index.value(key, -1); }
    const QStringList &objects() const { return m_objects; }
    const QList<Configuration> &configurations() const { return m_configurations; }
    const Configuration *configuration(const QString &name) const;
    int presetSlots() const { return m_presetSlots; }
    int initialPreset() const { return m_initialPreset; }
    const QList<StoredPreset> &presets() const { return m_presets; }
    QStringList sourceNames(const QString &hardwareVersion) const { return m_sourceNames.value(hardwareVersion); }

    // Replaces the initial text of a variable (command-line overrides of the node identity).
    bool overrideInitial(const QString &key, const QString &text, QString *error);

    // Replaces the choices of a choice variable (a behaviour lists its own data there); its
    // initial value must stay one of them.
    bool setChoices(const QString &key, const QStringList &choices, QString *error);

    // Takes in the processing objects of `chain`, a catalogue of the same model: unknown
    // variables are appended, known ones take chain's definition, and the configuration named
    // `configuration` becomes chain's first one, limited to chain's variables. Node and storage
    // entries stay as they are. Returns the indices here of chain's object variables.
    QVector<int> absorb(const Catalogue &chain, const QString &configuration);

    // Whether a text is a valid value of the variable (used for initial values and overrides).
    static bool acceptsText(const Variable &v, const QString &text, QString *why);

private:
    QString m_model;
    std::vector<Variable> m_variables;
    QHash<QString, int> m_index;
    QStringList m_objects;
    QList<Configuration> m_configurations;
    int m_presetSlots = 0;
    int m_initialPreset = 1;
    QList<StoredPreset> m_presets;
    QHash<QString, QStringList> m_sourceNames;
};
} // namespace tarn::offline
