#include "homelog.h"

Q_LOGGING_CATEGORY(lcHome, "tarn.home")
