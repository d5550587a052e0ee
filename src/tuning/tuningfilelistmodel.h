#pragma once

#include "fileinfo.h"

#include <QAbstractListModel>
#include <QThread>
#include <QTimer>

#include <memory>

class TuningFileManager;

// The tuning screen's view of the library: one row per brand and series, with the group's
// state on the processor and the action chosen for it. Owns the TuningFileManager on a thread
// of its own and talks to it only through queued signals.
class TuningFileListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(QString brandFilter READ brandFilter NOTIFY brandFilterChanged)
    Q_PROPERTY(bool enableApplyCancel READ enableApplyCancel WRITE setEnableApplyCancel NOTIFY enableApplyCancelChanged)
    // A command is running in the library (initialise, apply, cloud update, reset).
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // The states shown come from the processor's folders (false before it answered).
    Q_PROPERTY(bool processorStateKnown READ processorStateKnown NOTIFY processorStateKnownChanged)
    Q_PROPERTY(bool validationMode READ validationMode WRITE setValidationMode NOTIFY validationModeChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    enum FileInfoRoles {
        TypeRole = Qt::UserRole + 1,
        BrandSeriesRole,
        StateRole,
        ActionRole,
        UpdateRole,
        AddRemoveRole,
        FilterRole,
    };
    Q_ENUM(FileInfoRoles)

    // After apply, cloud update or reset the list is read again this much later.
    static constexpr int ReinitialiseDelayMs = 100;

    explicit TuningFileListModel(QObject *parent = nullptr);
    ~TuningFileListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    QString brandFilter() const { return m_brandFilter; }
    bool enableApplyCancel() const { return m_enableApplyCancel; }
    void setEnableApplyCancel(bool enable);
    bool busy() const { return m_busy; }
    bool processorStateKnown() const { return m_processorStateKnown; }
    bool validationMode() const { return m_validationMode; }
    void setValidationMode(bool validationMode);
    int count() const { return m_rows.size(); }

    Q_INVOKABLE void initializeModel(bool full);
    Q_INVOKABLE void initializeModel();
    Q_INVOKABLE void filterBy(QString brand);
    Q_INVOKABLE void applyChanges();
    Q_INVOKABLE void discardChanges();
    Q_INVOKABLE void updateFromCloud();
    Q_INVOKABLE void resetTunings();
    Q_INVOKABLE void parseAndSetEnableApplyCancel();
    // Sets the action of one row, as setData with ActionRole does.
    Q_INVOKABLE bool setAction(int row, const QString &action);

signals:
    void brandFilterChanged();
    void enableApplyCancelChanged(bool enable);
    void busyChanged();
    void processorStateKnownChanged();
    void validationModeChanged(bool validationMode);
    void countChanged();
    void progressMessage(QString message);
    void error(QString errorString);
    void signalInitialize(QString ip, bool full);
    void initialized(bool success);
    void brandList(QStringList brandList);
    void signalApplyChanges(BrandSeriesMap mapBrandSeriesToFileInfoList);
    void signalDiscardChanges();
    void signalUpdateFromCloud();
    void signalResetTunings();
    void signalValidationMode(bool validationMode);
    void changesApplied();
    void updatedFromCloud();
    void tuningsReset();

public slots:
    void onFileInfoList(FileInfoList fileInfoList);
    void onMapBrandSeriesToFileInfoList(BrandSeriesMap mapBrandSeriesToFileInfoList);
    void onChangesApplied();
    void onUpdatedFromCloud();
    void onTuningsReset();
    void reInitialize(bool full);
    void reInitialize();
    void onResetModel();
    void onProcessorStateKnown(bool known);

private:
    struct Row
    {
        BrandSeries group;
        QString state;
        bool passes = true;
    };
    void markBusy();
    void onManagerBusy(bool busy);
    bool passes(const BrandSeries &group) const;

    QThread m_thread;
    TuningFileManager *m_manager = nullptr;
    BrandSeriesMap m_map;
    QVector<Row> m_rows;
    QString m_brandFilter;
    bool m_enableApplyCancel = false;
    bool m_busy = false;
    bool m_processorStateKnown = false;
    bool m_validationMode = false;
    bool m_reinitialiseWhenIdle = false;
    QTimer m_reinitialise;
};
