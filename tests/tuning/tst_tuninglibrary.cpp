// Guards against a tuning library that loses local files, misreports the processor's state, or
// is damaged by failed or broken transfers.
#include "cloudstoreserver.h"
#include "downloadmanager.h"
#include "modelprocess.h"
#include "scriptedhttppeer.h"
#include "settingskeys.h"
#include "tarnsettings.h"
#include "testenv.h"
#include "tuningfile.h"
#include "tuningfilelistmodel.h"
#include "tuningfilemanager.h"

#include <QtTest>

using namespace tarn::tuning;

// The tuning library against real peers: the offline model's FTP service as the processor,
// nginx as the cloud store, and a scripted HTTP peer for transfers that break off.
class TstTuningLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void factorySeedingKeepsLocalVersions();
    void initialiseShowsProcessorStates();
    void applyAddsRemovesAndUpdates();
    void cloudUpdateReplacesOlderFiles();
    void cloudFailuresKeepTheLibrary();
    void resetMakesProcessorHoldLocalSet();
    void downloadManagerBatch();

private:
    QStringList processorFiles(Kind kind) const
    {
        return QDir(m_model.stateDir() + "/ftp" + processorFolder(kind)).entryList(QDir::Files, QDir::Name);
    }
    static QStringList localFiles(Kind kind) { return QDir(localFolder(kind)).entryList(QDir::Files, QDir::Name); }
    static QString stateOf(const TuningFileListModel &model, const QString &group)
    {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.data(model.index(row), TuningFileListModel::BrandSeriesRole).toString() == group)
                return model.data(model.index(row), TuningFileListModel::StateRole).toString();
        }
        return QStringLiteral("(no row)");
    }
    static bool choose(TuningFileListModel &model, const QString &group, const QString &action)
    {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.data(model.index(row), TuningFileListModel::BrandSeriesRole).toString() == group)
                return model.setAction(row, action);
        }
        return false;
    }
    // Runs one command and waits until the list has been read again after it.
    static void settle(TuningFileListModel &model, QSignalSpy &initialised, int timeoutMs = 30000)
    {
        const int before = initialised.count();
        QTRY_VERIFY_WITH_TIMEOUT(initialised.count() > before && !model.busy(), timeoutMs);
    }

    tarn::test::ModelProcess m_model;
};

void TstTuningLibrary::initTestCase()
{
    if (!QFileInfo(tarn::test::ModelProcess::program()).isExecutable())
        QSKIP("tarn-offline-model is not built");
    QVERIFY2(m_model.start(), qPrintable(m_model.output()));
    qputenv("TARN_FTP_PORT", QByteArray::number(m_model.status().value("ftpPort").toInt()));
    TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
}

void TstTuningLibrary::init()
{
    qputenv("TARN_CLOUD_URL", "http://127.0.0.1:9");
}

void TstTuningLibrary::factorySeedingKeepsLocalVersions()
{
    QDir(libraryRoot()).removeRecursively();
    QDir().mkpath(localFolder(Kind::Speaker));
    // An older and a newer version of two factory tunings are already here.
    for (const char *name : {"Vessant_LX_LX12_Main_2010_1_1_0_0.hdf", "Brova_Arc_Arc10_Std_2020_1_1_0_0.hdf"}) {
        QFile f(QDir(localFolder(Kind::Speaker)).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("mine"));
    }
    TuningFileListModel model;
    QSignalSpy initialised(&model, &TuningFileListModel::initialized);
    model.initializeModel(false);
    QVERIFY(initialised.wait(10000));
    QVERIFY(initialised.first().first().toBool());
    const QStringList local = localFiles(Kind::Speaker);
    QVERIFY(local.contains("Vessant_LX_LX12_Main_2010_1_1_0_0.hdf"));
    QVERIFY(!local.contains("Vessant_LX_LX12_Main_2014_1_16_19_32.hdf"));
    QVERIFY(!local.contains("Brova_Arc_Arc10_Std_2013_9_30_16_20.hdf"));
    QVERIFY(local.contains("Vessant_LX_LX12_Monitor_2014_1_16_19_40.hdf"));
    QCOMPARE(local.size(), QDir(factoryFolder(Kind::Speaker)).entryList(QDir::Files).size());
    QTRY_VERIFY_WITH_TIMEOUT(!model.busy(), 20000);
}

