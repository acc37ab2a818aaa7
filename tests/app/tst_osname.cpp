#include "TestMain.h"
#include "app/OsIdentification.h"

using namespace Qt::StringLiterals;
using namespace OsIdentification;

Q_DECLARE_METATYPE(OsVersionRecord)

namespace {

OsVersionRecord record(quint32 platform, quint32 major, quint32 minor, quint32 build = 0,
                       quint16 spMajor = 0, quint16 spMinor = 0, quint16 suite = 0,
                       quint8 productType = 1)
{
    OsVersionRecord r;
    r.platformId = platform;
    r.major = major;
    r.minor = minor;
    r.build = build;
    r.servicePackMajor = spMajor;
    r.servicePackMinor = spMinor;
    r.suiteMask = suite;
    r.productType = productType;
    return r;
}

} // namespace

class TestOsName : public QObject {
    Q_OBJECT
private slots:
    void productVersionDecides_data();
    void productVersionDecides();
    void recordDecisionTable_data();
    void recordDecisionTable();
    void editionsInTableOrder();
    void linuxNameFromOsRelease_data();
    void linuxNameFromOsRelease();
    void osNameCarriesAddressWidth();
};

void TestOsName::productVersionDecides_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("expected"); // empty: the record decides
    QTest::newRow("10") << u"10.0.19041.1"_s << u"Windows 10.0.19041.1"_s;
    QTest::newRow("8.1") << u"6.3.9600.17415"_s << u"Windows 8.1 [6.3.9600.17415]"_s;
    QTest::newRow("6.4 later than 8.1") << u"6.4.1.1"_s << u"Windows 8.1 [6.4.1.1]"_s;
    QTest::newRow("7 falls through") << u"6.1.7601.17514"_s << QString();
    QTest::newRow("three parts fall through") << u"10.0.19041"_s << QString();
    QTest::newRow("empty falls through") << QString() << QString();
}

void TestOsName::productVersionDecides()
{
    QFETCH(QString, version);
    QFETCH(QString, expected);
    QCOMPARE(nameFromProductVersion(version).value_or(QString()), expected);
}

void TestOsName::recordDecisionTable_data()
{
    QTest::addColumn<OsVersionRecord>("rec");
    QTest::addColumn<QString>("expected");
    const QString ultimate = u"Ultimate Edition"_s;
    QTest::newRow("7 SP1") << record(2, 6, 1, 7601, 1, 0, 0, 1)
                           << u"Windows 7 Ultimate Edition Service Pack 1 [Version: 6.1.7601]"_s;
    QTest::newRow("SP 2.1") << record(2, 5, 1, 2600, 2, 1, 0)
                            << u"Windows XP Professional Service Pack 2.1 [Version: 5.1.2600]"_s;
    QTest::newRow("SP 0") << record(2, 5, 1, 2600, 0, 0, 512)
                          << u"Windows XP Home [Version: 5.1.2600]"_s;
    QTest::newRow("suite 768 is plain XP")
        << record(2, 5, 1, 2600, 0, 0, 768) << u"Windows XP [Version: 5.1.2600]"_s;
    QTest::newRow("95 no SP") << record(1, 4, 0, 950, 1) << u"Windows 95 [Version: 4.0.950]"_s;
    QTest::newRow("98") << record(1, 4, 10, 1998) << u"Windows 98 [Version: 4.10.1998]"_s;
    QTest::newRow("Me") << record(1, 4, 90, 3000)
                        << u"Windows Millennium Edition [Version: 4.90.3000]"_s;
    QTest::newRow("9x other minor") << record(1, 4, 5, 1) << u" [Version: 4.5.1]"_s;
    QTest::newRow("NT3 no SP") << record(2, 3, 51, 1057, 5)
                               << u"Windows NT 3.51 [Version: 3.51.1057]"_s;
    QTest::newRow("NT4 no SP") << record(2, 4, 0, 1381, 6)
                               << u"Windows NT 4.0 [Version: 4.0.1381]"_s;
    QTest::newRow("2000 advanced") << record(2, 5, 0, 2195, 4, 0, 2)
                                   << u"Windows 2000 Advanced Service Pack 4 [Version: 5.0.2195]"_s;
    QTest::newRow("2000 data center")
        << record(2, 5, 0, 2195, 0, 0, 128) << u"Windows 2000 Data center [Version: 5.0.2195]"_s;
    QTest::newRow("2003 R2") << record(
        2, 5, 2, 3790, 2, 0,
        274) << u"Windows Server 2003 R2 Enterprise Service Pack 2 [Version: 5.2.3790]"_s;
    QTest::newRow("2003 web") << record(2, 5, 2, 3790, 0, 0, 1024)
                              << u"Windows Server 2003 Web Edition [Version: 5.2.3790]"_s;
    QTest::newRow("2003 other") << record(2, 5, 2, 3790, 0, 0, 3)
                                << u"Windows Server 2003 [Version: 5.2.3790]"_s;
    QTest::newRow("5.x other keeps SP")
        << record(2, 5, 7, 1, 1) << u" Service Pack 1 [Version: 5.7.1]"_s;
    QTest::newRow("Vista home premium")
        << record(2, 6, 0, 6002, 2, 0, 0, 3)
        << u"Windows Server 2008 Home Premium Edition Service Pack 2 [Version: 6.0.6002]"_s;
    QTest::newRow("Vista workstation")
        << record(2, 6, 0, 6002, 0, 0, 0, 1)
        << u"Windows Vista "_s + ultimate + u" [Version: 6.0.6002]"_s;
    QTest::newRow("2008 R2") << record(
        2, 6, 1, 7601, 0, 0, 0,
        3) << u"Windows Server 2008 R2 Home Premium Edition [Version: 6.1.7601]"_s;
    QTest::newRow("8") << record(2, 6, 2, 9200, 0, 0, 0, 2)
                       << u"Windows 8 Home Basic Edition [Version: 6.2.9200]"_s;
    QTest::newRow("2012") << record(2, 6, 2, 9200, 0, 0, 0, 3)
                          << u"Windows Server 2012 Home Premium Edition [Version: 6.2.9200]"_s;
    QTest::newRow("8.1 record") << record(2, 6, 3, 9600, 0, 0, 0, 1)
                                << u"Windows 8.1 Ultimate Edition [Version: 6.3.9600]"_s;
    QTest::newRow("10 record") << record(2, 6, 4, 1, 0, 0, 0, 1)
                               << u"Windows 10 Ultimate Edition [Version: 6.4.1]"_s;
    QTest::newRow("6.9 unknown") << record(2, 6, 9, 1, 0, 0, 0, 99)
                                 << u"未知系统  [Version: 6.9.1]"_s;
    QTest::newRow("NT other major") << record(2, 10, 0, 1, 3) << u" [Version: 10.0.1]"_s;
    QTest::newRow("DOS") << record(0, 7, 1, 2) << u"DOS [Version: 7.1.2]"_s;
    QTest::newRow("unknown platform")
        << record(3, 1, 2, 3) << u"Unknown System Version! [Version: 1.2.3]"_s;
    QTest::newRow("failed query") << OsVersionRecord{} << u"DOS [Version: 0.0.0]"_s;
}

