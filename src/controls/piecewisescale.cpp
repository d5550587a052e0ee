#include "piecewisescale.h"

namespace tarn::scale {
namespace {
// The ranges the two lists describe together.
int rangeCount(const QList<qreal> &boundaries, const QList<qreal> &lengths)
{
    return qMin(boundaries.size() - 1, lengths.size());
}
} // namespace

double toPercent(double value, const QList<qreal> &boundaries, const QList<qreal> &lengths)
{
    const int ranges = rangeCount(boundaries, lengths);
    if (ranges < 1)
        return value;
    double before = 0.0;
    for (int i = 0; i < ranges; ++i)
        before += lengths.at(i);
    // From the top: the highest boundary the value reaches.
    if (value >= boundaries.at(ranges))
        return before;
    for (int j = ranges - 1; j >= 0; --j) {
        before -= lengths.at(j);
        if (value >= boundaries.at(j)) {
            const double span = boundaries.at(j + 1) - boundaries.at(j);
            if (span <= 0.0)
                return before;
            return before + (value - boundaries.at(j)) * lengths.at(j) / span;
        }
    }
    return value;
}

double fromPercent(double percent, const QList<qreal> &boundaries, const QList<qreal> &lengths)
{
    const int ranges = rangeCount(boundaries, lengths);
    double sum = 0.0;
    for (int k = 0; k < ranges; ++k) {
        sum += lengths.at(k);
        if (sum >= percent) {
            if (lengths.at(k) <= 0.0)
                return boundaries.at(k);
            return boundaries.at(k) + (boundaries.at(k + 1) - boundaries.at(k)) * (lengths.at(k) - (sum - percent)) / lengths.at(k);
        }
    }
    return percent;
}
} // namespace tarn::scale
