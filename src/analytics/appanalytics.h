#pragma once

#include "screenviewreporter.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// Anonymous usage reporting: screen views, events, exceptions, sessions and a keep-alive, each
// queued as one hit and posted to the collection endpoint, one POST at a time. Nothing is
// queued, stored or sent unless the user allows it ("Data/appAnalytics", the utilities switch).
// The queue outlives the process in "analyticsData.json" under the application's data folder.
class AppAnalytics : public QObject, public tarn::ScreenViewReporter {
    Q_OBJECT
    Q_PROPERTY(QString viewportSize READ viewportSize WRITE setViewportSize NOTIFY viewportSizeChanged)
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QString trackingID READ trackingID WRITE setTrackingID NOTIFY trackingIDChanged)
    Q_PROPERTY(int sendInterval READ sendInterval WRITE setSendInterval NOTIFY sendIntervalChanged)
    Q_PROPERTY(bool isSending READ isSending NOTIFY isSendingChanged)
    Q_PROPERTY(bool isAnalyticsAllowed READ isAnalyticsAllowed WRITE setIsAnalyticsAllowed NOTIFY
                   isAnalyticsAllowedChanged)
public:
    class Private;

    static constexpr const char *kTrackingId = "UA-482650317-1";
    static constexpr int kInitialSendIntervalMs = 20000;
    static constexpr int kKeepAliveIntervalMs = 600000;

    // The analytics client of the process, created on first use and registered as the screen-view
    // reporter; destroyed (its queue saved) by destroyInstance() or at the latest at exit.
    static AppAnalytics *instance();
    static void destroyInstance();

    explicit AppAnalytics(QObject *parent = nullptr);
    ~AppAnalytics() override;

    QString viewportSize() const;
    void setViewportSize(const QString &viewportSize);
    QString language() const;
    void setLanguage(const QString &language);
    QString trackingID() const;
    void setTrackingID(const QString &trackingID);
    int sendInterval() const;
    void setSendInterval(int sendInterval);
    bool isSending() const;
    bool isAnalyticsAllowed() const;

public slots:
    void sendScreenView(const QString &screenName, const QVariantMap &customValues) override;
    void sendScreenView(const QString &screenName);
    void sendEvent(const QString &category, const QString &action, const QString &label, const QVariant &value,
                   const QVariantMap &customValues);
    void sendEvent(const QString &category, const QString &action, const QString &label, const QVariant &value);
    void sendEvent(const QString &category, const QString &action, const QString &label);
    void sendEvent(const QString &category, const QString &action);
    void sendException(const QString &exceptionDescription, bool exceptionFatal, const QVariantMap &customValues);
    void sendException(const QString &exceptionDescription, bool exceptionFatal);
    void sendException(const QString &exceptionDescription);
    void startSession();
    void endSession();
    void sendUniqueDeviceEvents(const QList<QString> &deviceList);
    void sendKeepAliveEvent();
    void sendPlatformData();
    void setIsAnalyticsAllowed(bool isAnalyticsAllowed);
    void sendUniqueMixerEvents(const QMap<QString, QString> &mixerList);

signals:
    void logLevelChanged();
    void viewportSizeChanged();
    void languageChanged();
    void trackingIDChanged();
    void sendIntervalChanged();
    void isSendingChanged(bool isSending);
    void isAnalyticsAllowedChanged(bool isAnalyticsAllowed);

private:
    void queueEvent(const QString &category, const QString &action, const QString &label, const QVariant &value,
                    const QVariantMap &customValues, const char *sessionControl = nullptr);

    Private *m_d; // a child: it holds the queue and the network work
    QString m_viewportSize;
    QString m_language;
    QString m_trackingID;
};
