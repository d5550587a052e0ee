#include "filesystemmodel.h"

#include "presetnames.h"
#include "presetslog.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// availablePresetName gives up after this many taken names.
constexpr int kMaxNameTries = 10000;

// "Live 3" -> ("Live", 3); -1 when the text after the last blank is no plain number.
int trailingNumber(const QString &name, QString *stem)
{
    const int blank = name.lastIndexOf(QLatin1Char(' '));
    if (blank < 0)
        return -1;
    const QString tail = name.mid(blank + 1);
    if (tail.isEmpty() || tail.size() > 6)
        return -1;
    for (const QChar c : tail) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    }
    *stem = name.left(blank);
    return tail.toInt();
}
} // namespace

FileSystemModel::FileSystemModel(QObject *parent) : QAbstractListModel(parent)
{
    m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tarn/Presets");
    qCInfo(lcPresets).noquote() << "downloading location is: " << m_folder;
    if (!QDir(m_folder).exists()) {
        qCInfo(lcPresets) << "creating directory QuarPresets";
        if (!QDir().mkpath(m_folder))
            qCWarning(lcPresets) << " Dir not created";
    }
    connect(this, &QAbstractItemModel::modelReset, this, &FileSystemModel::countChanged);
    populateModel();
}

int FileSystemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_names.size();
}

QVariant FileSystemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size() || role != ModelPresetName)
        return QVariant();
    return m_names.at(index.row());
}

QHash<int, QByteArray> FileSystemModel::roleNames() const
{
    return {{ModelPresetName, "presetName"}};
}

void FileSystemModel::clearModel()
{
    populateModel();
}

void FileSystemModel::populateModel()
{
    qCDebug(lcPresets) << "Refreshing file system model";
    QStringList names;
    const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &file : files) {
        // A file someone else put here under a name this model would refuse is not offered.
        if (tarn::presets::isSafeFileName(file.fileName()))
            names << file.fileName();
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), collator);
    beginResetModel();
    m_names = names;
    endResetModel();
}

void FileSystemModel::addPreset(QString PresetData)
{
    if (!tarn::presets::isSafeFileName(PresetData) || m_names.contains(PresetData))
        return;
    beginInsertRows(QModelIndex(), m_names.size(), m_names.size());
    m_names << PresetData;
    endInsertRows();
    emit countChanged();
}

QString FileSystemModel::nameProblem(const QString &name) const
{
    QString why;
    return tarn::presets::isSafeFileName(name, &why) ? QString() : why;
}

bool FileSystemModel::contains(const QString &name) const
{
    return m_names.contains(name) || (tarn::presets::isSafeFileName(name) && QFileInfo::exists(m_folder + QLatin1Char('/') + name));
}

QString FileSystemModel::pathOf(const QString &name)
{
    QString why;
    if (!tarn::presets::isSafeFileName(name, &why)) {
        emit error(QStringLiteral("\"%1\" cannot be a preset name on this PC. %2").arg(name.left(tarn::presets::kMaxFileNameLength), why));
        return QString();
    }
    return m_folder + QLatin1Char('/') + name;
}

bool FileSystemModel::readFile(const QString &name, QByteArray *bytes)
{
    const QString path = pathOf(name);
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (file.size() > kMaxPresetBytes) {
        emit error(QStringLiteral("The preset \"%1\" is larger than %2 MiB.").arg(name).arg(kMaxPresetBytes >> 20));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPresets) << "File open failed";
        emit error(QStringLiteral("The preset \"%1\" cannot be read: %2").arg(name, file.errorString()));
        return false;
    }
    *bytes = file.read(kMaxPresetBytes);
    return true;
}

bool FileSystemModel::writeNewFile(const QString &name, const QByteArray &bytes)
{
    const QString path = pathOf(name);
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path)) {
        qCInfo(lcPresets) << "Skipping Overwrite";
        emit error(QStringLiteral("A preset named \"%1\" is already on this PC; it was kept. Choose another name.").arg(name));
        return false;
    }
    QDir().mkpath(m_folder);
    // Written beside and renamed into place: a failure never leaves half a preset.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcPresets) << "File open failed";
        emit error(QStringLiteral("The preset \"%1\" cannot be saved: %2").arg(name, file.errorString()));
        return false;
    }
    populateModel();
    return true;
}

void FileSystemModel::addPresetToFileSystem(QString fileName, QByteArray presetConfig)
{
    emit busy(true, QStringLiteral("Adding preset to file system..."));
    writeNewFile(fileName, presetConfig);
    emit busy(false, QString());
}

void FileSystemModel::copy(QString fromFile, QString toFile)
{
    emit busy(true, QStringLiteral("Copying preset to file system..."));
    QByteArray bytes;
    if (readFile(fromFile, &bytes))
        writeNewFile(toFile, bytes);
    emit busy(false, QString());
}

void FileSystemModel::rename(QString fileName, QString newName)
{
    emit busy(true, QStringLiteral("Renaming preset..."));
    const QString from = pathOf(fileName);
    const QString to = from.isEmpty() ? QString() : pathOf(newName);
    if (to.isEmpty()) {
        emit busy(false, QString());
        return;
    }
    if (QFileInfo::exists(to)) {
        qCWarning(lcPresets) << "Rename failed";
        emit error(QStringLiteral("A preset named \"%1\" is already on this PC; both are kept.").arg(newName));
        emit busy(false, QString());
        return;
    }
    qCDebug(lcPresets) << "Renaming in progress...";
    QFile file(from);
    if (!file.exists()) {
        qCWarning(lcPresets) << "File open failed";
        emit error(QStringLiteral("The preset \"%1\" is no longer on this PC.").arg(fileName));
    } else if (file.rename(to)) {
        qCDebug(lcPresets) << "Rename file successful";
        populateModel();
        qCDebug(lcPresets) << "renaming preset done";
        emit indexOfEditedPreset(m_names.indexOf(newName));
    } else {
        qCWarning(lcPresets).noquote() << "Error : " << file.errorString();
        emit error(QStringLiteral("The preset \"%1\" cannot be renamed: %2").arg(fileName, file.errorString()));
    }
    emit busy(false, QString());
}

void FileSystemModel::deletePreset(QString deleteFile)
{
    emit busy(true, QStringLiteral("Deleting preset..."));
    const QString path = pathOf(deleteFile);
    QFile file(path);
    const bool removed = !path.isEmpty() && file.remove();
    if (!path.isEmpty() && !removed)
        emit error(QStringLiteral("The preset \"%1\" cannot be deleted: %2").arg(deleteFile, file.errorString()));
    emit busy(false, QString());
    if (removed)
        emit presetDeleted(deleteFile);
    populateModel();
}

void FileSystemModel::transfer(QString transferFileName)
{
    QByteArray bytes;
    if (!readFile(transferFileName, &bytes))
        return;
    if (bytes.isEmpty()) {
        qCWarning(lcPresets) << "Config data:empty";
        emit error(QStringLiteral("The preset \"%1\" is empty.").arg(transferFileName));
        return;
    }
    emit presetAvailable(bytes);
}

QString FileSystemModel::availablePresetName(QString str)
{
    QString candidate = str.trimmed().isEmpty() ? QStringLiteral("Preset") : str;
    for (int tries = 0; tries < kMaxNameTries; ++tries) {
        if (!contains(candidate))
            return candidate;
        QString stem;
        const int n = trailingNumber(candidate, &stem);
        candidate = n >= 0 ? stem + QLatin1Char(' ') + QString::number(n + 1) : candidate + QStringLiteral(" 2");
    }
    return QString();
}
