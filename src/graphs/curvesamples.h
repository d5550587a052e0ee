#pragma once

#include <QList>
#include <QMap>

#include <vector>

namespace tarn::graphs {

// The form in which the plotters hand their curves to the graph items: x pixel -> y.
using CurveMap = QMap<float, float>;
using CurveList = QList<CurveMap>;

// One curve as parallel arrays sorted by x. The math fills these; the signals carry CurveMaps.
struct CurveSamples {
    std::vector<float> xs;
    std::vector<float> ys;
    quint64 layout = 0;     // new value whenever xs change
    quint64 generation = 0; // new value whenever ys change

    // Takes xs over when they differ from the current ones; ys is resized to match.
    void setXs(const std::vector<float> &newXs);
    void clear();
    // Call after writing ys.
    void touch();
};

// Keeps the CurveMap form of a set of curves in step with their samples. Two lists alternate:
// the receiver of one emission holds that list, so the other one is normally unshared and is
// refreshed in place, only curves that changed since it was last emitted, without allocating.
class PublishedCurves {
public:
    void resize(int count);
    int count() const { return int(m_samples.size()); }
    CurveSamples &samples(int i) { return m_samples[size_t(i)]; }
    const CurveSamples &samples(int i) const { return m_samples[size_t(i)]; }

    // Brings the next list up to date and makes it the current one.
    CurveList &publish();
    // The list last published (empty before the first publish()).
    const CurveList &current() const { return m_lists[m_current]; }

private:
    std::vector<CurveSamples> m_samples;
    CurveList m_lists[2];
    std::vector<quint64> m_syncedLayout[2];
    std::vector<quint64> m_syncedGeneration[2];
    int m_current = 0;
    bool m_published = false;
};

} // namespace tarn::graphs
