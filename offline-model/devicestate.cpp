#include "devicestate.h"

#include "analyserscene.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcState, "tarn.offline.state", QtInfoMsg)

namespace tarn::offline {
namespace {
const QString kCurrentPreset = QStringLiteral("Storage\\Presets\\SV\\CurrentPreset");
const QString kChanged = QStringLiteral("Storage\\Presets\\SV\\Changed");
const QString kNamePrefix = QStringLiteral("Storage\\Presets\\SV\\Name_");
const QString kRecallList = QStringLiteral("Node\\Settings\\SV\\PresetRecallList");
const QString kModified = QStringLiteral("Node\\Settings\\SV\\PresetIsModified");
const QString kStatus = QStringLiteral("Node\\Config\\SV\\Command:Status");
const QString kResult = QStringLiteral("Node\\Config\\SV\\Result");
const QString kProgress = QStringLiteral("Node\\Config\\SV\\Progress");
const QString kHardware = QStringLiteral("Node\\SV\\HardwareVersion");
// The analyser and what it can hear.
const QString kAnalyser = QStringLiteral("Preset\\RTA\\SV\\AllMeters");
const QString kAnalyserGain = QStringLiteral("Preset\\RTA\\SV\\Gain");
const QString kAnalyserAveraging = QStringLiteral("Preset\\RTA\\SV\\Averaging");
const QString kAnalyserSource = QStringLiteral("Preset\\RTARouter\\SV\\Source");
const QString kGenerator = QStringLiteral("Preset\\SignalGenerator\\SV\\SignalGenerator");
const QString kGeneratorType = QStringLiteral("Preset\\SignalGenerator\\SV\\Signal Type");
const QString kGeneratorFrequency = QStringLiteral("Preset\\SignalGenerator\\SV\\Sine Frequency");
const QString kGeneratorAmplitude = QStringLiteral("Preset\\SignalGenerator\\SV\\Signal Amplitude");
constexpr double kTwoPi = 6.283185307179586;

double roundTo(double v, int decimals)
{
    const double scale = std::pow(10.0, qBound(0, decimals, 6));
    return std::round(v * scale) / scale;
}

bool isOnWord(const QString &t)
{
    return t.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1")
        || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

bool isOffWord(const QString &t)
{
    return t.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0")
        || t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

// Status words carry the method name; anything else a client sent stays out of them.
QString statusWord(const QString &method)
{
    QString word;
    for (const QChar c : method.left(64)) {
        if (c.isLetterOrNumber() || c == QLatin1Char('_'))
            word += c;
    }
    return word.isEmpty() ? QStringLiteral("Command") : word;
}
} // namespace

quint64 SplitMix64::next()
{
    quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SplitMix64::unit()
{
    return double(next() >> 11) * (1.0 / 9007199254740992.0);
}

const QStringList &DeviceState::requiredKeys()
{
    static const QStringList keys = {kCurrentPreset, kChanged, kRecallList, kModified,
                                     kStatus,        kResult,  kProgress,   kHardware};
    return keys;
}

bool DeviceState::checkCatalogue(const Catalogue &catalogue, QString *error)
{
    QStringList missing;
    for (const QString &key : requiredKeys()) {
        if (catalogue.indexOf(key) < 0)
            missing << key;
    }
    for (int slot = 1; slot <= catalogue.presetSlots(); ++slot) {
        const QString key = kNamePrefix + QString::number(slot);
        if (catalogue.indexOf(key) < 0 || catalogue.variables()[size_t(catalogue.indexOf(key))].kind != Variable::Kind::Text)
            missing << key;
    }
    if (!missing.isEmpty()) {
        if (error)
            *error = QStringLiteral("the catalogue lacks what presets and node commands need: ") + missing.join(QStringLiteral(", "));
        return false;
    }
    const auto kindOf = [&](const QString &key) { return catalogue.variables()[size_t(catalogue.indexOf(key))].kind; };
    if (kindOf(kCurrentPreset) != Variable::Kind::Number || kindOf(kChanged) != Variable::Kind::Number
        || kindOf(kProgress) != Variable::Kind::Number || kindOf(kModified) != Variable::Kind::OnOff
        || kindOf(kStatus) != Variable::Kind::Text || kindOf(kResult) != Variable::Kind::Text
        || kindOf(kRecallList) != Variable::Kind::Text) {
        if (error)
            *error = QStringLiteral("the preset and command variables have the wrong kinds");
        return false;
    }
    return true;
}

DeviceState::DeviceState(const Catalogue &catalogue, quint64 seed, QObject *parent)
    : QObject(parent), m_catalogue(catalogue), m_random(seed)
{
    Q_ASSERT(checkCatalogue(catalogue, nullptr));
    const auto &vars = m_catalogue.variables();
    m_values.resize(vars.size());
    m_phase.resize(vars.size());
    for (size_t i = 0; i < vars.size(); ++i) {
        m_values[i] = parseInitial(vars[i]);
        if (vars[i].live.type != LiveMotion::Type::None)
            m_phase[i] = m_random.unit() * kTwoPi;
    }
    buildTree();

    m_slots.resize(size_t(m_catalogue.presetSlots()) + 1);
    for (const StoredPreset &p : m_catalogue.presets()) {
        Slot &s = m_slots[size_t(p.slot)];
        s.used = true;
        s.configuration = p.configuration;
        s.values = m_values;
        const Configuration *c = m_catalogue.configuration(p.configuration);
        auto apply = [&](const QList<QPair<QString, QString>> &values) {
            for (const auto &kv : values) {
                const int idx = m_catalogue.indexOf(kv.first);
                Variable copy = vars[size_t(idx)];
                copy.initial = kv.second;
                s.values[size_t(idx)] = parseInitial(copy);
            }
        };
        apply(c->values);
        apply(p.values);
        m_values[size_t(indexOf(kNamePrefix + QString::number(p.slot)))].text = p.name;
    }
    const Slot &running = m_slots[size_t(m_catalogue.initialPreset())];
    for (size_t i = 0; i < vars.size(); ++i) {
        if (vars[i].presetScope)
            m_values[i] = running.values[i];
    }
    setPresent(running.configuration);
    m_values[size_t(indexOf(kCurrentPreset))].number = m_catalogue.initialPreset();
    m_values[size_t(indexOf(kModified))].text = variable(indexOf(kModified)).offText;
    for (size_t i = 0; i < vars.size(); ++i) {
        if (vars[i].action == Variable::Action::Recall)
            m_values[i].number = m_catalogue.initialPreset();
    }
    updateRecallList();
}

DeviceState::Value DeviceState::parseInitial(const Variable &v) const
{
    Value value;
    switch (v.kind) {
    case Variable::Kind::Number:
    case Variable::Kind::Meter:
    case Variable::Kind::Spectrum: {
        double x = v.min;
        parseValue(v.format, v.initial, v.min, v.max, &x);
        x = qBound(v.min, x, v.max);
        if (v.kind == Variable::Kind::Spectrum)
            value.bands = QVector<double>(v.bands, x);
        else
            value.number = x;
        break;
    }
    case Variable::Kind::Choice:
    case Variable::Kind::OnOff:
    case Variable::Kind::Text:
        value.text = v.initial;
        break;
    }
    return value;
}

void DeviceState::buildTree()
{
    m_tree.clear();
    QSet<QString> seen;
    for (const Variable &v : m_catalogue.variables()) {
        const QStringList comps = v.key.split(QLatin1Char('\\'));
        QString parent;
        for (const QString &c : comps) {
            const QString child = parent.isEmpty() ? c : parent + QLatin1Char('\\') + c;
            if (!seen.contains(child)) {
                seen.insert(child);
                m_tree[parent].append(c);
            }
            parent = child;
        }
    }
}

void DeviceState::setPresent(const QString &configuration)
{
    m_configuration = configuration;
    m_present.clear();
    m_hidden.assign(m_values.size(), 0);
    if (const Configuration *c = m_catalogue.configuration(configuration)) {
        for (const QString &o : c->objects)
            m_present.insert(o);
        if (!c->variables.isEmpty()) {
            const auto &vars = m_catalogue.variables();
            for (size_t i = 0; i < vars.size() && i < m_hidden.size(); ++i)
                m_hidden[i] = m_present.contains(vars[i].object) && !c->variables.contains(vars[i].key);
        }
    }
}

bool DeviceState::isPresent(int idx) const
{
    const QString &object = variable(idx).object;
    return object.isEmpty() || (m_present.contains(object) && !(size_t(idx) < m_hidden.size() && m_hidden[size_t(idx)]));
}

QString DeviceState::display(int idx) const
{
    const Variable &v = variable(idx);
    const Value &value = m_values[size_t(idx)];
    switch (v.kind) {
    case Variable::Kind::Number:
    case Variable::Kind::Meter:
        return formatValue(v.format, value.number, v.min, v.max);
    case Variable::Kind::Spectrum: {
        QStringList parts;
        parts.reserve(value.bands.size());
        for (const double b : value.bands)
            parts << QString::number(roundTo(b, v.format.decimals), 'f', v.format.decimals);
        return parts.join(QLatin1Char(' '));
    }
    case Variable::Kind::Choice:
    case Variable::Kind::OnOff:
    case Variable::Kind::Text:
        break;
    }
    return value.text;
}

QString DeviceState::percent(int idx) const
{
    const Variable &v = variable(idx);
    if (!v.isNumeric())
        return QString();
    return formatPercent(toPercent(m_values[size_t(idx)].number, v.min, v.max, v.logScale));
}

QString DeviceState::limit(int idx, bool upper) const
{
    const Variable &v = variable(idx);
    if (!v.isNumeric())
        return QString();
    const double x = upper ? v.max : v.min;
    // The bare limit, not the "Off"/"Out" word that stands at it.
    DisplayFormat f = v.format;
    f.atMin.clear();
    f.atMax.clear();
    return formatValue(f, x, v.min, v.max);
}

bool DeviceState::children(const QString &path, QStringList *names) const
{
    const QStringList comps = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!comps.isEmpty() && comps.first() == QLatin1String("Preset")) {
        if (comps.size() == 1) {
            const Configuration *c = m_catalogue.configuration(m_configuration);
            *names = c ? c->objects : QStringList();
            return true;
        }
        if (!m_present.contains(comps.at(1)))
            return false;
    }
    const QString key = comps.join(QLatin1Char('\\'));
    const auto it = m_tree.constFind(key);
    if (it == m_tree.constEnd())
        return false;
    *names = it.value();
    if (!m_hidden.empty() && comps.size() >= 3) {
        names->erase(std::remove_if(names->begin(), names->end(), [&](const QString &name) {
                         const int idx = indexOf(key + QLatin1Char('\\') + name);
                         return idx >= 0 && !isPresent(idx);
                     }),
                     names->end());
    }
    return true;
}

bool DeviceState::assign(int idx, const Value &value)
{
    Value &current = m_values[size_t(idx)];
    if (current == value)
        return false;
    current = value;
    emit valueChanged(idx);
    return true;
}

bool DeviceState::assignText(const QString &key, const QString &text)
{
    const int idx = indexOf(key);
    Value v = m_values[size_t(idx)];
    v.text = text;
    return assign(idx, v);
}

bool DeviceState::assignNumber(const QString &key, double number)
{
    const int idx = indexOf(key);
    const Variable &var = variable(idx);
    Value v = m_values[size_t(idx)];
    v.number = qBound(var.min, number, var.max);
    return assign(idx, v);
}

DeviceState::WriteResult DeviceState::write(int idx, const QString &input, bool asPercent, QString *why)
{
    const Variable &v = variable(idx);
    if (!isPresent(idx)) {
        *why = QStringLiteral("not in the running preset");
        return WriteResult::Absent;
    }
    if (!v.writable) {
        *why = QStringLiteral("read only");
        return WriteResult::ReadOnly;
    }
    if (asPercent && v.kind != Variable::Kind::Number) {
        *why = QStringLiteral("no range");
        return WriteResult::Invalid;
    }
    const QString text = input.trimmed();
    if (v.action != Variable::Action::None)
        return runAction(idx, text, why);

    Value next = m_values[size_t(idx)];
    switch (v.kind) {
    case Variable::Kind::Number: {
        double x = 0;
        if (asPercent) {
            double p = 0;
            if (!parsePercent(text, &p)) {
                *why = QStringLiteral("not a percentage");
                return WriteResult::Invalid;
            }
            x = fromPercent(p, v.min, v.max, v.logScale);
        } else if (!parseValue(v.format, text, v.min, v.max, &x)) {
            *why = QStringLiteral("not a number");
            return WriteResult::Invalid;
        }
        x = qBound(v.min, x, v.max);
        if (v.resolution > 0)
            x = qBound(v.min, std::round(x / v.resolution) * v.resolution, v.max);
        next.number = x;
        break;
    }
    case Variable::Kind::Choice: {
        QString match;
        for (const QString &c : v.choices) {
            if (c == text) {
                match = c;
                break;
            }
            if (match.isEmpty() && c.compare(text, Qt::CaseInsensitive) == 0)
                match = c;
        }
        if (match.isEmpty()) {
            *why = QStringLiteral("not one of the choices");
            return WriteResult::Invalid;
        }
        next.text = match;
        break;
    }
    case Variable::Kind::OnOff:
        if (text == v.onText || isOnWord(text)) {
            next.text = v.onText;
        } else if (text == v.offText || isOffWord(text)) {
            next.text = v.offText;
        } else {
            *why = QStringLiteral("neither on nor off");
            return WriteResult::Invalid;
        }
        break;
    case Variable::Kind::Text:
        if (!Catalogue::acceptsText(v, input, why))
            return WriteResult::Invalid;
        next.text = input;
        break;
    case Variable::Kind::Meter:
    case Variable::Kind::Spectrum:
        *why = QStringLiteral("read only");
        return WriteResult::ReadOnly;
    }
    if (!assign(idx, next)) {
        emit clientWrote(idx);
        return WriteResult::Unchanged;
    }
    if (v.presetScope)
        assignText(kModified, variable(indexOf(kModified)).onText);
    if (v.key.startsWith(kNamePrefix))
        emit presetStoreChanged();
    emit clientChanged(idx);
    emit clientWrote(idx);
    return WriteResult::Changed;
}

bool DeviceState::modelSetNumber(int idx, double number)
{
    const Variable &v = variable(idx);
    if (v.kind != Variable::Kind::Number || !std::isfinite(number))
        return false;
    double x = qBound(v.min, number, v.max);
    if (v.resolution > 0)
        x = qBound(v.min, std::round(x / v.resolution) * v.resolution, v.max);
    Value next = m_values[size_t(idx)];
    next.number = x;
    return assign(idx, next);
}

bool DeviceState::modelSetText(int idx, const QString &text)
{
    const Variable &v = variable(idx);
    if (v.kind == Variable::Kind::Choice && !v.choices.contains(text))
        return false;
    if (v.kind != Variable::Kind::Choice && v.kind != Variable::Kind::OnOff && v.kind != Variable::Kind::Text)
        return false;
    Value next = m_values[size_t(idx)];
    next.text = text;
    return assign(idx, next);
}

bool DeviceState::readSlot(const QString &text, int *slot, QString *why) const
{
    bool ok = false;
    const double x = text.toDouble(&ok);
    if (!ok || x != std::floor(x) || x < 1 || x > m_catalogue.presetSlots()) {
        *why = QStringLiteral("no preset slot %1 (1..%2)").arg(text).arg(m_catalogue.presetSlots());
        return false;
    }
    *slot = int(x);
    return true;
}

QString DeviceState::nameOfSlot(int slot) const
{
    return m_values[size_t(indexOf(kNamePrefix + QString::number(slot)))].text;
}

DeviceState::WriteResult DeviceState::runAction(int idx, const QString &text, QString *why)
{
    const Variable &v = variable(idx);
    Value next = m_values[size_t(idx)];
    int slot = 0;
    switch (v.action) {
    case Variable::Action::Recall:
    case Variable::Action::Store:
    case Variable::Action::Rename: {
        // Out-of-range slots are refused, not clamped: clamping would load or overwrite
        // a preset nobody asked for.
        if (!readSlot(text, &slot, why))
            return WriteResult::Invalid;
        if (m_recalling) {
            *why = QStringLiteral("a preset is loading");
            return WriteResult::Busy;
        }
        if (v.action != Variable::Action::Store && !m_slots[size_t(slot)].used) {
            *why = QStringLiteral("preset slot %1 is empty").arg(slot);
            return WriteResult::Invalid;
        }
        next.number = qBound(v.min, double(slot), v.max);
        const bool changed = assign(idx, next);
        if (v.action == Variable::Action::Recall) {
            m_recalling = slot;
            QTimer::singleShot(0, this, [this, slot] { startRecall(slot); });
        } else if (v.action == Variable::Action::Store) {
            storeSlot(slot);
        } else {
            qCInfo(lcState) << "preset" << slot << "renamed to" << nameOfSlot(slot);
            assignNumber(kChanged, m_values[size_t(indexOf(kChanged))].number + 1);
            emit presetStoreChanged();
        }
        return changed ? WriteResult::Changed : WriteResult::Unchanged;
    }
    case Variable::Action::NodeCommand: {
        if (!Catalogue::acceptsText(v, text, why))
            return WriteResult::Invalid;
        next.text = text;
        const bool changed = assign(idx, next);
        QTimer::singleShot(0, this, [this, text] { runNodeCommand(text); });
        return changed ? WriteResult::Changed : WriteResult::Unchanged;
    }
    case Variable::Action::Reboot: {
        if (!isOnWord(text) && !isOffWord(text) && text != v.onText && text != v.offText) {
            *why = QStringLiteral("neither on nor off");
            return WriteResult::Invalid;
        }
        if (isOffWord(text) || text == v.offText)
            return WriteResult::Unchanged;
        next.text = v.onText;
        assign(idx, next);
        qCInfo(lcState) << "reboot requested";
        QTimer::singleShot(300, this, [this, idx] {
            emit rebootRequested();
            Value off = m_values[size_t(idx)];
            off.text = variable(idx).offText;
            assign(idx, off);
        });
        return WriteResult::Changed;
    }
    case Variable::Action::None:
        break;
    }
    return WriteResult::Unchanged;
}

void DeviceState::startRecall(int slot)
{
    qCInfo(lcState) << "recalling preset" << slot << nameOfSlot(slot) << "with configuration"
                    << m_slots[size_t(slot)].configuration;
    assignText(kStatus, QStringLiteral("Load:%1:InProgress").arg(slot));
    assignNumber(kProgress, 0);
    if (m_recallMs == 0) {
        finishRecall(slot);
        return;
    }
    QTimer::singleShot(m_recallMs / 2, this, [this, slot] {
        if (m_recalling == slot)
            assignNumber(kProgress, 50);
    });
    QTimer::singleShot(m_recallMs, this, [this, slot] { finishRecall(slot); });
}

void DeviceState::finishRecall(int slot)
{
    const Slot &s = m_slots[size_t(slot)];
    const QSet<QString> before = m_present;
    setPresent(s.configuration);
    const auto &vars = m_catalogue.variables();
    int changed = 0;
    for (size_t i = 0; i < vars.size(); ++i) {
        if (!vars[i].presetScope)
            continue;
        const bool differs = !(m_values[i] == s.values[i]);
        const bool appeared = !before.contains(vars[i].object) && m_present.contains(vars[i].object);
        m_values[i] = s.values[i];
        if (differs || appeared) {
            ++changed;
            emit valueChanged(int(i));
        }
    }
    assignNumber(kCurrentPreset, slot);
    assignText(kModified, variable(indexOf(kModified)).offText);
    assignNumber(kProgress, 100);
    assignText(kStatus, QStringLiteral("Load:%1:Done").arg(slot));
    m_recalling = 0;
    qCInfo(lcState) << "preset" << slot << "loaded," << changed << "values announced";
}

void DeviceState::storeSlot(int slot)
{
    Slot &s = m_slots[size_t(slot)];
    s.used = true;
    s.configuration = m_configuration;
    s.values = m_values;
    if (nameOfSlot(slot).isEmpty())
        assignText(kNamePrefix + QString::number(slot), QStringLiteral("Preset %1").arg(slot));
    assignNumber(kCurrentPreset, slot);
    assignText(kModified, variable(indexOf(kModified)).offText);
    assignNumber(kChanged, m_values[size_t(indexOf(kChanged))].number + 1);
    updateRecallList();
    qCInfo(lcState) << "stored the running values as preset" << slot << nameOfSlot(slot);
    emit presetStoreChanged();
}

void DeviceState::updateRecallList()
{
    QStringList used;
    for (size_t slot = 1; slot < m_slots.size(); ++slot) {
        if (m_slots[slot].used)
            used << QString::number(slot);
    }
    assignText(kRecallList, used.join(QLatin1Char(',')));
}

bool DeviceState::switchConfiguration(const QString &configuration)
{
    const Configuration *c = m_catalogue.configuration(configuration);
    if (!c)
        return false;
    const QSet<QString> before = m_present;
    setPresent(configuration);
    for (const auto &kv : c->values) {
        Variable copy = variable(indexOf(kv.first));
        copy.initial = kv.second;
        assign(indexOf(kv.first), parseInitial(copy));
    }
    // Objects that came back are announced afresh, as after a recall.
    const auto &vars = m_catalogue.variables();
    for (size_t i = 0; i < vars.size(); ++i) {
        if (vars[i].presetScope && !before.contains(vars[i].object) && m_present.contains(vars[i].object))
            emit valueChanged(int(i));
    }
    assignText(kModified, variable(indexOf(kModified)).onText);
    qCInfo(lcState) << "processing chain switched to" << configuration;
    return true;
}

int DeviceState::currentPreset() const
{
    return int(m_values[size_t(indexOf(kCurrentPreset))].number);
}

void DeviceState::runNodeCommand(const QString &text)
{
    QString json = text;
    json.replace(QLatin1Char('`'), QLatin1Char('"'));
    runCommandJson(json);
}

void DeviceState::runRawCommand(const QString &json)
{
    runCommandJson(json);
}

void DeviceState::runCommandJson(const QString &json)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &parseError);
    if (!doc.isObject()) {
        qCWarning(lcState) << "node command is no JSON object:" << parseError.errorString();
        finishNodeCommand(QStringLiteral("Command"),
                          QJsonObject{{QStringLiteral("id"), QJsonValue()},
                                      {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), -32700},
                                                                            {QStringLiteral("message"), QStringLiteral("Parse error")}}}});
        return;
    }
    const QJsonObject request = doc.object();
    const QString method = request.value(QStringLiteral("method")).toString();
    assignText(kStatus, statusWord(method) + QStringLiteral(":InProgress"));
    if (m_nodeCommands && m_nodeCommands(request))
        return;
    QJsonObject answer{{QStringLiteral("id"), request.value(QStringLiteral("id"))}};
    if (method == QLatin1String("GetInputRouterSourceNames")) {
        const int hw = indexOf(kHardware);
        answer.insert(QStringLiteral("result"), QJsonArray::fromStringList(m_catalogue.sourceNames(display(hw))));
    } else if (method == QLatin1String("Reconfig")) {
        answer.insert(QStringLiteral("error"),
                      QJsonObject{{QStringLiteral("code"), -32000},
                                  {QStringLiteral("message"), QStringLiteral("The processing chain of this model is fixed")}});
    } else {
        answer.insert(QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), -32601},
                                                            {QStringLiteral("message"), QStringLiteral("Method not found")}});
    }
    finishNodeCommand(method, answer);
}