void TstTuningLibrary::initialiseShowsProcessorStates()
{
    QDir(libraryRoot()).removeRecursively();
    // Names the processor lists that must never become local files.
    const QString speakerDir = m_model.stateDir() + "/ftp/SpeakerTunings/";
    for (const char *hostile : {"Evil\x01Name_a_b_2020_1_1_1_1.hdf", "Readme_a_b_2020_1_1_1_1.txt"}) {
        QFile f(speakerDir + QString::fromLatin1(hostile));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x"));
    }
    TuningFileListModel model;
    QSignalSpy initialised(&model, &TuningFileListModel::initialized);
    QSignalSpy brands(&model, &TuningFileListModel::brandList);
    QElapsedTimer clock;
    clock.start();
    model.initializeModel();
    settle(model, initialised);
    qInfo() << "listed against the offline model in" << clock.elapsed() << "ms";
    QVERIFY(model.processorStateKnown());
    QCOMPARE(initialised.last().first().toBool(), true);
    QCOMPARE(stateOf(model, "Brova / Arc"), QStringLiteral("Loaded"));
    QCOMPARE(stateOf(model, "Kavel / Stage"), QStringLiteral("Loaded")); // the processor's copy is newer
    QCOMPARE(stateOf(model, "Vessant / VR"), QStringLiteral("Has Update"));
    QCOMPARE(stateOf(model, "Harnow / X"), QStringLiteral("Has Update"));
    QCOMPARE(stateOf(model, "Vessant / LX"), QStringLiteral("Not Loaded"));
    // A tuning only the processor had is now in the library too.
    QCOMPARE(stateOf(model, "Custom / Stage"), QStringLiteral("Loaded"));
    QVERIFY(localFiles(Kind::Speaker).contains("Custom_Stage_Wedge_Left_2016_5_3_12_0.hdf"));
    for (const QString &name : localFiles(Kind::Speaker))
        QVERIFY2(isSafeFileName(name) && name.endsWith(".hdf"), qPrintable(name));
    QCOMPARE(brands.last().first().toStringList().mid(0, 3), QStringList({"Show All", "Vessant", "Brova"}));
    QVERIFY(!brands.last().first().toStringList().contains("Custom"));
    for (const char *hostile : {"Evil\x01Name_a_b_2020_1_1_1_1.hdf", "Readme_a_b_2020_1_1_1_1.txt"})
        QFile::remove(speakerDir + QString::fromLatin1(hostile));
}

void TstTuningLibrary::applyAddsRemovesAndUpdates()
{
    TuningFileListModel model;
    QSignalSpy initialised(&model, &TuningFileListModel::initialized);
    model.initializeModel();
    settle(model, initialised);
    QVERIFY(choose(model, "Tessary / Duo", "Will Add"));
    QVERIFY(choose(model, "Brova / Arc", "Will Remove"));
    QVERIFY(choose(model, "Vessant / VR", "Will Update"));
    QSignalSpy applied(&model, &TuningFileListModel::changesApplied);
    model.applyChanges();
    QVERIFY(applied.wait(30000));
    settle(model, initialised);

    const QStringList speakers = processorFiles(Kind::Speaker);
    QVERIFY(speakers.contains("Tessary_Duo_D210_Main_2013_4_18_15_40.hdf"));
    QVERIFY(!speakers.contains("Brova_Arc_Arc10_Std_2013_9_30_16_20.hdf"));
    QVERIFY(!speakers.contains("Brova_Arc_Arc12_Std_2013_10_2_10_15.hdf"));
    QVERIFY(speakers.contains("Vessant_VR_VR8_Fill_2015_6_22_14_10.hdf"));
    QVERIFY(!speakers.contains("Vessant_VR_VR8_Fill_2014_8_2_10_0.hdf"));
    QFile sent(m_model.stateDir() + "/ftp/SpeakerTunings/Tessary_Duo_D210_Main_2013_4_18_15_40.hdf");
    QFile local(QDir(localFolder(Kind::Speaker)).filePath("Tessary_Duo_D210_Main_2013_4_18_15_40.hdf"));
    QVERIFY(sent.open(QIODevice::ReadOnly) && local.open(QIODevice::ReadOnly));
    QCOMPARE(sent.readAll(), local.readAll());
    // The list was read again: the choices are gone and the states follow the processor.
    QVERIFY(!model.enableApplyCancel());
    QCOMPARE(stateOf(model, "Tessary / Duo"), QStringLiteral("Loaded"));
    QCOMPARE(stateOf(model, "Brova / Arc"), QStringLiteral("Not Loaded"));
    QCOMPARE(stateOf(model, "Vessant / VR"), QStringLiteral("Loaded"));
}

