#include "TestContext.h"
#include "TestMain.h"
#include "app/SettingKeys.h"
#include "files/CopyEngine.h"
#include "files/FolderPaths.h"
#include "files/Form_Copy_Move.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

const QDateTime kTime = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC);

} // namespace

class TestCopyMove : public QObject {
    Q_OBJECT
private slots:
    void splitPath_data();
    void splitPath();
    void stripNumberSuffix_data();
    void stripNumberSuffix();
    void renameTakesTheFirstFreeNumber();
    void conflictOptions_data();
    void conflictOptions();
    void sourceAlreadyInDestinationIsSkipped();
    void moveDeletesOnlyCopiedSources();
    void copyKeepsTimeSoARecopyOverwrites();
    void dialogLoad_data();
    void dialogLoad();
    void runShowsProgressAndStores();
    void runErrors();
    void stopClickLeavesBeforeNextFile();
    void closingDuringARunStopsIt();
};

void TestCopyMove::splitPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << u" /d/x/a.pdf "_s << u"/d/x/"_s << u"a"_s << u"pdf"_s;
    QTest::newRow("last dot") << u"/d/a.tar.gz"_s << u"/d/"_s << u"a.tar"_s << u"gz"_s;
    QTest::newRow("six characters") << u"/d/a.abcdef"_s << u"/d/"_s << u"a"_s << u"abcdef"_s;
    QTest::newRow("seven characters")
        << u"/d/a.longext"_s << u"/d/"_s << u"a.longext"_s << QString();
    QTest::newRow("no extension") << u"/d/README"_s << u"/d/"_s << u"README"_s << QString();
    QTest::newRow("only dot first") << u"/d/.profile"_s << u"/d/"_s << u".profile"_s << QString();
    QTest::newRow("no folder") << u"a b.txt"_s << QString() << u"a b"_s << u"txt"_s;
}

void TestCopyMove::splitPath()
{
    QFETCH(QString, path);
    const PathParts parts = SplitPath(path);
    QTEST(parts.folder, "folder");
    QTEST(parts.base, "base");
    QTEST(parts.extension, "extension");
}

void TestCopyMove::stripNumberSuffix_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("counter") << u"a[003]"_s << u"a"_s;
    QTest::newRow("spaces inside") << u"a[ 12 ]"_s << u"a"_s;
    QTest::newRow("not a number") << u"a[x]"_s << u"a[x]"_s;
    QTest::newRow("nothing left") << u"[003]"_s << u"[003]"_s;
    QTest::newRow("no opening") << u"a3]"_s << u"a3]"_s;
    QTest::newRow("not at the end") << u"a[1]b"_s << u"a[1]b"_s;
    QTest::newRow("a word that reads as a number") << u"a[inf]"_s << u"a[inf]"_s;
}

void TestCopyMove::stripNumberSuffix()
{
    QFETCH(QString, base);
    QTEST(StripNumberSuffix(base), "stripped");
}

void TestCopyMove::renameTakesTheFirstFreeNumber()
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(u"dest/"_s);
    writeFile(dest + u"a.pdf"_s, "old");
    writeFile(dir.filePath(u"src/a.pdf"_s), "new");
    writeFile(dir.filePath(u"src/a[003].pdf"_s), "three");
    writeFile(dir.filePath(u"src/README"_s), "readme");
    QVERIFY(复制相同文件自动重命名(dir.filePath(u"src/a.pdf"_s), dest));
    QVERIFY(复制相同文件自动重命名(dir.filePath(u"src/a.pdf"_s), dest));
    QCOMPARE(filesIn(dest), (QStringList{u"a.pdf"_s, u"a[001].pdf"_s, u"a[002].pdf"_s}));
    QCOMPARE(readAll(dest + u"a[002].pdf"_s), QByteArray("new"));

    // The old number is dropped first: a[003] lands on the first free number of a.
    QDir(dest).remove(u"a[001].pdf"_s);
    QVERIFY(复制相同文件自动重命名(dir.filePath(u"src/a[003].pdf"_s), dest));
    QCOMPARE(readAll(dest + u"a[001].pdf"_s), QByteArray("three"));

    // Without an extension the name is the base alone, also with a counter.
    QVERIFY(复制相同文件自动重命名(dir.filePath(u"src/README"_s), dest));
    QVERIFY(复制相同文件自动重命名(dir.filePath(u"src/README"_s), dest));
    QVERIFY(filesIn(dest).contains(u"README[001]"_s));
    QVERIFY(!复制相同文件自动重命名(dir.filePath(u"src/missing.pdf"_s), dest));
}

