#pragma once

#include "wizarddescriptor.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QStringList>

class TarnEnumSV;
class TarnTextSV;

// The list wizard screens' model: for the state it is told, the descriptor state's heading,
// title and entries, and the processor variable the chosen entry is written to ("SVPath").
// Entries reach QML through the roles listViewElementText, listViewElementImage,
// listViewElementValue and listViewElementCrossoverCode, and listViewElementAvailable (false for
// a value the processor's choice listing does not offer).
//
// updateMySvValue0(value) answers the screen's question: it writes the value to the state's
// variable (or, for a state without one, to its event variable). updateMySvValue1(value) sends
// an event ("Back", "Cancel", ...) to the event variable ("nextSV", else the wizard event).
// getIndexOf(value) is the row of the entry with that value, -1 when none has it.
class WizardListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(QString wizardState READ wizardState WRITE setWizardState NOTIFY wizardStateChanged)
    Q_PROPERTY(QString heading READ heading NOTIFY headingChanged)
    Q_PROPERTY(QString svValue READ svValue NOTIFY svValueChanged)
    Q_PROPERTY(QString titleString READ titleString WRITE setTitleString NOTIFY titleStringChanged)
    Q_PROPERTY(QString buttonText READ buttonText NOTIFY buttonTextChanged)
    Q_PROPERTY(QString svPath READ svPath NOTIFY wizardStateChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool hasImages READ hasImages NOTIFY entriesChanged)
public:
    enum Role {
        TextRole = Qt::UserRole + 1,
        ImageRole,
        ValueRole,
        CrossoverCodeRole,
        AvailableRole,
    };
    static constexpr const char *kEventPath = "Node\\Wizard\\SV\\WizardEvent";

    QString wizardState() const { return m_wizardState; }
    void setWizardState(const QString &state);
    QString heading() const { return m_heading; }
    QString svValue() const { return m_svValue; }
    QString titleString() const { return m_titleString; }
    QString buttonText() const { return m_buttonText; }
    QString svPath() const { return m_svPath; }
    int count() const { return m_entries.size(); }
    bool hasImages() const;
    QStringList choices() const { return m_choices; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE int getIndexOf(QString key) const;
    const tarn::wizard::WizardDescriptor &descriptor() const { return m_descriptor; }

signals:
    void wizardStateChanged(QString str);
    void headingChanged(QString heading);
    void svValueChanged(QString value);
    void titleStringChanged(QString titleString);
    void buttonTextChanged(QString buttonText);
    void enumsChanged();
    void countChanged();
    void entriesChanged();

public slots:
    void updateSvValue(QString value);
    void updateMySvValue0(QString value);
    void updateMySvValue1(QString value);
    void onSvEnumsChanged();
    void setTitleString(QString titleString);

protected:
    WizardListModel(const QString &descriptorPath, QObject *parent);
    // Reads another descriptor in place of the current one; false (and nothing changed) when
    // it cannot be read.
    bool reload(const QString &descriptorPath);

private:
    void bindAnswer(const QString &path);
    bool offered(const QString &value) const;

    tarn::wizard::WizardDescriptor m_descriptor;
    QString m_wizardState;
    QString m_heading;
    QString m_svValue;
    QString m_titleString;
    QString m_buttonText;
    QString m_svPath;
    QString m_eventPath;
    QList<tarn::wizard::ListElement> m_entries;
    QStringList m_choices;
    TarnEnumSV *m_answer = nullptr;
    TarnTextSV *m_event = nullptr;
};

// The list model of the wizard's list screens, read from ":/xml/WizardListView.xml" (or the
// file named by xmlFile under ":/xml/" once loadXML() is called).
class WizardListViewProvider : public WizardListModel {
    Q_OBJECT
    Q_PROPERTY(QString xmlFile READ xmlFile WRITE setXmlFile NOTIFY xmlFileChanged)
public:
    static constexpr const char *kDescriptor = ":/xml/WizardListView.xml";

    explicit WizardListViewProvider(QObject *parent = nullptr);

    QString xmlFile() const { return m_xmlFile; }

    Q_INVOKABLE void loadXML();

signals:
    void xmlFileChanged(QString xmlFile);

public slots:
    void setXmlFile(QString xmlFile);

private:
    QString m_xmlFile;
};
