#include "presetslog.h"

Q_LOGGING_CATEGORY(lcPresets, "tarn.presets")
