// Guards against a tuning library that loses local files, misreports the processor's state, is
// damaged by failed or broken transfers, misreads keys, stamps and order, or lets hostile names in.
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

// The library's rules as plain functions and the list model's choices, then the library against
// real peers: the offline model's FTP service as the processor, nginx as the cloud store, and a
// scripted HTTP peer for transfers that break off.
class TstTuningLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void keysAndStamps_data();
    void keysAndStamps();
    void hostileNamesRefused_data();
    void hostileNamesRefused();
    void brandOrderAndStates();
    void modelChoices();
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
    // "group: state" of each of the groups.
    static QStringList statesOf(const TuningFileListModel &model, const QStringList &groups)
    {
        QStringList states;
        for (const QString &group : groups) {
            QString state = QStringLiteral("(no row)");
            for (int row = 0; row < model.rowCount(); ++row) {
                if (model.data(model.index(row), TuningFileListModel::BrandSeriesRole).toString() == group)
                    state = model.data(model.index(row), TuningFileListModel::StateRole).toString();
            }
            states << group + QStringLiteral(": ") + state;
        }
        return states;
    }
    // Those of the names that are among the files.
    static QStringList among(const QStringList &files, const QStringList &names)
    {
        QStringList present;
        for (const QString &name : names) {
            if (files.contains(name))
                present << name;
        }
        return present;
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

void TstTuningLibrary::keysAndStamps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("validStamp");
    QTest::newRow("tuning") << "Vessant_LX_LX12_Main_2014_1_16_19_32.hdf" << "Vessant_LX_LX12_Main" << true;
    QTest::newRow("six parts") << "Brova_2013_9_30_16_20.hdf" << "Brova" << true;
    QTest::newRow("five parts") << "2013_9_30_16_20.hdf" << "" << false;
    QTest::newRow("no date") << "Vessant_LX_LX12.hdf" << "" << false;
    QTest::newRow("letters in date") << "A_B_C_2014_1_x_19_32.hdf" << "A_B_C" << false;
    QTest::newRow("dots inside") << "A_B.v2_C_2014_1_16_19_32.hdf" << "A_B.v2_C" << true;
}

void TstTuningLibrary::keysAndStamps()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(bool, validStamp);
    QCOMPARE(tuningKey(name), key);
    QCOMPARE(tuningTimeStamp(name).valid, validStamp);
    QCOMPARE(isTuningFileName(name), !key.isEmpty() && validStamp);
}

void TstTuningLibrary::hostileNamesRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << "Vessant_LX_LX12_Main_2014_1_16_19_32.hdf" << true;
    QTest::newRow("spaces and unicode") << "Brøva Kt_Kt 12_a_2014_1_1_1_1.hdf" << true;
    QTest::newRow("parent") << "../A_B_C_2014_1_1_1_1.hdf" << false;
    QTest::newRow("dots inside") << "A..B_C_D_2014_1_1_1_1.hdf" << false;
    QTest::newRow("slash") << "x/A_B_C_2014_1_1_1_1.hdf" << false;
    QTest::newRow("absolute") << "/etc/passwd" << false;
    QTest::newRow("backslash") << "..\\..\\A_B_C_2014_1_1_1_1.hdf" << false;
    QTest::newRow("tab") << "A\tB_C_D_2014_1_1_1_1.hdf" << false;
    QTest::newRow("escape") << "A\x1b[2J_C_D_2014_1_1_1_1.hdf" << false;
    QTest::newRow("hidden") << ".A_B_C_2014_1_1_1_1.hdf" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("overlong") << QString(MaxFileNameLength, QLatin1Char('a')) + "_B_C_2014_1_1_1_1.hdf" << false;
}

void TstTuningLibrary::hostileNamesRefused()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(isSafeFileName(name), safe);
}

