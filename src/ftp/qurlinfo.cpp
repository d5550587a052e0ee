#include "qurlinfo.h"

void QUrlInfo::setName(const QString &name) { m_name = name; m_valid = true; }
void QUrlInfo::setPermissions(int permissions) { m_permissions = permissions; m_valid = true; }
void QUrlInfo::setOwner(const QString &owner) { m_owner = owner; m_valid = true; }
void QUrlInfo::setGroup(const QString &group) { m_group = group; m_valid = true; }
void QUrlInfo::setSize(qint64 size) { m_size = size; m_valid = true; }
void QUrlInfo::setLastModified(const QDateTime &dt) { m_lastModified = dt; m_valid = true; }
void QUrlInfo::setLastRead(const QDateTime &dt) { m_lastRead = dt; m_valid = true; }
void QUrlInfo::setDir(bool b) { m_isDir = b; m_valid = true; }
void QUrlInfo::setFile(bool b) { m_isFile = b; m_valid = true; }
void QUrlInfo::setSymLink(bool b) { m_isSymLink = b; m_valid = true; }
void QUrlInfo::setWritable(bool b) { m_isWritable = b; m_valid = true; }
void QUrlInfo::setReadable(bool b) { m_isReadable = b; m_valid = true; }
void QUrlInfo::setExecutable(bool b) { m_isExecutable = b; m_valid = true; }

bool QUrlInfo::operator==(const QUrlInfo &o) const
{
    if (!m_valid || !o.m_valid)
        return m_valid == o.m_valid;
    return m_name == o.m_name && m_permissions == o.m_permissions && m_owner == o.m_owner
        && m_group == o.m_group && m_size == o.m_size && m_lastModified == o.m_lastModified
        && m_lastRead == o.m_lastRead && m_isDir == o.m_isDir && m_isFile == o.m_isFile
        && m_isSymLink == o.m_isSymLink && m_isWritable == o.m_isWritable
        && m_isReadable == o.m_isReadable && m_isExecutable == o.m_isExecutable;
}
