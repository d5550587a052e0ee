#pragma once

#include <QHash>
#include <QObject>
#include <QString>

// Maps the processor's wizard state to the screen document that presents it. Writing
// wizardStateQml with a state name makes it read back as that state's document (an unknown
// state is added as "WizardNotImplemented.qml"), records the state in the settings and
// announces the state name.
class WizardScreensLoader : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString wizardStateQml READ wizardStateQml WRITE setWizardStateQml NOTIFY wizardStateQmlChanged)
public:
    static constexpr const char *kNotImplemented = "WizardNotImplemented.qml";

    explicit WizardScreensLoader(QObject *parent = nullptr);

    QString wizardStateQml() const { return m_document; }
    void setWizardStateQml(const QString &state);

    // The document of a state as the table holds it now; empty for a state never seen.
    QString documentFor(const QString &state) const { return m_table.value(state); }
    int stateCount() const { return m_table.size(); }
    // The fixed table, as built at construction (for checks of the descriptors).
    static QHash<QString, QString> builtInTable();

signals:
    void wizardStateQmlChanged(QString str);

private:
    QHash<QString, QString> m_table;
    QString m_document;
};