void DeviceState::finishNodeCommand(const QString &method, const QJsonObject &answer)
{
    const QString status = statusWord(method) + (answer.contains(QStringLiteral("error")) ? QStringLiteral(":Failed")
                                                                                       : QStringLiteral(":Done"));
    QString result = QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));
    result.replace(QLatin1Char('"'), QLatin1Char('`'));
    // Every command gets its answer and its end, also when they equal the previous command's.
    if (!assignText(kResult, result))
        emit valueChanged(indexOf(kResult));
    if (!assignText(kStatus, status))
        emit valueChanged(indexOf(kStatus));
    qCInfo(lcState) << "node command" << method << "->" << status;
}

void DeviceState::tick(int count)
{
    const auto &vars = m_catalogue.variables();
    for (int n = 0; n < count; ++n) {
        ++m_ticks;
        for (size_t i = 0; i < vars.size(); ++i) {
            const Variable &v = vars[i];
            if (v.live.type == LiveMotion::Type::None)
                continue;
            bool silent = false;
            if (!v.live.silentKey.isEmpty())
                silent = display(indexOf(v.live.silentKey)) == v.live.silentValue;
            Value next = m_values[i];
            if (v.live.type == LiveMotion::Type::Dynamics) {
                next.number = silent ? qBound(v.min, 0.0, v.max) : dynamicsReading(v);
            } else if (v.live.type == LiveMotion::Type::Above) {
                const int src = indexOf(v.live.source);
                const bool lit = !silent && m_values[size_t(src)].number > v.live.threshold;
                next.text = lit ? v.onText : v.offText;
            } else {
                const double angle = kTwoPi * double(m_ticks) / v.live.period + m_phase[i];
                auto level = [&](double mean, double offset) {
                    const double noise = v.live.noise * (m_random.unit() + m_random.unit() - 1.0);
                    const double x = mean + v.live.swing * std::sin(angle + offset) + noise;
                    return silent ? v.min : roundTo(qBound(v.min, x, v.max), v.format.decimals);
                };
                AnalyserScene scene;
                if (v.kind == Variable::Kind::Spectrum && analyserScene(v, &scene)) {
                    for (int b = 0; b < next.bands.size(); ++b) {
                        const BandLevel band = analyserBandLevel(scene, b, next.bands.size(), v.live.mean);
                        const double noise = v.live.noise * band.motion * (m_random.unit() + m_random.unit() - 1.0);
                        const double x = band.mean + v.live.swing * band.motion * std::sin(angle + 0.7 * b) + noise;
                        next.bands[b] = silent ? v.min : roundTo(qBound(v.min, x, v.max), v.format.decimals);
                    }
                } else if (v.kind == Variable::Kind::Spectrum) {
                    for (int b = 0; b < next.bands.size(); ++b)
                        next.bands[b] = level(v.live.mean - 0.25 * b, 0.7 * b);
                } else {
                    next.number = level(v.live.mean, 0.0);
                }
            }
            assign(int(i), next);
        }
        emit ticked();
    }
}

