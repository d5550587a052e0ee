#include "tuningfilelistmodel.h"

#include "settingskeys.h"
#include "tarnsettings.h"
#include "tuningfile.h"
#include "tuningfilemanager.h"
#include "tuninglog.h"

using namespace tarn::tuning;

namespace {
bool isAction(const QString &action)
{
    for (const char *known : {ActionNoChange, ActionWillAdd, ActionWillRemove, ActionWillUpdate}) {
        if (action == QLatin1String(known))
            return true;
    }
    return false;
}
} // namespace

TuningFileListModel::TuningFileListModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_brandFilter(QString::fromLatin1(ShowAll))
{
    registerTuningTypes();
    m_reinitialise.setSingleShot(true);
    m_reinitialise.setInterval(ReinitialiseDelayMs);
    connect(&m_reinitialise, &QTimer::timeout, this, &TuningFileListModel::onResetModel);

    m_thread.setObjectName(QStringLiteral("TuningManager"));
    m_manager = new TuningFileManager;
    m_manager->moveToThread(&m_thread);
    connect(&m_thread, &QThread::started, m_manager, &TuningFileManager::onThreadStarted);
    connect(&m_thread, &QThread::finished, m_manager, &TuningFileManager::onThreadFinished, Qt::DirectConnection);
    connect(&m_thread, &QThread::finished, m_manager, &QObject::deleteLater);

    const auto queued = Qt::QueuedConnection;
    connect(this, &TuningFileListModel::signalInitialize, m_manager,
            QOverload<QString, bool>::of(&TuningFileManager::initialize), queued);
    connect(this, &TuningFileListModel::signalApplyChanges, m_manager, &TuningFileManager::onSignalApplyChanges, queued);
    connect(this, &TuningFileListModel::signalUpdateFromCloud, m_manager, &TuningFileManager::onSignalUpdateFromCloud,
            queued);
    connect(this, &TuningFileListModel::signalResetTunings, m_manager, &TuningFileManager::onSignalResetTunings, queued);
    connect(this, &TuningFileListModel::signalValidationMode, m_manager, &TuningFileManager::setValidationMode, queued);

    connect(m_manager, &TuningFileManager::progressMessage, this, &TuningFileListModel::progressMessage, queued);
    connect(m_manager, &TuningFileManager::error, this, &TuningFileListModel::error, queued);
    connect(m_manager, &TuningFileManager::brandList, this, &TuningFileListModel::brandList, queued);
    connect(m_manager, &TuningFileManager::initialized, this, &TuningFileListModel::initialized, queued);
    connect(m_manager, &TuningFileManager::fileInfoList, this, &TuningFileListModel::onFileInfoList, queued);
    connect(m_manager, &TuningFileManager::mapBrandSeriesToFileInfoList, this,
            &TuningFileListModel::onMapBrandSeriesToFileInfoList, queued);
    connect(m_manager, &TuningFileManager::changesApplied, this, &TuningFileListModel::onChangesApplied, queued);
    connect(m_manager, &TuningFileManager::updatedFromCloud, this, &TuningFileListModel::onUpdatedFromCloud, queued);
    connect(m_manager, &TuningFileManager::tuningsReset, this, &TuningFileListModel::onTuningsReset, queued);
    connect(m_manager, &TuningFileManager::busyChanged, this, &TuningFileListModel::onManagerBusy, queued);
    connect(m_manager, &TuningFileManager::processorStateKnown, this, &TuningFileListModel::onProcessorStateKnown,
            queued);
    m_thread.start();
}

TuningFileListModel::~TuningFileListModel()
{
    // The manager stops its workers and deletes itself as its thread ends.
    m_thread.quit();
    m_thread.wait();
    m_manager = nullptr;
}

int TuningFileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QHash<int, QByteArray> TuningFileListModel::roleNames() const
{
    return {{TypeRole, "typeRole"},     {BrandSeriesRole, "brandSeriesRole"}, {StateRole, "stateRole"},
            {ActionRole, "actionRole"}, {UpdateRole, "updateRole"},           {AddRemoveRole, "addRemoveRole"},
            {FilterRole, "filterRole"}};
}

Qt::ItemFlags TuningFileListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsEditable : Qt::NoItemFlags;
}

QVariant TuningFileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const Row &row = m_rows.at(index.row());
    const FileInfoList files = m_map.value(row.group);
    switch (role) {
    case Qt::DisplayRole:
    case BrandSeriesRole:
        return row.group.first + QStringLiteral(" / ") + row.group.second;
    case TypeRole: {
        QStringList types;
        for (const FileInfo &file : files) {
            if (!types.contains(file.type))
                types.append(file.type);
        }
        return types.join(QLatin1Char('/'));
    }
    case StateRole:
        return row.state;
    case ActionRole:
        return files.isEmpty() ? QString::fromLatin1(ActionNoChange) : files.first().action;
    case UpdateRole:
        return row.state == QLatin1String(StateHasUpdate) ? QStringLiteral("Update") : QString();
    case AddRemoveRole:
        return row.state == QLatin1String(StateNotLoaded) ? QStringLiteral("Add") : QStringLiteral("Remove");
    case FilterRole:
        return row.passes;
    default:
        return QVariant();
    }
}

