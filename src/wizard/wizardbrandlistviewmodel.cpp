#include "wizardbrandlistviewmodel.h"

#include "tarnenumsv.h"
#include "wizardlog.h"

#include <QRegularExpression>

WizardBrandListViewModel::WizardBrandListViewModel(QObject *parent) : QAbstractListModel(parent) {}

QString WizardBrandListViewModel::choiceVariableFor(const QString &state)
{
    static const QRegularExpression speaker(QStringLiteral("^Select(Main|Sub|Monitor)Speaker$"));
    static const QRegularExpression amplifier(QStringLiteral("^(?:Select|Powered)(High|Mid|Low)Amplifier$"));
    QRegularExpressionMatch m = speaker.match(state);
    if (m.hasMatch())
        return QStringLiteral("Node\\SetupWizardCurrentChoices\\SV\\") + m.captured(1) + QStringLiteral("Speaker");
    m = amplifier.match(state);
    if (m.hasMatch())
        return QStringLiteral("Node\\SetupWizardCurrentChoices\\SV\\") + m.captured(1) + QStringLiteral("Amplifier");
    return QString();
}

bool WizardBrandListViewModel::parseEntry(const QString &text, Entry *entry)
{
    if (text.size() > kMaxEntryLength)
        return false;
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() != 3)
        return false;
    for (const QString &part : parts) {
        if (part.trimmed().isEmpty())
            return false;
    }
    *entry = Entry{parts.at(0).trimmed(), parts.at(1).trimmed(), parts.at(2).trimmed(), text};
    return true;
}

void WizardBrandListViewModel::setWizardState(const QString &state)
{
    if (state == m_wizardState)
        return;
    m_wizardState = state;
    emit wizardStateChanged(m_wizardState);
    setSvName(choiceVariableFor(state));
}

void WizardBrandListViewModel::setSvName(const QString &svName)
{
    if (svName == m_svName)
        return;
    m_svName = svName;
    // A fresh control per variable, so that the new variable's value is always announced.
    delete m_control;
    m_control = nullptr;
    beginResetModel();
    m_entries.clear();
    m_brands.clear();
    endResetModel();
    m_currentValue.clear();
    emit svNameChanged(m_svName);
    emit entriesChanged();
    emit currentValueChanged(m_currentValue);
    if (svName.isEmpty())
        return;
    m_control = new TarnEnumSV(this);
    m_control->setEntityName(QStringLiteral("WizardChoice"));
    connect(m_control, &TarnEnumSV::enumsChanged, this, &WizardBrandListViewModel::onEnums);
    connect(m_control, &TarnTextSV::valueChanged, this, &WizardBrandListViewModel::onValue);
    m_control->setPoName(QStringLiteral("NPO"));
    m_control->setSvName(svName);
}

void WizardBrandListViewModel::onEnums()
{
    QList<Entry> entries;
    QStringList brands;
    int refused = 0;
    for (const QString &text : m_control->enums()) {
        Entry entry;
        if (entries.size() >= kMaxEntries || !parseEntry(text, &entry)) {
            ++refused;
            continue;
        }
        entries.append(entry);
        if (!brands.contains(entry.brand))
            brands.append(entry.brand);
    }
    if (refused > 1) // "None" is expected once
        qCWarning(lcWizard) << refused << "choices of" << m_svName << "are no \"Brand|Series|Model\" entries";
    beginResetModel();
    m_entries = entries;
    m_brands = brands;
    endResetModel();
    emit entriesChanged();
}

void WizardBrandListViewModel::onValue(const QString &value)
{
    const QString before = currentBrand();
    m_currentValue = value;
    emit currentValueChanged(m_currentValue);
    const int a = m_brands.indexOf(before);
    const int b = m_brands.indexOf(currentBrand());
    for (const int row : {a, b}) {
        if (row >= 0)
            emit dataChanged(index(row), index(row), {IsCurrentRole});
    }
}

QString WizardBrandListViewModel::currentBrand() const
{
    Entry entry;
    return parseEntry(m_currentValue, &entry) ? entry.brand : QString();
}

int WizardBrandListViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_brands.size();
}

QVariant WizardBrandListViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_brands.size())
        return QVariant();
    const QString &brand = m_brands.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case BrandNameRole:
        return brand;
    case ModelCountRole: {
        int n = 0;
        for (const Entry &e : m_entries)
            n += e.brand == brand ? 1 : 0;
        return n;
    }
    case IsCurrentRole:
        return brand == currentBrand();
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> WizardBrandListViewModel::roleNames() const
{
    return {{BrandNameRole, "brandName"}, {ModelCountRole, "modelCount"}, {IsCurrentRole, "isCurrent"}};
}

QString WizardBrandListViewModel::brandAt(int row) const
{
    return row >= 0 && row < m_brands.size() ? m_brands.at(row) : QString();
}

void WizardBrandListViewModel::choose(const QString &value)
{
    Entry entry;
    if (!m_control || !parseEntry(value, &entry))
        return;
    m_control->setValueWithoutFeedback(value);
}