void TestOsName::recordDecisionTable()
{
    QFETCH(OsVersionRecord, rec);
    QFETCH(QString, expected);
    QCOMPARE(windowsName(u"6.1.7601.17514"_s, rec), expected);
}

void TestOsName::editionsInTableOrder()
{
    QCOMPARE(editionName(1), u"Ultimate Edition"_s);
    QCOMPARE(editionName(2), u"Home Basic Edition"_s);
    QCOMPARE(editionName(3), u"Home Premium Edition"_s);
    QCOMPARE(editionName(0), u"An unknown product"_s);
    QCOMPARE(editionName(0xABCDABCD), u"Not activated product"_s);
    QCOMPARE(editionName(17), u"Web Server Edition"_s);
    QCOMPARE(editionName(99), QString());
}

void TestOsName::linuxNameFromOsRelease_data()
{
    QTest::addColumn<QString>("osRelease");
    QTest::addColumn<QString>("kernel");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pretty name")
        << u"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"_s
        << u"6.1.0-18-amd64"_s << u"Debian GNU/Linux 12 (bookworm) [Linux 6.1.0-18-amd64]"_s;
    QTest::newRow("name and version") << u"NAME=Fedora\nVERSION='39 (Workstation)'\n"_s
                                      << u"6.5.6"_s << u"Fedora 39 (Workstation) [Linux 6.5.6]"_s;
    QTest::newRow("nothing known") << QString() << QString() << u"Linux"_s;
}

void TestOsName::linuxNameFromOsRelease()
{
    QFETCH(QString, osRelease);
    QFETCH(QString, kernel);
    QFETCH(QString, expected);
    QCOMPARE(linuxName(osRelease, kernel), expected);
}

void TestOsName::osNameCarriesAddressWidth()
{
    QCOMPARE(buildOsName(u"Debian"_s, 64), u"Debian[64位]"_s);
    QCOMPARE(buildOsName(u"Debian"_s, 32), u"Debian[32位]"_s);
    QCOMPARE(buildOsName(u"Debian"_s, 0), u"Debian[32位]"_s);
    const QString running = buildOsName(GetOsName(), addressWidth());
    QVERIFY(!running.isEmpty());
    QVERIFY(running.endsWith(u"位]"_s));
    QVERIFY(!running.contains(u'\n'));
}

ZORV_TEST_MAIN(TestOsName)
#include "tst_osname.moc"
