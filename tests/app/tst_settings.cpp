#include "TestContext.h"
#include "TestMain.h"
#include "app/AppInfo.h"
#include "app/SettingKeys.h"

#include <QFile>

using namespace Qt::StringLiterals;
using namespace zorvtest;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreGivesDefaults();
    void nonNumericValueKeepsVariable_data();
    void nonNumericValueKeepsVariable();
    void valuesSurviveAReopenedStore();
    void homePageFallsBackToConfiguredDefault();
};

void TestSettings::emptyStoreGivesDefaults()
{
    TestContext ctx;
    SharedSettings& s = ctx.shared;
    s.loadDownloadWindowSettings();
    s.loadPromptSavePath();
    QCOMPARE(s.DownloadMethod, qint16(2));
    QCOMPARE(s.SameNamePolicy, u"重命名"_s);
    QCOMPARE(s.ProxyEnabled, qint16(0));
    QCOMPARE(s.ProxyAddress, QString());
    QCOMPARE(s.ProxyPort, QString());
    QCOMPARE(s.PromptSavePath, qint16(1));
    QCOMPARE(s.read(SettingKeys::sectionDownload(), SettingKeys::threads(),
                    SettingKeys::defaultThreads()),
             u"2"_s);
    QCOMPARE(s.read(SettingKeys::sectionCopyMove(), SettingKeys::opIndex(),
                    SettingKeys::defaultOpIndex()),
             u"4"_s);
    // The variables that are not stored start empty.
    QCOMPARE(s.SaveFolder, QString());
    QVERIFY(!s.NameFromUrl);
    QVERIFY(!s.SaveFolderCancelled);
}

void TestSettings::nonNumericValueKeepsVariable_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("number") << u"1"_s << 1;
    QTest::newRow("blanks around") << u" 1 "_s << 1;
    QTest::newRow("rounded half to even") << u"2.5"_s << 2;
    QTest::newRow("letters") << u"abc"_s << 7;
    QTest::newRow("empty") << QString() << 7;
    QTest::newRow("outside 16 bits") << u"40000"_s << 7;
}

void TestSettings::nonNumericValueKeepsVariable()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    TestContext ctx;
    ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::downloadMethod(), stored);
    ctx.shared.DownloadMethod = 7;
    ctx.shared.loadDownloadWindowSettings();
    QCOMPARE(int(ctx.shared.DownloadMethod), expected);
}

void TestSettings::valuesSurviveAReopenedStore()
{
    TestContext ctx;
    ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::saveFolder(), u"/tmp/x/books/"_s);
    IniSettingsStore reopened(ctx.path(u"config"_s));
    QCOMPARE(reopened.read(AppInfo::title(), SettingKeys::sectionSettings(),
                           SettingKeys::saveFolder(), {}),
             u"/tmp/x/books/"_s);
    QVERIFY(QFile::exists(reopened.filePath(AppInfo::title())));
}

void TestSettings::homePageFallsBackToConfiguredDefault()
{
    TestContext ctx;
    QCOMPARE(ctx.shared.homePage(u"http://127.0.0.1:1/"_s), u"http://127.0.0.1:1/"_s);
    ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::homePage(), u"  "_s);
    QCOMPARE(ctx.shared.homePage(u"http://127.0.0.1:1/"_s), u"http://127.0.0.1:1/"_s);
    ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::homePage(),
                     u"http://j.example/"_s);
    QCOMPARE(ctx.shared.homePage(u"http://127.0.0.1:1/"_s), u"http://j.example/"_s);
}

ZORV_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
