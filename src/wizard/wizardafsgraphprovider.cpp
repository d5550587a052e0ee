#include "wizardafsgraphprovider.h"

#include "wizardlog.h"

WizardAFSGraphProvider::WizardAFSGraphProvider(QObject *parent) : WizardTextProvider(QLatin1String(kDescriptor), parent) {}

void WizardAFSGraphProvider::stateFound(const QString &state)
{
    qCDebug(lcWizard).noquote() << "Wizard State: " + state;
}

bool WizardAFSGraphProvider::applyChild(const QString &name, const QString &text)
{
    if (name != QLatin1String("image"))
        return false;
    announce(m_imageSrc, text, &WizardAFSGraphProvider::imageSrcChanged);
    return true;
}
