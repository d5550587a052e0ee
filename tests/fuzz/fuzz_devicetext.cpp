// libFuzzer harness: the small texts the screens read ('O' a curve, 'B' a block description, 'X'
// the crossover's description, 'R' the range data). Properties: refusals say why and keep what
// was held; curves are finite and bounded; attributes and band names come only from the text.
#include "appdatastore.h"
#include "buttonimageresolver.h"
#include "crossovermath.h"
#include "fuzzcheck.h"
#include "overlaycurves.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {
void curve(const QString &text)
{
    QVector<float> levels{1.0f};
    QString error;
    if (!tarn::graphs::parseOverlayLevels(text, &levels, &error))
        return tarn::fuzz::checkRefused("curve", error, levels.isEmpty());
    check(levels.size() <= tarn::graphs::kOverlayMaxNumbers, "numbers bounded");
    for (const float level : qAsConst(levels))
        check(std::isfinite(level), "finite levels");
    const QPolygonF points = tarn::graphs::overlayPoints(levels, QRectF(0, 0, 800, 400));
    check(points.isEmpty() || points.size() == tarn::graphs::kOverlayPoints, "all points or none");
    for (const QPointF &p : points)
        check(std::isfinite(p.x()) && std::isfinite(p.y()), "finite points");
}

void blockDescription(const QString &text)
{
    static const ButtonImageResolver resolver;
    const QJsonObject attributes = QJsonDocument::fromJson(text.toUtf8()).object().value(QStringLiteral("Attributes")).toObject();
    for (const QString &name : {QStringLiteral("OutputName"), QStringLiteral("RouteMix")}) {
        const QString value = name == QLatin1String("OutputName") ? resolver.outputName(text) : resolver.routerName(text);
        check(value.isEmpty() || attributes.contains(name), "an attribute the description holds");
    }
}

void bandNames(const QString &text)
{
    const QJsonObject description = QJsonDocument::fromJson(text.toUtf8()).object();
    static const QStringList fixed{QString(), QStringLiteral("Full Range"), QStringLiteral("High"),
                                   QStringLiteral("Mid"), QStringLiteral("Low"), QStringLiteral("Sub")};
    for (int band = -1; band < 12; ++band) {
        const QString name = tarn::graphs::crossoverBandName(description, band);
        const bool midN = name.startsWith(QLatin1String("Mid ")) && name.mid(4).toInt() == band && band > 0;
        check(fixed.contains(name) || midN, "a band name from the fixed list");
    }
}

void rangeData(const QByteArray &json)
{
    const QJsonObject held{{QStringLiteral("held"), 1}};
    QJsonObject data = held;
    if (!AppDataStore::parseRangeData(json, &data))
        return check(data == held, "refused range data leaves the data held");
    QJsonObject again;
    check(AppDataStore::parseRangeData(QJsonDocument(data).toJson(QJsonDocument::Compact), &again) && again == data,
          "range data reads back the same from its own text");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tarn::fuzz::startQt();
    if (size == 0)
        return 0;
    const QByteArray rest = tarn::fuzz::bytes(data + 1, size - 1);
    switch (data[0]) {
    case 'O':
        curve(QString::fromUtf8(rest));
        break;
    case 'B':
        blockDescription(QString::fromUtf8(rest));
        break;
    case 'X':
        bandNames(QString::fromUtf8(rest));
        break;
    case 'R':
        rangeData(rest);
        break;
    default:
        break;
    }
    return 0;
}
