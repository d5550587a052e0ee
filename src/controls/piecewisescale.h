#pragma once

#include <QList>

// A scale of ranges of different lengths: boundaries b0 < b1 < ... and the length in percent of
// each range between two boundaries. Faders and meters use it to give their useful part (say
// -20 dB to 0 dB) more travel than the rest.
namespace tarn::scale {
// The percent position of a value. Below the lowest boundary the value itself is returned (the
// callers treat that range on their own); from the highest boundary up the scale's full length.
double toPercent(double value, const QList<qreal> &boundaries, const QList<qreal> &lengths);
// The value at a percent position; the position itself when no range holds it.
double fromPercent(double percent, const QList<qreal> &boundaries, const QList<qreal> &lengths);
// True when the lists describe a scale: at least two boundaries.
inline bool usable(const QList<qreal> &boundaries) { return boundaries.size() >= 2; }
} // namespace tarn::scale
