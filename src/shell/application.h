#pragma once

namespace tarn {
// The whole start-up sequence; returns the event loop's exit code, or 0 at once when another
// instance already runs.
int runApplication(int argc, char *argv[]);
} // namespace tarn
