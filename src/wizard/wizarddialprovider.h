#pragma once

#include "wizardtextprovider.h"

// Texts of the level-matching screens ("WizardDialType.qml") from ":/xml/WizardDialView.xml":
// heading, button and whether the screen shows a "dial" or a "slider".
class WizardDialProvider : public WizardTextProvider {
    Q_OBJECT
    Q_PROPERTY(QString dialOrSlider READ dialOrSlider NOTIFY dialOrSliderChanged)
public:
    static constexpr const char *kDescriptor = ":/xml/WizardDialView.xml";

    explicit WizardDialProvider(QObject *parent = nullptr);

    QString dialOrSlider() const { return m_dialOrSlider; }

signals:
    void dialOrSliderChanged(QString imgSrc);

protected:
    void stateFound(const QString &state) override;
    bool applyChild(const QString &name, const QString &text) override;

private:
    QString m_dialOrSlider;
};
