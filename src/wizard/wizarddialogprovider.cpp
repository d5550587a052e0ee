#include "wizarddialogprovider.h"

WizardDialogProvider::WizardDialogProvider(QObject *parent)
    : WizardTextProvider(QLatin1String(kDescriptor), parent), m_svNextPath(QLatin1String(kEventPath))
{
}

void WizardDialogProvider::setSvNextPath(const QString &path)
{
    if (path == m_svNextPath)
        return;
    m_svNextPath = path;
    emit svNextChanged(m_svNextPath);
}

bool WizardDialogProvider::applyChild(const QString &name, const QString &text)
{
    if (name == QLatin1String("DisplayText"))
        announce(m_displayText, text, &WizardDialogProvider::displayTextChanged);
    else if (name == QLatin1String("image"))
        announce(m_imageSrc, text, &WizardDialogProvider::imageSrcChanged);
    else if (name == QLatin1String("svValue"))
        announce(m_svNextVal, text, &WizardDialogProvider::svNextValChanged);
    else
        return false;
    return true;
}
