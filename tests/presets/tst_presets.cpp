// Guards against preset lists out of step with the processor, transfers that lose or overwrite
// bytes, failures not told, and hostile file names.
#include "devicepresetmodel.h"
#include "filesystemmodel.h"
#include "linkclient.h"
#include "modelprocess.h"
#include "presetprovider.h"
#include "settingskeys.h"
#include "settingstransfer.h"
#include "tarnsettings.h"
#include "tcpadaptor.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using tarn::test::LinkClient;
using tarn::test::ModelProcess;

namespace {
constexpr int kWait = 10000;
const QString kThreshold = QStringLiteral("Threshold");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

// The preset lists and transfers against the real offline model, its FTP service and the
// application's own link.
class TstPresets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_device.reset(); }
    void listFollowsTheProcessor();
    void transferStoresARecallablePreset();
    void fetchKeepsBytesAndNeverOverwrites();
    void failuresAreTold_data();
    void failuresAreTold();
    void hostileFileNamesStayOut_data();
    void hostileFileNamesStayOut();
    void settingsRoundTripAndCut();

private:
    QString presetFile(int slot) const { return m_model.stateDir() + QStringLiteral("/ftp/presets/Preset_%1.preset").arg(slot); }

    ModelProcess m_model;
    LinkClient m_side;
    std::unique_ptr<DevicePresetModel> m_device;
    std::unique_ptr<FileSystemModel> m_pc;
    QList<QByteArray> m_sent;
};

void TstPresets::initTestCase()
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

void TstPresets::listFollowsTheProcessor()
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

void TstPresets::transferStoresARecallablePreset()
{
    // A preset made on the PC: the processor's first preset with another threshold.
    QByteArray bytes = readAll(presetFile(1));
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
    QCOMPARE(readAll(presetFile(12)), bytes);

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
}

void TstPresets::fetchKeepsBytesAndNeverOverwrites()
{
    QSignalSpy fetched(m_device.get(), &DevicePresetModel::presetAvailable);
    QSignalSpy pcErrors(m_pc.get(), &FileSystemModel::error);
    m_device->presetFetch(QStringLiteral("12"));
    QTRY_COMPARE_WITH_TIMEOUT(fetched.count(), 1, kWait);
    const QByteArray bytes = fetched.first().first().toByteArray();
    QCOMPARE(bytes, readAll(presetFile(12)));

    const QString name = m_pc->availablePresetName(QStringLiteral("Live"));
    QCOMPARE(name, QStringLiteral("Live"));
    m_pc->addPresetToFileSystem(name, bytes);
    QCOMPARE(readAll(m_pc->folder() + QStringLiteral("/Live")), bytes);
    m_pc->addPresetToFileSystem(QStringLiteral("Live 2"), "other");
    QCOMPARE(m_pc->availablePresetName(QStringLiteral("Live")), QStringLiteral("Live 3"));

    // Adding or renaming onto a taken name keeps what is there.
    m_pc->addPresetToFileSystem(QStringLiteral("Live"), "newer");
    m_pc->rename(QStringLiteral("Live 2"), QStringLiteral("Live"));
    QCOMPARE(pcErrors.count(), 2);
    QCOMPARE(readAll(m_pc->folder() + QStringLiteral("/Live")), bytes);
    QCOMPARE(readAll(m_pc->folder() + QStringLiteral("/Live 2")), QByteArray("other"));
    QCOMPARE(m_pc->count(), 2);
}

void TstPresets::failuresAreTold_data()
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

void TstPresets::failuresAreTold()
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

void TstPresets::hostileFileNamesStayOut_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"../escape", "a/b", "..", "C:x", "CON", "nul.txt", "lpt1", "bell\x07", " lead", "trail.",
                             ".hidden", "", "x\\y"})
        QTest::newRow(name) << QString::fromLatin1(name);
    QTest::newRow("long") << QString(70, QLatin1Char('a'));
}

