// Guards against a screen tour list read wrongly or taken in part when it is unsafe: a path in a
// document name, blank fields, overlong lines, too many stops.
#include "screentour.h"
#include "testenv.h"

#include <QCoreApplication>

using tarn::ScreenTour;

class TstScreenTourList : public QObject {
    Q_OBJECT
private slots:
    void readsStops();
    void refusesWhatItCannotUse_data();
    void refusesWhatItCannotUse();
    void repositoryListIsReadable();
};

void TstScreenTourList::readsStops()
{
    QList<ScreenTour::Stop> stops;
    QString error;
    const QByteArray text = "# comment\n\nTarnHomeScreen\tHomeButtonPressed\t-\r\n"
                            "ScreenOutputMeters\t3\tOutput 3\n  ScreenRTA\tRTA\t-  \n";
    QVERIFY2(ScreenTour::parse(text, &stops, &error), qPrintable(error));
    QCOMPARE(stops.size(), 3);
    QCOMPARE(stops[0].document, QStringLiteral("TarnHomeScreen"));
    QCOMPARE(stops[0].command, QStringLiteral("HomeButtonPressed"));
    QCOMPARE(stops[0].payload, QString());
    QCOMPARE(stops[1].payload, QStringLiteral("Output 3"));
    QCOMPARE(stops[2].document, QStringLiteral("ScreenRTA"));
}

void TstScreenTourList::refusesWhatItCannotUse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("two fields") << QByteArray("A\tB\n") << QStringLiteral("line 1: three fields");
    QTest::newRow("blanks for tabs") << QByteArray("# x\nA B C\n") << QStringLiteral("line 2: three fields");
    QTest::newRow("path in the name") << QByteArray("../../etc/x\tRTA\t-\n") << QStringLiteral("no document name");
    QTest::newRow("file suffix") << QByteArray("ScreenRTA.qml\tRTA\t-\n") << QStringLiteral("no document name");
    QTest::newRow("empty command") << QByteArray("ScreenRTA\t\t-\n") << QStringLiteral("empty or overlong");
    QTest::newRow("long payload") << QByteArray("ScreenRTA\tRTA\t" + QByteArray(300, 'x') + "\n")
                                  << QStringLiteral("empty or overlong");
    QByteArray many;
    for (int i = 0; i <= ScreenTour::kMaxStops; ++i)
        many += "ScreenRTA\tRTA\t-\n";
    QTest::newRow("too many stops") << many << QStringLiteral("more than");
    QTest::newRow("too long") << QByteArray(ScreenTour::kMaxListBytes + 1, '#') << QStringLiteral("longer than");
}

void TstScreenTourList::refusesWhatItCannotUse()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    QList<ScreenTour::Stop> stops{{QStringLiteral("Kept"), QStringLiteral("x"), QString()}};
    QString error;
    QVERIFY(!ScreenTour::parse(text, &stops, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    // Nothing of a refused list is taken.
    QCOMPARE(stops.size(), 1);
    QCOMPARE(stops[0].document, QStringLiteral("Kept"));
}

void TstScreenTourList::repositoryListIsReadable()
{
    QFile file(QStringLiteral(TARN_SOURCE_DIR "/tests/e2e/screentour.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<ScreenTour::Stop> stops;
    QString error;
    QVERIFY2(ScreenTour::parse(file.readAll(), &stops, &error), qPrintable(error));
    QVERIFY(!stops.isEmpty());
    QCOMPARE(stops.first().document, QStringLiteral("TarnHomeScreen"));
}

TARN_TEST_MAIN(TstScreenTourList, QCoreApplication)
#include "tst_screentour.moc"
