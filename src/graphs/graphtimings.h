#pragma once

namespace tarn::graphs {
// After binding, a plotter waits this long before computing anything, so the burst of initial
// values from the processor costs one computation instead of one per value.
inline constexpr int kEqStartDelayMs = 200;
inline constexpr int kCrossoverStartDelayMs = 500;
inline constexpr int kAfsStartDelayMs = 200;
// Repaint coalescing: at most one repaint per interval (parametric, feedback) or one after the
// values have been quiet for the interval (graphic EQ).
inline constexpr int kCurveRepaintMs = 100;
inline constexpr int kGeqRepaintMs = 50;
} // namespace tarn::graphs
