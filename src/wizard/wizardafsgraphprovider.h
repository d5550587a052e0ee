#pragma once

#include "wizardtextprovider.h"

// Texts of the feedback-suppression graph screens ("WizardAFSGraphType.qml") from
// ":/xml/WizardAFSGraphView.xml": heading, button and a picture.
class WizardAFSGraphProvider : public WizardTextProvider {
    Q_OBJECT
    Q_PROPERTY(QString imageSrc READ imageSrc NOTIFY imageSrcChanged)
public:
    static constexpr const char *kDescriptor = ":/xml/WizardAFSGraphView.xml";

    explicit WizardAFSGraphProvider(QObject *parent = nullptr);

    QString imageSrc() const { return m_imageSrc; }

signals:
    void imageSrcChanged(QString imgSrc);

protected:
    void stateFound(const QString &state) override;
    bool applyChild(const QString &name, const QString &text) override;

private:
    QString m_imageSrc;
};
