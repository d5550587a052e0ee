#pragma once

#include <QLoggingCategory>

// Log category of the preset lists, transfers and the settings transfer.
Q_DECLARE_LOGGING_CATEGORY(lcPresets)
