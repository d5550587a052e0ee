#include "curvesamples.h"

#include <atomic>

namespace tarn::graphs {

namespace {
quint64 nextStamp()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}
} // namespace

void CurveSamples::setXs(const std::vector<float> &newXs)
{
    if (newXs != xs || layout == 0) {
        xs = newXs;
        layout = nextStamp();
    }
    ys.resize(xs.size());
}

void CurveSamples::clear()
{
    setXs({});
    touch();
}

void CurveSamples::touch()
{
    generation = nextStamp();
}

void PublishedCurves::resize(int count)
{
    m_samples.resize(size_t(count));
    for (auto &s : m_samples) {
        if (s.layout == 0)
            s.clear();
    }
}

CurveList &PublishedCurves::publish()
{
    const int next = m_published ? 1 - m_current : m_current;
    CurveList &list = m_lists[next];
    auto &layouts = m_syncedLayout[next];
    auto &generations = m_syncedGeneration[next];
    const int n = count();
    while (list.size() > n)
        list.removeLast();
    while (list.size() < n)
        list.append(CurveMap());
    layouts.resize(size_t(n), 0);
    generations.resize(size_t(n), 0);

    for (int i = 0; i < n; ++i) {
        const CurveSamples &s = m_samples[size_t(i)];
        if (layouts[size_t(i)] == s.layout && generations[size_t(i)] == s.generation)
            continue;
        CurveMap &map = list[i];
        if (layouts[size_t(i)] == s.layout && map.size() == int(s.xs.size())) {
            size_t j = 0;
            for (auto it = map.begin(); it != map.end(); ++it, ++j)
                it.value() = s.ys[j];
        } else {
            map.clear();
            for (size_t j = 0; j < s.xs.size(); ++j)
                map.insert(map.end(), s.xs[j], s.ys[j]);
        }
        layouts[size_t(i)] = s.layout;
        generations[size_t(i)] = s.generation;
    }
    m_current = next;
    m_published = true;
    return list;
}

} // namespace tarn::graphs
