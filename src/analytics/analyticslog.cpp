#include "analyticslog.h"

Q_LOGGING_CATEGORY(lcAnalytics, "tarn.analytics")
