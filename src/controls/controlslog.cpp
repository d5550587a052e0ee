#include "controlslog.h"

Q_LOGGING_CATEGORY(lcControls, "tarn.controls")
