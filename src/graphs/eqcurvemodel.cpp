#include "eqcurvemodel.h"

#include <QPoint>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn::graphs {

double clampLevel(double value, double lo, double hi)
{
    if (std::isnan(value))
        return 0.0;
    return std::min(std::max(value, lo), hi);
}

int truncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(value);
}

int pixelColumns(double width)
{
    if (!(width > 0.0))
        return 0;
    // Large enough for any screen, small enough that a bogus size cannot exhaust memory.
    return int(std::ceil(std::min(width, 65536.0)));
}

namespace peqaxis {
double lo()
{
    return std::log10(20.0);
}

double span()
{
    return std::log10(22000.0) - std::log10(20.0);
}

double frequencyAt(double x, double width)
{
    return std::pow(10.0, x * span() / width + lo());
}

double xOfFrequency(const QRectF &bounds, double frequency)
{
    if (bounds.isEmpty())
        return 0.0;
    const double f = std::min(std::max(frequency, 20.0), 22000.0);
    return (std::log10(f) - lo()) * bounds.width() / span();
}

double yOfGain(const QRectF &bounds, double gain)
{
    if (bounds.isEmpty())
        return 0.0;
    return 2.0 * bounds.height() * (clampLevel(gain, -20.0, 20.0) + 20.0) / 40.0;
}

QPoint controlPoint(const QRectF &bounds, double frequency, double gain)
{
    static const double lnLo = std::log(20.0);
    static const double lnSpan = std::log(22000.0) - std::log(20.0);
    // A frequency not yet received (<= 0) has no logarithm; park the point on the left edge.
    const double x = frequency > 0.0 ? bounds.width() * (std::log(frequency) - lnLo) / lnSpan : 0.0;
    const double y = bounds.height() / 20.0 * gain;
    return QPoint(truncToInt(x), truncToInt(y));
}

bool valuesAt(const QRectF &bounds, int x, int y, double *frequency, double *gain)
{
    if (!(bounds.width() > 0.0) || !(bounds.height() > 0.0))
        return false;
    const double lnLo = std::log(20.0);
    const double lnSpan = std::log(22000.0) - lnLo;
    *frequency = std::exp(lnSpan * x / bounds.width() + lnLo);
    *gain = (bounds.height() - y) * 20.0 / bounds.height();
    return true;
}
} // namespace peqaxis

namespace afsaxis {
double frequencyAt(double x, double width)
{
    return 20.0 * std::pow(10.0, 3.0 * x / width);
}
} // namespace afsaxis

EqCurveModel::EqCurveModel(int mode)
    : m_designer(mode)
{
    m_curves.resize(1);
}

void EqCurveModel::setBandCount(int count, const EqBand &initial)
{
    count = std::max(0, count);
    m_bands.resize(size_t(count), initial);
    m_curves.resize(count + 1);
}

void EqCurveModel::setBounds(const QRectF &bounds)
{
    m_bounds = bounds;
}

void EqCurveModel::updateAxis()
{
    const double width = m_bounds.width();
    if (width == m_axisWidth)
        return;
    m_axisWidth = width;
    const int n = pixelColumns(width);
    m_xs.resize(size_t(n));
    m_phi.resize(size_t(n));
    const bool feedback = mode() == FeedbackMode;
    for (int x = 0; x < n; ++x) {
        m_xs[size_t(x)] = float(x);
        const double f = feedback ? afsaxis::frequencyAt(x, width) : peqaxis::frequencyAt(x, width);
        m_phi[size_t(x)] = responsePhi(f);
    }
}

void EqCurveModel::computeBand(int i)
{
    const EqBand &b = m_bands[size_t(i)];
    const Biquad &c = m_designer.design(b.type, b.frequency, b.gain, b.q, b.slope);
    CurveSamples &s = m_curves.samples(i);
    const double h = m_bounds.height();
    if (!(m_bounds.width() > 0.0) || !(h > 0.0)) {
        s.clear();
        return;
    }
    updateAxis();
    s.setXs(m_xs);
    const size_t n = m_xs.size();
    float *ys = s.ys.data();
    if (mode() == FeedbackMode) {
        for (size_t x = 0; x < n; ++x) {
            const double offset = b.gain == 0.0f ? 0.0 : h * clampLevel(responseDbAtPhi(c, m_phi[x]), -20.0, 20.0) / 10.0;
            ys[x] = float(h + offset);
        }
    } else {
        for (size_t x = 0; x < n; ++x)
            ys[x] = b.gain == 0.0f ? 0.0f : float(h * clampLevel(responseDbAtPhi(c, m_phi[x]), -20.0, 20.0) / 20.0);
    }
    s.touch();
}

void EqCurveModel::rebuildSum()
{
    const int bands = bandCount();
    CurveSamples &sum = m_curves.samples(bands);
    if (mode() == FeedbackMode) {
        if (!sum.xs.empty())
            sum.clear();
        return;
    }
    if (!(m_bounds.width() > 0.0) || !(m_bounds.height() > 0.0)) {
        sum.clear();
        return;
    }
    updateAxis();
    sum.setXs(m_xs);
    std::fill(sum.ys.begin(), sum.ys.end(), 0.0f);
    const size_t n = m_xs.size();
    for (int b = 0; b < bands; ++b) {
        const CurveSamples &s = m_curves.samples(b);
        // Average of the band at the first key >= x and at the first key > x; a key beyond the
        // band's last one counts as 0.
        size_t j = 0;
        const size_t m = s.xs.size();
        for (size_t i = 0; i < n; ++i) {
            const float x = m_xs[i];
            while (j < m && s.xs[j] < x)
                ++j;
            const float atOrAfter = j < m ? s.ys[j] : 0.0f;
            size_t k = j;
            if (k < m && !(s.xs[k] > x))
                ++k;
            const float after = k < m ? s.ys[k] : 0.0f;
            sum.ys[i] += 0.5f * (atOrAfter + after);
        }
    }
    if (n > 0)
        sum.ys[n - 1] = 0.0f;
    sum.touch();
}

void EqCurveModel::recomputeBand(int i)
{
    if (i < 0 || i >= bandCount())
        return;
    computeBand(i);
    rebuildSum();
}

void EqCurveModel::recomputeAll()
{
    for (int i = 0; i < bandCount(); ++i)
        computeBand(i);
    rebuildSum();
}

} // namespace tarn::graphs
