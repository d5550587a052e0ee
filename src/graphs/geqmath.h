#pragma once

#include <QColor>
#include <QPoint>
#include <QRectF>
#include <QStringList>

#include <vector>

namespace tarn::graphs {

inline constexpr int kGeqBandCount = 31;
// Level scale of the control points: +-12 dB over the bound height.
inline constexpr double kGeqRange = 12.0;

// The third-octave bands, "20 Hz" .. "20.0 kHz"; each text is also the gain's state variable.
const QStringList &geqBandNames();

// Control point of band `index` with the given gain, and the gain of a point dragged to y.
QPoint geqControlPoint(const QRectF &bounds, int index, double gain);
// False when the bound height is not positive.
bool geqGainAt(const QRectF &bounds, int y, double *gain);

// Draw mode. The band (0-based) whose column holds x, for an item of the given width.
int geqBandUnder(double itemWidth, double x);
// Bands a stroke from previousX to x sets, in order: the skipped ones from the previous band
// towards the current one, then the current one. previousX 0 starts a stroke. Bands outside the
// table are left out.
std::vector<int> geqStrokeBands(double itemWidth, int previousX, int x);
// 20 pixels per dB from the item's centre line.
double geqDrawnGain(double itemHeight, int y);

// The painted bar of band `index`: starts 2 px below the centre line, grows up for a boost
// (normalised rectangle); 0 dB is a 2-pixel bar.
QRectF geqBarRect(double itemWidth, double itemHeight, int index, double gain);
// Red at 20 Hz to yellow at 20 kHz.
QColor geqBarColour(int index);

} // namespace tarn::graphs
