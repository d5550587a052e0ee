#include "wizardlog.h"

Q_LOGGING_CATEGORY(lcWizard, "tarn.wizard")
