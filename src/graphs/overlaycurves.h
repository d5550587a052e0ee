#pragma once

#include "curvesamples.h"

#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QVector>

#include <array>

namespace tarn::graphs {

// The measured room, target and corrected curves drawn over the parametric graph. The
// processor reports each as a text of space-separated levels; entries 143 .. 623 belong to
// the 481 frequencies of overlayFrequencies().
inline constexpr int kOverlayPoints = 481;
inline constexpr int kOverlayFirst = 143;
inline constexpr int kOverlayLast = 623;
// A curve is drawn only when its text holds more than 624 numbers.
inline constexpr int kOverlayMinimum = 625;
// Longest text accepted from the processor, and most numbers read from it.
inline constexpr int kOverlayMaxChars = 64 * 1024;
inline constexpr int kOverlayMaxNumbers = 4096;

// 20 Hz .. 20 kHz, 160 per decade (single-precision values).
const std::array<float, kOverlayPoints> &overlayFrequencies();

// Reads the levels of a curve text. Empty text gives an empty list; text that is too long or
// holds something other than numbers is refused (false, with the reason).
bool parseOverlayLevels(const QString &text, QVector<float> *levels, QString *error);

inline bool overlayDrawable(const QVector<float> &levels)
{
    return levels.size() >= kOverlayMinimum;
}

// The overlay points (x of the frequency, y of the negated level) in item coordinates.
QPolygonF overlayPoints(const QVector<float> &levels, const QRectF &bounds);
// Room curve outline: from the centre line at x = 0 through the points back to the centre line
// at the right end of the axis.
QPolygonF roomCurveOutline(const QVector<float> &levels, const QRectF &bounds, qreal itemHeight);
// The room curve with the equaliser's summed response applied, ending on the centre line at
// the sum curve's last key.
QPolygonF correctedCurveLine(const QVector<float> &levels, const QRectF &bounds, const CurveMap &sum,
                             qreal itemHeight);

} // namespace tarn::graphs