bool TuningFileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != ActionRole || !index.isValid() || index.row() >= m_rows.size())
        return false;
    const QString action = value.toString();
    if (!isAction(action)) {
        qCWarning(lcTuning) << "Refusing the action" << action;
        return false;
    }
    const Row &row = m_rows.at(index.row());
    FileInfoList &files = m_map[row.group];
    if (action != QLatin1String(ActionNoChange)) {
        // Nothing is chosen against a processor whose files are not known, and nothing is
        // removed or updated that the processor does not hold.
        bool onProcessor = false;
        bool updatable = false;
        for (const FileInfo &file : qAsConst(files)) {
            onProcessor = onProcessor || file.state != QLatin1String(StateNotLoaded);
            updatable = updatable || file.state == QLatin1String(StateHasUpdate);
        }
        const bool refused = !m_processorStateKnown
            || (action == QLatin1String(ActionWillRemove) && !onProcessor)
            || (action == QLatin1String(ActionWillUpdate) && !updatable);
        if (refused) {
            qCWarning(lcTuning) << "Refusing" << action << "for" << row.group;
            return false;
        }
    }
    for (FileInfo &file : files)
        file.action = action;
    emit dataChanged(index, index, {ActionRole});
    parseAndSetEnableApplyCancel();
    return true;
}

bool TuningFileListModel::setAction(int row, const QString &action)
{
    return setData(this->index(row), action, ActionRole);
}

void TuningFileListModel::setEnableApplyCancel(bool enable)
{
    if (m_enableApplyCancel == enable)
        return;
    m_enableApplyCancel = enable;
    emit enableApplyCancelChanged(enable);
}

void TuningFileListModel::parseAndSetEnableApplyCancel()
{
    bool changed = false;
    for (auto it = m_map.cbegin(); it != m_map.cend() && !changed; ++it) {
        for (const FileInfo &file : it.value()) {
            if (file.action != QLatin1String(ActionNoChange)) {
                changed = true;
                break;
            }
        }
    }
    setEnableApplyCancel(changed);
}

void TuningFileListModel::setValidationMode(bool validationMode)
{
    if (m_validationMode == validationMode)
        return;
    m_validationMode = validationMode;
    emit signalValidationMode(validationMode);
    emit validationModeChanged(validationMode);
}

bool TuningFileListModel::passes(const BrandSeries &group) const
{
    return m_brandFilter == QLatin1String(ShowAll) || group.first == m_brandFilter;
}

void TuningFileListModel::markBusy()
{
    // Busy from the request on, not only once the manager has taken it.
    if (!m_busy) {
        m_busy = true;
        emit busyChanged();
    }
}

void TuningFileListModel::initializeModel(bool full)
{
    const QString address = TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentDeviceAddress));
    markBusy();
    emit signalInitialize(address, full);
}

void TuningFileListModel::initializeModel()
{
    initializeModel(true);
}

void TuningFileListModel::reInitialize(bool full)
{
    initializeModel(full);
}

void TuningFileListModel::reInitialize()
{
    initializeModel(true);
}

void TuningFileListModel::onResetModel()
{
    reInitialize(true);
}

void TuningFileListModel::filterBy(QString brand)
{
    if (brand.isEmpty())
        brand = QString::fromLatin1(ShowAll);
    if (brand != m_brandFilter) {
        m_brandFilter = brand;
        emit brandFilterChanged();
    }
    for (Row &row : m_rows)
        row.passes = passes(row.group);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(m_rows.size() - 1), {FilterRole});
}

void TuningFileListModel::applyChanges()
{
    if (!m_enableApplyCancel)
        return;
    m_reinitialiseWhenIdle = true;
    markBusy();
    emit signalApplyChanges(m_map);
}

void TuningFileListModel::discardChanges()
{
    for (auto it = m_map.begin(); it != m_map.end(); ++it) {
        for (FileInfo &file : it.value())
            file.action = QString::fromLatin1(ActionNoChange);
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(m_rows.size() - 1), {ActionRole});
    setEnableApplyCancel(false);
    emit signalDiscardChanges();
}

void TuningFileListModel::updateFromCloud()
{
    m_reinitialiseWhenIdle = true;
    markBusy();
    emit signalUpdateFromCloud();
}

void TuningFileListModel::resetTunings()
{
    m_reinitialiseWhenIdle = true;
    markBusy();
    emit signalResetTunings();
}

void TuningFileListModel::onFileInfoList(FileInfoList fileInfoList)
{
    qCDebug(lcTuning) << fileInfoList.size() << "tuning files listed";
}

void TuningFileListModel::onMapBrandSeriesToFileInfoList(BrandSeriesMap mapBrandSeriesToFileInfoList)
{
    beginResetModel();
    m_map = std::move(mapBrandSeriesToFileInfoList);
    m_rows.clear();
    m_rows.reserve(m_map.size());
    bool filterFound = m_brandFilter == QLatin1String(ShowAll);
    for (auto it = m_map.cbegin(); it != m_map.cend(); ++it) {
        m_rows.append({it.key(), groupState(it.value()), true});
        filterFound = filterFound || it.key().first == m_brandFilter;
    }
    if (!filterFound) {
        m_brandFilter = QString::fromLatin1(ShowAll);
        emit brandFilterChanged();
    }
    for (Row &row : m_rows)
        row.passes = passes(row.group);
    endResetModel();
    emit countChanged();
    parseAndSetEnableApplyCancel();
}

void TuningFileListModel::onChangesApplied()
{
    emit changesApplied();
}

void TuningFileListModel::onUpdatedFromCloud()
{
    emit updatedFromCloud();
}

void TuningFileListModel::onTuningsReset()
{
    emit tuningsReset();
}

void TuningFileListModel::onManagerBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit busyChanged();
    // Whatever an apply, cloud update or reset did, also when it failed half way, the list
    // is read again from the library and the processor.
    if (!busy && m_reinitialiseWhenIdle) {
        m_reinitialiseWhenIdle = false;
        m_reinitialise.start();
    }
}

void TuningFileListModel::onProcessorStateKnown(bool known)
{
    if (m_processorStateKnown == known)
        return;
    m_processorStateKnown = known;
    emit processorStateKnownChanged();
}
