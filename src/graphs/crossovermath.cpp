#include "crossovermath.h"

#include "eqcurvemodel.h"

#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace tarn::graphs {

qint8 crossoverTypeFromText(const QString &text)
{
    static const char *const names[] = {"BW 6",  "BW 12", "BW 18", "BW 24", "BW 30", "BW 36",
                                        "BW 42", "BW 48", "LR 12", "LR 24", "LR 36", "LR 48"};
    for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i) {
        if (text == QLatin1String(names[i]))
            return qint8(i);
    }
    return XoverFlat;
}

double crossoverMagnitude(int code, double r)
{
    if (code >= XoverBW6 && code <= XoverBW48) {
        const int order = code + 1;
        return 1.0 / std::sqrt(1.0 + std::pow(r, 2.0 * order));
    }
    if (code >= XoverLR12 && code <= XoverLR48) {
        const int order = code - XoverLR12 + 1;
        return 1.0 / (1.0 + std::pow(r, 2.0 * order));
    }
    return 1.0;
}

float crossoverHpFromDevice(float v)
{
    if (v == 0.0f)
        return 16.0f;
    if (std::isnan(v))
        return 16.0f;
    return std::min(std::max(v, 16.0f), 20000.0f);
}

float crossoverLpFromDevice(float v)
{
    if (v == 0.0f || std::isnan(v))
        return 20000.0f;
    return std::min(std::max(v, 16.0f), 20000.0f);
}

float crossoverGainFromDevice(float v)
{
    if (std::isnan(v))
        return 0.0f;
    return std::min(std::max(v, -60.0f), 20.0f);
}

double crossoverFrequencyAt(double x, double width)
{
    return 16.0 * std::pow(10.0, std::log10(1250.0) * std::min(std::max(x, 0.0), width) / width);
}

double crossoverXOfFrequency(double frequency, double width)
{
    const double f = std::min(std::max(frequency, 16.0), 20000.0);
    return std::log10(f * 0.0625) / std::log10(1250.0) * width;
}

double crossoverResponse(const CrossoverBand &band, double frequency, double width, double height)
{
    if (width == 0.0 || height == 0.0)
        return 0.0;
    const double g = std::pow(10.0, band.gain * 0.0625);
    const double h = crossoverMagnitude(band.hpType, std::max(16.0, double(band.hpFrequency)) / frequency);
    const double l = crossoverMagnitude(band.lpType, frequency / std::min(20000.0, double(band.lpFrequency)));
    return 16.0 * std::log10(h * l * g);
}

double crossoverYOfLevel(double level, double height)
{
    return 2.0 * height * (clampLevel(level, -60.0, 20.0) + 60.0) / 80.0;
}

void computeCrossoverCurve(const CrossoverBand &band, const QRectF &bounds, CurveSamples &out)
{
    const double w = bounds.width();
    const double h = bounds.height();
    if (!(w > 0.0) || !(h > 0.0)) {
        out.clear();
        return;
    }
    const int columns = pixelColumns(w);
    const int points = (columns + kCrossoverStep - 1) / kCrossoverStep;
    // Rebuilding xs costs little next to the pow() calls below; setXs keeps the layout when equal.
    std::vector<float> xs;
    xs.reserve(size_t(points) + 1);
    for (int i = 0; i < points; ++i)
        xs.push_back(float(i * kCrossoverStep));
    if (xs.empty() || xs.back() < float(w))
        xs.push_back(float(w));
    out.setXs(xs);
    for (int i = 0; i < points; ++i) {
        const double x = double(i * kCrossoverStep);
        out.ys[size_t(i)] = float(crossoverYOfLevel(crossoverResponse(band, crossoverFrequencyAt(x, w), w, h), h));
    }
    out.ys.back() = 0.0f;
    out.touch();
}

namespace {
int attributeInt(const QJsonObject &attributes, const char *name)
{
    const QJsonValue v = attributes.value(QLatin1String(name));
    if (v.isDouble())
        return v.toInt();
    if (v.isString())
        return v.toString().toInt();
    return 0;
}
} // namespace

QString crossoverBandName(const QJsonObject &description, int index)
{
    if (index < 0)
        return QString();
    const QJsonObject attributes = description.value(QLatin1String("Attributes")).toObject();
    const int ways = attributeInt(attributes, "NumBands");
    if (index < ways) {
        // Bands run from the highest: a 2-way is High, Low; a 3-way High, Mid, Low.
        switch (ways) {
        case 1:
            return QStringLiteral("Full Range");
        case 2:
            return index == 0 ? QStringLiteral("High") : QStringLiteral("Low");
        case 3: {
            static const char *const words[] = {"High", "Mid", "Low"};
            return QLatin1String(words[index]);
        }
        default:
            if (index == 0)
                return QStringLiteral("High");
            if (index == ways - 1)
                return QStringLiteral("Low");
            return QStringLiteral("Mid %1").arg(index);
        }
    }
    const int subs = attributeInt(attributes, "NumSubCabinets") + attributeInt(attributes, "MonoSub");
    if (ways > 0 && subs > 0)
        return QStringLiteral("Sub");
    return QString();
}

} // namespace tarn::graphs