void TstPresets::hostileFileNamesStayOut()
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

void TstPresets::settingsRoundTripAndCut()
{
    ModelProcess target;
    QVERIFY2(target.start(), qPrintable(target.output()));
    tarn::presets::SettingsTransfer transfer;
    QSignalSpy finished(&transfer, &tarn::presets::SettingsTransfer::finished);
    QSignalSpy failed(&transfer, &tarn::presets::SettingsTransfer::failed);

    // Values and presets changed in one processor arrive in the other.
    m_side.sendRequest(tarn::test::request(QStringLiteral("set"), QStringLiteral("Compressor"), kThreshold, QStringLiteral("-41")));
    QTRY_COMPARE_WITH_TIMEOUT(m_side.value(QStringLiteral("Compressor"), kThreshold), QStringLiteral("-41.0dB"), kWait);
    QVERIFY(transfer.start(endpointOf(m_model), endpointOf(target)));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count() + failed.count(), 1, kWait);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    LinkClient other;
    QVERIFY(other.login(target.port()));
    for (const char *sv : {"Name_3", "Name_12", "Name_20", "CurrentPreset"})
        other.sendRequest(tarn::test::request(QStringLiteral("get"), QStringLiteral("Presets"), QLatin1String(sv)));
    other.sendRequest(tarn::test::request(QStringLiteral("get"), QStringLiteral("Compressor"), kThreshold));
    QTRY_COMPARE_WITH_TIMEOUT(other.value(QStringLiteral("Compressor"), kThreshold), QStringLiteral("-41.0dB"), kWait);
    QCOMPARE(other.value(QStringLiteral("Presets"), QStringLiteral("Name_3")), QStringLiteral("Main"));
    QCOMPARE(other.value(QStringLiteral("Presets"), QStringLiteral("Name_12")), QStringLiteral("Live"));
    QCOMPARE(other.value(QStringLiteral("Presets"), QStringLiteral("Name_20")), QStringLiteral("Stored"));
    QCOMPARE(other.value(QStringLiteral("Presets"), QStringLiteral("CurrentPreset")), QStringLiteral("20"));
    const QByteArray before = readAll(target.stateDir() + QStringLiteral("/ftp/presets/Preset_12.preset"));
    QCOMPARE(before, readAll(presetFile(12)));

    // Cut off in the middle of the write: the target stays as it was, and says so.
    m_device->rename(QStringLiteral("12"), QStringLiteral("Changed Again"));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->nameOf(12), QStringLiteral("Changed Again"), kWait);
    other.sendRaw("model fault ftp-cut-after 60000\n");
    QTRY_VERIFY_WITH_TIMEOUT(target.status().value(QStringLiteral("faults")).toObject().value(QStringLiteral("ftpCutAfter")).toInt() > 0, kWait);
    QVERIFY(transfer.start(endpointOf(m_model), endpointOf(target)));
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, kWait);
    QVERIFY2(failed.first().first().toString().startsWith(QLatin1String("Writing the settings to 127.0.0.1 failed")),
             qPrintable(failed.first().first().toString()));
    const int answers = other.recordsFor(QStringLiteral("Presets"), QStringLiteral("Name_12")).size();
    other.sendRequest(tarn::test::request(QStringLiteral("get"), QStringLiteral("Presets"), QStringLiteral("Name_12")));
    QTRY_VERIFY_WITH_TIMEOUT(other.recordsFor(QStringLiteral("Presets"), QStringLiteral("Name_12")).size() > answers, kWait);
    QCOMPARE(other.value(QStringLiteral("Presets"), QStringLiteral("Name_12")), QStringLiteral("Live"));
    QCOMPARE(readAll(target.stateDir() + QStringLiteral("/ftp/presets/Preset_12.preset")), before);
}

TARN_TEST_MAIN(TstPresets, QCoreApplication)
#include "tst_presets.moc"