void TestCopyMove::conflictOptions_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<bool>("sameTime");
    QTest::addColumn<QByteArray>("targetAfter");
    QTest::addColumn<bool>("renamed");
    // The source holds "NEW!", four bytes.
    QTest::newRow("1 skip") << 1 << QByteArray("OLD!") << true << QByteArray("OLD!") << false;
    QTest::newRow("2 overwrite") << 2 << QByteArray("older") << false << QByteArray("NEW!")
                                 << false;
    QTest::newRow("3 rename") << 3 << QByteArray("OLD!") << true << QByteArray("OLD!") << true;
    QTest::newRow("4 same size and time")
        << 4 << QByteArray("OLD!") << true << QByteArray("NEW!") << false;
    QTest::newRow("4 same size, other time")
        << 4 << QByteArray("OLD!") << false << QByteArray("OLD!") << true;
    QTest::newRow("4 other size, same time")
        << 4 << QByteArray("older") << true << QByteArray("older") << true;
    QTest::newRow("5 same size") << 5 << QByteArray("OLD!") << false << QByteArray("NEW!") << false;
    QTest::newRow("5 other size") << 5 << QByteArray("older") << true << QByteArray("older")
                                  << true;
    QTest::newRow("no option") << 7 << QByteArray("OLD!") << true << QByteArray("OLD!") << false;
}

void TestCopyMove::conflictOptions()
{
    QFETCH(int, option);
    QFETCH(QByteArray, existing);
    QFETCH(bool, sameTime);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"src/a.pdf"_s);
    const QString dest = dir.filePath(u"dest/"_s);
    writeFile(source, "NEW!");
    writeFile(dest + u"a.pdf"_s, existing);
    setModified(source, kTime);
    setModified(dest + u"a.pdf"_s, sameTime ? kTime : kTime.addSecs(-3600));

    const CopyOutcome outcome = CopyOneFile(source, dest, option, false);
    QTEST(readAll(dest + u"a.pdf"_s), "targetAfter");
    QFETCH(bool, renamed);
    QCOMPARE(QFileInfo::exists(dest + u"a[001].pdf"_s), renamed);
    if (renamed) {
        QCOMPARE(readAll(dest + u"a[001].pdf"_s), QByteArray("NEW!"));
    }
    QCOMPARE(outcome, option == 1 || option == 7 ? CopyOutcome::Kept : CopyOutcome::Copied);
    QCOMPARE(filesIn(dest).size(), renamed ? 2 : 1); // no temporary file stays behind
}

void TestCopyMove::sourceAlreadyInDestinationIsSkipped()
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(u"dest/"_s);
    writeFile(dest + u"a.pdf"_s, "here");
    for (int option = 1; option <= 5; ++option) {
        QCOMPARE(CopyOneFile(dest + u"a.pdf"_s, dest, option, true), CopyOutcome::AlreadyThere);
        // Another spelling of the same folder is the same file too; a move keeps it.
        QCOMPARE(CopyOneFile(dir.filePath(u"dest/../dest/a.pdf"_s), dest, option, true),
                 CopyOutcome::AlreadyThere);
    }
    QCOMPARE(filesIn(dest), QStringList{u"a.pdf"_s});
    QCOMPARE(readAll(dest + u"a.pdf"_s), QByteArray("here"));

    // A folder whose name differs only in letter case is another folder: its file is copied.
    writeFile(dir.filePath(u"DEST/a.pdf"_s), "other");
    FakeEventPump pump;
    CopyRun run;
    run.run({dir.filePath(u"DEST/a.pdf"_s)}, dest, ConflictOption::Rename, false, pump);
    QCOMPARE(readAll(dest + u"a[001].pdf"_s), QByteArray("other"));
}

void TestCopyMove::moveDeletesOnlyCopiedSources()
{
    QTemporaryDir dir;
    const QString dest = dir.filePath(u"dest/"_s);
    writeFile(dest + u"kept.pdf"_s, "there");
    writeFile(dir.filePath(u"src/kept.pdf"_s), "mine");
    writeFile(dir.filePath(u"src/fresh.pdf"_s), "fresh");

    // Skipped because a file of that name is there: the source must survive the move.
    QCOMPARE(CopyOneFile(dir.filePath(u"src/kept.pdf"_s), dest, ConflictOption::Skip, true),
             CopyOutcome::Kept);
    QCOMPARE(readAll(dir.filePath(u"src/kept.pdf"_s)), QByteArray("mine"));
    QCOMPARE(CopyOneFile(dir.filePath(u"src/kept.pdf"_s), dest, 0, true), CopyOutcome::Kept);
    QVERIFY(QFileInfo::exists(dir.filePath(u"src/kept.pdf"_s)));

    QCOMPARE(CopyOneFile(dir.filePath(u"src/fresh.pdf"_s), dest, ConflictOption::Skip, true),
             CopyOutcome::Copied);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"src/fresh.pdf"_s)));
    QCOMPARE(readAll(dest + u"fresh.pdf"_s), QByteArray("fresh"));
    QCOMPARE(CopyOneFile(dir.filePath(u"src/kept.pdf"_s), dest, ConflictOption::Rename, true),
             CopyOutcome::Copied);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"src/kept.pdf"_s)));
    QCOMPARE(readAll(dest + u"kept[001].pdf"_s), QByteArray("mine"));
}

