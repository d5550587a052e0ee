#pragma once

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

// What a block screen of the configurable model knows about the processing object it shows:
// values from the object's description (left in "Data/CurrentPOData" by the home screen when the
// block was pressed), the meter objects that belong to a mixer or router, the delay object of a
// grid position ("Data/DelayPOJson") and the picture of a router choice. The description is read
// once, when the provider is made.
class ConfigDataProvider : public QObject {
    Q_OBJECT
public:
    // A description longer than this is not read (it comes from the processor).
    static constexpr int kMaxDescriptionLength = 1024 * 1024;

    explicit ConfigDataProvider(QObject *parent = nullptr);

    Q_INVOKABLE QString poName(QString gridName, int channelIdx) const;
    Q_INVOKABLE QString value(QString jPath) const;
    Q_INVOKABLE QString crossoverTypeString() const;
    Q_INVOKABLE QString meterPO(QString mixerType) const;
    Q_INVOKABLE QVariant mixerSVList() const;
    Q_INVOKABLE QVariant routerImage(QString key) const;

private:
    QJsonObject m_description;
    QJsonObject m_second;
    QMap<QString, QString> m_routerImages;
};
