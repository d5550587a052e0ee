// Guards against preset lists and tuning libraries out of step with the processor, transfers that
// lose or overwrite bytes or local files, failures not told, and misread or hostile file names.
#include "cloudstoreserver.h"
#include "devicepresetmodel.h"
#include "downloadmanager.h"
#include "filesystemmodel.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "presetprovider.h"
#include "scriptedhttppeer.h"
#include "settingskeys.h"
#include "settingstransfer.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"
#include "tuningfile.h"
#include "tuningfilelistmodel.h"
#include "tuningfilemanager.h"

#include <QtTest>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;
using tarn::test::readFile;
using tarn::test::writeFile;
using namespace tarn::tuning;

namespace {
constexpr int kWait = 10000;
const QString kThreshold = QStringLiteral("Threshold");

quint16 ftpPortOf(const ModelProcess &model)
{
    return quint16(model.status().value(QStringLiteral("ftpPort")).toInt());
}

tarn::presets::FtpEndpoint endpointOf(const ModelProcess &model)
{
    return {QStringLiteral("127.0.0.1"), ftpPortOf(model), QString::fromLatin1(PresetProvider::kFtpUser),
            QString::fromLatin1(PresetProvider::kFtpPassword)};
}
} // namespace

// The preset lists, transfers and the settings transfer, then the tuning library, against one
// real offline model (its link and FTP service), nginx as the cloud store and a scripted HTTP peer.
class TstPresets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(m_model.start({QStringLiteral("--recall-ms"), QStringLiteral("50")}), qPrintable(m_model.output()));
        qputenv("TARN_DEVICE_PORT", QByteArray::number(m_model.port()));
        qputenv("TARN_FTP_PORT", QByteArray::number(ftpPortOf(m_model)));
        TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDeviceAddress), QStringLiteral("127.0.0.1"));
        TarnSettings::write(QString::fromLatin1(tarn::keys::CurrentDevicePassword), QStringLiteral("stagemanagers"));
        TCPAdaptor *adaptor = TCPAdaptor::instance();
        connect(adaptor, &TCPAdaptor::sendMessage, this, [this](const QByteArray &line) { m_sent << line.trimmed(); });
        adaptor->doConnect();
        QTRY_VERIFY_WITH_TIMEOUT(adaptor->isReady(), kWait);
        QVERIFY(m_side.login(m_model.port()));
        m_side.sendRequest(tarn::test::request(QStringLiteral("sub"), QStringLiteral("Compressor"), kThreshold));

        m_device = std::make_unique<DevicePresetModel>();
        m_pc = std::make_unique<FileSystemModel>();
        QTRY_COMPARE_WITH_TIMEOUT(m_device->count(), 8, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_device->nameOf(3), QStringLiteral("Stereo 2-Way"), kWait);
    }

    void init() { qputenv("TARN_CLOUD_URL", "http://127.0.0.1:9"); }
    void cleanupTestCase() { m_device.reset(); }

    void listFollowsTheProcessor()
    {
        QSignalSpy names(m_device->provider(), &PresetProvider::presetNameChanged);
        QList<int> infos;
        QObject scope;
        connect(m_device->provider(), &PresetProvider::presetInfoAvailable, &scope, [&infos](PresetInfo &info) { infos << info.id; });
        m_side.sendRequest(tarn::test::request(QStringLiteral("set"), QStringLiteral("Presets"), QStringLiteral("Name_3"),
                                               QStringLiteral("Front Fill")));
        // Late answers to the list's first subscriptions may come before it on a busy machine.
        const QList<QVariant> frontFill{QStringLiteral("Front Fill"), 3};
        QTRY_VERIFY_WITH_TIMEOUT(names.contains(frontFill), kWait);
        QCOMPARE(m_device->data(m_device->index(2), DevicePresetModel::ModelPresetName).toString(), QStringLiteral("Front Fill"));

        // Our own rename comes back as "setr": the row is renamed, none is added.
        m_device->rename(QStringLiteral("3"), QStringLiteral("Main"));
        QTRY_VERIFY_WITH_TIMEOUT(infos.contains(3), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_device->nameOf(3), QStringLiteral("Main"), kWait);
        QCOMPARE(m_device->count(), 8);

        // The device list never passes its bound, whatever the processor reports.
        DevicePresetModel bounded;
        for (int id = 1; id <= 150; ++id) {
            PresetInfo info{QStringLiteral("P%1").arg(id), id};
            bounded.addPreset(info);
        }
        QCOMPARE(bounded.rowCount(), DevicePresetModel::kMaxRows);
    }

    void transferRecallAndFetch()
    {
        // A preset made on the PC: the processor's first preset with another threshold.
        QByteArray bytes = readFile(presetFile(1));
        QVERIFY(bytes.contains("\"Preset\\\\Compressor\\\\SV\\\\Threshold\": \"-20\""));
        bytes.replace("\"Preset\\\\Compressor\\\\SV\\\\Threshold\": \"-20\"", "\"Preset\\\\Compressor\\\\SV\\\\Threshold\": \"-33\"");

        QSignalSpy finished(m_device.get(), &DevicePresetModel::actionFinished);
        QSignalSpy busy(m_device.get(), &DevicePresetModel::busy);
        m_sent.clear();
        m_device->transfer(QStringLiteral("12"), QStringLiteral("Live"), bytes);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kWait);
        QCOMPARE(busy.first().at(0).toBool(), true);
        // The put is followed by the two rename writes with the transferred name.
        QTRY_VERIFY_WITH_TIMEOUT(m_sent.contains(R"(set "\\Storage\Presets\SV\RenamePreset\" "12")"), kWait);
        QVERIFY(m_sent.indexOf(R"(set "\\Storage\Presets\SV\Name_12\" "Live")")
                < m_sent.indexOf(R"(set "\\Storage\Presets\SV\RenamePreset\" "12")"));
        QTRY_COMPARE_WITH_TIMEOUT(m_device->nameOf(12), QStringLiteral("Live"), kWait);
        QCOMPARE(m_device->count(), 9);
        QCOMPARE(readFile(presetFile(12)), bytes);

        // Recalling it changes the live values, and they are announced.
        m_device->recall(QStringLiteral("12"), QStringLiteral("Live"));
        QTRY_COMPARE_WITH_TIMEOUT(m_side.value(QStringLiteral("Compressor"), kThreshold), QStringLiteral("-33.0dB"), kWait);

        // A preset stored over the control protocol appears as a file.
        m_device->store(QStringLiteral("20"), QStringLiteral("Stored"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(presetFile(20)), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_device->nameOf(20), QStringLiteral("Stored"), kWait);

        // An update (remove, then put) ends with exactly one actionFinished, from the put.
        finished.clear();
        m_device->provider()->onUpdateFile(bytes, QStringLiteral("/presets"), PresetProvider::presetFileName(20),
                                           PresetProvider::presetFileName(20));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kWait);
        // A listing queued behind it ends after anything the update could still report.
        QSignalSpy listed(m_device->provider(), &PresetProvider::fileList);
        m_device->provider()->listFiles(QStringLiteral("/presets"));
        QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, kWait);
        const QStringList files = listed.first().at(1).toStringList();
        QVERIFY(files.contains(QStringLiteral("Preset_20.preset")) && !files.contains(QString()));
        QCOMPARE(finished.count(), 1);

        // Fetched to the PC: the same bytes, under a free name; nothing there is overwritten.
        QSignalSpy fetched(m_device.get(), &DevicePresetModel::presetAvailable);
        QSignalSpy pcErrors(m_pc.get(), &FileSystemModel::error);
        m_device->presetFetch(QStringLiteral("12"));
        QTRY_COMPARE_WITH_TIMEOUT(fetched.count(), 1, kWait);
        QCOMPARE(fetched.first().first().toByteArray(), bytes);
        QCOMPARE(m_pc->availablePresetName(QStringLiteral("Live")), QStringLiteral("Live"));
        m_pc->addPresetToFileSystem(QStringLiteral("Live"), bytes);
        QCOMPARE(readFile(m_pc->folder() + QStringLiteral("/Live")), bytes);
        m_pc->addPresetToFileSystem(QStringLiteral("Live 2"), "other");
        QCOMPARE(m_pc->availablePresetName(QStringLiteral("Live")), QStringLiteral("Live 3"));

        // Adding or renaming onto a taken name keeps what is there.
        m_pc->addPresetToFileSystem(QStringLiteral("Live"), "newer");
        m_pc->rename(QStringLiteral("Live 2"), QStringLiteral("Live"));
        QCOMPARE(pcErrors.count(), 2);
        QCOMPARE(readFile(m_pc->folder() + QStringLiteral("/Live")), bytes);
        QCOMPARE(readFile(m_pc->folder() + QStringLiteral("/Live 2")), QByteArray("other"));
        QCOMPARE(m_pc->count(), 2);
    }

    void failuresAreTold_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("told");
        QTest::newRow("fetch of a path") << "fetch" << "../../etc/passwd" << "no preset slot";
        QTest::newRow("fetch of an empty slot") << "fetch" << "25" << "holds no preset";
        QTest::newRow("transfer beyond the slots") << "transfer" << "31" << "no preset slot 31";
        QTest::newRow("transfer of no preset") << "transfer" << "13" << "File upload failed";
        QTest::newRow("recall of an empty slot") << "recall" << "26" << "holds no preset";
    }

    void failuresAreTold()
    {
        QFETCH(QString, operation);
        QFETCH(QString, id);
        QFETCH(QString, told);
        QSignalSpy errors(m_device.get(), &DevicePresetModel::error);
        if (operation == QLatin1String("fetch"))
            m_device->presetFetch(id);
        else if (operation == QLatin1String("transfer"))
            m_device->transfer(id, QStringLiteral("Junk"), "not a preset");
        else
            m_device->recall(id, QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, kWait);
        QVERIFY2(errors.first().first().toString().contains(told), qPrintable(errors.first().first().toString()));
        QVERIFY(!QFile::exists(presetFile(13)));
    }

    void hostileFileNamesStayOut_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"../escape", "a/b", "..", "C:x", "CON", "nul.txt", "lpt1", "bell\x07", " lead", "trail.",
                                 ".hidden", "", "x\\y"})
            QTest::newRow(name) << QString::fromLatin1(name);
        QTest::newRow("long") << QString(70, QLatin1Char('a'));
    }

    void hostileFileNamesStayOut()
    {
        QFETCH(QString, name);
        QSignalSpy errors(m_pc.get(), &FileSystemModel::error);
        const QStringList before = QDir(m_pc->folder() + QStringLiteral("/..")).entryList(QDir::AllEntries | QDir::Hidden);
        m_pc->addPresetToFileSystem(name, "bytes");
        m_pc->copy(QStringLiteral("Live"), name);
        m_pc->rename(QStringLiteral("Live"), name);
        QCOMPARE(errors.count(), 3);
        QVERIFY(QFile::exists(m_pc->folder() + QStringLiteral("/Live")));
        QCOMPARE(QDir(m_pc->folder() + QStringLiteral("/..")).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(m_pc->count(), 2);
    }

    void settingsRoundTripAndCut()
    {
        ModelProcess target;
        QVERIFY2(target.start(), qPrintable(target.output()));
        tarn::presets::SettingsTransfer transfer;
        QSignalSpy finished(&transfer, &tarn::presets::SettingsTransfer::finished);
        QSignalSpy failed(&transfer, &tarn::presets::SettingsTransfer::failed);

        // Values and presets changed in one processor arrive in the other.
        QCOMPARE(m_side.set(QStringLiteral("Compressor"), kThreshold, QStringLiteral("-41")), QStringLiteral("-41.0dB"));
        QVERIFY(transfer.start(endpointOf(m_model), endpointOf(target)));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 1, kWait);
        QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
        LinkClient other;
        QVERIFY(other.login(target.port()));
        QCOMPARE(other.get(QStringLiteral("Compressor"), kThreshold), QStringLiteral("-41.0dB"));
        QStringList presets;
        for (const char *sv : {"Name_3", "Name_12", "Name_20", "CurrentPreset"})
            presets << other.get(QStringLiteral("Presets"), QLatin1String(sv));
        QCOMPARE(presets, QStringList({"Main", "Live", "Stored", "20"}));
        const QByteArray before = readFile(target.stateDir() + QStringLiteral("/ftp/presets/Preset_12.preset"));
        QCOMPARE(before, readFile(presetFile(12)));

        // Cut off in the middle of the write: the target stays as it was, and says so.
        m_device->rename(QStringLiteral("12"), QStringLiteral("Changed Again"));
        QTRY_COMPARE_WITH_TIMEOUT(m_device->nameOf(12), QStringLiteral("Changed Again"), kWait);
        other.sendRaw("model fault ftp-cut-after 60000\n");
        QTRY_VERIFY_WITH_TIMEOUT(target.status().value(QStringLiteral("faults")).toObject().value(QStringLiteral("ftpCutAfter")).toInt() > 0, kWait);
        QVERIFY(transfer.start(endpointOf(m_model), endpointOf(target)));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, kWait);
        QVERIFY2(failed.first().first().toString().startsWith(QLatin1String("Writing the settings to 127.0.0.1 failed")),
                 qPrintable(failed.first().first().toString()));
        QCOMPARE(other.get(QStringLiteral("Presets"), QStringLiteral("Name_12")), QStringLiteral("Live"));
        QCOMPARE(readFile(target.stateDir() + QStringLiteral("/ftp/presets/Preset_12.preset")), before);
    }

    // Key and stamp are read only from names of the tuning form; a null key is not checked.
    void tuningNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("validStamp");
        QTest::addColumn<bool>("safe");
        QTest::newRow("tuning") << "Vessant_LX_LX12_Main_2014_1_16_19_32.hdf" << "Vessant_LX_LX12_Main" << true << true;
        QTest::newRow("six parts") << "Brova_2013_9_30_16_20.hdf" << "Brova" << true << true;
        QTest::newRow("five parts") << "2013_9_30_16_20.hdf" << "" << false << true;
        QTest::newRow("no date") << "Vessant_LX_LX12.hdf" << "" << false << true;
        QTest::newRow("letters in date") << "A_B_C_2014_1_x_19_32.hdf" << "A_B_C" << false << true;
        QTest::newRow("dots inside") << "A_B.v2_C_2014_1_16_19_32.hdf" << "A_B.v2_C" << true << true;
        QTest::newRow("spaces and unicode") << "Brøva Kt_Kt 12_a_2014_1_1_1_1.hdf" << "Brøva Kt_Kt 12_a" << true << true;
        QTest::newRow("parent") << "../A_B_C_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("two dots inside") << "A..B_C_D_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("slash") << "x/A_B_C_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("backslash") << "x\\A_B_C_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("drive") << "C:A_B_C_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("escape") << "A\x1b[2J_C_D_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("hidden") << ".A_B_C_2014_1_1_1_1.hdf" << QString() << true << false;
        QTest::newRow("empty") << "" << QString() << false << false;
        QTest::newRow("overlong") << QString(MaxFileNameLength, QLatin1Char('a')) + "_B_C_2014_1_1_1_1.hdf" << QString() << true << false;
    }

    void tuningNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(bool, validStamp);
        QFETCH(bool, safe);
        QCOMPARE(isSafeFileName(name), safe);
        QCOMPARE(tuningTimeStamp(name).valid, validStamp);
        if (!key.isNull()) {
            QCOMPARE(tuningKey(name), key);
            QCOMPARE(isTuningFileName(name), !key.isEmpty() && validStamp);
        }
    }

    void brandOrderAndStates()
    {
        QCOMPARE(orderedBrandList({"Orlin", "Custom", "Brova", "Kavel", "Vessant", "Brova"}),
                 QStringList({"Show All", "Vessant", "Brova", "Orlin", "Kavel"}));
        QCOMPARE(orderedBrandList({"Brova", "Custom"}), QStringList({"Show All", "Brova"}));
        QCOMPARE(orderedBrandList({}), QStringList({"Show All"}));

        const TimeStamp local = tuningTimeStamp("A_B_C_2015_6_22_14_10.hdf");
        const TimeStamp older = tuningTimeStamp("A_B_C_2015_6_22_14_9.hdf"); // minute 9 before 10, not "9" > "10"
        const TimeStamp newer = tuningTimeStamp("A_B_C_2016_1_1_0_0.hdf");
        QCOMPARE(QStringList({fileState(local, nullptr), fileState(local, &older), fileState(local, &newer), fileState(local, &local)}),
                 QStringList({"Not Loaded", "Has Update", "Loaded", "Loaded"}));

        auto files = [](std::initializer_list<const char *> states) {
            FileInfoList list;
            for (const char *state : states)
                list.append({"SPK", "A", "B", state, "No Change", "f"});
            return list;
        };
        QCOMPARE(QStringList({groupState(files({"Loaded", "Loaded"})), groupState(files({"Loaded", "Not Loaded"})),
                              groupState(files({"Not Loaded", "Has Update"}))}),
                 QStringList({"Loaded", "Not Loaded", "Has Update"}));
    }

    void modelChoices()
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
        QCOMPARE(QStringList({model.data(lx, TuningFileListModel::BrandSeriesRole).toString(),
                              model.data(lx, TuningFileListModel::AddRemoveRole).toString(),
                              model.data(arc, TuningFileListModel::AddRemoveRole).toString()}),
                 QStringList({"Vessant / LX", "Add", "Remove"}));

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

    void factorySeedingKeepsLocalVersions()
    {
        QDir(libraryRoot()).removeRecursively();
        QDir().mkpath(localFolder(Kind::Speaker));
        // An older and a newer version of two factory tunings are already here.
        for (const char *name : {"Vessant_LX_LX12_Main_2010_1_1_0_0.hdf", "Brova_Arc_Arc10_Std_2020_1_1_0_0.hdf"}) {
            QVERIFY(writeFile(QDir(localFolder(Kind::Speaker)).filePath(name), "mine"));
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

    void initialiseAndApply()
    {
        QDir(libraryRoot()).removeRecursively();
        // Names the processor lists that must never become local files.
        const QStringList hostile{m_model.stateDir() + "/ftp/SpeakerTunings/Evil\x01Name_a_b_2020_1_1_1_1.hdf",
                                  m_model.stateDir() + "/ftp/SpeakerTunings/Readme_a_b_2020_1_1_1_1.txt"};
        for (const QString &path : hostile) {
            QVERIFY(writeFile(path, "x"));
        }
        TuningFileListModel model;
        QSignalSpy initialised(&model, &TuningFileListModel::initialized);
        QSignalSpy brands(&model, &TuningFileListModel::brandList);
        model.initializeModel();
        settle(model, initialised);
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
        for (const QString &path : hostile)
            QFile::remove(path);

        // The choices applied: files added, removed and updated on the processor, and the list read again.
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
        const QByteArray sent = readFile(m_model.stateDir() + "/ftp/SpeakerTunings/Tessary_Duo_D210_Main_2013_4_18_15_40.hdf");
        QVERIFY(!sent.isEmpty());
        QCOMPARE(sent, readFile(QDir(localFolder(Kind::Speaker)).filePath("Tessary_Duo_D210_Main_2013_4_18_15_40.hdf")));
        QVERIFY(!model.enableApplyCancel()); // the choices are gone, the states follow the processor
        QCOMPARE(statesOf(model, {"Tessary / Duo", "Brova / Arc", "Vessant / VR"}),
                 QStringList({"Tessary / Duo: Loaded", "Brova / Arc: Not Loaded", "Vessant / VR: Loaded"}));
    }

    void cloudUpdateReplacesOlderFiles()
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

    void cloudFailuresKeepTheLibrary()
    {
        const QStringList before = localFiles(Kind::Speaker);
        TuningFileListModel model;
        QSignalSpy errors(&model, &TuningFileListModel::error);
        QSignalSpy updated(&model, &TuningFileListModel::updatedFromCloud);
        // Nobody listens (a store's 404 takes the same way: the download batch below meets one);
        // then a newer version whose transfer breaks off, and names that must never be fetched.
        tarn::test::ScriptedHttpPeer peer;
        const QByteArray newer = "Vessant_LX_LX15_Main_2019_1_1_0_0.hdf";
        peer.answer("/cz-speaker-tunings/Manifest",
                    {200, "../../Evil_a_b_2020_1_1_1_1.hdf\r\nsub/Evil_a_b_2020_1_1_1_1.hdf\r\n\r\n  " + newer
                              + "  \r\nTessary_Mono_M1_2011_6_1_9_0.hdf\r\n", -1, false, {}});
        peer.answer("/cz-amplifier-data/Manifest", {200, "", -1, false, {}});
        peer.answer("/cz-speaker-tunings/" + newer, {200, QByteArray(4096, 'n'), 1000, false, {}});
        const QPair<QString, QString> stores[] = {
            {QStringLiteral("http://127.0.0.1:%1").arg(tarn::test::freePort()), QString::fromLatin1(TuningFileManager::CloudErrorText)},
            {peer.url(), QStringLiteral("1 of 1 updates could not be downloaded")}};
        for (const auto &store : stores) {
            qputenv("TARN_CLOUD_URL", store.first.toUtf8());
            errors.clear();
            model.updateFromCloud();
            QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 30000);
            QVERIFY2(errors.first().first().toString().startsWith(store.second), qPrintable(errors.first().first().toString()));
            QVERIFY(updated.isEmpty());
            QCOMPARE(localFiles(Kind::Speaker), before);
            QTRY_VERIFY_WITH_TIMEOUT(!model.busy(), 30000);
        }
        QCOMPARE(peer.requests(), QStringList({"/cz-speaker-tunings/Manifest", "/cz-amplifier-data/Manifest",
                                               "/cz-speaker-tunings/" + newer}));
        QVERIFY(!QFileInfo::exists(QDir(cloudFolder(Kind::Speaker)).filePath(newer)));
        QVERIFY(!QFileInfo::exists(libraryRoot() + "/Evil_a_b_2020_1_1_1_1.hdf"));
    }

    void resetMakesProcessorHoldLocalSet()
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

    void downloadManagerBatch()
    {
        tarn::test::ScriptedHttpPeer peer;
        peer.answer("/a/x.hdf", {200, "first", -1, false, {}});
        peer.answer("/b/x.hdf", {200, "second", -1, false, {}});
        peer.answer("/folder/", {200, "listing", -1, false, {}});
        peer.answer("/cut.hdf", {200, QByteArray(8192, 'c'), 100, false, {}});
        peer.answer("/moved.hdf", {302, "", -1, false, {{"Location", "/a/x.hdf"}}});
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("cut.hdf"), "old"));

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
        QByteArrayList contents;
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files, QDir::Name))
            contents << name.toUtf8() + ": " + readFile(dir.filePath(name));
        QCOMPARE(contents, QByteArrayList({"cut.hdf: old", "index.html: listing", "moved.hdf: first", "x.hdf: second"}));
    }

