#include "crossoverbandinfoprovider.h"

#include "crossovermath.h"
#include "settingskeys.h"
#include "svbinding.h"
#include "tarnsettings.h"

#include <QJsonDocument>
#include <QJsonParseError>

CrossoverBandInfoProvider::CrossoverBandInfoProvider(QObject *parent)
    : QObject(parent)
{
}

QString CrossoverBandInfoProvider::getBandName(int bandNo)
{
    const QString text = TarnSettings::text(QLatin1String(tarn::keys::CurrentPOData));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (!text.isEmpty() && (error.error != QJsonParseError::NoError || !document.isObject()))
        qCWarning(lcGraphs) << "current processing-object data unreadable:" << error.errorString();
    const QString name = tarn::graphs::crossoverBandName(document.object(), bandNo);
    return name.isEmpty() ? QStringLiteral("Band") : name;
}
