#pragma once

namespace tarn {
// Registers every QML type of the application, each under a module named as the type, 1.0.
void registerQmlTypes();
} // namespace tarn
