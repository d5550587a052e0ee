#pragma once

#include <QObject>
#include <QVariant>

// The per-user settings store (organisation "Tessil", application "TarnControl"). Holds nothing
// itself: every call opens the store, does one access and closes it, so all instances agree.
class TarnSettings : public QObject {
    Q_OBJECT
public:
    explicit TarnSettings(QObject *parent = nullptr);

    Q_INVOKABLE void setValue(const QString &key, const QVariant &value);
    Q_INVOKABLE QVariant value(const QString &key, const QVariant &defaultValue) const;
    Q_INVOKABLE QVariant value(const QString &key) const;
    Q_INVOKABLE void remove(const QString &key);
    Q_INVOKABLE bool contains(const QString &key) const;
    Q_INVOKABLE void clear();

    // Same as value(key).toString(), for C++ callers.
    static QString text(const QString &key, const QString &defaultValue = QString());
    static void write(const QString &key, const QString &value);
};
