#pragma once

#include "wizarddescriptor.h"

#include <QObject>
#include <QString>

// What the dialog, dial and feedback-graph providers share: a descriptor read once, the state
// they were told, and the heading and button texts. Setting the state copies the matching
// descriptor state's texts into the properties, child by child in document order; each text
// found is announced through its property's signal (also when unchanged, since the screen takes
// it from the signal), and what a state lacks keeps its earlier value.
class WizardTextProvider : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString wizardState READ wizardState WRITE setWizardState NOTIFY wizardStateChanged)
    Q_PROPERTY(QString heading READ heading NOTIFY headingChanged)
    Q_PROPERTY(QString buttonText READ buttonText NOTIFY buttonTextChanged)
public:
    QString wizardState() const { return m_wizardState; }
    void setWizardState(const QString &state);
    QString heading() const { return m_heading; }
    QString buttonText() const { return m_buttonText; }

    // The descriptor as read from the resources (empty when it could not be read).
    const tarn::wizard::WizardDescriptor &descriptor() const { return m_descriptor; }

signals:
    void wizardStateChanged(QString str);
    void headingChanged(QString heading);
    void buttonTextChanged(QString btnText);

protected:
    WizardTextProvider(const QString &descriptorPath, QObject *parent);
    // A child other than "heading" and "button"; false when the provider does not read it.
    virtual bool applyChild(const QString &name, const QString &text) = 0;
    // Called before the children are applied, with the state found.
    virtual void stateFound(const QString &) {}
    // Stores a text and announces it.
    template <typename Owner> void announce(QString &field, const QString &text, void (Owner::*signal)(QString))
    {
        field = text;
        emit(static_cast<Owner *>(this)->*signal)(text);
    }

private:
    tarn::wizard::WizardDescriptor m_descriptor;
    QString m_wizardState;
    QString m_heading;
    QString m_buttonText;
};
