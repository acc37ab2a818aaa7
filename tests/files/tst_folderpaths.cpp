#include "TestContext.h"
#include "TestMain.h"
#include "files/FolderPaths.h"
#include "files/RecentFolders.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFolderPaths : public QObject {
    Q_OBJECT
private slots:
    void makeFolderPath();
    void makeFolderPathStopsAtABadPart();
    void relativeNameNeedsAnExistingFolder();
    void recentFoldersRoundTrip();
    void recentFoldersLimitAndRepeats();
    void loadLeavesComboWhenFileMissing();
    void browseStartsAtTheParentFolder_data();
    void browseStartsAtTheParentFolder();
    void programFolderIsBesideTheExecutable();
};

void TestFolderPaths::makeFolderPath()
{
    TestContext ctx;
    const QString books = ctx.path(u"x/books"_s);
    QCOMPARE(MakeFolderPath(books + u'/', ctx.prompter), books);
    QVERIFY(QFileInfo(books).isDir());
    QCOMPARE(MakeFolderPath(books, ctx.prompter), books); // already there
    QCOMPARE(MakeFolderPath(u"/"_s, ctx.prompter), u"/"_s);
    QVERIFY(ctx.prompter.boxes.isEmpty());
}

void TestFolderPaths::makeFolderPathStopsAtABadPart()
{
    TestContext ctx;
    const QString ok = ctx.path(u"x/ok"_s);
    QCOMPARE(MakeFolderPath(ok + u"/?\?\?/more/"_s, ctx.prompter), ok);
    QCOMPARE(ctx.prompter.messages(), QStringList{u"文件夹名称有误！不能创建文件夹！"_s});
    QVERIFY(!QFileInfo(ok + u"/more"_s).exists());
    // Cleaning takes reserved characters out of a part: a:b becomes ab.
    QCOMPARE(MakeFolderPath(ok + u"/a:b"_s, ctx.prompter), ok + u"/ab"_s);
}

void TestFolderPaths::relativeNameNeedsAnExistingFolder()
{
    TestContext ctx;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(ctx.dir.path());
    QCOMPARE(MakeFolderPath(u"books"_s, ctx.prompter), QString());
    QDir().mkdir(u"books"_s);
    QCOMPARE(MakeFolderPath(u"books"_s, ctx.prompter), u"books"_s);
    QDir::setCurrent(previous);
}

void TestFolderPaths::recentFoldersRoundTrip()
{
    TestContext ctx;
    const QString file = ctx.path(u"SaveList.dat"_s);
    QVERIFY(WriteRecentFolders({}, file));
    QCOMPARE(readAll(file), QByteArray("\r\n"));
    QCOMPARE(ReadRecentFolders(file), std::optional<QStringList>(QStringList()));
    QVERIFY(WriteRecentFolders({u"/tmp/x/books"_s, u"/tmp/骨"_s}, file));
    QCOMPARE(readAll(file), u"/tmp/x/books\r\n/tmp/骨\r\n"_s.toUtf8());

    QComboBox combo;
    combo.setEditable(true);
    LoadRecentFolders(&combo, file);
    QCOMPARE(combo.count(), 2);
    combo.addItem(u"/tmp/x/books"_s); // confirmed twice: written twice, shown once
    SaveRecentFolders(&combo, file);
    LoadRecentFolders(&combo, file);
    QCOMPARE(combo.count(), 2);
    FitDropDownWidth(&combo);
    QVERIFY(combo.view()->minimumWidth()
            >= QFontMetrics(combo.font()).horizontalAdvance(u"/tmp/x/books"_s));
}

void TestFolderPaths::recentFoldersLimitAndRepeats()
{
    TestContext ctx;
    const QString file = ctx.path(u"SaveList.dat"_s);
    QStringList folders;
    for (int i = 1; i <= 101; ++i) {
        folders << u"/f/%1"_s.arg(i);
    }
    folders.insert(1, u"   "_s); // blank lines are skipped and not counted
    folders.insert(2, u"/F/1"_s); // the same folder in other letters counts as one entry
    WriteRecentFolders(folders, file);
    const QStringList read = ReadRecentFolders(file).value();
    QCOMPARE(read.size(), 99); // 100 lines read, one of them a repeat
    QCOMPARE(read.first(), u"/f/1"_s);
    QVERIFY(!read.contains(u"/f/100"_s));
}

void TestFolderPaths::loadLeavesComboWhenFileMissing()
{
    TestContext ctx;
    QComboBox combo;
    combo.addItem(u"/kept"_s);
    LoadRecentFolders(&combo, ctx.path(u"missing.dat"_s));
    QCOMPARE(combo.count(), 1);
}

void TestFolderPaths::browseStartsAtTheParentFolder_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("pickerAt");
    QTest::newRow("from a sub-folder") << u"<tmp>/books/2015/"_s << u"<tmp>/books/"_s;
    QTest::newRow("missing parent") << u"<tmp>/none/2015/"_s << u"/"_s;
    QTest::newRow("empty") << QString() << u"/"_s;
}

void TestFolderPaths::browseStartsAtTheParentFolder()
{
    QFETCH(QString, start);
    QFETCH(QString, pickerAt);
    TestContext ctx;
    QDir().mkpath(ctx.path(u"books/2015"_s));
    start.replace(u"<tmp>"_s, ctx.dir.path());
    pickerAt.replace(u"<tmp>"_s, ctx.dir.path());
    // Cancelled: the start comes back, with a trailing "/".
    QCOMPARE(BrowseForFolder(ctx.shell, nullptr, start, u"请选择要浏览的文件夹:"_s),
             start.endsWith(u'/') ? start : start + u'/');
    QCOMPARE(ctx.shell.folderStarts, QStringList{pickerAt});
    ctx.shell.folderAnswers.enqueue(ctx.path(u"books"_s));
    QCOMPARE(BrowseForFolder(ctx.shell, nullptr, start, QString()), ctx.path(u"books/"_s));
}

void TestFolderPaths::programFolderIsBesideTheExecutable()
{
    TestContext ctx;
    QCOMPARE(RecentFolderFile(ctx.services.executablePath), ctx.path(u"bin/SaveList.dat"_s));
    // An executable whose folder cannot be written keeps its files in the data folder.
    const QString elsewhere = ProgramFolder(ctx.path(u"missing/zorv"_s));
    QVERIFY(elsewhere.endsWith(u'/'));
    QVERIFY(!elsewhere.startsWith(ctx.dir.path()));
}

ZORV_TEST_MAIN(TestFolderPaths)
#include "tst_folderpaths.moc"
