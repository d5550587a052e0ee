#include "brandlistmodel.h"

BrandListModel::BrandListModel(QObject *parent)
    : QStringListModel(parent)
{
}

QHash<int, QByteArray> BrandListModel::roleNames() const
{
    return {{Qt::DisplayRole, "modelData"}};
}

void BrandListModel::onBrandList(QStringList brandList)
{
    if (brandList == stringList())
        return;
    setStringList(brandList);
    emit countChanged();
}