void TestCopyMove::copyKeepsTimeSoARecopyOverwrites()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"src/a.pdf"_s);
    const QString dest = dir.filePath(u"dest/"_s);
    writeFile(source, "body");
    setModified(source, kTime);
    QDir().mkpath(dest);
    const auto option = ConflictOption::OverwriteWhenSameSizeAndTime;
    QCOMPARE(CopyOneFile(source, dest, option, false), CopyOutcome::Copied);
    QCOMPARE(QFileInfo(dest + u"a.pdf"_s).lastModified(), kTime);
    QCOMPARE(CopyOneFile(source, dest, option, false), CopyOutcome::Copied);
    QCOMPARE(filesIn(dest), QStringList{u"a.pdf"_s});
}

void TestCopyMove::dialogLoad_data()
{
    QTest::addColumn<QString>("storedIndex"); // empty: nothing stored
    QTest::addColumn<int>("checked"); // 0: no option
    QTest::newRow("default") << QString() << 4;
    QTest::newRow("stored") << u"2"_s << 2;
    QTest::newRow("outside") << u"9"_s << 0;
    QTest::newRow("zero") << u"0"_s << 0;
    QTest::newRow("not a number") << u"abc"_s << 0;
}

void TestCopyMove::dialogLoad()
{
    QFETCH(QString, storedIndex);
    QFETCH(int, checked);
    TestContext ctx;
    if (!storedIndex.isEmpty()) {
        ctx.shared.write(SettingKeys::sectionCopyMove(), SettingKeys::opIndex(), storedIndex);
    }
    WriteRecentFolders({u"/tmp/one"_s, u"/tmp/two"_s},
                       RecentFolderFile(ctx.services.executablePath));
    Form_Copy_Move dialog(ctx.services);
    QCOMPARE(dialog.windowTitle(), u"复制文件..."_s);
    QCOMPARE(dialog.Combo1->count(), 2);
    QCOMPARE(dialog.Combo1->currentText(), ctx.path(u"bin/"_s));
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(dialog.Option1.at(i - 1)->isChecked(), i == checked);
    }
    QCOMPARE(Form_Copy_Move(ctx.services, true).windowTitle(), u"移动文件..."_s);

    ctx.shell.folderAnswers.enqueue(ctx.path(u"picked"_s));
    dialog.Command3->click();
    QCOMPARE(dialog.Combo1->currentText(), ctx.path(u"picked/"_s));
}

void TestCopyMove::runShowsProgressAndStores()
{
    TestContext ctx;
    const QString dest = ctx.path(u"out/deep"_s); // made by the run
    const QString stored = ctx.path(u"elsewhere/"_s);
    ctx.shared.write(SettingKeys::sectionCopyMove(), SettingKeys::destinationFolder(), stored);
    Form_Copy_Move dialog(ctx.services);
    QCOMPARE(dialog.Combo1->currentText(), stored);
    for (const QString& name : {u"a.pdf"_s, u"b.pdf"_s, u"c.txt"_s}) {
        writeFile(ctx.path(u"src/"_s + name), name.toUtf8());
        dialog.SourceFiles << ctx.path(u"src/"_s + name);
    }
    dialog.SourceFiles.insert(1, ctx.path(u"src/gone.pdf"_s)); // dropped before the run
    dialog.Combo1->setEditText(dest);
    dialog.Option1.at(1)->click();
    QSignalSpy progress(dialog.ProgressBar1, &QProgressBar::valueChanged);
    QStringList shownNames;
    ctx.pump.onPump = [&] { shownNames << dialog.Label3->text(); };
    dialog.Command1->click();

    QCOMPARE(dialog.ProgressBar1->maximum(), 4);
    QList<int> values;
    for (const QList<QVariant>& change : progress) {
        values << change.first().toInt();
    }
    QCOMPARE(values, (QList<int>{1, 2, 3, 0}));
    QCOMPARE(shownNames, (QStringList{u"a.pdf"_s, u"b.pdf"_s, u"c.txt"_s}));
    QCOMPARE(filesIn(dest), (QStringList{u"a.pdf"_s, u"b.pdf"_s, u"c.txt"_s}));
    QCOMPARE(dialog.SourceFiles.size(), 3);
    QCOMPARE(dialog.Command1->text(), u"开始"_s);
    QVERIFY(dialog.Label3->text().isEmpty());
    QCOMPARE(ctx.prompter.messages(), QStringList{u"复制文件完成！"_s});
    QCOMPARE(ctx.prompter.boxes.first().icon, Prompter::Icon::Information);
    QCOMPARE(ctx.shared.read(SettingKeys::sectionCopyMove(), SettingKeys::destinationFolder(), {}),
             dest + u'/');
    QCOMPARE(ctx.shared.read(SettingKeys::sectionCopyMove(), SettingKeys::opIndex(), {}), u"2"_s);
    QCOMPARE(ReadRecentFolders(RecentFolderFile(ctx.services.executablePath)),
             std::optional<QStringList>(QStringList{dest + u'/'}));

    // The same run again, now moving: the stored option 2 overwrites, the sources go.
    Form_Copy_Move mover(ctx.services, true);
    QCOMPARE(mover.Combo1->currentText(), dest + u'/');
    QVERIFY(mover.Option1.at(1)->isChecked());
    mover.SourceFiles = dialog.SourceFiles;
    mover.执行(false);
    QCOMPARE(filesIn(ctx.path(u"src"_s)), QStringList());
    QCOMPARE(filesIn(dest).size(), 3);
    QCOMPARE(ctx.prompter.messages().size(), 1); // no message when not asked for
    mover.SourceFiles = {dest + u"/a.pdf"_s};
    mover.Command1->click();
    QCOMPARE(ctx.prompter.messages().last(), u"移动文件完成！"_s);
    QVERIFY(QFileInfo::exists(dest + u"/a.pdf"_s)); // already there: not deleted
}

