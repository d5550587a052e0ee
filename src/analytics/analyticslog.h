#pragma once

#include <QLoggingCategory>

// Log category of usage analytics (the hit queue, its file, the posts).
Q_DECLARE_LOGGING_CATEGORY(lcAnalytics)