void TstTuningLibrary::cloudUpdateReplacesOlderFiles()
{
    QTemporaryDir tree;
    QProcess build;
    build.start("/usr/bin/python3", {TARN_SOURCE_DIR "/tools/cloudstore/build.py", tree.path()});
    QVERIFY(build.waitForFinished(30000) && build.exitCode() == 0);
    tarn::test::CloudStore store(tree.path());
    QVERIFY(store.isRunning());
    qputenv("TARN_CLOUD_URL", store.url().toEncoded());

    TuningFileListModel model;
    QSignalSpy initialised(&model, &TuningFileListModel::initialized);
    QSignalSpy errors(&model, &TuningFileListModel::error);
    QSignalSpy updated(&model, &TuningFileListModel::updatedFromCloud);
    model.updateFromCloud();
    QVERIFY(updated.wait(30000));
    settle(model, initialised);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(0).toString()));
    QStringList speakers = localFiles(Kind::Speaker);
    QVERIFY(speakers.contains("Vessant_LX_LX12_Main_2018_4_11_15_20.hdf"));
    QVERIFY(!speakers.contains("Vessant_LX_LX12_Main_2014_1_16_19_32.hdf"));
    QVERIFY(speakers.contains("Vessant_LX_LX10_Main_2018_4_11_15_45.hdf"));
    // The listed version older than the local one stays away.
    QVERIFY(speakers.contains("Tessary_Mono_M1_2012_12_1_10_10.hdf"));
    QVERIFY(!speakers.contains("Tessary_Mono_M1_2011_6_1_9_0.hdf"));
    QVERIFY(localFiles(Kind::Amplifier).contains("Harnow_X_X2_Stereo_2018_1_19_13_40.hdf"));
    QVERIFY(!localFiles(Kind::Amplifier).contains("Harnow_X_X2_Stereo_2016_5_30_11_50.hdf"));
    QCOMPARE(stateOf(model, "Vessant / LX"), QStringLiteral("Not Loaded"));

    // Validation mode reads the test containers.
    model.setValidationMode(true);
    model.updateFromCloud();
    QVERIFY(updated.wait(30000));
    settle(model, initialised);
    QVERIFY(localFiles(Kind::Speaker).contains("Vessant_SB_SB18_Sub_2018_6_30_18_0.hdf"));
}

void TstTuningLibrary::cloudFailuresKeepTheLibrary()
{
    const QStringList before = localFiles(Kind::Speaker);
    TuningFileListModel model;
    QSignalSpy errors(&model, &TuningFileListModel::error);
    QSignalSpy updated(&model, &TuningFileListModel::updatedFromCloud);
    auto failsWith = [&](const QString &text) {
        errors.clear();
        model.updateFromCloud();
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 30000);
        QCOMPARE(errors.first().first().toString(), text);
        QVERIFY(updated.isEmpty());
        QCOMPARE(localFiles(Kind::Speaker), before);
        QTRY_VERIFY_WITH_TIMEOUT(!model.busy(), 30000);
    };
    // A store without the containers answers 404 for the manifest.
    QTemporaryDir empty;
    {
        tarn::test::CloudStore store(empty.path());
        QVERIFY(store.isRunning());
        qputenv("TARN_CLOUD_URL", store.url().toEncoded());
        failsWith(QString::fromLatin1(TuningFileManager::CloudErrorText));
    }
    // Nobody listens.
    qputenv("TARN_CLOUD_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(tarn::test::freePort()));
    failsWith(QString::fromLatin1(TuningFileManager::CloudErrorText));

    // A newer version whose transfer breaks off, and names that must never be fetched.
    tarn::test::ScriptedHttpPeer peer;
    const QByteArray newer = "Vessant_LX_LX15_Main_2019_1_1_0_0.hdf";
    peer.answer("/cz-speaker-tunings/Manifest",
                {200, "../../Evil_a_b_2020_1_1_1_1.hdf\r\nsub/Evil_a_b_2020_1_1_1_1.hdf\r\n\r\n  " + newer
                          + "  \r\nTessary_Mono_M1_2011_6_1_9_0.hdf\r\n", -1, false, {}});
    peer.answer("/cz-amplifier-data/Manifest", {200, "", -1, false, {}});
    peer.answer("/cz-speaker-tunings/" + newer, {200, QByteArray(4096, 'n'), 1000, false, {}});
    qputenv("TARN_CLOUD_URL", peer.url().toUtf8());
    errors.clear();
    model.updateFromCloud();
    QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 30000);
    QVERIFY2(errors.first().first().toString().startsWith("1 of 1 updates could not be downloaded"),
             qPrintable(errors.first().first().toString()));
    QCOMPARE(peer.requests(), QStringList({"/cz-speaker-tunings/Manifest", "/cz-amplifier-data/Manifest",
                                           "/cz-speaker-tunings/" + newer}));
    QCOMPARE(localFiles(Kind::Speaker), before);
    QVERIFY(!QFileInfo::exists(QDir(cloudFolder(Kind::Speaker)).filePath(newer)));
    QVERIFY(!QFileInfo::exists(libraryRoot() + "/Evil_a_b_2020_1_1_1_1.hdf"));
    QTRY_VERIFY_WITH_TIMEOUT(!model.busy(), 30000);
}

