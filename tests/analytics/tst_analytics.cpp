// Guards against analytics hits sent without consent, out of order or with wrong parameters,
// lost on failure, or read from a tampered queue file.
#include "analyticsqueue.h"
#include "appanalytics.h"
#include "appanalytics_p.h"
#include "httprecorder.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "version.h"

#include <QGuiApplication>
#include <QScreen>

using tarn::test::HttpRecorder;
using Form = QList<QPair<QString, QString>>;

namespace {
const QString kChoice = QString::fromLatin1(tarn::keys::AppAnalytics);
const QString kEnabled = QString::fromLatin1(tarn::keys::AnalyticsEnabled);

QSettings analyticsStore()
{
    return QSettings(QString::fromLatin1(tarn::kOrganisationName), QString::fromLatin1(tarn::kApplicationName));
}

QString queueFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/appanalytics/analyticsData.json");
}

tarn::analytics::HitQueue storedHits()
{
    tarn::analytics::HitQueue hits;
    int skipped = 0;
    QString error;
    if (!tarn::analytics::readQueueFile(queueFile(), 1000, &hits, &skipped, &error))
        qWarning() << error;
    return hits;
}

// The queue file is written on a thread of its own and synced to disk; on a machine busy with
// other writes a sync can take seconds.
constexpr int kSaveDueMs = 20000;

std::unique_ptr<AppAnalytics> start(const QUrl &endpoint, int sendIntervalMs = 10)
{
    qputenv("TARN_ANALYTICS_URL", endpoint.toEncoded());
    auto analytics = std::make_unique<AppAnalytics>();
    analytics->setSendInterval(sendIntervalMs);
    return analytics;
}

AppAnalytics::Private *d(const std::unique_ptr<AppAnalytics> &analytics)
{
    return analytics->findChild<AppAnalytics::Private *>();
}
} // namespace

