#include "appanalytics.h"
#include "appanalytics_p.h"

#include "analyticslog.h"
#include "cloudstore.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <utility>

using tarn::analytics::Hit;
using tarn::analytics::HitQueue;

namespace {
AppAnalytics *g_instance = nullptr;
bool g_instanceGone = false;

// A stored user id longer than this is not anyone's id; it is not sent.
constexpr int kMaxUserIdLength = 256;

QString key(const char *text)
{
    return QString::fromLatin1(text);
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The analytics client keeps its own keys in the store named after the application object.
QSettings analyticsStore()
{
    return QSettings(QString::fromLatin1(tarn::kOrganisationName), QString::fromLatin1(tarn::kApplicationName));
}

// The user's own choice, as the utilities screen's switch writes it.
bool userAllows()
{
    return TarnSettings::text(key(tarn::keys::AppAnalytics)) == QLatin1String("true");
}

// Appends key=value pairs, both percent-encoded, so a value can never split the query.
class Query {
public:
    explicit Query(QByteArray start) : m_text(std::move(start)) {}
    Query &add(const char *name, const QString &value)
    {
        m_text += '&';
        m_text += name;
        m_text += '=';
        m_text += QUrl::toPercentEncoding(value);
        return *this;
    }
    Query &addCustom(const QVariantMap &values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.key().isEmpty())
                continue;
            m_text += '&';
            m_text += QUrl::toPercentEncoding(it.key());
            m_text += '=';
            m_text += QUrl::toPercentEncoding(it.value().toString());
        }
        return *this;
    }
    const QByteArray &text() const { return m_text; }

private:
    QByteArray m_text;
};

// The operating system as the user agent names it: "Windows; 10", "OSX; 14.1", "Linux; debian 12".
QString operatingSystemText()
{
    const QString type = QSysInfo::productType();
    const QString version = QSysInfo::productVersion();
    if (type == QLatin1String("windows"))
        return QStringLiteral("Windows; ") + version;
    if (type == QLatin1String("osx") || type == QLatin1String("macos"))
        return QStringLiteral("OSX; ") + version;
    if (type == QLatin1String("ios"))
        return QStringLiteral("iOS; ") + version;
    QString kernel = QSysInfo::kernelType();
    if (!kernel.isEmpty())
        kernel[0] = kernel.at(0).toUpper();
    return kernel + QStringLiteral("; ") + type + QLatin1Char(' ') + version;
}

// Device texts name the kind of device only; anything else about a device (its name, serial
// number, address) is never reported.
struct DeviceKind {
    const char *text;
    const char *action;
    const char *label;
};
// Longer texts first: "Mic_P5" also contains "P5".
constexpr DeviceKind kDeviceKinds[] = {
    {"Mic_P5", "P5", "Mic"},         {"Mic_P7", "P7", "Mic"},         {"MDAi", "MDAi", nullptr},
    {"NORV_DI", "NORV_DI", nullptr}, {"norv_di", "NORV_DI", nullptr}, {"P5", "P5", nullptr},
    {"P7", "P7", nullptr},
};
} // namespace

// --- AppAnalytics::Private ---

AppAnalytics::Private::Private(AppAnalytics *owner)
    : QObject(owner),
      m_owner(owner),
      m_network(new QNetworkAccessManager(this)),
      m_writer(std::make_unique<QObject>()),
      m_storeAllowed(std::make_shared<std::atomic<bool>>(false))
{
    m_path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/appanalytics/analyticsData.json");

    QSettings store = analyticsStore();
    const QString clientId = store.value(key(tarn::keys::AnalyticsCid)).toString();
    if (QUuid(clientId).isNull()) {
        m_clientId = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
        store.setValue(key(tarn::keys::AnalyticsCid), QString::fromLatin1(m_clientId));
    } else {
        m_clientId = QUuid(clientId).toByteArray(QUuid::WithoutBraces);
    }
    const QString userId = store.value(key(tarn::keys::AnalyticsUid)).toString();
    if (userId.size() <= kMaxUserIdLength)
        m_userId = QUrl::toPercentEncoding(userId);

    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QSize pixels = screen->size() * screen->devicePixelRatio();
            m_screenResolution = QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height()).toLatin1();
        }
        connect(gui, &QGuiApplication::applicationStateChanged, this, &Private::onApplicationStateChanged);
    }

    m_endpoint = tarn::httpUrlFromEnvironment("TARN_ANALYTICS_URL", QUrl(QString::fromLatin1(kDefaultEndpoint)));

    m_sendTimer.setInterval(AppAnalytics::kInitialSendIntervalMs);
    connect(&m_sendTimer, &QTimer::timeout, this, &Private::postMessage);
    m_keepAliveTimer.setInterval(AppAnalytics::kKeepAliveIntervalMs);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, [this]() {
        if (isAllowed())
            m_owner->sendKeepAliveEvent();
    });
    // Queued, so that the event loop runs between one hit's reply and the next POST.
    connect(this, &Private::postNextMessage, this, &Private::postMessage, Qt::QueuedConnection);

    m_saveSpacing.setSingleShot(true);
    m_saveSpacing.setInterval(kMinSaveSpacingMs);
    connect(&m_saveSpacing, &QTimer::timeout, this, [this]() {
        if (m_saveWanted && !m_saveRunning)
            startSave();
    });
    m_writer->moveToThread(&m_writerThread);
    m_writerThread.setObjectName(QStringLiteral("analytics-store"));
    m_writerThread.start();

    // One consent: the user's choice on the utilities screen. The client's own key follows it.
    m_allowed = userAllows();
    m_storeAllowed->store(m_allowed);
    store.setValue(key(tarn::keys::AnalyticsEnabled), boolText(m_allowed));
    loadQueue();
    if (m_allowed) {
        m_sendTimer.start();
        m_keepAliveTimer.start();
    }
}

