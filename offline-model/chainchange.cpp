// Changing the running processing chain while clients stay connected: the catalogue only grows,
// so every index a client subscribed to or a behaviour holds stays valid, and the configuration
// decides which variables are served.
#include "catalogue.h"
#include "devicestate.h"

#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcChain, "tarn.offline.chain", QtInfoMsg)

namespace tarn::offline {
namespace {
constexpr double kTwoPi = 6.283185307179586;
} // namespace

QVector<int> Catalogue::absorb(const Catalogue &chain, const QString &configuration)
{
    QVector<int> indices;
    indices.reserve(int(chain.m_variables.size()));
    for (const Variable &v : chain.m_variables) {
        if (v.object.isEmpty())
            continue;
        const int idx = m_index.value(v.key, -1);
        if (idx >= 0) {
            m_variables[size_t(idx)] = v;
            indices << idx;
        } else {
            indices << int(m_variables.size());
            m_index.insert(v.key, int(m_variables.size()));
            m_variables.push_back(v);
        }
    }
    const QSet<QString> known(m_objects.begin(), m_objects.end());
    for (const QString &object : chain.m_objects) {
        if (!known.contains(object))
            m_objects << object;
    }
    Configuration next = chain.m_configurations.value(0);
    next.name = configuration;
    next.variables.clear();
    for (const int idx : qAsConst(indices))
        next.variables.insert(m_variables[size_t(idx)].key);
    for (Configuration &c : m_configurations) {
        if (c.name == configuration) {
            c = next;
            return indices;
        }
    }
    m_configurations << next;
    return indices;
}

bool DeviceState::fits(const Variable &v, const Value &value) const
{
    switch (v.kind) {
    case Variable::Kind::Number:
    case Variable::Kind::Meter:
        return value.text.isEmpty() && value.bands.isEmpty() && value.number >= v.min && value.number <= v.max;
    case Variable::Kind::Spectrum:
        return value.bands.size() == v.bands;
    case Variable::Kind::Choice:
    case Variable::Kind::OnOff:
        return v.choices.contains(value.text) || value.text == v.onText || value.text == v.offText;
    case Variable::Kind::Text: {
        QString why;
        return Catalogue::acceptsText(v, value.text, &why);
    }
    }
    return false;
}

void DeviceState::reconfigure(const Catalogue &chain, const QSet<QString> &renewed)
{
    const size_t before = m_values.size();
    // What clients saw before, to push only what appears or changes.
    QHash<int, QString> initialBefore;
    QSet<int> presentBefore;
    for (const Variable &v : chain.variables()) {
        const int idx = indexOf(v.key);
        if (idx < 0)
            continue;
        initialBefore.insert(idx, variable(idx).initial);
        if (isPresent(idx))
            presentBefore.insert(idx);
    }

    const QVector<int> touched = m_catalogue.absorb(chain, m_configuration);
    const size_t count = m_catalogue.variables().size();
    m_values.resize(count);
    m_phase.resize(count);
    for (Slot &slot : m_slots) {
        slot.configuration = m_configuration;
        if (slot.used)
            slot.values.resize(count);
    }

    QSet<int> changed;
    for (const int idx : touched) {
        const Variable &v = variable(idx);
        const bool fresh = size_t(idx) >= before;
        if (fresh && v.live.type != LiveMotion::Type::None)
            m_phase[size_t(idx)] = m_random.unit() * kTwoPi;
        // Attributes and other read-only facts belong to the chain, not to the user.
        const bool structural = v.key.contains(QLatin1String("\\AT\\")) || renewed.contains(v.object)
                             || (!v.writable && v.initial != initialBefore.value(idx));
        if (!fresh && !structural && fits(v, m_values[size_t(idx)]))
            continue;
        const Value initial = parseInitial(v);
        if (fresh || !(m_values[size_t(idx)] == initial))
            changed.insert(idx);
        m_values[size_t(idx)] = initial;
        for (Slot &slot : m_slots) {
            if (slot.used && (fresh || structural || !fits(v, slot.values[size_t(idx)])))
                slot.values[size_t(idx)] = initial;
        }
    }
    buildTree();
    setPresent(m_configuration);

    int pushed = 0;
    for (const int idx : touched) {
        if (isPresent(idx) && (!presentBefore.contains(idx) || changed.contains(idx))) {
            ++pushed;
            emit valueChanged(idx);
        }
    }
    const int modified = indexOf(QStringLiteral("Node\\Settings\\SV\\PresetIsModified"));
    modelSetText(modified, variable(modified).onText);
    qCInfo(lcChain) << "chain replaced:" << m_catalogue.configuration(m_configuration)->objects.size() << "objects,"
                    << touched.size() << "variables served," << pushed << "announced";
    emit chainChanged();
}
} // namespace tarn::offline