bool DeviceState::analyserScene(const Variable &v, AnalyserScene *scene) const
{
    if (v.key != kAnalyser)
        return false;
    const int source = indexOf(kAnalyserSource);
    const int gain = indexOf(kAnalyserGain);
    if (source >= 0 && isPresent(source))
        scene->source = display(source);
    if (gain >= 0 && isPresent(gain))
        scene->gainDb = m_values[size_t(gain)].number;
    const int averaging = indexOf(kAnalyserAveraging);
    if (averaging >= 0 && isPresent(averaging))
        scene->averaging = display(averaging);
    const int on = indexOf(kGenerator);
    const int type = indexOf(kGeneratorType);
    const int frequency = indexOf(kGeneratorFrequency);
    const int amplitude = indexOf(kGeneratorAmplitude);
    if (on < 0 || type < 0 || frequency < 0 || amplitude < 0 || !isPresent(on))
        return true; // no generator in this model or preset: the analyser hears the room
    scene->generatorOn = display(on) == variable(on).onText;
    scene->signal = AnalyserScene::signalFromText(display(type));
    scene->sineHz = m_values[size_t(frequency)].number;
    scene->amplitudeDb = m_values[size_t(amplitude)].number;
    return true;
}

double DeviceState::dynamicsReading(const Variable &v) const
{
    const auto numberAt = [this](const QString &key) { return m_values[size_t(indexOf(key))].number; };
    const int sw = indexOf(v.live.enableKey);
    if (!isPresent(sw) || m_values[size_t(sw)].text != variable(sw).onText)
        return qBound(v.min, 0.0, v.max);
    DynamicsSettings settings;
    for (const auto &param : v.live.params)
        setDynamicsRole(&settings, param.first, numberAt(param.second));
    const double change = dynamicsGainChange(v.live.law, settings, numberAt(v.live.source));
    const double reading = roundTo(qBound(v.min, change, v.max), v.format.decimals);
    return reading == 0 ? 0.0 : reading; // no "-0.0dB"
}

