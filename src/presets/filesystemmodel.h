#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>
#include <QStringList>

// The presets saved on this PC, for the presets screen: one file per preset in the folder
// "<generic data location>/Tarn/Presets", named by the preset's name, holding the bytes the
// processor sent. Names are checked before they become file names, so nothing is read or
// written outside the folder; an existing preset is never overwritten.
class FileSystemModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QString folder READ folder CONSTANT)
public:
    enum Roles { ModelPresetName = Qt::UserRole + 1 };
    // Largest preset file read for sending.
    static constexpr qint64 kMaxPresetBytes = 16 * 1024 * 1024;

    explicit FileSystemModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int count() const { return m_names.size(); }
    QString folder() const { return m_folder; }

    Q_INVOKABLE void populateModel();
    Q_INVOKABLE void deletePreset(QString deleteFile);
    Q_INVOKABLE void transfer(QString transferFileName);
    Q_INVOKABLE QString availablePresetName(QString str);
    Q_INVOKABLE void copy(QString fromFile, QString toFile);
    Q_INVOKABLE void rename(QString fileName, QString newName);
    Q_INVOKABLE void addPresetToFileSystem(QString fileName, QByteArray presetConfig);
    // Whether a name can be a preset file here ("" when it can, else the reason).
    Q_INVOKABLE QString nameProblem(const QString &name) const;
    Q_INVOKABLE bool contains(const QString &name) const;

signals:
    void busy(bool busy, QString msg);
    void transferPresetToDevice(QString config);
    void presetAvailable(QByteArray configData);
    void presetDeleted(QString deleteFile);
    void indexOfEditedPreset(int editedPresetNum);
    void error(QString errorString);
    void countChanged();

public slots:
    void clearModel();
    void addPreset(QString PresetData);

private:
    // The file of a preset name, or "" with the failure told when the name is not safe.
    QString pathOf(const QString &name);
    bool readFile(const QString &name, QByteArray *bytes);
    bool writeNewFile(const QString &name, const QByteArray &bytes);

    QString m_folder;
    QStringList m_names;
};
