#include "TestMain.h"
#include "download/DownloadList.h"
#include "download/DownloadNaming.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

void touch(const QString& path, const QByteArray& bytes = "12345")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestNaming : public QObject {
    Q_OBJECT
private slots:
    void savePath_data();
    void savePath();
    void decide_data();
    void decide();
    void preparation();
    void optionCaptions();
};

void TestNaming::savePath_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("finalName");

    const int rename = int(SameNameOption::Rename);
    QTest::newRow("nothing in the way")
        << rename << QStringList() << u"report"_s << u"pdf"_s << u"report.pdf"_s << u"report"_s;
    QTest::newRow("first counter") << rename << QStringList{u"report.pdf"_s} << u"report"_s
                                   << u"pdf"_s << u"report[001].pdf"_s << u"report[001]"_s;
    QTest::newRow("next counter") << rename << QStringList{u"report.pdf"_s, u"report[001].pdf"_s}
                                  << u"report"_s << u"pdf"_s << u"report[002].pdf"_s
                                  << u"report[002]"_s;
    QTest::newRow("counter in the name carries on")
        << rename << QStringList{u"report[005].pdf"_s} << u"report[005]"_s << u"pdf"_s
        << u"report[006].pdf"_s << u"report[006]"_s;
    QTest::newRow("counter skips taken numbers")
        << rename << QStringList{u"report[005].pdf"_s, u"report[006].pdf"_s} << u"report[005]"_s
        << u"pdf"_s << u"report[007].pdf"_s << u"report[007]"_s;
    QTest::newRow("other brackets become corner marks")
        << rename << QStringList{u"a[b]c.pdf"_s} << u"a[b]c"_s << u"pdf"_s << u"a『b』c.pdf"_s
        << u"a『b』c"_s;
    QTest::newRow("corner-marked name taken too")
        << rename << QStringList{u"a[b]c.pdf"_s, u"a『b』c.pdf"_s} << u"a[b]c"_s << u"pdf"_s
        << u"a『b』c[001].pdf"_s << u"a『b』c[001]"_s;
    QTest::newRow("text after the counter is dropped")
        << rename << QStringList{u"x[12]y.pdf"_s} << u"x[12]y"_s << u"pdf"_s << u"x[012].pdf"_s
        << u"x[012]"_s;
    QTest::newRow("four-digit counter in full")
        << rename << QStringList{u"big[999].pdf"_s} << u"big[999]"_s << u"pdf"_s
        << u"big[1000].pdf"_s << u"big[1000]"_s;
    QTest::newRow("earlier brackets kept as corner marks")
        << rename << QStringList{u"v[2] part[3].pdf"_s} << u"v[2] part[3]"_s << u"pdf"_s
        << u"v『2』 part[003].pdf"_s << u"v『2』 part[003]"_s;
    QTest::newRow("no type") << rename << QStringList{u"notes"_s} << u"notes"_s << QString()
                             << u"notes[001]"_s << u"notes[001]"_s;
    QTest::newRow("overwrite keeps the name")
        << int(SameNameOption::Overwrite) << QStringList{u"report.pdf"_s} << u"report"_s << u"pdf"_s
        << u"report.pdf"_s << u"report"_s;
    // The skip option is decided before; a file in the way at this point is renamed.
    QTest::newRow("skip renames") << int(SameNameOption::Skip) << QStringList{u"report.pdf"_s}
                                  << u"report"_s << u"pdf"_s << u"report[001].pdf"_s
                                  << u"report[001]"_s;
}

void TestNaming::savePath()
{
    QFETCH(int, option);
    QFETCH(QStringList, existing);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, file);
    QFETCH(QString, finalName);

    QTemporaryDir dir;
    for (const QString& present : existing) {
        touch(dir.filePath(present));
    }
    // The folder is given without its separator: one is added.
    const SavePath result = 重命名保存路径(dir.path(), name, type, SameNameOption(option));
    QCOMPARE(result.path, dir.path() + u'/' + file);
    QCOMPARE(result.finalName, finalName);
}

void TestNaming::decide_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("needed");
    QTest::newRow("skip, file there") << int(SameNameOption::Skip) << true << false;
    QTest::newRow("skip, no file") << int(SameNameOption::Skip) << false << true;
    QTest::newRow("overwrite, file there") << int(SameNameOption::Overwrite) << true << true;
    QTest::newRow("rename, file there") << int(SameNameOption::Rename) << true << true;
}

void TestNaming::decide()
{
    QFETCH(int, option);
    QFETCH(bool, exists);
    QFETCH(bool, needed);

    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    if (exists) {
        touch(folder + u"paper.pdf"_s, QByteArray(1234, 'p'));
    }
    DownloadList list;
    const QString key = u"http://127.0.0.1/dl/paper.pdf"_s;
    list.addItem(key, u"paper"_s, u"pdf"_s, folder, QString());

    QCOMPARE(确定是需要下载(list, key, SameNameOption(option)), needed);

    const DownloadItem item = list.item(key);
    if (needed) {
        QCOMPARE(item.state, DownloadState::Waiting);
        QVERIFY(item.size.isEmpty() && item.percentage.isEmpty());
        return;
    }
    QCOMPARE(item.state, DownloadState::Completed);
    QCOMPARE(item.size, u"1234"_s);
    QCOMPARE(item.downloaded, u"1234"_s);
    QCOMPARE(item.percentage, u"已存在，跳过"_s);
    QCOMPARE(list.统计未下载项数目(), 0);
}

void TestNaming::preparation()
{
    DownloadList list;
    const QString key = u"http://127.0.0.1/dl/a.pdf"_s;
    list.addItem(key, u" a/b:c? "_s, u"pdf"_s, u"/save"_s, QString());
    PrepareDownloadItem(list, key);
    QCOMPARE(list.item(key).text, u"abc"_s);
    QCOMPARE(list.item(key).folder, u"/save/"_s);
    PrepareDownloadItem(list, key); // the separator is not doubled
    QCOMPARE(list.item(key).folder, u"/save/"_s);
}

void TestNaming::optionCaptions()
{
    QCOMPARE(SameNameOptionFromCaption(u" 跳过 "_s), SameNameOption::Skip);
    QCOMPARE(SameNameOptionFromCaption(u"覆盖"_s), SameNameOption::Overwrite);
    QCOMPARE(SameNameOptionFromCaption(u"重命名"_s), SameNameOption::Rename);
    QCOMPARE(SameNameOptionFromCaption(u"其他"_s), SameNameOption::Rename);
    QCOMPARE(SameNameCaption(SameNameOption::Skip), u"跳过"_s);
}

ZORV_TEST_MAIN(TestNaming)
#include "tst_naming.moc"
