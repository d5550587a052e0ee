#pragma once

// Rates of the controls: how often a user's change may go to the processor, and how meters poll.
namespace tarn::controls {
// Numeric and text values: at most one "set" per interval, carrying the newest value.
inline constexpr int kValueThrottleMs = 100;
// Slider positions.
inline constexpr int kSliderThrottleMs = 30;
// Fader positions.
inline constexpr int kFaderThrottleMs = 20;
// Meters and LEDs ask again this long after each answer.
inline constexpr int kPollIntervalMs = 100;
// A meter whose poll went unanswered asks again after this many ticks of its poll timer.
inline constexpr int kMeterMissedTicks = 10;
} // namespace tarn::controls