AppAnalytics::Private::~Private()
{
    disconnect(this, nullptr, nullptr, nullptr);
    dropReply();
    m_writerThread.quit();
    m_writerThread.wait();
    m_writer.reset();
    // Whatever the writer had not yet written is written now, as the queue stands at the end.
    if (isSaving()) {
        QString error;
        if (!tarn::analytics::writeQueueFile(m_path, m_allowed ? m_queue : HitQueue(), &error))
            qCWarning(lcAnalytics) << "The analytics queue could not be saved:" << error;
    }
}

void AppAnalytics::Private::loadQueue()
{
    QString error;
    if (!m_allowed) {
        // A queue left from before consent was withdrawn is not kept.
        if (!tarn::analytics::writeQueueFile(m_path, {}, &error))
            qCWarning(lcAnalytics) << error;
        return;
    }
    HitQueue hits;
    int skipped = 0;
    if (!tarn::analytics::readQueueFile(m_path, m_cap, &hits, &skipped, &error)) {
        qCWarning(lcAnalytics).noquote() << "The stored analytics queue" << m_path << "is discarded:" << error;
        QFile::remove(m_path);
        return;
    }
    for (Hit &hit : hits)
        hit.id = m_nextId++;
    m_queue = std::move(hits);
    if (skipped > 0) {
        qCWarning(lcAnalytics) << skipped << "stored analytics hits were unusable or over the limit and are dropped";
        requestSave();
    }
}

QByteArray AppAnalytics::Private::commonQuery(const char *hitType) const
{
    QByteArray query = "v=1&tid=" + QUrl::toPercentEncoding(m_owner->trackingID()) + "&cid=" + m_clientId;
    // Without a user id the report stays anonymous: no empty "uid" is sent.
    if (!m_userId.isEmpty())
        query += "&uid=" + m_userId;
    query += QByteArray("&t=") + hitType + "&ul=" + QUrl::toPercentEncoding(m_owner->language());
    if (!m_owner->viewportSize().isEmpty())
        query += "&vp=" + QUrl::toPercentEncoding(m_owner->viewportSize());
    if (!m_screenResolution.isEmpty())
        query += "&sr=" + m_screenResolution;
    return query;
}

void AppAnalytics::Private::enqueue(const QByteArray &query)
{
    if (!isAllowed())
        return;
    if (!tarn::analytics::isWellFormedQuery(query)) {
        qCWarning(lcAnalytics) << "A usage hit of" << query.size() << "bytes is too long or malformed and is dropped";
        return;
    }
    while (m_queue.size() >= m_cap)
        m_queue.removeFirst();
    m_queue.append(Hit{query, QDateTime::currentMSecsSinceEpoch(), m_nextId++});
    requestSave();
    if (!m_sendTimer.isActive() && !m_suspended)
        m_sendTimer.start();
}

bool AppAnalytics::Private::isAllowed()
{
    // The choice may have been changed in the store directly (the screens' settings object);
    // a "no" there is followed at once.
    if (m_allowed && !userAllows())
        setAllowed(false);
    return m_allowed;
}

