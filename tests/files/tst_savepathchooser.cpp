#include "TestContext.h"
#include "TestMain.h"
#include "app/SettingKeys.h"
#include "files/FolderPaths.h"
#include "files/fSeleFileSavePath.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

QString storedFolder(TestContext& ctx)
{
    return ctx.shared.read(SettingKeys::sectionSettings(), SettingKeys::saveFolder(), u"-"_s);
}

QStringList fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
    lines.removeLast(); // after the last line ending
    return lines;
}

QStringList entries(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    return items;
}

} // namespace

class TestSavePathChooser : public QObject {
    Q_OBJECT
private slots:
    void loadShowsTheStoredFolderAndNaming();
    void confirmMakesKeepsAndRemembersTheFolder();
    void confirmingTwiceShowsTheFolderOnce();
    void aBadPartStopsAtTheFoldersMadeSoFar();
    void unusableFolderKeepsTheDialogOpen_data();
    void unusableFolderKeepsTheDialogOpen();
    void cancelAndCloseBox();
    void browseStartsAtTheParentFolder();
    void hundredRecentFoldersHideTheNewOne();
};

void TestSavePathChooser::loadShowsTheStoredFolderAndNaming()
{
    TestContext ctx;
    {
        fSeleFileSavePath dialog(ctx.ui);
        QCOMPARE(dialog.windowTitle(), u"选择下载保存路径－Qelvo软件"_s);
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(dialog.Option2->isChecked());
        QCOMPARE(dialog.Combo1->currentText(), QDir::homePath() + u"/12345/"_s);
        QCOMPARE(ctx.shared.SaveFolder, QDir::homePath() + u"/12345/"_s);
        QCOMPARE(dialog.Combo1->count(), 0); // no recent-folder file yet
        for (const auto& [button, caption] :
             {std::pair{dialog.Command1, u"..."_s}, std::pair{dialog.Command2, u"确定"_s},
              std::pair{dialog.Command3, u"取消"_s}}) {
            QCOMPARE(button->text(), caption);
        }
        QCOMPARE(dialog.Option1->text(), u"原文件名"_s);
        QCOMPARE(dialog.Option2->text(), u"文章标题名称"_s);
    }
    ctx.shared.NameFromUrl = true;
    ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::saveFolder(), u"/srv/papers/"_s);
    fSeleFileSavePath dialog(ctx.ui);
    QVERIFY(dialog.Option1->isChecked());
    QCOMPARE(dialog.Combo1->currentText(), u"/srv/papers/"_s);
}

void TestSavePathChooser::confirmMakesKeepsAndRemembersTheFolder()
{
    TestContext ctx;
    const QString books = ctx.path(u"x/books"_s);
    fSeleFileSavePath dialog(ctx.ui);
    dialog.Combo1->setEditText(books);
    dialog.Option1->setChecked(true);
    dialog.Command2->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(QFileInfo(books).isDir());
    QCOMPARE(ctx.shared.SaveFolder, books + u'/');
    QCOMPARE(storedFolder(ctx), books + u'/');
    QVERIFY(!ctx.shared.SaveFolderCancelled);
    QVERIFY(ctx.shared.NameFromUrl);
    QCOMPARE(fileLines(RecentFolderFile(ctx.services.executablePath)), QStringList{books});
    QVERIFY(ctx.prompter.boxes.isEmpty());
}

void TestSavePathChooser::confirmingTwiceShowsTheFolderOnce()
{
    TestContext ctx;
    const QString books = ctx.path(u"books"_s);
    for (int i = 0; i < 2; ++i) {
        fSeleFileSavePath dialog(ctx.ui);
        dialog.Combo1->setEditText(books + u'/');
        dialog.Command2->click();
    }
    const QString list = RecentFolderFile(ctx.services.executablePath);
    QCOMPARE(fileLines(list), (QStringList{books, books}));
    // Case does not make a folder different either.
    QFile file(list);
    QVERIFY(file.open(QIODevice::Append));
    file.write(books.toUpper().toUtf8() + "\r\n");
    file.close();
    fSeleFileSavePath dialog(ctx.ui);
    QCOMPARE(entries(dialog.Combo1), QStringList{books});
}

