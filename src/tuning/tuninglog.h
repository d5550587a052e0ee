#pragma once

#include <QLoggingCategory>

// Log category of the tuning library.
Q_DECLARE_LOGGING_CATEGORY(lcTuning)