QJsonObject DeviceState::valuesJson(const std::vector<Value> &values) const
{
    QJsonObject json;
    const auto &vars = m_catalogue.variables();
    for (size_t i = 0; i < vars.size(); ++i) {
        if (!vars[i].presetScope)
            continue;
        // Texts as the processor writes them, read back like catalogue values.
        if (vars[i].isNumeric())
            json.insert(vars[i].key, QString::number(values[i].number, 'g', 12));
        else
            json.insert(vars[i].key, values[i].text);
    }
    return json;
}

bool DeviceState::readPreset(const QJsonObject &json, Slot *slot, QString *error) const
{
    const auto &vars = m_catalogue.variables();
    const QString configuration = json.value(QStringLiteral("configuration")).toString();
    if (!m_catalogue.configuration(configuration)) {
        *error = QStringLiteral("unknown configuration \"%1\"").arg(configuration.left(64));
        return false;
    }
    slot->used = true;
    slot->configuration = configuration;
    slot->values.resize(vars.size());
    for (size_t i = 0; i < vars.size(); ++i)
        slot->values[i] = parseInitial(vars[i]);
    const QJsonValue valuesValue = json.value(QStringLiteral("values"));
    if (!valuesValue.isObject()) {
        *error = QStringLiteral("no values");
        return false;
    }
    const QJsonObject values = valuesValue.toObject();
    for (auto it = values.begin(); it != values.end(); ++it) {
        const int idx = indexOf(it.key());
        if (idx < 0 || !vars[size_t(idx)].presetScope)
            continue; // the catalogue moved on; its initial value stands
        if (!it.value().isString()) {
            *error = QStringLiteral("%1: not a text").arg(it.key());
            return false;
        }
        Variable copy = vars[size_t(idx)];
        copy.initial = it.value().toString();
        QString why;
        if (!Catalogue::acceptsText(copy, copy.initial, &why)) {
            *error = QStringLiteral("%1: %2").arg(it.key(), why);
            return false;
        }
        slot->values[size_t(idx)] = parseInitial(copy);
    }
    return true;
}

