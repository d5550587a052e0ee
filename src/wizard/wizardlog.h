#pragma once

#include <QLoggingCategory>

// Log category of the wizard screens loader, the wizard providers and the brand lists.
Q_DECLARE_LOGGING_CATEGORY(lcWizard)
