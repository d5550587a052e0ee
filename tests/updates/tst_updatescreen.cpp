// Guards against an update path that breaks between the screens, the cloud store and the
// processor's restart: walked as a user does under Xvfb, each state pictured in screenshots/updates.
#include "appbusy.h"
#include "cloudstoreserver.h"
#include "firmwareupdater.h"
#include "modelprocess.h"
#include "qmltypes.h"
#include "quickitems.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "updatecommon.h"
#include "viewloader.h"
#include "xvfbexec.h"

#include <QApplication>
#include <QDesktopServices>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest>

using tarn::test::findItem;
constexpr int kWait = 20000;

class UpdateScreenTest : public QObject {
    Q_OBJECT
public slots:
    void openFile(const QUrl &url) { m_opened = url; }

private slots:
    void initTestCase();
    void walk();
    void cleanupTestCase();

private:
    QQuickItem *item(const QString &strip, const QString &name) const
    {
        QQuickItem *within = findItem(m_loader->view()->contentItem(), strip);
        return within ? findItem(within, name) : nullptr;
    }
    QString text(const QString &strip, const QString &name) const
    {
        QQuickItem *i = item(strip, name);
        return i ? i->property("text").toString() : QString();
    }
    bool click(const QString &strip, const QString &name)
    {
        QQuickItem *button = strip.isEmpty() ? findItem(m_loader->view()->contentItem(), name) : item(strip, name);
        if (!button || !button->isEnabled())
            return false;
        QTest::mouseClick(m_loader->view(), Qt::LeftButton, Qt::NoModifier,
                          button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());
        return true;
    }
    void picture(const QString &name)
    {
        QTest::qWait(300); // one frame after the last change
        QVERIFY(m_loader->view()->grabWindow().save(m_pictures + "/" + name + ".png"));
    }

    tarn::test::ModelProcess m_model;
    QTemporaryDir m_store;
    std::unique_ptr<tarn::test::CloudStore> m_cloud;
    std::unique_ptr<ViewLoader> m_loader;
    QString m_pictures = QStringLiteral(TARN_BIN_DIR "/../screenshots/updates");
    QUrl m_opened;
};

void UpdateScreenTest::initTestCase()
{
    QProcess build;
    build.start("/usr/bin/python3", {TARN_SOURCE_DIR "/tools/cloudstore/build.py", m_store.path()});
    QVERIFY(build.waitForFinished(60000) && build.exitCode() == 0);
    m_cloud = std::make_unique<tarn::test::CloudStore>(m_store.path());
    QVERIFY(m_cloud->isRunning());
    qputenv("TARN_CLOUD_URL", m_cloud->url().toEncoded());
    QVERIFY2(m_model.start({"--software-version", "1.4.2", "--hardware-version", "Dante"}), qPrintable(m_model.output()));
    qputenv("TARN_DEVICE_PORT", QByteArray::number(m_model.port()));
    TarnSettings().clear();
    TarnSettings::write(tarn::keys::AppAnalytics, "false");
    TarnSettings::write(tarn::keys::CheckOnStart, "true");
    QDir(m_pictures).removeRecursively();
    QDir().mkpath(m_pictures);

    tarn::registerQmlTypes();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_loader = std::make_unique<ViewLoader>();
    m_loader->InitLoader(QStringLiteral("xcb"));
    m_loader->onGuiSignal("ConnectDevice", "127.0.0.1:stagemanagers");
}

void UpdateScreenTest::walk()
{
    // The home screen's check finds 1.5.0 and offers it; the prompt leads to the utilities.
    QQuickItem *root = m_loader->view()->contentItem();
    QTRY_VERIFY_WITH_TIMEOUT(findItem(root, "firmwareOpenUtilities") != nullptr, kWait);
    picture("1-home-offer");
    QVERIFY(click(QString(), "firmwareOpenUtilities"));
    QTRY_COMPARE_WITH_TIMEOUT(m_loader->activeScreen(), QString("ScreenUtilities.qml"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(text("firmwareStrip", "currentVersion"), QString("1.4.2"), kWait);
    QCOMPARE(text("firmwareStrip", "latestVersion"), QString("1.5.0"));
    QCOMPARE(text("firmwareStrip", "updateAction"), QString("Download"));
    // The option card strip of this processor's variant only.
    QVERIFY(findItem(root, "optionCardDante") && !findItem(root, "optionCardParvane"));
    picture("2-firmware-available");

    QVERIFY(click("firmwareStrip", "updateAction"));
    QTRY_COMPARE_WITH_TIMEOUT(text("firmwareStrip", "updateAction"), QString("Upload to Processor"), kWait);
    QVERIFY(text("firmwareStrip", "status").contains("is downloaded and ready"));
    picture("3-firmware-downloaded");

    QVERIFY(click("firmwareStrip", "updateAction"));
    QTRY_VERIFY_WITH_TIMEOUT(text("firmwareStrip", "status").contains("now runs firmware 1.5.0"), kWait);
    QCOMPARE(text("firmwareStrip", "currentVersion"), QString("1.5.0"));
    QVERIFY(!m_loader->appBusyPreventClose());
    // The processor received the kept image whole.
    QFile image(tarn::updates::firmwareImageFolder() + "/tarn-firmware-1.5.0.bin");
    QVERIFY(image.open(QIODevice::ReadOnly));
    const QJsonObject upload = m_model.status().value("firmwareUploads").toArray().last().toObject();
    QCOMPARE(upload.value("size").toDouble(), double(image.size()));
    QCOMPARE(upload.value("sha256").toString().toLatin1(), QCryptographicHash::hash(image.readAll(), QCryptographicHash::Sha256).toHex());
    picture("4-firmware-installed");

    // The application: this platform's package, handed to the system's installer.
    // Checked at start already, as "Data/checkOnStart" asks.
    QCOMPARE(text("applicationStrip", "updateAction"), QString("Download"));
    QCOMPARE(text("applicationStrip", "latestVersion"), QString("1.2.0"));
    QVERIFY(click("applicationStrip", "updateAction"));
    QTRY_COMPARE_WITH_TIMEOUT(text("applicationStrip", "updateAction"), QString("Install"), kWait);
    picture("5-application-downloaded");
    QDesktopServices::setUrlHandler("file", this, "openFile");
    // Not handed over while the application is busy.
    tarn::AppBusy::setBusy(true);
    QVERIFY(click("applicationStrip", "updateAction"));
    QTRY_VERIFY_WITH_TIMEOUT(text("applicationStrip", "status").startsWith("The application is busy."), kWait);
    QVERIFY(m_opened.isEmpty());
    tarn::AppBusy::setBusy(false);
    QVERIFY(click("applicationStrip", "updateAction"));
    QTRY_VERIFY_WITH_TIMEOUT(m_opened.toLocalFile().endsWith("tarn-control-demo-update_1.2.0_all.deb"), kWait);
    QDesktopServices::unsetUrlHandler("file");
}

void UpdateScreenTest::cleanupTestCase()
{
    m_loader.reset();
    m_model.stop();
}

TARN_XVFB_TEST_MAIN(UpdateScreenTest, "TARN_UPDATE_SCREEN_X")
#include "tst_updatescreen.moc"
