#include "tarnsettings.h"

#include "version.h"

#include <QSettings>

namespace {
QSettings openStore()
{
    return QSettings(QString::fromLatin1(tarn::kOrganisationName),
                     QString::fromLatin1(tarn::kSettingsApplication));
}
} // namespace

TarnSettings::TarnSettings(QObject *parent) : QObject(parent) {}

void TarnSettings::setValue(const QString &key, const QVariant &value)
{
    openStore().setValue(key, value);
}

QVariant TarnSettings::value(const QString &key, const QVariant &defaultValue) const
{
    return openStore().value(key, defaultValue);
}

QVariant TarnSettings::value(const QString &key) const
{
    return openStore().value(key);
}

void TarnSettings::remove(const QString &key)
{
    openStore().remove(key);
}

bool TarnSettings::contains(const QString &key) const
{
    return openStore().contains(key);
}

void TarnSettings::clear()
{
    openStore().clear();
}

QString TarnSettings::text(const QString &key, const QString &defaultValue)
{
    return openStore().value(key, defaultValue).toString();
}

void TarnSettings::write(const QString &key, const QString &value)
{
    openStore().setValue(key, value);
}