void AppAnalytics::Private::setAllowed(bool allowed)
{
    analyticsStore().setValue(key(tarn::keys::AnalyticsEnabled), boolText(allowed));
    TarnSettings::write(key(tarn::keys::AppAnalytics), boolText(allowed));
    if (allowed == m_allowed)
        return;
    m_allowed = allowed;
    m_storeAllowed->store(allowed);
    if (allowed) {
        m_sendTimer.start();
        m_keepAliveTimer.start();
    } else {
        dropReply();
        m_sendTimer.stop();
        m_keepAliveTimer.stop();
        m_queue.clear();
        requestSave();
        qCInfo(lcAnalytics) << "Usage analytics switched off; the queued hits are dropped";
    }
    emit allowedChanged(allowed);
}

void AppAnalytics::Private::setSendInterval(int ms)
{
    m_sendTimer.setInterval(std::max(ms, 1));
}

void AppAnalytics::Private::setMaxQueuedHits(int cap)
{
    m_cap = std::max(cap, 1);
    if (m_queue.size() > m_cap) {
        m_queue.remove(0, m_queue.size() - m_cap);
        requestSave();
    }
}

void AppAnalytics::Private::requestSave()
{
    m_saveWanted = true;
    if (!m_saveRunning && !m_saveSpacing.isActive())
        startSave();
}

