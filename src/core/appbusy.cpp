#include "appbusy.h"

std::atomic<bool> tarn::AppBusy::s_busy{false};
