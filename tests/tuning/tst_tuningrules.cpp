// Guards against tuning-file keys, stamps and order misread, and hostile file names let through.
#include "testenv.h"
#include "tuningfile.h"
#include "tuningfilelistmodel.h"

#include <QtTest>

using namespace tarn::tuning;

// The library's rules as plain functions, and the list model's choices.
class TstTuningRules : public QObject {
    Q_OBJECT
private slots:
    void keysAndStamps_data();
    void keysAndStamps();
    void hostileNamesRefused_data();
    void hostileNamesRefused();
    void brandOrderAndStates();
    void modelChoices();
};

void TstTuningRules::keysAndStamps_data()
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

void TstTuningRules::keysAndStamps()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(bool, validStamp);
    QCOMPARE(tuningKey(name), key);
    QCOMPARE(tuningTimeStamp(name).valid, validStamp);
    QCOMPARE(isTuningFileName(name), !key.isEmpty() && validStamp);
}

void TstTuningRules::hostileNamesRefused_data()
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

void TstTuningRules::hostileNamesRefused()
{
    QFETCH(QString, name);
    QFETCH(bool, safe);
    QCOMPARE(isSafeFileName(name), safe);
}

void TstTuningRules::brandOrderAndStates()
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

void TstTuningRules::modelChoices()
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

TARN_TEST_MAIN(TstTuningRules, QCoreApplication)
#include "tst_tuningrules.moc"