bool DeviceState::slotUsed(int slot) const
{
    return slot >= 1 && slot < int(m_slots.size()) && m_slots[size_t(slot)].used;
}

QJsonObject DeviceState::presetJson(int slot) const
{
    if (!slotUsed(slot))
        return QJsonObject();
    const Slot &s = m_slots[size_t(slot)];
    return QJsonObject{{QStringLiteral("configuration"), s.configuration}, {QStringLiteral("values"), valuesJson(s.values)}};
}

bool DeviceState::normalisePreset(const QJsonObject &preset, QJsonObject *normal, QString *error) const
{
    Slot s;
    if (!readPreset(preset, &s, error))
        return false;
    *normal = QJsonObject{{QStringLiteral("configuration"), s.configuration}, {QStringLiteral("values"), valuesJson(s.values)}};
    return true;
}

bool DeviceState::runningDiffersFrom(int slot) const
{
    const auto &vars = m_catalogue.variables();
    const Slot &s = m_slots[size_t(slot)];
    if (!s.used || s.configuration != m_configuration)
        return true;
    for (size_t i = 0; i < vars.size(); ++i) {
        if (vars[i].presetScope && !(m_values[i] == s.values[i]))
            return true;
    }
    return false;
}

bool DeviceState::importPreset(int slot, const QJsonObject &preset, QString *error)
{
    if (slot < 1 || slot > m_catalogue.presetSlots()) {
        *error = QStringLiteral("no preset slot %1 (1..%2)").arg(slot).arg(m_catalogue.presetSlots());
        return false;
    }
    if (m_recalling) {
        *error = QStringLiteral("a preset is loading");
        return false;
    }
    Slot s;
    if (!readPreset(preset, &s, error))
        return false;
    m_slots[size_t(slot)] = std::move(s);
    if (nameOfSlot(slot).isEmpty())
        assignText(kNamePrefix + QString::number(slot), QStringLiteral("Preset %1").arg(slot));
    if (slot == currentPreset())
        assignText(kModified, runningDiffersFrom(slot) ? variable(indexOf(kModified)).onText : variable(indexOf(kModified)).offText);
    assignNumber(kChanged, m_values[size_t(indexOf(kChanged))].number + 1);
    updateRecallList();
    qCInfo(lcState) << "preset" << slot << nameOfSlot(slot) << "taken from a file";
    emit presetStoreChanged();
    return true;
}

