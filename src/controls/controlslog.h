#pragma once

#include <QLoggingCategory>

// Log category of the state-variable controls.
Q_DECLARE_LOGGING_CATEGORY(lcControls)
