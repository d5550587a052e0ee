#pragma once

#include <QString>

// Conversions between the processor's value texts and numbers, shared by every control.
namespace tarn::valuetext {
// The number in a text, blanks around it allowed; 0 when the text is not a number (NaN included).
double readNumber(const QString &text);

// Reads a value text that may carry a unit: "kHz" is cut and the number scaled by 1000; "Hz",
// "dB" and ":1" are cut; a leading "1:" is cut. Suffix tests are case-sensitive.
double stripUnits(const QString &text);

// A number as sent to the processor: general format, six significant digits.
QString formatNumber(double value);

// endsWith / startsWith without regard to case.
bool endsWithNoCase(const QString &text, const QString &suffix);
bool startsWithNoCase(const QString &text, const QString &prefix);
} // namespace tarn::valuetext