bool DeviceState::clearPreset(int slot, QString *error)
{
    if (slot < 1 || slot > m_catalogue.presetSlots()) {
        *error = QStringLiteral("no preset slot %1 (1..%2)").arg(slot).arg(m_catalogue.presetSlots());
        return false;
    }
    if (m_recalling) {
        *error = QStringLiteral("a preset is loading");
        return false;
    }
    if (!slotUsed(slot))
        return true;
    // The name stays: a file put back (an update is remove, then put) keeps it.
    m_slots[size_t(slot)] = Slot();
    if (slot == currentPreset())
        assignText(kModified, variable(indexOf(kModified)).onText);
    assignNumber(kChanged, m_values[size_t(indexOf(kChanged))].number + 1);
    updateRecallList();
    qCInfo(lcState) << "preset" << slot << "removed";
    emit presetStoreChanged();
    return true;
}

QJsonObject DeviceState::presetStoreJson() const
{
    QJsonArray slotList;
    for (size_t slot = 1; slot < m_slots.size(); ++slot) {
        const Slot &s = m_slots[slot];
        if (!s.used)
            continue;
        slotList.append(QJsonObject{{QStringLiteral("slot"), int(slot)},
                                    {QStringLiteral("name"), nameOfSlot(int(slot))},
                                    {QStringLiteral("configuration"), s.configuration},
                                    {QStringLiteral("values"), valuesJson(s.values)}});
    }
    QJsonObject names;
    for (int slot = 1; slot <= m_catalogue.presetSlots(); ++slot) {
        if (!nameOfSlot(slot).isEmpty() && !m_slots[size_t(slot)].used)
            names.insert(QString::number(slot), nameOfSlot(slot));
    }
    const QJsonObject running{{QStringLiteral("configuration"), m_configuration},
                              {QStringLiteral("modified"), display(indexOf(kModified)) == variable(indexOf(kModified)).onText},
                              {QStringLiteral("values"), valuesJson(m_values)}};
    return QJsonObject{{QStringLiteral("current"), currentPreset()},
                       {QStringLiteral("slots"), slotList},
                       {QStringLiteral("names"), names},
                       {QStringLiteral("running"), running}};
}

