// Guards against an update path that breaks between the screens, the cloud store and the
// processor's restart: walked as a user does under Xvfb, each state pictured in screenshots/updates.
#include "appbusy.h"
#include "cloudstoreserver.h"
#include "screenharness.h"
#include "testenv.h"
#include "updatecommon.h"
#include "xvfbexec.h"

#include <QApplication>
#include <QDesktopServices>

using tarn::test::findItem;
constexpr int kWait = 20000;

class UpdateScreenTest : public QObject {
    Q_OBJECT
public slots:
    void openFile(const QUrl &url) { m_opened = url; }

private slots:
    void initTestCase()
    {
        QProcess build;
        build.start("/usr/bin/python3", {TARN_SOURCE_DIR "/tools/cloudstore/build.py", m_store.path()});
        QVERIFY(build.waitForFinished(60000) && build.exitCode() == 0);
        m_cloud = std::make_unique<tarn::test::CloudStore>(m_store.path());
        QVERIFY(m_cloud->isRunning());
        qputenv("TARN_CLOUD_URL", m_cloud->url().toEncoded());
        QVERIFY(m_screen.start({"--software-version", "1.4.2", "--hardware-version", "Dante"}, "updates", "xcb"));
        TarnSettings::write(tarn::keys::CheckOnStart, "true");
        QVERIFY(m_screen.connectDevice(false));
    }

    void walk()
    {
        // The home screen's check finds 1.5.0 and offers it; the prompt leads to the utilities.
        QTRY_VERIFY_WITH_TIMEOUT(m_screen.shown("firmwareOpenUtilities"), kWait);
        m_screen.picture("1-home-offer");
        QVERIFY(m_screen.press("firmwareOpenUtilities"));
        QTRY_COMPARE_WITH_TIMEOUT(m_screen.loader->activeScreen(), QString("ScreenUtilities.qml"), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(text("firmwareStrip", "currentVersion"), QString("1.4.2"), kWait);
        QCOMPARE(text("firmwareStrip", "latestVersion"), QString("1.5.0"));
        QCOMPARE(text("firmwareStrip", "updateAction"), QString("Download"));
        // The option card strip of this processor's variant only.
        QVERIFY(m_screen.shown("optionCardDante") && !m_screen.shown("optionCardParvane"));
        m_screen.picture("2-firmware-available");

        QVERIFY(click("firmwareStrip", "updateAction"));
        QTRY_COMPARE_WITH_TIMEOUT(text("firmwareStrip", "updateAction"), QString("Upload to Processor"), kWait);
        QVERIFY(text("firmwareStrip", "status").contains("is downloaded and ready"));
        m_screen.picture("3-firmware-downloaded");

        QVERIFY(click("firmwareStrip", "updateAction"));
        QTRY_VERIFY_WITH_TIMEOUT(text("firmwareStrip", "status").contains("now runs firmware 1.5.0"), kWait);
        QCOMPARE(text("firmwareStrip", "currentVersion"), QString("1.5.0"));
        QVERIFY(!m_screen.loader->appBusyPreventClose());
        // The processor received the kept image whole.
        QFile image(tarn::updates::firmwareImageFolder() + "/tarn-firmware-1.5.0.bin");
        QVERIFY(image.open(QIODevice::ReadOnly));
        const QJsonObject upload = m_screen.model.status().value("firmwareUploads").toArray().last().toObject();
        QCOMPARE(upload.value("size").toDouble(), double(image.size()));
        QCOMPARE(upload.value("sha256").toString().toLatin1(), QCryptographicHash::hash(image.readAll(), QCryptographicHash::Sha256).toHex());
        m_screen.picture("4-firmware-installed");

        // The application: this platform's package, handed to the system's installer.
        // Checked at start already, as "Data/checkOnStart" asks.
        QCOMPARE(text("applicationStrip", "updateAction"), QString("Download"));
        QCOMPARE(text("applicationStrip", "latestVersion"), QString("1.2.0"));
        QVERIFY(click("applicationStrip", "updateAction"));
        QTRY_COMPARE_WITH_TIMEOUT(text("applicationStrip", "updateAction"), QString("Install"), kWait);
        m_screen.picture("5-application-downloaded");
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

private:
    // The named item of one of the utilities' strips (firmware or application).
    QQuickItem *item(const QString &strip, const QString &name) const
    {
        QQuickItem *within = m_screen.shown(strip);
        return within ? findItem(within, name) : nullptr;
    }
    QString text(const QString &strip, const QString &name) const
    {
        QQuickItem *i = item(strip, name);
        return i ? i->property("text").toString() : QString();
    }
    bool click(const QString &strip, const QString &name)
    {
        QQuickItem *button = item(strip, name);
        if (!button || !button->isEnabled())
            return false;
        m_screen.click(button);
        return true;
    }

    QTemporaryDir m_store;
    std::unique_ptr<tarn::test::CloudStore> m_cloud;
    tarn::test::ScreenHarness m_screen;
    QUrl m_opened;
};

TARN_XVFB_TEST_MAIN(UpdateScreenTest, "TARN_UPDATE_SCREEN_X")
#include "tst_updatescreen.moc"
