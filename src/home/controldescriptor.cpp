#include "controldescriptor.h"

#include "homelog.h"
#include "tarnsettings.h"

#include <QFile>

using tarn::home::DescriptorControl;
using tarn::home::DescriptorVariant;

ControlDescriptor::ControlDescriptor(QObject *parent) : QObject(parent) {}

void ControlDescriptor::setSource(const QString &source)
{
    if (m_source == source)
        return;
    m_source = source;
    emit sourceChanged(m_source);
    reload();
}

void ControlDescriptor::setVariant(const QString &variant)
{
    if (m_variant == variant)
        return;
    m_variant = variant;
    emit variantChanged(m_variant);
    resolve();
}

void ControlDescriptor::setPoOverride(const QString &po)
{
    if (m_poOverride == po)
        return;
    m_poOverride = po;
    emit poOverrideChanged(m_poOverride);
    resolve();
}

void ControlDescriptor::reload()
{
    m_document = tarn::home::DescriptorDocument();
    m_valid = false;
    m_error.clear();
    const QString path = tarn::home::descriptorFilePath(m_source);
    QFile file(path);
    if (m_source.isEmpty()) {
        m_error = QStringLiteral("no source");
    } else if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot open %1").arg(m_source);
    } else if (file.size() > tarn::home::kMaxDescriptorBytes) {
        m_error = QStringLiteral("%1 is larger than %2 bytes").arg(m_source).arg(tarn::home::kMaxDescriptorBytes);
    } else {
        QString why;
        m_valid = tarn::home::parseControlDescriptor(file.read(tarn::home::kMaxDescriptorBytes + 1), &m_document, &why);
        if (!m_valid)
            m_error = QStringLiteral("%1: %2").arg(m_source, why);
    }
    if (!m_valid && !m_source.isEmpty())
        qCWarning(lcHome).noquote() << "control descriptor not read:" << m_error;
    resolve();
}

void ControlDescriptor::resolve()
{
    m_controls.clear();
    m_currentVariant.clear();
    m_variantLabel.clear();
    m_poName = m_document.po;

    const QList<DescriptorVariant> &variants = m_document.variants;
    if (m_valid && !variants.isEmpty()) {
        // The explicit choice first, then the setting the home screen wrote, then the default.
        // A name matches whole and in any case, or by the processing object it stands for.
        const auto find = [&variants](const QString &wanted) -> const DescriptorVariant * {
            if (wanted.isEmpty())
                return nullptr;
            for (const DescriptorVariant &v : variants) {
                if (v.name.compare(wanted, Qt::CaseInsensitive) == 0 || v.po == wanted)
                    return &v;
            }
            return nullptr;
        };
        const DescriptorVariant *chosen = find(m_variant);
        if (!chosen && m_variant.isEmpty() && !m_document.variantSetting.isEmpty())
            chosen = find(TarnSettings::text(m_document.variantSetting));
        if (!chosen)
            chosen = find(m_document.defaultVariant);
        if (!chosen)
            chosen = &variants.first();
        m_currentVariant = chosen->name;
        m_variantLabel = chosen->label;
        m_poName = chosen->po;
    }
    if (!m_poOverride.isEmpty())
        m_poName = m_poOverride;

    if (m_valid) {
        for (const DescriptorControl &c : qAsConst(m_document.controls)) {
            if (!c.variants.isEmpty() && !c.variants.contains(m_currentVariant))
                continue;
            m_controls.append(toMap(c, c.po.isEmpty() ? m_poName : c.po,
                                    c.rangeClass.isEmpty() ? m_document.rangeClass : c.rangeClass));
        }
    }
    emit loaded();
}

QVariantMap ControlDescriptor::toMap(const DescriptorControl &c, const QString &po, const QString &rangeClass)
{
    QVariantMap map;
    map.insert(QStringLiteral("kind"), c.kind);
    map.insert(QStringLiteral("po"), po);
    map.insert(QStringLiteral("sv"), c.sv);
    map.insert(QStringLiteral("label"), c.label);
    map.insert(QStringLiteral("unit"), c.unit);
    map.insert(QStringLiteral("group"), c.group);
    map.insert(QStringLiteral("role"), c.role);
    map.insert(QStringLiteral("rangeClass"), rangeClass);
    map.insert(QStringLiteral("nudgeClass"), c.nudgeClass.isEmpty() ? c.sv : c.nudgeClass);
    map.insert(QStringLiteral("slider"), c.slider);
    map.insert(QStringLiteral("ratioSlider"), c.ratioSlider);
    if (c.hasMin)
        map.insert(QStringLiteral("min"), c.min);
    if (c.hasMax)
        map.insert(QStringLiteral("max"), c.max);
    if (!c.boundaries.isEmpty()) {
        QVariantList boundaries;
        QVariantList lengths;
        for (double b : c.boundaries)
            boundaries.append(b);
        for (double l : c.lengths)
            lengths.append(l);
        map.insert(QStringLiteral("scale"), boundaries);
        map.insert(QStringLiteral("lengths"), lengths);
    }
    if (c.hasSignalThreshold)
        map.insert(QStringLiteral("signalThreshold"), c.signalThreshold);
    if (c.bands > 0) {
        map.insert(QStringLiteral("bands"), c.bands);
        map.insert(QStringLiteral("bandLabels"), c.bandLabels);
    }
    return map;
}

QStringList ControlDescriptor::variants() const
{
    QStringList names;
    for (const DescriptorVariant &v : m_document.variants)
        names.append(v.name);
    return names;
}

QStringList ControlDescriptor::groups() const
{
    QStringList names;
    for (const QVariant &c : m_controls) {
        const QString group = c.toMap().value(QStringLiteral("group")).toString();
        if (!group.isEmpty() && !names.contains(group))
            names.append(group);
    }
    return names;
}

QVariantMap ControlDescriptor::control(const QString &sv, const QString &po) const
{
    for (const QVariant &c : m_controls) {
        const QVariantMap map = c.toMap();
        if (map.value(QStringLiteral("sv")).toString() == sv
            && (po.isEmpty() || map.value(QStringLiteral("po")).toString() == po))
            return map;
    }
    return QVariantMap();
}

QVariantMap ControlDescriptor::controlWithRole(const QString &role) const
{
    for (const QVariant &c : m_controls) {
        const QVariantMap map = c.toMap();
        if (map.value(QStringLiteral("role")).toString() == role)
            return map;
    }
    return QVariantMap();
}

QVariantList ControlDescriptor::controlsOfKind(const QString &kind) const
{
    QVariantList found;
    for (const QVariant &c : m_controls) {
        if (c.toMap().value(QStringLiteral("kind")).toString() == kind)
            found.append(c);
    }
    return found;
}

QVariantList ControlDescriptor::controlsInGroup(const QString &group) const
{
    QVariantList found;
    for (const QVariant &c : m_controls) {
        if (c.toMap().value(QStringLiteral("group")).toString() == group)
            found.append(c);
    }
    return found;
}