void TstTuningLibrary::brandOrderAndStates()
{
    QCOMPARE(orderedBrandList({"Orlin", "Custom", "Brova", "Kavel", "Vessant", "Brova"}),
             QStringList({"Show All", "Vessant", "Brova", "Orlin", "Kavel"}));
    QCOMPARE(orderedBrandList({"Brova", "Custom"}), QStringList({"Show All", "Brova"}));
    QCOMPARE(orderedBrandList({}), QStringList({"Show All"}));

    const TimeStamp local = tuningTimeStamp("A_B_C_2015_6_22_14_10.hdf");
    const TimeStamp older = tuningTimeStamp("A_B_C_2015_6_22_14_9.hdf"); // minute 9 before 10, not "9" > "10"
    const TimeStamp newer = tuningTimeStamp("A_B_C_2016_1_1_0_0.hdf");
    QCOMPARE(fileState(local, nullptr), QStringLiteral("Not Loaded"));
    QCOMPARE(fileState(local, &older), QStringLiteral("Has Update"));
    QCOMPARE(fileState(local, &newer), QStringLiteral("Loaded"));
    QCOMPARE(fileState(local, &local), QStringLiteral("Loaded"));

    auto files = [](std::initializer_list<const char *> states) {
        FileInfoList list;
        for (const char *state : states)
            list.append({"SPK", "A", "B", state, "No Change", "f"});
        return list;
    };
    QCOMPARE(groupState(files({"Loaded", "Loaded"})), QStringLiteral("Loaded"));
    QCOMPARE(groupState(files({"Loaded", "Not Loaded"})), QStringLiteral("Not Loaded"));
    QCOMPARE(groupState(files({"Not Loaded", "Has Update"})), QStringLiteral("Has Update"));
}

