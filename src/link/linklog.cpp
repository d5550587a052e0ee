#include "linklog.h"

Q_LOGGING_CATEGORY(lcLink, "tarn.link")
