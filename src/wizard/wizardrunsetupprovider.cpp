#include "wizardrunsetupprovider.h"

WizardRunSetupProvider::WizardRunSetupProvider(QObject *parent) : WizardListModel(QLatin1String(kDescriptor), parent) {}
