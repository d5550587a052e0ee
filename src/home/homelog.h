#pragma once

#include <QLoggingCategory>

// Log category of the home-screen models, the image resolver, the data store and the
// control descriptors.
Q_DECLARE_LOGGING_CATEGORY(lcHome)