bool DeviceState::readStore(const QJsonObject &json, StoreImage *image, QString *error) const
{
    image->stored.assign(m_slots.size(), Slot());
    const QJsonArray list = json.value(QStringLiteral("slots")).toArray();
    for (const QJsonValue &entry : list) {
        const QJsonObject o = entry.toObject();
        const int slot = o.value(QStringLiteral("slot")).toInt(0);
        const QString name = o.value(QStringLiteral("name")).toString();
        if (slot < 1 || slot > m_catalogue.presetSlots() || image->stored[size_t(slot)].used) {
            *error = QStringLiteral("slot %1 is out of range or twice").arg(slot);
            return false;
        }
        QString why;
        if (!Catalogue::acceptsText(variable(indexOf(kNamePrefix + QString::number(slot))), name, &why)) {
            *error = QStringLiteral("slot %1: name %2").arg(slot).arg(why);
            return false;
        }
        if (!readPreset(o, &image->stored[size_t(slot)], &why)) {
            *error = QStringLiteral("slot %1: %2").arg(slot).arg(why);
            return false;
        }
        image->names.insert(slot, name);
    }
    const QJsonObject extra = json.value(QStringLiteral("names")).toObject();
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        const int slot = it.key().toInt();
        QString why;
        if (slot >= 1 && slot <= m_catalogue.presetSlots()
            && Catalogue::acceptsText(variable(indexOf(kNamePrefix + QString::number(slot))), it.value().toString(), &why))
            image->names.insert(slot, it.value().toString());
    }
    image->current = json.value(QStringLiteral("current")).toInt(0);
    if (image->current < 1 || image->current >= int(image->stored.size()) || !image->stored[size_t(image->current)].used) {
        *error = QStringLiteral("the current preset %1 is not stored").arg(image->current);
        return false;
    }
    // Older files hold no running values: the current preset runs as stored.
    const QJsonValue running = json.value(QStringLiteral("running"));
    Slot runningSlot = image->stored[size_t(image->current)];
    if (running.isObject()) {
        QString why;
        if (!readPreset(running.toObject(), &runningSlot, &why)) {
            *error = QStringLiteral("running values: %1").arg(why);
            return false;
        }
        image->modified = running.toObject().value(QStringLiteral("modified")).toBool(false);
    }
    image->runningConfiguration = runningSlot.configuration;
    image->running = std::move(runningSlot.values);
    return true;
}