private:
    QString presetFile(int slot) const { return m_model.stateDir() + QStringLiteral("/ftp/presets/Preset_%1.preset").arg(slot); }
    QStringList processorFiles(Kind kind) const
    {
        return QDir(m_model.stateDir() + "/ftp" + processorFolder(kind)).entryList(QDir::Files, QDir::Name);
    }
    static QStringList localFiles(Kind kind) { return QDir(localFolder(kind)).entryList(QDir::Files, QDir::Name); }
    // The row of a group ("Brand / Series"), -1 when there is none.
    static int rowOf(const TuningFileListModel &model, const QString &group)
    {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.data(model.index(row), TuningFileListModel::BrandSeriesRole).toString() == group)
                return row;
        }
        return -1;
    }
    // "group: state" of each of the groups.
    static QStringList statesOf(const TuningFileListModel &model, const QStringList &groups)
    {
        QStringList states;
        for (const QString &group : groups) {
            const int row = rowOf(model, group);
            states << group + ": " + (row < 0 ? "(no row)" : model.data(model.index(row), TuningFileListModel::StateRole).toString());
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
        const int row = rowOf(model, group);
        return row >= 0 && model.setAction(row, action);
    }
    // Runs one command and waits until the list has been read again after it.
    static void settle(TuningFileListModel &model, QSignalSpy &initialised, int timeoutMs = 30000)
    {
        const int before = initialised.count();
        QTRY_VERIFY_WITH_TIMEOUT(initialised.count() > before && !model.busy(), timeoutMs);
    }

    ModelProcess m_model;
    LinkClient m_side;
    std::unique_ptr<DevicePresetModel> m_device;
    std::unique_ptr<FileSystemModel> m_pc;
    QList<QByteArray> m_sent;
};

TARN_TEST_MAIN(TstPresets, QCoreApplication)
#include "tst_presets.moc"
