#pragma once

#include <QAbstractListModel>
#include <QPointer>

class WizardBrandListViewModel;

// The series and models of one brand of a WizardBrandListViewModel, series by series in the
// processor's order. Roles: seriesName (for list sections), modelName, entryValue (what
// WizardBrandListViewModel::choose() takes) and isCurrent.
class WizardBrandModelsModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(WizardBrandListViewModel *brandList READ brandList WRITE setBrandList NOTIFY brandListChanged)
    Q_PROPERTY(QString brand READ brand WRITE setBrand NOTIFY brandChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    enum Role { SeriesNameRole = Qt::UserRole + 1, ModelNameRole, EntryValueRole, IsCurrentRole };

    explicit WizardBrandModelsModel(QObject *parent = nullptr);

    WizardBrandListViewModel *brandList() const { return m_brandList; }
    void setBrandList(WizardBrandListViewModel *list);
    QString brand() const { return m_brand; }
    void setBrand(const QString &brand);
    int count() const { return m_rows.size(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void brandListChanged();
    void brandChanged(QString brand);
    void countChanged();

private:
    void rebuild();
    void currentChanged();

    QPointer<WizardBrandListViewModel> m_brandList;
    QString m_brand;
    QList<int> m_rows; // indices into the brand list's entries
};
