#include "wizardbrandmodelsmodel.h"

#include "wizardbrandlistviewmodel.h"

WizardBrandModelsModel::WizardBrandModelsModel(QObject *parent) : QAbstractListModel(parent) {}

void WizardBrandModelsModel::setBrandList(WizardBrandListViewModel *list)
{
    if (list == m_brandList)
        return;
    if (m_brandList)
        disconnect(m_brandList, nullptr, this, nullptr);
    m_brandList = list;
    if (m_brandList) {
        connect(m_brandList, &WizardBrandListViewModel::entriesChanged, this, &WizardBrandModelsModel::rebuild);
        connect(m_brandList, &WizardBrandListViewModel::currentValueChanged, this, &WizardBrandModelsModel::currentChanged);
    }
    emit brandListChanged();
    rebuild();
}

void WizardBrandModelsModel::setBrand(const QString &brand)
{
    if (brand == m_brand)
        return;
    m_brand = brand;
    emit brandChanged(m_brand);
    rebuild();
}

void WizardBrandModelsModel::rebuild()
{
    const int before = m_rows.size();
    beginResetModel();
    m_rows.clear();
    if (m_brandList) {
        // Grouped by series in the order each series first appears, so list sections stay whole.
        const auto &entries = m_brandList->entries();
        QStringList series;
        for (const auto &e : entries) {
            if (e.brand == m_brand && !series.contains(e.series))
                series.append(e.series);
        }
        for (const QString &s : qAsConst(series)) {
            for (int i = 0; i < entries.size(); ++i) {
                if (entries.at(i).brand == m_brand && entries.at(i).series == s)
                    m_rows.append(i);
            }
        }
    }
    endResetModel();
    if (before != m_rows.size())
        emit countChanged();
}

void WizardBrandModelsModel::currentChanged()
{
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(m_rows.size() - 1), {IsCurrentRole});
}

int WizardBrandModelsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant WizardBrandModelsModel::data(const QModelIndex &index, int role) const
{
    if (!m_brandList || !index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return QVariant();
    const int at = m_rows.at(index.row());
    const auto &entries = m_brandList->entries();
    if (at >= entries.size())
        return QVariant();
    const auto &e = entries.at(at);
    switch (role) {
    case SeriesNameRole:
        return e.series;
    case Qt::DisplayRole:
    case ModelNameRole:
        return e.model;
    case EntryValueRole:
        return e.value;
    case IsCurrentRole:
        return e.value == m_brandList->currentValue();
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> WizardBrandModelsModel::roleNames() const
{
    return {{SeriesNameRole, "seriesName"}, {ModelNameRole, "modelName"}, {EntryValueRole, "entryValue"},
            {IsCurrentRole, "isCurrent"}};
}
