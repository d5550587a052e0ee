#include "wizarddialprovider.h"

#include "wizardlog.h"

WizardDialProvider::WizardDialProvider(QObject *parent) : WizardTextProvider(QLatin1String(kDescriptor), parent) {}

void WizardDialProvider::stateFound(const QString &state)
{
    qCDebug(lcWizard).noquote() << "Wizard State: " + state;
    qCDebug(lcWizard).noquote() << "id found " + state;
}

bool WizardDialProvider::applyChild(const QString &name, const QString &text)
{
    if (name != QLatin1String("dialOrSlider"))
        return false;
    announce(m_dialOrSlider, text, &WizardDialProvider::dialOrSliderChanged);
    return true;
}
