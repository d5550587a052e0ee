#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One directory entry of an FTP listing. A default-constructed entry is invalid.
class QUrlInfo
{
public:
    enum Permission {
        ReadOwner = 00400, WriteOwner = 00200, ExeOwner = 00100,
        ReadGroup = 00040, WriteGroup = 00020, ExeGroup = 00010,
        ReadOther = 00004, WriteOther = 00002, ExeOther = 00001
    };

    QUrlInfo() = default;

    bool isValid() const { return m_valid; }

    QString name() const { return m_name; }
    int permissions() const { return m_permissions; }
    QString owner() const { return m_owner; }
    QString group() const { return m_group; }
    qint64 size() const { return m_size; }
    QDateTime lastModified() const { return m_lastModified; }
    QDateTime lastRead() const { return m_lastRead; }
    bool isDir() const { return m_isDir; }
    bool isFile() const { return m_isFile; }
    bool isSymLink() const { return m_isSymLink; }
    bool isWritable() const { return m_isWritable; }
    bool isReadable() const { return m_isReadable; }
    bool isExecutable() const { return m_isExecutable; }

    // Every setter makes the entry valid.
    void setName(const QString &name);
    void setPermissions(int permissions);
    void setOwner(const QString &owner);
    void setGroup(const QString &group);
    void setSize(qint64 size);
    void setLastModified(const QDateTime &dt);
    void setLastRead(const QDateTime &dt);
    void setDir(bool b);
    void setFile(bool b);
    void setSymLink(bool b);
    void setWritable(bool b);
    void setReadable(bool b);
    void setExecutable(bool b);

    bool operator==(const QUrlInfo &other) const;
    bool operator!=(const QUrlInfo &other) const { return !(*this == other); }

private:
    QString m_name;
    QString m_owner;
    QString m_group;
    QDateTime m_lastModified;
    QDateTime m_lastRead;
    qint64 m_size = 0;
    int m_permissions = 0;
    bool m_valid = false;
    bool m_isDir = false;
    bool m_isFile = false;
    bool m_isSymLink = false;
    bool m_isWritable = false;
    bool m_isReadable = false;
    bool m_isExecutable = false;
};

Q_DECLARE_METATYPE(QUrlInfo)
