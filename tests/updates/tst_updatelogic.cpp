// Guards against update feeds, versions and file names misread, and error texts that tell the
// user the wrong thing.
#include "testenv.h"
#include "updatecommon.h"
#include "updatefeed.h"

#include <QtTest>

using namespace tarn::updates;

class UpdateLogicTest : public QObject {
    Q_OBJECT
private slots:
    void versions_data();
    void versions();
    void errorTexts_data();
    void errorTexts();
    void feeds_data();
    void feeds();
    void fileNames_data();
    void fileNames();
};

void UpdateLogicTest::versions_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("greater");
    QTest::newRow("2.10 > 2.9") << "2.10" << "2.9" << true;
    QTest::newRow("2.9 < 2.10") << "2.9" << "2.10" << false;
    QTest::newRow("1.2 = 1.2.0") << "1.2" << "1.2.0" << false;
    QTest::newRow("1.2.0 = 1.2") << "1.2.0" << "1.2" << false;
    QTest::newRow("1.2.1 > 1.2") << "1.2.1" << "1.2" << true;
    QTest::newRow("equal") << "1.4.2" << "1.4.2" << false;
    QTest::newRow("text part is 0") << "1.x.1" << "1.0" << true;
    QTest::newRow("anything > empty") << "0.1" << "" << true;
}

void UpdateLogicTest::versions()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, greater);
    QCOMPARE(isFirstGreaterThanSecond(a, b), greater);
}

void UpdateLogicTest::errorTexts_data()
{
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QString>("start");
    QTest::newRow("connect") << QList<int>{1, 2, 3, 6, 8, 9, 101, 102, 103} << "Failed to connect to update server.";
    QTest::newRow("timeout") << QList<int>{4, 104} << "The connection timed out.";
    QTest::newRow("cancel") << QList<int>{5} << "The operation was canceled.";
    QTest::newRow("server") << QList<int>{7, 301, 302, 399, 401, 402, 403} << "The server is temporarily unable";
    QTest::newRow("proxy") << QList<int>{105, 201, 202, 204} << "Proxy authentication failed.";
    QTest::newRow("content") << QList<int>{203, 205, 206, 207} << "The content requested was not found";
    QTest::newRow("other") << QList<int>{10, 11, 99, 299, 499} << "Unknown network error.";
}

void UpdateLogicTest::errorTexts()
{
    QFETCH(QList<int>, codes);
    QFETCH(QString, start);
    for (int code : codes)
        QVERIFY2(networkErrorText(code).startsWith(start), qPrintable(QString::number(code)));
}

void UpdateLogicTest::feeds_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("version"); // "" when none offered
    QTest::addColumn<QString>("url");
    const QByteArray several = R"(<?xml version="1.0"?>
<Config><Brand Name="other"><Product Name="Tarn Firmware"><Revision Version="9.9" ImageUrl="x/9.bin"/></Product></Brand>
<Brand Name="norv"><Product Name="Tarn Firmware">
  <Revision Version="1.9.0" ImageUrl="fw/1.9.bin"/><Revision Version="1.10.0" ImageUrl="fw/1.10.bin"
   Sha256="AB00000000000000000000000000000000000000000000000000000000000000" Size="42"/>
  <Revision Version="1.2" ImageUrl="fw/1.2.bin"/><Revision Version="7;rm" ImageUrl="fw/bad.bin"/></Product>
<Product Name="Tarn Application">
  <Revision Version="1.3.0" Platform="Win" ImageUrl="http://other.example/setup-1.3.0.exe"/>
  <Revision Version="1.2.0" Platform="Linux" ImageUrl="/apps/tarn-control_1.2.0_amd64.deb"/>
  <Revision Version="1.1.0" Platform="Linux" ImageUrl="/apps/tarn-control_1.1.0_amd64.deb"/></Product></Brand></Config>)";
    QTest::newRow("greatest firmware") << several << "" << true << "1.10.0" << "http://store.test/cz/fw/1.10.bin";
    QTest::newRow("own platform only") << several << "Linux" << true << "1.2.0" << "http://store.test/apps/tarn-control_1.2.0_amd64.deb";
    QTest::newRow("Win") << several << "Win" << true << "1.3.0" << "http://other.example/setup-1.3.0.exe";
    QTest::newRow("no revision") << several << "Mac" << true << "" << "";
    QTest::newRow("default namespace")
        << QByteArray(R"(<Config xmlns="urn:tessil:update"><Brand Name="norv"><Product Name="Tarn Firmware">)"
                      R"(<Revision Version="2.0" ImageUrl="a.bin"/></Product></Brand></Config>)")
        << "" << true << "2.0" << "http://store.test/cz/a.bin";
    QTest::newRow("blanks around the attributes keep the checksum")
        << QByteArray(R"(<Config><Brand Name="norv"><Product Name="Tarn Firmware"><Revision Version=" 1.10.0 " )"
                      R"(ImageUrl=" fw/1.10.bin " Sha256="AB00000000000000000000000000000000000000000000000000000000000000" )"
                      R"(Size="42"/></Product></Brand></Config>)")
        << "" << true << "1.10.0" << "http://store.test/cz/fw/1.10.bin";
    QTest::newRow("not xml") << QByteArray("<Config><Brand>") << "" << false << "" << "";
    QTest::newRow("dtd refused")
        << QByteArray(R"(<!DOCTYPE Config [<!ENTITY a "aaaa">]><Config><Brand Name="norv"/></Config>)") << "" << false << "" << "";
    QTest::newRow("file scheme refused")
        << QByteArray(R"(<Config><Brand Name="norv"><Product Name="Tarn Firmware"><Revision Version="2.0" ImageUrl="file:///etc/passwd"/>)"
                      R"(</Product></Brand></Config>)")
        << "" << false << "" << "";
}

void UpdateLogicTest::feeds()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, platform);
    QFETCH(bool, ok);
    QFETCH(QString, version);
    QFETCH(QString, url);
    const QString product = platform.isEmpty() ? QStringLiteral("Tarn Firmware") : QStringLiteral("Tarn Application");
    Revision latest;
    QString why;
    QCOMPARE(latestRevision(xml, QUrl("http://store.test/cz/update.xml"), product, platform, &latest, &why), ok);
    QCOMPARE(latest.version, version);
    QCOMPARE(latest.url.toString(), url);
    if (version == "1.10.0") {
        QCOMPARE(latest.sha256, QByteArray("ab").append(62, '0'));
        QCOMPARE(latest.size, 42);
    }
}

void UpdateLogicTest::fileNames_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "http://h/fw/tarn-1.5.0.bin" << "tarn-1.5.0.bin";
    QTest::newRow("encoded slash") << "http://h/fw/..%2F..%2Fevil" << "evil";
    QTest::newRow("encoded dots") << "http://h/fw/%2e%2e" << "";
    QTest::newRow("backslash") << "http://h/fw/a%5Cb.bin" << "";
    QTest::newRow("hidden") << "http://h/fw/.bashrc" << "";
    QTest::newRow("no name") << "http://h/fw/" << "";
}

void UpdateLogicTest::fileNames()
{
    QFETCH(QString, url);
    QFETCH(QString, name);
    QCOMPARE(safeFileName(QUrl(url)), name);
}

TARN_TEST_MAIN(UpdateLogicTest, QCoreApplication)
#include "tst_updatelogic.moc"