void TestSavePathChooser::aBadPartStopsAtTheFoldersMadeSoFar()
{
    TestContext ctx;
    const QString ok = ctx.path(u"x/ok"_s);
    fSeleFileSavePath dialog(ctx.ui);
    dialog.Combo1->setEditText(ok + u"/?\?\?/"_s);
    dialog.Command2->click();
    QCOMPARE(ctx.prompter.messages(), QStringList{u"文件夹名称有误！不能创建文件夹！"_s});
    QCOMPARE(ctx.prompter.boxes.first().icon, Prompter::Icon::Critical);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ctx.shared.SaveFolder, ok + u'/');
    QVERIFY(QFileInfo(ok).isDir());
}

void TestSavePathChooser::unusableFolderKeepsTheDialogOpen_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("below a file") << u"<tmp>/plain.txt/sub"_s;
    QTest::newRow("a name without a folder") << u"books"_s;
    QTest::newRow("empty") << u"  "_s;
}

void TestSavePathChooser::unusableFolderKeepsTheDialogOpen()
{
    QFETCH(QString, folder);
    TestContext ctx;
    QFile plain(ctx.path(u"plain.txt"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(ctx.dir.path()); // "books" would be made here if it existed
    ctx.shared.SaveFolderCancelled = true;

    fSeleFileSavePath dialog(ctx.ui);
    const QString before = ctx.shared.SaveFolder;
    dialog.Combo1->setEditText(folder.replace(u"<tmp>"_s, ctx.dir.path()));
    dialog.Command2->click();
    QDir::setCurrent(previous);

    QCOMPARE(ctx.prompter.messages(), QStringList{u"文件夹设置错误！"_s});
    QCOMPARE(dialog.result(), 0); // still open
    QCOMPARE(dialog.Combo1->currentText(), QString());
    QCOMPARE(ctx.shared.SaveFolder, before);
    QVERIFY(ctx.shared.SaveFolderCancelled);
    QCOMPARE(storedFolder(ctx), u"-"_s);
}

void TestSavePathChooser::cancelAndCloseBox()
{
    TestContext ctx;
    {
        fSeleFileSavePath dialog(ctx.ui);
        dialog.Combo1->setEditText(ctx.path(u"never"_s));
        dialog.Command3->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QVERIFY(ctx.shared.SaveFolderCancelled);
    QVERIFY(!QFileInfo::exists(ctx.path(u"never"_s)));
    QCOMPARE(storedFolder(ctx), u"-"_s);
    QVERIFY(!QFileInfo::exists(RecentFolderFile(ctx.services.executablePath)));

    ctx.shared.SaveFolderCancelled = false;
    ctx.shared.NameFromUrl = false;
    fSeleFileSavePath dialog(ctx.ui);
    dialog.Option1->setChecked(true);
    dialog.show();
    dialog.close(); // the close box sets none of the outputs
    QVERIFY(!ctx.shared.SaveFolderCancelled);
    QVERIFY(!ctx.shared.NameFromUrl);
}

void TestSavePathChooser::browseStartsAtTheParentFolder()
{
    TestContext ctx;
    const QString year = ctx.path(u"books/2015/"_s);
    QDir().mkpath(year);
    fSeleFileSavePath dialog(ctx.ui);
    dialog.Combo1->setEditText(year);
    dialog.Command1->click(); // the picker is cancelled
    QCOMPARE(ctx.shell.folderStarts, QStringList{ctx.path(u"books/"_s)});
    QCOMPARE(dialog.Combo1->currentText(), year);

    ctx.shell.folderAnswers.enqueue(ctx.path(u"chosen"_s));
    dialog.Command1->click();
    QCOMPARE(dialog.Combo1->currentText(), ctx.path(u"chosen/"_s));
}

void TestSavePathChooser::hundredRecentFoldersHideTheNewOne()
{
    TestContext ctx;
    QStringList folders;
    for (int i = 0; i < 100; ++i) {
        folders << u"/srv/papers/%1"_s.arg(i);
    }
    const QString list = RecentFolderFile(ctx.services.executablePath);
    QVERIFY(WriteRecentFolders(folders, list));
    const QString fresh = ctx.path(u"fresh"_s);
    {
        fSeleFileSavePath dialog(ctx.ui);
        QCOMPARE(dialog.Combo1->count(), 100);
        dialog.Combo1->setEditText(fresh);
        dialog.Command2->click();
    }
    const QStringList lines = fileLines(list);
    QCOMPARE(lines.size(), 101);
    QCOMPARE(lines.last(), fresh);
    fSeleFileSavePath dialog(ctx.ui);
    QCOMPARE(dialog.Combo1->count(), 100);
    QCOMPARE(dialog.Combo1->findText(fresh), -1);
}

ZORV_TEST_MAIN(TestSavePathChooser)
#include "tst_savepathchooser.moc"
