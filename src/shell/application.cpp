#include "application.h"

#include "appanalytics.h"
#include "datafromdevice.h"
#include "datapaths.h"
#include "messagehandler.h"
#include "platform.h"
#include "qmltypes.h"
#include "scenegraphchoice.h"
#include "screentour.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "version.h"
#include "viewloader.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLockFile>
#include <QQuickView>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace tarn {
namespace {
struct Options {
    QString connect;
    bool offline = false;
    QString screenshot;
    QString screenshotDir;
    QString tour;
    QString model;
    int quitAfterMs = -1;
};

Options parseOptions(const QApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tarn Control: find, watch and edit loudspeaker processors."));
    parser.addHelpOption();
    const QCommandLineOption connect(QStringLiteral("connect"),
                                     QStringLiteral("Connect at start to ADDRESS, logging in with PASSWORD."),
                                     QStringLiteral("ADDRESS[:PASSWORD]"));
    const QCommandLineOption offline(QStringLiteral("offline"),
                                     QStringLiteral("Start the offline model and connect to it."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the window as a PNG into FILE (with --quit-after)."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("Quit after MS milliseconds (the screenshot is taken then)."),
                                       QStringLiteral("MS"));
    const QCommandLineOption screenshotDir(QStringLiteral("screenshot-dir"),
                                           QStringLiteral("Save every screen shown as DIR/<document>.png (a screen tour)."),
                                           QStringLiteral("DIR"));
    const QCommandLineOption tour(QStringLiteral("tour"),
                                  QStringLiteral("After the login, visit the screens listed in FILE (document<TAB>command<TAB>payload "
                                                 "per line), logging how long each took to show; with --screenshot-dir, "
                                                 "picture each."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("The processor model the offline model plays: tarn (fixed chain, the default) "
                                                  "or quarra (configurable chain)."),
                                   QStringLiteral("MODEL"));
    parser.addOptions({connect, offline, screenshot, quitAfter, screenshotDir, tour, model});
    parser.process(app);

    Options options;
    options.connect = parser.value(connect);
    options.offline = parser.isSet(offline);
    options.screenshot = parser.value(screenshot);
    options.screenshotDir = parser.value(screenshotDir);
    options.tour = parser.value(tour);
    options.model = parser.value(model).toLower();
    bool ok = false;
    const int ms = parser.value(quitAfter).toInt(&ok);
    if (parser.isSet(quitAfter) && ok && ms >= 0)
        options.quitAfterMs = ms;
    return options;
}

void writeStartupSettings()
{
    TarnSettings::write(QString::fromLatin1(keys::ExtraFeaturesReady), QStringLiteral("true"));
    TarnSettings::write(QString::fromLatin1(keys::ResizeReady), QStringLiteral("true"));
    TarnSettings settings;
    if (!settings.contains(QString::fromLatin1(keys::CheckOnStart)))
        settings.setValue(QString::fromLatin1(keys::CheckOnStart), QStringLiteral("true"));
    TarnSettings::write(QString::fromLatin1(keys::CurrentVersion), QString::fromLatin1(kApplicationVersion));
}

// --offline and --connect act as the matching commands of the discovery screen would.
void connectAtStart(const Options &options, ViewLoader *viewLoader)
{
    if (options.model == QLatin1String("quarra") || options.model == QLatin1String("tarn")) {
        TarnSettings::write(QString::fromLatin1(keys::OfflineModelPlatform),
                            QString::fromLatin1(options.model == QLatin1String("quarra") ? kQuarraPlatform : kTarnPlatform));
    } else if (!options.model.isEmpty()) {
        qWarning().noquote() << "Unknown model" << options.model << "(tarn or quarra); the setting stays.";
    }
    if (options.offline) {
        const QString variant = TarnSettings::text(QString::fromLatin1(keys::DatabaseHardwareType), QStringLiteral("Standard"));
        viewLoader->onGuiSignal(QStringLiteral("ConnectOfflineModel"), variant);
    } else if (!options.connect.isEmpty()) {
        // "ADDRESS[:PASSWORD]": without a ":" the whole text is both, as for the command.
        viewLoader->onGuiSignal(QStringLiteral("ConnectDevice"), options.connect);
    }
}

constexpr int kAnalyticsSendIntervalMs = 5000;

// Each screen is pictured once it has settled: its document loaded and its first answers in.
constexpr int kScreenSettleMs = 1500;

void pictureEveryScreen(const Options &options, ViewLoader *viewLoader)
{
    if (options.screenshotDir.isEmpty())
        return;
    QDir().mkpath(options.screenshotDir);
    QObject::connect(viewLoader, &ViewLoader::loadPage, viewLoader, [viewLoader, dir = options.screenshotDir](const QVariant &path) {
        const QString name = QFileInfo(path.toString()).completeBaseName();
        QTimer::singleShot(kScreenSettleMs, viewLoader, [viewLoader, dir, name]() {
            const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".png");
            if (!savePicture(viewLoader->view()->grabWindow(), file))
                qWarning() << "Could not save the screenshot" << file;
            else
                qDebug() << "Screenshot saved:" << file;
        });
    });
}

// A tour pictures its stops itself, once each has settled.
std::unique_ptr<ScreenTour> startTour(const Options &options, ViewLoader *viewLoader)
{
    if (options.tour.isEmpty())
        return nullptr;
    QFile file(options.tour);
    QList<ScreenTour::Stop> stops;
    QString error;
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Tour: cannot read" << options.tour;
        return nullptr;
    }
    if (!ScreenTour::parse(file.read(ScreenTour::kMaxListBytes + 1), &stops, &error)) {
        qWarning().noquote() << "Tour:" << options.tour << error;
        return nullptr;
    }
    auto tour = std::make_unique<ScreenTour>(viewLoader, stops, options.screenshotDir);
    tour->start();
    return tour;
}

void scheduleScreenshotAndQuit(const Options &options, QQuickView *view)
{
    if (options.quitAfterMs < 0)
        return;
    QTimer::singleShot(options.quitAfterMs, view, [view, file = options.screenshot]() {
        if (!file.isEmpty()) {
            const QImage image = view->grabWindow();
            if (image.isNull() || !image.save(file))
                std::fprintf(stderr, "tarn-control: could not save the screenshot to %s\n", qPrintable(file));
            else
                std::printf("%s\n", qPrintable(QFileInfo(file).absoluteFilePath()));
        }
        QCoreApplication::quit();
    });
}
} // namespace

