#include "tuninglog.h"

Q_LOGGING_CATEGORY(lcTuning, "tarn.tuning")
