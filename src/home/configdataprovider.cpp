#include "configdataprovider.h"

#include "homelog.h"
#include "settingskeys.h"
#include "tarnsettings.h"

#include <QJsonDocument>

namespace {
QJsonObject readObject(const QString &text)
{
    if (text.isEmpty())
        return QJsonObject();
    if (text.size() > ConfigDataProvider::kMaxDescriptionLength) {
        qCWarning(lcHome) << "block description of" << text.size() << "characters not read";
        return QJsonObject();
    }
    return QJsonDocument::fromJson(text.toUtf8()).object();
}
} // namespace

ConfigDataProvider::ConfigDataProvider(QObject *parent) : QObject(parent)
{
    m_description = readObject(TarnSettings::text(QString::fromLatin1(tarn::keys::CurrentPOData)));
    const QString images = QStringLiteral("/images/MixerTypes/");
    for (int i = 1; i <= 7; ++i) {
        m_routerImages.insert(QStringLiteral("In:In%1").arg(i), images + QStringLiteral("InMixIn%1_Large.png").arg(i));
        m_routerImages.insert(QStringLiteral("Mid:In%1").arg(i), images + QStringLiteral("MidMixIn%1_Large.png").arg(i));
    }
    for (const char *mix : {"A", "B", "C", "A+B", "B+C", "A+B+C", "1", "2", "3", "1+2", "2+3", "1+2+3"}) {
        const QString m = QString::fromLatin1(mix);
        m_routerImages.insert(QStringLiteral("Mid:") + m, images + QStringLiteral("MidMix%1_Large.png").arg(m));
    }
}

QString ConfigDataProvider::value(QString jPath) const
{
    if (jPath.isEmpty())
        return QString();
    QString result;
    QJsonObject current = m_description;
    for (const QString &piece : jPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QJsonValue member = current.value(piece);
        if (member.isObject()) {
            current = member.toObject();
            result += QString::fromUtf8(QJsonDocument(current).toJson(QJsonDocument::Indented));
        } else if (member.isString()) {
            result = member.toString();
        } else if (member.isDouble()) {
            result = QString::number(member.toDouble(), 'g', 6);
        }
    }
    return result;
}

QString ConfigDataProvider::crossoverTypeString() const
{
    return value(QStringLiteral("Attributes/Format")) + value(QStringLiteral("Attributes/NumMainCabinets"))
        + QLatin1Char('0') + value(QStringLiteral("Attributes/SubFormat")) + value(QStringLiteral("Attributes/SubNoSum"));
}

QString ConfigDataProvider::meterPO(QString mixerType) const
{
    static const QMap<QString, QString> table = [] {
        QMap<QString, QString> t;
        t.insert(QStringLiteral("8x1InputMixer"), QStringLiteral("InputMeters:Meters123"));
        t.insert(QStringLiteral("FixedInputRoute"), QStringLiteral("InputMeters:Meters123"));
        t.insert(QStringLiteral("MidMixerABC"), QStringLiteral("MetersABC:MidMeters"));
        t.insert(QStringLiteral("MidMixer123"), QStringLiteral("Meters123:MidMeters"));
        t.insert(QStringLiteral("MidMixerInputs"), QStringLiteral("InputMeters:MidMeters"));
        t.insert(QStringLiteral("MidRouter123"), QStringLiteral("InputMeters:MidMeters"));
        for (const char *router : {"MidRouter1", "MidRouter2", "MidRouter3", "MidRouter4", "MidRouter5", "MidRouter6",
                                   "MidRouter7", "MidRouterABC"})
            t.insert(QString::fromLatin1(router), QStringLiteral(":MidMeters"));
        for (const char *router : {"InRouter1", "InRouter2", "InRouter3"})
            t.insert(QString::fromLatin1(router), QStringLiteral(":InMeters"));
        return t;
    }();
    return table.value(mixerType);
}

QVariant ConfigDataProvider::mixerSVList() const
{
    const QJsonDocument document = QJsonDocument::fromJson(value(QStringLiteral("SVValues")).toUtf8());
    return document.object().keys();
}

QString ConfigDataProvider::poName(QString gridName, int channelIdx) const
{
    int offset = 0;
    if (gridName == QLatin1String("mid"))
        offset = 3;
    else if (gridName == QLatin1String("out"))
        offset = 9;
    const QJsonObject delays = readObject(TarnSettings::text(QString::fromLatin1(tarn::keys::DelayPOJson)));
    return delays.value(QString::number(channelIdx + offset)).toString();
}

QVariant ConfigDataProvider::routerImage(QString key) const
{
    return m_routerImages.value(key);
}