// The analytics client against a recording HTTP server of our own on 127.0.0.1.
class TstAnalytics : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TarnSettings().clear();
        analyticsStore().clear();
        QFile::remove(queueFile());
        TarnSettings::write(kChoice, QStringLiteral("true"));
    }

    void hitsInOrderWithTheirParameters()
    {
        HttpRecorder collector;
        auto analytics = start(collector.url(), 60000); // all queued before the first POST
        analytics->setViewportSize(QStringLiteral("1024x768"));
        const QString av = QString::fromLatin1(tarn::kApplicationVersion);
        const auto hit = [&](const char *type, const Form &own) { return Form{{"t", type}, {"an", tarn::kApplicationName}, {"av", av}} + own; };
        const QString odd = QStringLiteral("a&b=c+d %é");
        QList<Form> expected;
        analytics->sendScreenView(QStringLiteral("PEQ"), {{QStringLiteral("Payload"), QStringLiteral("High")}});
        expected << Form{{"t", "screenview"}, {"cd", "PEQ"}, {"an", tarn::kApplicationName}, {"av", av}, {"Payload", "High"}};
        analytics->sendEvent(QStringLiteral("Cat"), QStringLiteral("Act"), odd, 5, {{QStringLiteral("cd1"), odd}});
        expected << hit("event", {{"ec", "Cat"}, {"ea", "Act"}, {"el", odd}, {"ev", "5"}, {"cd1", odd}});
        analytics->sendEvent(QStringLiteral("Cat"), QStringLiteral("Act"));
        expected << hit("event", {{"ec", "Cat"}, {"ea", "Act"}});
        analytics->sendException(QStringLiteral("Boom"), false);
        expected << hit("exception", {{"exd", "Boom"}, {"exf", "0"}});
        analytics->startSession();
        analytics->endSession();
        expected << hit("event", {{"ec", "Session"}, {"ea", "Start"}, {"sc", "start"}})
                 << hit("event", {{"ec", "Session"}, {"ea", "End"}, {"sc", "end"}});
        analytics->sendKeepAliveEvent();
        expected << hit("event", {{"ec", "KeepAliveEvent"}, {"ea", "KeepAlive"}});
        // One event per kind of device; nothing else about a device leaves the machine.
        analytics->sendUniqueDeviceEvents({"Mic_P5 #2", "P5-1234", "P5-99", "norv_di", "Stage left"});
        for (const Form &device : {Form{{"ea", "P5"}, {"el", "Mic"}}, Form{{"ea", "P5"}}, Form{{"ea", "NORV_DI"}}, Form{{"ea", "Other"}}})
            expected << hit("event", Form{{"ec", "ioSYSDevice"}} + device);
        analytics->sendUniqueMixerEvents({{QStringLiteral("Input Mixer"), QStringLiteral("Stereo")}});
        expected << hit("event", {{"ec", "MixerUiType"}, {"ea", "Input Mixer"}, {"el", "Stereo"}});
        analytics->sendPlatformData();
        analytics->sendPlatformData();
        expected << hit("event", {{"ec", "Platform"}, {"ea", QSysInfo::prettyProductName()}});

        analytics->setSendInterval(10);
        QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), expected.size(), 10000);
        const QString clientId = analyticsStore().value(QString::fromLatin1(tarn::keys::AnalyticsCid)).toString();
        QVERIFY(!QUuid(clientId).isNull());
        const QSize screen = QGuiApplication::primaryScreen()->size();
        for (int i = 0; i < expected.size(); ++i) {
            const HttpRecorder::Request &request = collector.requests().at(i);
            QCOMPARE(request.method + ' ' + request.target, QByteArray("POST /collect"));
            QCOMPARE(request.header("content-type"), QByteArray("application/x-www-form-urlencoded"));
            QVERIFY(request.header("user-agent").startsWith("Cadenzo Tarn/" + av.toLatin1() + " ("));
            QVERIFY(request.header("user-agent").endsWith(" AppAnalytics/1.0 (Qt/" + QByteArray(qVersion()) + ")"));
            QCOMPARE(request.header("connection"), QByteArray(i + 1 < expected.size() ? "keep-alive" : "close"));
            // No user id is stored, so none is sent. The queue time comes last.
            const Form common{{"v", "1"}, {"tid", AppAnalytics::kTrackingId}, {"cid", clientId}, expected.at(i).first(),
                              {"ul", analytics->language()}, {"vp", "1024x768"},
                              {"sr", QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height())}};
            const Form form = request.form();
            QCOMPARE(form.mid(0, common.size()), common);
            QCOMPARE(form.mid(common.size(), form.size() - common.size() - 1), expected.at(i).mid(1));
            QCOMPARE(form.last().first, QStringLiteral("qt"));
            QVERIFY(form.last().second.toLongLong() >= 0);
        }
        QTRY_VERIFY(d(analytics)->queue().isEmpty() && !d(analytics)->isSaving() && !QFile::exists(queueFile()));
    }

    void consentGovernsQueueFileAndPlatformEvent()
    {
        HttpRecorder collector;
        // The client's own record of the choice follows the user's.
        TarnSettings::write(kChoice, QStringLiteral("false"));
        analyticsStore().setValue(kEnabled, QStringLiteral("true"));
        auto analytics = start(collector.url());
        QVERIFY(!analytics->isAnalyticsAllowed());
        QCOMPARE(analyticsStore().value(kEnabled).toString(), QStringLiteral("false"));
        analytics->sendScreenView(QStringLiteral("Before"));
        analytics->sendPlatformData(); // waits for consent
        QVERIFY(d(analytics)->queue().isEmpty());

        QSignalSpy changed(analytics.get(), &AppAnalytics::isAnalyticsAllowedChanged);
        analytics->setIsAnalyticsAllowed(true);
        analytics->setIsAnalyticsAllowed(true);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(analyticsStore().value(kEnabled).toString(), QStringLiteral("true"));
        QCOMPARE(TarnSettings::text(kChoice), QStringLiteral("true"));
        analytics->sendPlatformData();
        analytics->sendScreenView(QStringLiteral("After"));
        QTRY_COMPARE(collector.requests().size(), 2);
        QCOMPARE(collector.requests().at(0).field("ec"), QStringLiteral("Platform"));
        QCOMPARE(collector.requests().at(1).field("cd"), QStringLiteral("After"));

        // Withdrawn through the client: what was queued goes, from the disk too.
        analytics->setSendInterval(60000);
        QTRY_VERIFY(d(analytics)->queue().isEmpty() && !analytics->isSending());
        // The round queued after the last hit went must find the queue empty, not take the next hit.
        QCoreApplication::sendPostedEvents();
        analytics->sendScreenView(QStringLiteral("Queued"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(queueFile()) && !d(analytics)->isSaving(), kSaveDueMs);
        analytics->setIsAnalyticsAllowed(false);
        analytics->sendScreenView(QStringLiteral("Off"));
        QVERIFY(d(analytics)->queue().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(queueFile()) && !d(analytics)->isSaving(), kSaveDueMs);
        // Withdrawn through the screens' settings: followed at the next hit.
        analytics->setIsAnalyticsAllowed(true);
        analytics->sendScreenView(QStringLiteral("Queued"));
        TarnSettings::write(kChoice, QStringLiteral("false"));
        analytics->sendScreenView(QStringLiteral("Off"));
        QVERIFY(d(analytics)->queue().isEmpty());
        QCOMPARE(analyticsStore().value(kEnabled).toString(), QStringLiteral("false"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(queueFile()) && !d(analytics)->isSaving(), kSaveDueMs);

        // A new run: nothing from the time it was off went out, and the platform event went once
        // for this installation.
        analytics.reset();
        TarnSettings::write(kChoice, QStringLiteral("true"));
        analytics = start(collector.url());
        analytics->sendPlatformData();
        analytics->sendScreenView(QStringLiteral("Last"));
        QTRY_COMPARE(collector.requests().size(), 3);
        QCOMPARE(collector.requests().at(2).field("cd"), QStringLiteral("Last"));
    }

    void failedPostsKeepTheHitAcrossRestarts()
    {
        // A 500, then no answer at all: the hit stays at the head until a 2xx, and is never sent
        // after it.
        HttpRecorder collector;
        collector.script = {{500, "busy", false}, {200, {}, true}};
        auto analytics = start(collector.url());
        d(analytics)->setPostTimeout(300);
        analytics->sendEvent(QStringLiteral("Retry"), QStringLiteral("A"));
        QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), 3, 10000);
        analytics->sendEvent(QStringLiteral("Retry"), QStringLiteral("B"));
        QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), 4, 10000);
        QStringList actions;
        for (const auto &request : collector.requests())
            actions << request.field("ea");
        QCOMPARE(actions, QStringList({"A", "A", "A", "B"}));
        QTRY_VERIFY(!analytics->isSending() && d(analytics)->queue().isEmpty());

        // A refused connection keeps the hit; it survives a restart and is sent after it, its queue
        // time counting from when it was first queued.
        const QUrl down = HttpRecorder().url(); // a refused port: the endpoint is down
        analytics.reset();
        analytics = start(down);
        QSignalSpy sending(analytics.get(), &AppAnalytics::isSendingChanged);
        QElapsedTimer sinceQueued;
        sinceQueued.start();
        analytics->sendEvent(QStringLiteral("Restart"), QStringLiteral("C"));
        QTRY_VERIFY(sending.count() >= 4);
        QCOMPARE(d(analytics)->queue().size(), 1);
        analytics.reset();
        const qint64 queuedFor = sinceQueued.elapsed();
        analytics = start(collector.url());
        QTRY_COMPARE_WITH_TIMEOUT(collector.requests().size(), 5, 10000);
        QCOMPARE(collector.requests().at(4).field("ea"), QStringLiteral("C"));
        QVERIFY(collector.requests().at(4).field("qt").toLongLong() >= queuedFor);

        // An endpoint that stays down never grows the queue past its cap: the oldest hits go first,
        // in memory and on disk.
        analytics.reset();
        analytics = start(down);
        for (int i = 0; i < 150; ++i)
            analytics->sendEvent(QStringLiteral("Cap"), QString::number(i));
        QCOMPARE(d(analytics)->queue().size(), tarn::analytics::kMaxQueuedHits);
        analytics.reset();
        const tarn::analytics::HitQueue stored = storedHits();
        QCOMPARE(stored.size(), tarn::analytics::kMaxQueuedHits);
        QVERIFY(stored.first().query.endsWith("&ea=50") && stored.last().query.endsWith("&ea=149"));
    }

    void storedQueueIsUntrusted_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QByteArray>("firstKept");
        const auto hit = [](const QByteArray &query) { return "{\"url\":\"" + query + "\",\"time\":\"2024-05-01T12:00:00.000Z\"}"; };
        // (Documents that are no queue at all are the queue fuzzer's corpus.)
        const int bound = int(tarn::analytics::maxQueueFileBytes(tarn::analytics::kMaxQueuedHits));
        QTest::newRow("over the size bound") << QByteArray(bound + 1, ' ') << 0 << QByteArray();
        QTest::newRow("bad elements skipped")
            << "[" + hit("v=1&a=1") + "," + hit("v=1&a=2 x") + ",{\"url\":\"v=1\",\"time\":\"noon\"},7,\"v=1\","
                   + hit(QByteArray(tarn::analytics::kMaxHitBytes + 1, 'a')) + "," + hit("v=1&a=3") + "]"
            << 2 << QByteArray("v=1&a=1");
        QByteArray many = "[";
        for (int i = 0; i < 150; ++i)
            many += (i ? "," : "") + hit("v=1&n=" + QByteArray::number(i));
        QTest::newRow("over the cap: the newest kept") << many + "]" << 100 << QByteArray("v=1&n=50");
    }

    void storedQueueIsUntrusted()
    {
        QFETCH(QByteArray, document);
        QFETCH(int, kept);
        QFETCH(QByteArray, firstKept);
        QVERIFY(tarn::test::writeFile(queueFile(), document));
        auto analytics = start(HttpRecorder().url(), 60000); // a refused port
        QCOMPARE(d(analytics)->queue().size(), kept);
        if (kept > 0)
            QCOMPARE(d(analytics)->queue().first().query, firstKept);
        // A broken file is discarded; a cleaned queue is written back.
        QTRY_VERIFY(!d(analytics)->isSaving());
        QCOMPARE(storedHits().size(), kept);
    }
};

TARN_TEST_MAIN(TstAnalytics, QGuiApplication)
#include "tst_analytics.moc"
