#include "devicepresetmodel.h"

#include "presetnames.h"
#include "presetprovider.h"
#include "presetslog.h"

DevicePresetModel::DevicePresetModel(QObject *parent) : QAbstractListModel(parent), m_provider(new PresetProvider(this))
{
    connect(m_provider, &PresetProvider::presetAvailable, this, &DevicePresetModel::presetAvailable);
    connect(m_provider, &PresetProvider::busy, this, &DevicePresetModel::busy);
    connect(m_provider, &PresetProvider::error, this, &DevicePresetModel::error);
    connect(m_provider, &PresetProvider::actionFinished, this, &DevicePresetModel::actionFinished);
    connect(m_provider, &PresetProvider::transferProgress, this, &DevicePresetModel::transferProgress);
    connect(m_provider, &PresetProvider::presetInfoAvailable, this, &DevicePresetModel::addPreset);
    connect(m_provider, &PresetProvider::presetNameChanged, this, &DevicePresetModel::onpresetNameChanged);
    connect(m_provider, &PresetProvider::presetListChanged, this, &DevicePresetModel::onPresetListChanged);
    connect(this, &QAbstractItemModel::rowsInserted, this, &DevicePresetModel::countChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &DevicePresetModel::countChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &DevicePresetModel::countChanged);
    auto bump = [this]() {
        ++m_revision;
        emit revisionChanged();
    };
    connect(this, &QAbstractItemModel::modelReset, this, bump);
    connect(this, &QAbstractItemModel::rowsInserted, this, bump);
    connect(this, &QAbstractItemModel::dataChanged, this, bump);
}

DevicePresetModel::~DevicePresetModel() = default;

int DevicePresetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_presets.size();
}

QVariant DevicePresetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_presets.size())
        return QVariant();
    const PresetInfo &info = m_presets.at(index.row());
    if (role == ModelPresetName)
        return info.name;
    if (role == ModelPresetId)
        return info.id;
    return QVariant();
}

QHash<int, QByteArray> DevicePresetModel::roleNames() const
{
    return {{ModelPresetName, "presetName"}, {ModelPresetId, "presetId"}};
}

int DevicePresetModel::slotCount() const
{
    return tarn::presets::kDevicePresetSlots;
}

int DevicePresetModel::rowOf(int id) const
{
    for (int row = 0; row < m_presets.size(); ++row) {
        if (m_presets.at(row).id == id)
            return row;
    }
    return -1;
}

void DevicePresetModel::refreshModel()
{
    qCInfo(lcPresets) << "Refreshing device preset model";
    beginResetModel();
    m_presets.clear();
    endResetModel();
    m_provider->requestPresetList();
}

void DevicePresetModel::addPreset(PresetInfo &info)
{
    m_names.insert(info.id, info.name);
    // The echo of our own rename names a row that is there already.
    const int row = rowOf(info.id);
    if (row >= 0) {
        onpresetNameChanged(info.name, info.id);
        return;
    }
    if (m_presets.size() >= kMaxRows)
        return;
    int at = 0;
    while (at < m_presets.size() && m_presets.at(at).id < info.id)
        ++at;
    beginInsertRows(QModelIndex(), at, at);
    m_presets.insert(at, info);
    endInsertRows();
}

void DevicePresetModel::onpresetNameChanged(QString name, int index)
{
    m_names.insert(index, name);
    const int row = rowOf(index);
    if (row < 0)
        return;
    PresetInfo &info = m_presets[row];
    const bool changed = info.name != name;
    info.name = name;
    info.id = index;
    if (changed)
        emit dataChanged(this->index(row), this->index(row), {ModelPresetName});
}

void DevicePresetModel::onPresetListChanged(const QList<int> &ids)
{
    QList<int> sorted = ids.mid(0, kMaxRows);
    std::sort(sorted.begin(), sorted.end());
    QList<PresetInfo> rows;
    for (const int id : qAsConst(sorted))
        rows << PresetInfo{m_names.value(id), id};
    beginResetModel();
    m_presets = rows;
    endResetModel();
}

int DevicePresetModel::slotOf(const QString &id)
{
    const int n = tarn::presets::slotNumber(id);
    if (n == 0)
        emit error(QStringLiteral("\"%1\" is no preset slot of the processor.").arg(id.left(16)));
    return n;
}

void DevicePresetModel::presetFetch(QString id)
{
    if (const int n = slotOf(id))
        m_provider->presetFetch(n);
}

void DevicePresetModel::store(QString id, QString name)
{
    if (const int n = slotOf(id))
        m_provider->store(n, name);
}

void DevicePresetModel::recall(QString id, QString name)
{
    if (const int n = slotOf(id))
        m_provider->recall(n, name);
}

void DevicePresetModel::rename(QString id, QString name)
{
    const int n = slotOf(id);
    if (n == 0)
        return;
    if (!m_provider->hasPreset(n)) {
        emit error(QStringLiteral("The processor holds no preset in slot %1.").arg(n));
        return;
    }
    m_provider->rename(n, name);
}

void DevicePresetModel::transfer(QString id, QString presetName, QByteArray presetConfig)
{
    if (const int n = slotOf(id))
        m_provider->transfer(n, presetName, presetConfig);
}

void DevicePresetModel::deletePreset(QString id, QString name)
{
    // The processor's presets are not deleted from here.
    Q_UNUSED(id);
    Q_UNUSED(name);
}

QString DevicePresetModel::nameOf(int id) const
{
    return m_provider->hasPreset(id) ? m_names.value(id) : QString();
}

int DevicePresetModel::freeSlot() const
{
    for (int id = 1; id <= tarn::presets::kDevicePresetSlots; ++id) {
        if (!m_provider->hasPreset(id))
            return id;
    }
    return 0;
}

bool DevicePresetModel::isValidName(const QString &name) const
{
    return tarn::presets::isValidDeviceName(name);
}
