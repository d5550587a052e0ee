#pragma once

#include "linkfixture.h"

#include <QObject>
#include <QStringList>

// What a widget test needs of the link, for QML: the shared link fixture (logged in to a scripted
// processor, records offered to the controls, the request lines the controls made).
class TestLink : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool ready READ ready NOTIFY readyChanged)
    Q_PROPERTY(QStringList sent READ sent NOTIFY sentChanged)
public:
    explicit TestLink(QObject *parent = nullptr);

    bool login() { return m_link.login(); }
    bool ready() const { return m_link.adaptor()->isReady(); }
    QStringList sent() const;

    Q_INVOKABLE void offer(const QString &command, const QString &poName, const QString &svName, const QString &value,
                           const QString &valueType = QString())
    {
        m_link.offer(command, poName, svName, value, valueType);
    }
    Q_INVOKABLE void offerEnums(const QStringList &enums, const QString &path);
    Q_INVOKABLE void clearSent();
    // The request line for a preset variable, as the adaptor writes it (without LF).
    Q_INVOKABLE QString line(const QString &command, const QString &poName, const QString &svName,
                             const QString &value = QString(), const QString &suffix = QString()) const;
    Q_INVOKABLE int count(const QString &line) const { return sent().count(line); }

signals:
    void readyChanged();
    void sentChanged();

private:
    tarn::test::LinkFixture m_link;
};
