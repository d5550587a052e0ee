#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

class TarnEnumSV;

// The speakers or amplifiers the processor offers for one choice of the setup wizard, by brand.
// The processor lists them as the choices of the wizard's choice variable
// ("Node\SetupWizardCurrentChoices\SV\MainSpeaker" and its siblings), one entry per model written
// "Brand|Series|Model"; choose() writes the chosen entry back. Entries of another form (the
// processor's "None") are no models and are left out. Rows are brands in the processor's order
// with roles brandName, modelCount and isCurrent (the brand of the processor's current choice).
class WizardBrandListViewModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(QString wizardState READ wizardState WRITE setWizardState NOTIFY wizardStateChanged)
    Q_PROPERTY(QString svName READ svName WRITE setSvName NOTIFY svNameChanged)
    Q_PROPERTY(QString currentValue READ currentValue NOTIFY currentValueChanged)
    Q_PROPERTY(QString currentBrand READ currentBrand NOTIFY currentValueChanged)
    Q_PROPERTY(int count READ count NOTIFY entriesChanged)
public:
    struct Entry {
        QString brand;
        QString series;
        QString model;
        QString value; // the text written to the processor
    };
    enum Role { BrandNameRole = Qt::UserRole + 1, ModelCountRole, IsCurrentRole };
    static constexpr int kMaxEntryLength = 256;
    static constexpr int kMaxEntries = 4096;

    explicit WizardBrandListViewModel(QObject *parent = nullptr);

    // The choice variable a nested-list wizard state writes to; empty for other states.
    static QString choiceVariableFor(const QString &state);
    // Splits "Brand|Series|Model"; false for any other form or an over-long text.
    static bool parseEntry(const QString &text, Entry *entry);

    QString wizardState() const { return m_wizardState; }
    void setWizardState(const QString &state);
    QString svName() const { return m_svName; }
    void setSvName(const QString &svName);
    QString currentValue() const { return m_currentValue; }
    QString currentBrand() const;
    int count() const { return m_brands.size(); }
    const QList<Entry> &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE QString brandAt(int row) const;
    Q_INVOKABLE void choose(const QString &value);

signals:
    void wizardStateChanged(QString state);
    void svNameChanged(QString svName);
    void currentValueChanged(QString value);
    void entriesChanged();

private:
    void onEnums();
    void onValue(const QString &value);

    QString m_wizardState;
    QString m_svName;
    QString m_currentValue;
    QList<Entry> m_entries;
    QStringList m_brands;
    TarnEnumSV *m_control = nullptr;
};