int runApplication(int argc, char *argv[])
{
    // 1. The application object.
    QApplication app(argc, argv);
    const Options options = parseOptions(app);

    // The lock is tested before the log is touched, so that a second instance never deletes
    // the running instance's log.
    auto lock = std::make_unique<QLockFile>(lockFilePath());
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        std::fprintf(stderr, "Another instance of the application is already running.\n");
        return 0;
    }

    // 2.-5. A fresh log in the data folder, the handler, and the generic data location.
    const QString genericLocation = genericDataLocation();
    setGenericDataLocation(genericLocation);
    QFile::remove(logFilePath());
    QDir().mkpath(dataFolder());
    installLogHandler(logFilePath());
    qDebug() << genericLocation << dataFolder();

    // 6. The lock was taken above.
    qDebug() << "File locked by process.";

    // 7. Start-up settings.
    writeStartupSettings();

    // 8.-9.
    qDebug() << "QT PLATFORM NAME = " << QGuiApplication::platformName();
    registerDataFromDeviceTypes();
    registerQmlTypes();

    // 10.-11.
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(kOrganisationDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    {
        TarnSettings settings;
        if (!settings.contains(QString::fromLatin1(keys::AppAnalytics)))
            settings.setValue(QString::fromLatin1(keys::AppAnalytics), QStringLiteral("true"));
    }

    // 12. Usage analytics.
    if (AppAnalytics *analytics = AppAnalytics::instance()) {
        analytics->setTrackingID(QString::fromLatin1(AppAnalytics::kTrackingId));
        analytics->setSendInterval(kAnalyticsSendIntervalMs);
        analytics->sendPlatformData();
        analytics->startSession();
    }

    // 13. The application font.
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("Arial"));
    font.setStyle(QFont::StyleNormal);
    QApplication::setFont(font);

    // 14. The window and its screens.
    chooseSceneGraphBackend();
    auto viewLoader = std::make_unique<ViewLoader>();
    std::unique_ptr<ScreenTour> tour = startTour(options, viewLoader.get());
    if (!tour)
        pictureEveryScreen(options, viewLoader.get());
    viewLoader->InitLoader(QGuiApplication::platformName());
    connectAtStart(options, viewLoader.get());
    scheduleScreenshotAndQuit(options, viewLoader->view());

    // 15.
    const int code = app.exec();
    tour.reset();
    viewLoader.reset();
    // The session's end is queued with the rest and goes out with the next run if not before;
    // the queue is saved while the log can still tell about it.
    if (AppAnalytics *analytics = AppAnalytics::instance())
        analytics->endSession();
    AppAnalytics::destroyInstance();
    // The link goes while the log is still open, so its last words are kept.
    TCPAdaptor::destroyInstance();
    uninstallLogHandler();
    return code;
}
} // namespace tarn