void TstTuningLibrary::modelChoices()
{
    TuningFileListModel model;
    BrandSeriesMap map;
    map[{"Brova", "Arc"}] = {{"SPK", "Brova", "Arc", "Loaded", "No Change", "Brova_Arc_Arc10_Std_2013_9_30_16_20.hdf"}};
    map[{"Vessant", "LX"}] = {{"SPK", "Vessant", "LX", "Not Loaded", "No Change", "Vessant_LX_LX12_Main_2014_1_16_19_32.hdf"},
                              {"SPK", "Vessant", "LX", "Not Loaded", "No Change", "Vessant_LX_LX15_Main_2014_2_3_9_5.hdf"}};
    model.onMapBrandSeriesToFileInfoList(map);
    QCOMPARE(model.rowCount(), 2);
    const QModelIndex arc = model.index(0);
    const QModelIndex lx = model.index(1);
    QCOMPARE(model.data(lx, TuningFileListModel::BrandSeriesRole).toString(), QStringLiteral("Vessant / LX"));
    QCOMPARE(model.data(lx, TuningFileListModel::AddRemoveRole).toString(), QStringLiteral("Add"));
    QCOMPARE(model.data(arc, TuningFileListModel::AddRemoveRole).toString(), QStringLiteral("Remove"));

    // Nothing is chosen before the processor's files are known.
    QVERIFY(!model.setData(lx, "Will Add", TuningFileListModel::ActionRole));
    model.onProcessorStateKnown(true);

    QSignalSpy enable(&model, &TuningFileListModel::enableApplyCancelChanged);
    QVERIFY(model.setData(lx, "Will Add", TuningFileListModel::ActionRole));
    QVERIFY(model.enableApplyCancel());
    QVERIFY(model.setData(lx, "No Change", TuningFileListModel::ActionRole));
    QVERIFY(!model.enableApplyCancel());
    QCOMPARE(enable.count(), 2);

    QVERIFY(!model.setData(lx, "Will Delete", TuningFileListModel::ActionRole));
    QVERIFY(!model.setData(lx, "Will Add", TuningFileListModel::StateRole));
    // Nothing of this group is on the processor: neither removed nor updated.
    QVERIFY(!model.setData(lx, "Will Remove", TuningFileListModel::ActionRole));
    QVERIFY(!model.setData(arc, "Will Update", TuningFileListModel::ActionRole));
    QVERIFY(model.setData(arc, "Will Remove", TuningFileListModel::ActionRole));

    model.discardChanges();
    QVERIFY(!model.enableApplyCancel());
    QCOMPARE(model.data(arc, TuningFileListModel::ActionRole).toString(), QStringLiteral("No Change"));

    QVERIFY(model.data(arc, TuningFileListModel::FilterRole).toBool());
    model.filterBy("Vessant");
    QVERIFY(!model.data(arc, TuningFileListModel::FilterRole).toBool());
    QVERIFY(model.data(lx, TuningFileListModel::FilterRole).toBool());
    model.filterBy("Show All");
    QVERIFY(model.data(arc, TuningFileListModel::FilterRole).toBool());
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
    QCOMPARE(among(local, {"Vessant_LX_LX12_Main_2010_1_1_0_0.hdf", "Vessant_LX_LX12_Main_2014_1_16_19_32.hdf",
                           "Brova_Arc_Arc10_Std_2013_9_30_16_20.hdf", "Vessant_LX_LX12_Monitor_2014_1_16_19_40.hdf"}),
             QStringList({"Vessant_LX_LX12_Main_2010_1_1_0_0.hdf", "Vessant_LX_LX12_Monitor_2014_1_16_19_40.hdf"}));
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
    // Kavel: the processor's copy is newer. Custom: only the processor had it; now the library too.
    QCOMPARE(statesOf(model, {"Brova / Arc", "Kavel / Stage", "Vessant / VR", "Harnow / X", "Vessant / LX", "Custom / Stage"}),
             QStringList({"Brova / Arc: Loaded", "Kavel / Stage: Loaded", "Vessant / VR: Has Update", "Harnow / X: Has Update",
                          "Vessant / LX: Not Loaded", "Custom / Stage: Loaded"}));
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

    QCOMPARE(among(processorFiles(Kind::Speaker),
                   {"Tessary_Duo_D210_Main_2013_4_18_15_40.hdf", "Brova_Arc_Arc10_Std_2013_9_30_16_20.hdf",
                    "Brova_Arc_Arc12_Std_2013_10_2_10_15.hdf", "Vessant_VR_VR8_Fill_2015_6_22_14_10.hdf",
                    "Vessant_VR_VR8_Fill_2014_8_2_10_0.hdf"}),
             QStringList({"Tessary_Duo_D210_Main_2013_4_18_15_40.hdf", "Vessant_VR_VR8_Fill_2015_6_22_14_10.hdf"}));
    QFile sent(m_model.stateDir() + "/ftp/SpeakerTunings/Tessary_Duo_D210_Main_2013_4_18_15_40.hdf");
    QFile local(QDir(localFolder(Kind::Speaker)).filePath("Tessary_Duo_D210_Main_2013_4_18_15_40.hdf"));
    QVERIFY(sent.open(QIODevice::ReadOnly) && local.open(QIODevice::ReadOnly));
    QCOMPARE(sent.readAll(), local.readAll());
    // The list was read again: the choices are gone and the states follow the processor.
    QVERIFY(!model.enableApplyCancel());
    QCOMPARE(statesOf(model, {"Tessary / Duo", "Brova / Arc", "Vessant / VR"}),
             QStringList({"Tessary / Duo: Loaded", "Brova / Arc: Not Loaded", "Vessant / VR: Loaded"}));
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
    // The listed version older than the local one (Tessary 2011) stays away.
    QCOMPARE(among(localFiles(Kind::Speaker) + localFiles(Kind::Amplifier),
                   {"Vessant_LX_LX12_Main_2018_4_11_15_20.hdf", "Vessant_LX_LX12_Main_2014_1_16_19_32.hdf",
                    "Vessant_LX_LX10_Main_2018_4_11_15_45.hdf", "Tessary_Mono_M1_2012_12_1_10_10.hdf",
                    "Tessary_Mono_M1_2011_6_1_9_0.hdf", "Harnow_X_X2_Stereo_2018_1_19_13_40.hdf",
                    "Harnow_X_X2_Stereo_2016_5_30_11_50.hdf"}),
             QStringList({"Vessant_LX_LX12_Main_2018_4_11_15_20.hdf", "Vessant_LX_LX10_Main_2018_4_11_15_45.hdf",
                          "Tessary_Mono_M1_2012_12_1_10_10.hdf", "Harnow_X_X2_Stereo_2018_1_19_13_40.hdf"}));
    QCOMPARE(statesOf(model, {"Vessant / LX"}), QStringList({"Vessant / LX: Not Loaded"}));

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