void TestCopyMove::runErrors()
{
    TestContext ctx;
    Form_Copy_Move dialog(ctx.services);
    // No source left after the missing ones are dropped: the run ends without a word.
    dialog.SourceFiles = {ctx.path(u"none.pdf"_s)};
    dialog.Combo1->setEditText(ctx.path(u"out"_s));
    dialog.Command1->click();
    QVERIFY(ctx.prompter.boxes.isEmpty());
    QVERIFY(dialog.SourceFiles.isEmpty());
    QVERIFY(QFileInfo(ctx.path(u"out"_s)).isDir()); // the folder is made all the same

    // A folder that cannot be made.
    writeFile(ctx.path(u"plain"_s), "a file, not a folder");
    writeFile(ctx.path(u"a.pdf"_s), "a");
    dialog.SourceFiles = {ctx.path(u"a.pdf"_s)};
    dialog.Combo1->setEditText(ctx.path(u"plain/sub"_s));
    dialog.Command1->click();
    QCOMPARE(ctx.prompter.messages(), QStringList{u"创建文件夹出错！"_s});
    QCOMPARE(ctx.prompter.boxes.first().icon, Prompter::Icon::Critical);
}

void TestCopyMove::stopClickLeavesBeforeNextFile()
{
    TestContext ctx;
    Form_Copy_Move dialog(ctx.services);
    for (const QString& name : {u"a.pdf"_s, u"b.pdf"_s, u"c.pdf"_s}) {
        writeFile(ctx.path(u"src/"_s + name), "x");
        dialog.SourceFiles << ctx.path(u"src/"_s + name);
    }
    dialog.Combo1->setEditText(ctx.path(u"out/"_s));
    QStringList captions;
    ctx.pump.onPump = [&] {
        captions << dialog.Command1->text();
        if (captions.size() == 1) {
            dialog.Command1->click(); // "停止"
        }
    };
    dialog.Command1->click();
    QCOMPARE(captions, QStringList{u"停止"_s});
    QCOMPARE(filesIn(ctx.path(u"out"_s)), QStringList{u"a.pdf"_s}); // the file at hand is done
    QCOMPARE(dialog.Command1->text(), u"开始"_s);
    QVERIFY(!dialog.copyRunning());
    QCOMPARE(ctx.prompter.messages(), QStringList{u"复制文件完成！"_s});
}

void TestCopyMove::closingDuringARunStopsIt()
{
    TestContext ctx;
    Form_Copy_Move dialog(ctx.services);
    for (const QString& name : {u"a.pdf"_s, u"b.pdf"_s}) {
        writeFile(ctx.path(u"src/"_s + name), "x");
        dialog.SourceFiles << ctx.path(u"src/"_s + name);
    }
    dialog.Combo1->setEditText(ctx.path(u"out/"_s));
    QSignalSpy finished(&dialog, &QDialog::finished);
    ctx.pump.onPump = [&] { dialog.reject(); };
    dialog.Command1->click();
    // The file at hand is finished, then the dialog closes without a message.
    QCOMPARE(filesIn(ctx.path(u"out"_s)), QStringList{u"a.pdf"_s});
    QCOMPARE(finished.size(), 1);
    QVERIFY(dialog.SourceFiles.isEmpty());
    QVERIFY(ctx.prompter.boxes.isEmpty());
}

ZORV_TEST_MAIN(TestCopyMove)
#include "tst_copymove.moc"