void TstTuningLibrary::resetMakesProcessorHoldLocalSet()
{
    // The processor holds most of the factory set already, so only a few files move.
    const QString ftp = m_model.stateDir() + "/ftp";
    for (Kind kind : {Kind::Speaker, Kind::Amplifier}) {
        const QStringList factory = QDir(factoryFolder(kind)).entryList(QDir::Files, QDir::Name);
        for (int i = 2; i < factory.size(); ++i)
            QFile::copy(QDir(factoryFolder(kind)).filePath(factory.at(i)), ftp + processorFolder(kind) + "/" + factory.at(i));
    }
    TuningFileListModel model;
    QSignalSpy initialised(&model, &TuningFileListModel::initialized);
    QSignalSpy reset(&model, &TuningFileListModel::tuningsReset);
    model.initializeModel();
    settle(model, initialised);
    model.resetTunings();
    QVERIFY(reset.wait(60000));
    settle(model, initialised);
    for (Kind kind : {Kind::Speaker, Kind::Amplifier}) {
        const QStringList factory = QDir(factoryFolder(kind)).entryList(QDir::Files, QDir::Name);
        QCOMPARE(localFiles(kind), factory);
        QCOMPARE(processorFiles(kind), factory);
    }
    QVERIFY(QDir(cloudFolder(Kind::Speaker)).entryList(QDir::Files).isEmpty());
}

void TstTuningLibrary::downloadManagerBatch()
{
    tarn::test::ScriptedHttpPeer peer;
    peer.answer("/a/x.hdf", {200, "first", -1, false, {}});
    peer.answer("/b/x.hdf", {200, "second", -1, false, {}});
    peer.answer("/folder/", {200, "listing", -1, false, {}});
    peer.answer("/cut.hdf", {200, QByteArray(8192, 'c'), 100, false, {}});
    peer.answer("/moved.hdf", {302, "", -1, false, {{"Location", "/a/x.hdf"}}});
    QTemporaryDir dir;
    QFile old(dir.filePath("cut.hdf"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") && old.flush());

    QThread thread;
    auto *downloads = new DownloadManager;
    downloads->moveToThread(&thread);
    connect(&thread, &QThread::started, downloads, &DownloadManager::onThreadStarted);
    connect(&thread, &QThread::finished, downloads, &DownloadManager::onThreadFinished, Qt::DirectConnection);
    connect(&thread, &QThread::finished, downloads, &QObject::deleteLater);
    QSignalSpy finished(downloads, &DownloadManager::allDonwloadsFinished);
    QSignalSpy each(downloads, &DownloadManager::currentDownloadFinished);
    thread.start();
    const QString base = peer.url();
    emit downloads->downloadMultiple({QUrl(base + "/a/x.hdf"), QUrl(base + "/missing.hdf"), QUrl(base + "/b/x.hdf"),
                                      QUrl(base + "/folder/"), QUrl(base + "/cut.hdf"), QUrl(base + "/moved.hdf")},
                                     dir.path(), false);
    QVERIFY(finished.wait(30000));
    thread.quit();
    thread.wait();
    QCOMPARE(finished.first(), QVariantList({4, 6}));
    auto content = [&](const char *name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    };
    QCOMPARE(content("x.hdf"), QByteArray("second"));
    QCOMPARE(content("index.html"), QByteArray("listing"));
    QCOMPARE(content("moved.hdf"), QByteArray("first"));
    QCOMPARE(content("cut.hdf"), QByteArray("old"));
    QVERIFY(!QFileInfo::exists(dir.filePath("missing.hdf")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 4);
}

TARN_TEST_MAIN(TstTuningLibrary, QCoreApplication)
#include "tst_tuninglibrary.moc"
