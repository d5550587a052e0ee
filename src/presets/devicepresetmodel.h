#pragma once

#include "presetinfo.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>

class PresetProvider;

// The presets stored in the processor, for the presets screen: one row per stored preset
// (its name and slot), at most kMaxRows, built from the processor's list and names. The screen's
// actions go to a PresetProvider that the model owns; every failure comes back as error().
class DevicePresetModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The processor's preset slots, numbered from 1.
    Q_PROPERTY(int slotCount READ slotCount CONSTANT)
    // Grows at every change of rows or names: bindings that call nameOf() name it to follow.
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)
public:
    enum Roles { ModelPresetName = Qt::UserRole + 1, ModelPresetId };
    static constexpr int kMaxRows = 100;

    explicit DevicePresetModel(QObject *parent = nullptr);
    ~DevicePresetModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int count() const { return m_presets.size(); }
    int slotCount() const;
    int revision() const { return m_revision; }

    PresetProvider *provider() const { return m_provider; }

    Q_INVOKABLE void presetFetch(QString id);
    Q_INVOKABLE void store(QString id, QString name);
    Q_INVOKABLE void recall(QString id, QString name);
    Q_INVOKABLE void rename(QString id, QString name);
    Q_INVOKABLE void transfer(QString id, QString presetName, QByteArray presetConfig);
    Q_INVOKABLE void deletePreset(QString id, QString name);
    // The name of a slot's preset, "" when the slot is empty or its name is not known yet.
    Q_INVOKABLE QString nameOf(int id) const;
    // The lowest slot that holds no preset, 0 when all are taken.
    Q_INVOKABLE int freeSlot() const;
    // Whether a name is one the processor takes.
    Q_INVOKABLE bool isValidName(const QString &name) const;

signals:
    void presetAvailable(QByteArray presetData);
    void busy(bool state, QString msg);
    void error(QString errorString);
    void actionFinished();
    void transferProgress(qint64 done, qint64 total);
    void countChanged();
    void revisionChanged();

public slots:
    void refreshModel();
    void addPreset(PresetInfo &PresetInfo);
    void onpresetNameChanged(QString name, int index);

private:
    void onPresetListChanged(const QList<int> &ids);
    int rowOf(int id) const;
    // The slot number of a text from the screen, or 0 with the failure told.
    int slotOf(const QString &id);

    PresetProvider *m_provider;
    QList<PresetInfo> m_presets;
    // Names as last reported per slot, also for slots not (yet) in the list.
    QHash<int, QString> m_names;
    int m_revision = 0;
};
