#pragma once

#include "wizardtextprovider.h"

// Texts of the message screens ("WizardDialogType.qml") from ":/xml/WizardDialogView.xml": the
// heading, the button, the message, a picture and the event the button sends (svNextVal, to the
// variable svNextPath names).
class WizardDialogProvider : public WizardTextProvider {
    Q_OBJECT
    Q_PROPERTY(QString imageSrc READ imageSrc NOTIFY imageSrcChanged)
    Q_PROPERTY(QString svNextPath READ svNextPath WRITE setSvNextPath NOTIFY svNextChanged)
    Q_PROPERTY(QString svNextVal READ svNextVal NOTIFY svNextValChanged)
    Q_PROPERTY(QString displayText READ displayText NOTIFY displayTextChanged)
public:
    static constexpr const char *kDescriptor = ":/xml/WizardDialogView.xml";
    static constexpr const char *kEventPath = "Node\\Wizard\\SV\\WizardEvent";

    explicit WizardDialogProvider(QObject *parent = nullptr);

    QString imageSrc() const { return m_imageSrc; }
    QString svNextPath() const { return m_svNextPath; }
    void setSvNextPath(const QString &path);
    QString svNextVal() const { return m_svNextVal; }
    QString displayText() const { return m_displayText; }

signals:
    void imageSrcChanged(QString imgSrc);
    void svNextChanged(QString sv);
    void svNextValChanged(QString svVal);
    void displayTextChanged(QString displayText);

protected:
    bool applyChild(const QString &name, const QString &text) override;

private:
    QString m_imageSrc;
    QString m_svNextPath;
    QString m_svNextVal;
    QString m_displayText;
};
