#pragma once

#include <QLoggingCategory>

// Log category of the device link (socket, protocol, watchdogs).
Q_DECLARE_LOGGING_CATEGORY(lcLink)
