#include "wizardtextprovider.h"

WizardTextProvider::WizardTextProvider(const QString &descriptorPath, QObject *parent) : QObject(parent)
{
    m_descriptor.load(descriptorPath);
}

void WizardTextProvider::setWizardState(const QString &state)
{
    const bool changed = state != m_wizardState;
    m_wizardState = state;
    if (changed)
        emit wizardStateChanged(m_wizardState);
    const tarn::wizard::DescriptorState *found = m_descriptor.state(state);
    if (!found)
        return;
    stateFound(state);
    for (const tarn::wizard::StateChild &child : found->children) {
        const QString text = child.text.isNull() ? QStringLiteral("") : child.text;
        if (child.name == QLatin1String("heading"))
            announce(m_heading, text, &WizardTextProvider::headingChanged);
        else if (child.name == QLatin1String("button"))
            announce(m_buttonText, text, &WizardTextProvider::buttonTextChanged);
        else
            applyChild(child.name, text);
    }
}
