#pragma once

#include <QString>

namespace tarn::offline {
// How the processor writes a number on the wire: "-10.0dB", "2.50kHz", "4.0:1", "1:2.0",
// "Off" at the bottom of a range, "12.50ms/4.29m/14.07ft" for delays, "1m 30s" for times.
struct DisplayFormat {
    enum class Style { Number, Delay, Duration };
    Style style = Style::Number;
    QString unit;
    QString prefix;
    int decimals = 1;
    int kiloDecimals = -1; // >= 0: 1000 and above are written in kilo-units with these decimals
    QString atMin;         // written instead of the number at the range's bottom
    QString atMax;         // written instead of the number at the range's top
};

QString formatValue(const DisplayFormat &format, double value, double min, double max);

// Reads what a client sent: the display text itself, a plain number, or a number with any of
// the units the application strips. False when nothing numeric can be read.
bool parseValue(const DisplayFormat &format, const QString &text, double min, double max, double *out);

// Position in percent of the range; logarithmic ranges (frequencies) move evenly per octave.
double toPercent(double value, double min, double max, bool logScale);
double fromPercent(double percent, double min, double max, bool logScale);
QString formatPercent(double percent);
bool parsePercent(const QString &text, double *out);
} // namespace tarn::offline
