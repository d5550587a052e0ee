#pragma once

#include <QStringListModel>

// The brands of the tuning library for the screen's filter, "Show All" first.
class BrandListModel : public QStringListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    explicit BrandListModel(QObject *parent = nullptr);
    int count() const { return rowCount(); }
    // One role, named as list views and combo boxes name the entry of a plain list.
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

public slots:
    void onBrandList(QStringList brandList);
};
