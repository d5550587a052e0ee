#pragma once

#include "wizardlistviewprovider.h"

// The list model of the run-setup screens ("RunSetupWizardScreen.qml"), read from
// ":/xml/WizardRunSetupView.xml"; it behaves as the list screens' model.
class WizardRunSetupProvider : public WizardListModel {
    Q_OBJECT
public:
    static constexpr const char *kDescriptor = ":/xml/WizardRunSetupView.xml";

    explicit WizardRunSetupProvider(QObject *parent = nullptr);
};