void AppAnalytics::Private::startSave()
{
    m_saveWanted = false;
    m_saveRunning = true;
    m_saveSpacing.start();
    // The writer gets a vector of its own (the hits' bytes are still shared). A vector shared with
    // the queue would be moved by the queue's next append once the writer let go of it, and that
    // check of the share count does not order the move after the writer's last reads.
    HitQueue snapshot;
    if (m_allowed) {
        snapshot.reserve(m_queue.size());
        for (const Hit &hit : qAsConst(m_queue))
            snapshot.append(hit);
    }
    QMetaObject::invokeMethod(
        m_writer.get(),
        [this, snapshot, path = m_path, allowed = m_storeAllowed]() {
            QString error;
            // Consent withdrawn after this save was asked for: nothing is written.
            if (!tarn::analytics::writeQueueFile(path, allowed->load() ? snapshot : HitQueue(), &error))
                qCWarning(lcAnalytics) << "The analytics queue could not be saved:" << error;
            // The owner waits for this thread before it goes, so it is still there.
            QMetaObject::invokeMethod(this, &Private::onSaveDone, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void AppAnalytics::Private::onSaveDone()
{
    m_saveRunning = false;
    emit saved();
    if (m_saveWanted && !m_saveSpacing.isActive())
        startSave();
}

QString AppAnalytics::Private::userAgent() const
{
    return QStringLiteral("%1/%2 (%3; %4) AppAnalytics/1.0 (Qt/%5)")
        .arg(QString::fromLatin1(tarn::kApplicationName), QString::fromLatin1(tarn::kApplicationVersion),
             operatingSystemText(), m_owner->language(), QString::fromLatin1(qVersion()));
}

void AppAnalytics::Private::postMessage()
{
    // One POST at a time: a timer round or a state change while one is under way adds nothing.
    if (m_reply || m_suspended || !isAllowed())
        return;
    if (m_queue.isEmpty()) {
        m_sendTimer.start();
        return;
    }
    const Hit &hit = m_queue.constFirst();
    const qint64 queueTime = std::max<qint64>(0, QDateTime::currentMSecsSinceEpoch() - hit.queuedMs);
    QNetworkRequest request(m_endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setRawHeader("Connection", m_queue.size() > 1 ? "keep-alive" : "close");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(m_postTimeoutMs);
    m_inFlightId = hit.id;
    m_replyBytes = 0;
    m_reply = m_network->post(request, hit.query + "&qt=" + QByteArray::number(queueTime));
    connect(m_reply, &QNetworkReply::finished, this, &Private::postMessageFinished);
    connect(m_reply, &QNetworkReply::readyRead, this, [this, reply = m_reply]() {
        // The body means nothing here; it is read away, and an endless one is cut off.
        m_replyBytes += reply->readAll().size();
        if (m_replyBytes > kMaxReplyBodyBytes)
            reply->abort();
    });
    emit isSendingChanged(true);
}

void AppAnalytics::Private::postMessageFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply != m_reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    emit isSendingChanged(false);
    if (status >= 200 && status <= 299) {
        qCDebug(lcAnalytics) << "Message sent";
        if (std::exchange(m_failing, false))
            qCInfo(lcAnalytics) << "The collection endpoint takes usage hits again";
        // By its id: the hit may have left the queue meanwhile (full queue, consent withdrawn).
        const auto sent = std::find_if(m_queue.begin(), m_queue.end(),
                                       [this](const Hit &hit) { return hit.id == m_inFlightId; });
        if (sent != m_queue.end()) {
            m_queue.erase(sent);
            requestSave();
        }
        emit postNextMessage();
        return;
    }
    // Offline at a show the endpoint is out of reach for hours: that is said once, not every round.
    const QString why = status != 0 ? QStringLiteral("HTTP %1").arg(status) : reply->errorString();
    if (!std::exchange(m_failing, true))
        qCWarning(lcAnalytics).noquote() << "Usage hit not sent, kept for later:" << why;
    else
        qCDebug(lcAnalytics).noquote() << "Usage hit not sent, kept for later:" << why;
    if (m_allowed && !m_suspended)
        m_sendTimer.start();
}

void AppAnalytics::Private::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    emit isSendingChanged(false);
}

void AppAnalytics::Private::onApplicationStateChanged(Qt::ApplicationState appState)
{
    if (appState == Qt::ApplicationSuspended || appState == Qt::ApplicationHidden) {
        m_suspended = true;
        m_sendTimer.stop();
        return;
    }
    m_suspended = false;
    if (!m_allowed)
        return;
    if (!m_sendTimer.isActive())
        m_sendTimer.start();
    if (appState == Qt::ApplicationActive)
        postMessage();
}

// --- AppAnalytics ---

AppAnalytics *AppAnalytics::instance()
{
    if (g_instanceGone)
        return nullptr;
    if (!g_instance) {
        g_instance = new AppAnalytics;
        tarn::ScreenViewReporter::setInstance(g_instance);
        qAddPostRoutine(&AppAnalytics::destroyInstance);
    }
    return g_instance;
}

void AppAnalytics::destroyInstance()
{
    g_instanceGone = true;
    delete std::exchange(g_instance, nullptr);
}

AppAnalytics::AppAnalytics(QObject *parent)
    : QObject(parent),
      m_language(QLocale::system().name().replace(QLatin1Char('_'), QLatin1Char('-'))),
      m_trackingID(QString::fromLatin1(kTrackingId))
{
    m_d = new Private(this);
    connect(m_d, &Private::isSendingChanged, this, &AppAnalytics::isSendingChanged);
    connect(m_d, &Private::allowedChanged, this, &AppAnalytics::isAnalyticsAllowedChanged);
}

AppAnalytics::~AppAnalytics()
{
    // The queue is saved while this object is still whole.
    delete m_d;
}

QString AppAnalytics::viewportSize() const
{
    return m_viewportSize;
}

void AppAnalytics::setViewportSize(const QString &viewportSize)
{
    if (viewportSize == m_viewportSize)
        return;
    m_viewportSize = viewportSize;
    emit viewportSizeChanged();
}

QString AppAnalytics::language() const
{
    return m_language;
}

void AppAnalytics::setLanguage(const QString &language)
{
    if (language == m_language)
        return;
    m_language = language;
    emit languageChanged();
}

QString AppAnalytics::trackingID() const
{
    return m_trackingID;
}

void AppAnalytics::setTrackingID(const QString &trackingID)
{
    if (trackingID == m_trackingID)
        return;
    m_trackingID = trackingID;
    emit trackingIDChanged();
}

int AppAnalytics::sendInterval() const
{
    return m_d->sendInterval();
}

void AppAnalytics::setSendInterval(int sendInterval)
{
    if (sendInterval == m_d->sendInterval())
        return;
    m_d->setSendInterval(sendInterval);
    emit sendIntervalChanged();
}

bool AppAnalytics::isSending() const
{
    return m_d->isSending();
}

bool AppAnalytics::isAnalyticsAllowed() const
{
    return m_d->isAllowed();
}

void AppAnalytics::setIsAnalyticsAllowed(bool isAnalyticsAllowed)
{
    m_d->setAllowed(isAnalyticsAllowed);
    // The platform event waits for consent and goes out once it is given.
    if (isAnalyticsAllowed)
        sendPlatformData();
}

void AppAnalytics::sendScreenView(const QString &screenName, const QVariantMap &customValues)
{
    qCDebug(lcAnalytics) << "[Analytics]" << QStringLiteral("ScreenView: %1").arg(screenName);
    if (!m_d->isAllowed())
        return;
    m_d->enqueue(Query(m_d->commonQuery("screenview"))
                     .add("cd", screenName)
                     .add("an", QString::fromLatin1(tarn::kApplicationName))
                     .add("av", QString::fromLatin1(tarn::kApplicationVersion))
                     .addCustom(customValues)
                     .text());
}

void AppAnalytics::sendScreenView(const QString &screenName)
{
    sendScreenView(screenName, {});
}

void AppAnalytics::queueEvent(const QString &category, const QString &action, const QString &label,
                              const QVariant &value, const QVariantMap &customValues, const char *sessionControl)
{
    if (!m_d->isAllowed())
        return;
    Query query(m_d->commonQuery("event"));
    query.add("an", QString::fromLatin1(tarn::kApplicationName))
        .add("av", QString::fromLatin1(tarn::kApplicationVersion))
        .add("ec", category)
        .add("ea", action);
    if (!label.isEmpty())
        query.add("el", label);
    if (value.isValid() && !value.toString().isEmpty())
        query.add("ev", value.toString());
    if (sessionControl)
        query.add("sc", QString::fromLatin1(sessionControl));
    m_d->enqueue(query.addCustom(customValues).text());
}

void AppAnalytics::sendEvent(const QString &category, const QString &action, const QString &label,
                             const QVariant &value, const QVariantMap &customValues)
{
    queueEvent(category, action, label, value, customValues);
}

void AppAnalytics::sendEvent(const QString &category, const QString &action, const QString &label,
                             const QVariant &value)
{
    queueEvent(category, action, label, value, {});
}

void AppAnalytics::sendEvent(const QString &category, const QString &action, const QString &label)
{
    queueEvent(category, action, label, {}, {});
}

void AppAnalytics::sendEvent(const QString &category, const QString &action)
{
    queueEvent(category, action, {}, {}, {});
}

void AppAnalytics::sendException(const QString &exceptionDescription, bool exceptionFatal,
                                 const QVariantMap &customValues)
{
    if (!m_d->isAllowed())
        return;
    m_d->enqueue(Query(m_d->commonQuery("exception"))
                     .add("an", QString::fromLatin1(tarn::kApplicationName))
                     .add("av", QString::fromLatin1(tarn::kApplicationVersion))
                     .add("exd", exceptionDescription)
                     .add("exf", exceptionFatal ? QStringLiteral("1") : QStringLiteral("0"))
                     .addCustom(customValues)
                     .text());
}

void AppAnalytics::sendException(const QString &exceptionDescription, bool exceptionFatal)
{
    sendException(exceptionDescription, exceptionFatal, {});
}

void AppAnalytics::sendException(const QString &exceptionDescription)
{
    sendException(exceptionDescription, true, {});
}

void AppAnalytics::startSession()
{
    queueEvent(QStringLiteral("Session"), QStringLiteral("Start"), {}, {}, {}, "start");
}

void AppAnalytics::endSession()
{
    queueEvent(QStringLiteral("Session"), QStringLiteral("End"), {}, {}, {}, "end");
}

void AppAnalytics::sendUniqueDeviceEvents(const QList<QString> &deviceList)
{
    QSet<QString> reported;
    for (const QString &device : deviceList) {
        const DeviceKind *kind = std::find_if(std::begin(kDeviceKinds), std::end(kDeviceKinds), [&](const DeviceKind &k) {
            return device.contains(QLatin1String(k.text));
        });
        const QString action = kind != std::end(kDeviceKinds) ? QString::fromLatin1(kind->action) : QStringLiteral("Other");
        const QString label = kind != std::end(kDeviceKinds) && kind->label ? QString::fromLatin1(kind->label) : QString();
        if (reported.contains(action + QLatin1Char('/') + label))
            continue;
        reported.insert(action + QLatin1Char('/') + label);
        queueEvent(QStringLiteral("ioSYSDevice"), action, label, {}, {});
    }
}

void AppAnalytics::sendKeepAliveEvent()
{
    queueEvent(QStringLiteral("KeepAliveEvent"), QStringLiteral("KeepAlive"), {}, {}, {});
}

void AppAnalytics::sendPlatformData()
{
    if (!m_d->isAllowed())
        return;
    QSettings store = analyticsStore();
    if (store.contains(key(tarn::keys::AnalyticsOS)))
        return;
    const QString platform = QSysInfo::prettyProductName();
    store.setValue(key(tarn::keys::AnalyticsOS), platform);
    queueEvent(QStringLiteral("Platform"), platform, {}, {}, {});
}

void AppAnalytics::sendUniqueMixerEvents(const QMap<QString, QString> &mixerList)
{
    for (auto it = mixerList.cbegin(); it != mixerList.cend(); ++it)
        queueEvent(QStringLiteral("MixerUiType"), it.key(), it.value(), {}, {});
}