void DeviceState::applyStore(StoreImage &&image)
{
    const auto &vars = m_catalogue.variables();
    m_slots = std::move(image.stored);
    for (int slot = 1; slot <= m_catalogue.presetSlots(); ++slot)
        assignText(kNamePrefix + QString::number(slot), image.names.value(slot));
    const QSet<QString> before = m_present;
    setPresent(image.runningConfiguration);
    for (size_t i = 0; i < vars.size(); ++i) {
        if (!vars[i].presetScope)
            continue;
        const bool differs = !(m_values[i] == image.running[i]);
        const bool appeared = !before.contains(vars[i].object) && m_present.contains(vars[i].object);
        m_values[i] = image.running[i];
        if (differs || appeared)
            emit valueChanged(int(i));
    }
    assignNumber(kCurrentPreset, image.current);
    const Variable &modified = variable(indexOf(kModified));
    assignText(kModified, image.modified ? modified.onText : modified.offText);
    updateRecallList();
}

bool DeviceState::restorePresetStore(const QJsonObject &json, QString *error)
{
    StoreImage image;
    if (!readStore(json, &image, error))
        return false;
    applyStore(std::move(image));
    return true;
}

bool DeviceState::importSettings(const QJsonObject &json, QString *error)
{
    if (m_recalling) {
        *error = QStringLiteral("a preset is loading");
        return false;
    }
    StoreImage image;
    if (!readStore(json, &image, error))
        return false;
    applyStore(std::move(image));
    assignNumber(kChanged, m_values[size_t(indexOf(kChanged))].number + 1);
    qCInfo(lcState) << "settings taken from a file: running preset" << currentPreset() << m_configuration;
    emit presetStoreChanged();
    return true;
}
} // namespace tarn::offline
