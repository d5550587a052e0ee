#pragma once

#include <QState>
#include <QString>

class QQuickView;
class ViewLoader;

// One screen of the state machine: entering it asks the view loader to show its document.
class TarnState : public QState {
    Q_OBJECT
public:
    TarnState(const QString &name, const QString &qmlFile, const QString &helpFile, QQuickView *view,
              ViewLoader *viewLoader, QState *parent = nullptr);

    QString name() const { return m_name; }
    QString prefix() const { return m_prefix; }
    QString qmlFile() const { return m_qmlFile; }
    QString helpFile() const { return m_helpFile; }
    // The names of the enclosing screen states and this one, joined by "->".
    QString fullName() const;

signals:
    void stateEntered(QString qmlPath, QString helpFileName);
    void signal_exitSignal();
    void signal_stateSpecificSignal(QString msg);

public slots:
    void slot_setName(QString name);
    void slot_setPrefix(QString prefix);

protected:
    void onEntry(QEvent *event) override;
    void onExit(QEvent *event) override;

private:
    QString m_name;
    QString m_prefix;
    QString m_qmlFile;
    QString m_helpFile;
    QQuickView *m_view = nullptr;
    ViewLoader *m_viewLoader = nullptr;
};
