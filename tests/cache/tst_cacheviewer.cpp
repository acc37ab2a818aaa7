#include "TestContext.h"
#include "TestMain.h"
#include "cache/ReportListModel.h"
#include "cache/fIEcache.h"
#include "files/Form_Copy_Move.h"
#include "platform/CacheStore.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

void writeFile(const QString& path, const QByteArray& data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A cache store of listed entries; removing one takes it and its file away.
class FakeStore final : public CacheStore {
public:
    bool enumerate(const std::function<void(const CacheEntry&)>& visit) override
    {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (i == breakAt) {
                return false;
            }
            visit(entries.at(i));
        }
        return true;
    }
    std::optional<CacheEntry> lookup(const QString& url) override
    {
        ++lookups;
        for (const CacheEntry& entry : std::as_const(entries)) {
            if (entry.sourceUrl == url) {
                return entry;
            }
        }
        return std::nullopt;
    }
    bool remove(const QString& url) override
    {
        removed << url;
        return entries.removeIf([&](const CacheEntry& e) { return e.sourceUrl == url; }) > 0;
    }
    QList<CacheEntry> entries;
    QStringList removed;
    qsizetype breakAt = -1;
    int lookups = 0;
};

struct Viewer {
    explicit Viewer(TestContext& ctx)
        : locations{ctx.path(u"home/alice"_s), ctx.path(u"home/alice/.local/share/zorv/cache"_s)}
    {
        ctx.forms.registerForm(u"fIEcache"_s,
                               [&ctx, this] { return new fIEcache(ctx.ui, store, locations); });
    }
    FakeStore store;
    CacheLocations locations;
};

QStringList column(const fIEcache& viewer, int c)
{
    QStringList cells;
    for (const QStringList& row : viewer.fileList()->rows()) {
        cells << row.at(c);
    }
    return cells;
}

void select(fIEcache& viewer, const QList<int>& rows)
{
    QItemSelectionModel* selection = viewer.ListView1->selectionModel();
    selection->clear();
    for (int row : rows) {
        selection->select(viewer.fileList()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

} // namespace

class TestCacheViewer : public QObject {
    Q_OBJECT
private slots:
    void windowLayout();
    void ownCacheListing();
    void ownCacheListingBreaksOff();
    void allUsersListingAndDeleteAll();
    void deleteSelected();
    void sortByColumn();
    void copySelectedOpensTheDialog();
    void clearBrowserCache_data();
    void clearBrowserCache();
};

void TestCacheViewer::windowLayout()
{
    TestContext ctx;
    Viewer fixture(ctx);
    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), u"IE浏览器Cookie 缓存和历史列表"_s);
    QCOMPARE(viewer->minimumSize(), viewer->maximumSize()); // fixed
    const QList<QPair<QString, QString>> buttons{
        {u"Command1"_s, u"查看我的缓存"_s}, {u"Command7"_s, u"查看所有用户缓存"_s},
        {u"Command2"_s, u"删除所选文件"_s}, {u"Command3"_s, u"全部删除"_s},
        {u"Command6"_s, u"复制选中..."_s},  {u"Command4"_s, u"关闭"_s}};
    int left = -1;
    for (const auto& [name, caption] : buttons) {
        auto* button = viewer->findChild<QPushButton*>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->text(), caption);
        QVERIFY(button->x() > left); // one row, in this order
        left = button->x();
    }
    QCOMPARE(viewer->findChild<QLabel*>(u"Label1"_s)->text(), u"000"_s);
    const auto headers = [](QTreeView* list) {
        QStringList texts;
        for (int i = 0; i < list->model()->columnCount(); ++i) {
            texts << list->model()->headerData(i, Qt::Horizontal).toString();
        }
        return texts;
    };
    QCOMPARE(headers(viewer->findChild<QTreeView*>(u"ListView2"_s)),
             (QStringList{u"用户名"_s, u"文件夹"_s}));
    QCOMPARE(headers(viewer->findChild<QTreeView*>(u"ListView3"_s)), QStringList{u"文件夹"_s});
    QCOMPARE(headers(viewer->findChild<QTreeView*>(u"ListView1"_s)),
             (QStringList{u"URL"_s, u"TYPE"_s, u"SIZE(Byte)"_s, u"FilePath"_s}));
    QCOMPARE(viewer->ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(viewer->fileListTag().isEmpty());
    QVERIFY(IsFormLoaded(u"FIECACHE"_s));
    viewer->Command4->click();
    QVERIFY(!IsFormLoaded(u"fIEcache"_s));
}

void TestCacheViewer::ownCacheListing()
{
    TestContext ctx;
    Viewer fixture(ctx);
    writeFile(ctx.path(u"files/a.pdf"_s), "12345");
    writeFile(ctx.path(u"files/.hidden.gif"_s), "12");
    fixture.store.entries = {
        {u"http://h/a.pdf"_s, ctx.path(u"files/a.pdf"_s), CacheEntry::Normal},
        {u"http://h/Cookie:me@h/"_s, QString(), 0x100000}, // not a normal entry: no row
        {u"http://h/page.php?id=5"_s, QString(), CacheEntry::Normal | 0x4},
        {u"http://h/gone.pdf"_s, ctx.path(u"files/gone.pdf"_s), CacheEntry::Normal},
        {u"http://h/x.gif"_s, ctx.path(u"files/.hidden.gif"_s), CacheEntry::Normal},
    };
    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    viewer->Command1->click();
    QCOMPARE(column(*viewer, 0),
             (QStringList{u"http://h/a.pdf"_s, u"http://h/page.php?id=5"_s, u"http://h/gone.pdf"_s,
                          u"http://h/x.gif"_s}));
    QCOMPARE(column(*viewer, 1), (QStringList{u"pdf"_s, u"php"_s, u"pdf"_s, u"gif"_s}));
    QCOMPARE(column(*viewer, 2), (QStringList{u"5"_s, QString(), QString(), QString()}));
    QCOMPARE(column(*viewer, 3),
             (QStringList{ctx.path(u"files/a.pdf"_s), QString(), QString(), QString()}));
    QCOMPARE(viewer->Label1->text(), u"共有4 个文件"_s);
    QCOMPARE(viewer->fileListTag(), u"我的缓存"_s);
}

void TestCacheViewer::ownCacheListingBreaksOff()
{
    TestContext ctx;
    Viewer fixture(ctx);
    writeFile(ctx.path(u"files/a.pdf"_s));
    fixture.store.entries = {{u"http://h/a.pdf"_s, ctx.path(u"files/a.pdf"_s), CacheEntry::Normal},
                             {u"http://h/b.pdf"_s, QString(), CacheEntry::Normal}};
    fixture.store.breakAt = 1;
    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    viewer->Command1_Click();
    QCOMPARE(viewer->Label1->text(), u"出错!!!共有1 个文件"_s);
    QCOMPARE(column(*viewer, 0), QStringList{u"http://h/a.pdf"_s}); // the rows so far stay
    QCOMPARE(column(*viewer, 3), QStringList{QString()}); // paths are not looked up
    QCOMPARE(fixture.store.lookups, 0);
}

void TestCacheViewer::allUsersListingAndDeleteAll()
{
    TestContext ctx;
    Viewer fixture(ctx);
    const QString own = fixture.locations.internetCacheFolder;
    const QString bobCache = ctx.path(u"home/bob/.cache/chromium/Default/Cache"_s);
    writeFile(own + u"/Cache/Cache_Data/0123456789abcdef_0"_s, "entry");
    writeFile(own + u"/Cache/Cache_Data/index-dir/the-real-index"_s, "index");
    writeFile(bobCache + u"/Cache_Data/notes.TXT"_s, "keep me");
    writeFile(bobCache + u"/Cache_Data/f_000001"_s, "1234567");
    QDir().mkpath(bobCache + u"/empty/nested"_s);
    writeFile(ctx.path(u"outside/precious.pdf"_s));
    QVERIFY(QFile::link(ctx.path(u"outside"_s), bobCache + u"/Cache_Data/link"_s));

    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    viewer->Command7->click();
    QCOMPARE(viewer->fileListTag(), u"所有缓存"_s);
    QCOMPARE(viewer->Label1->text(), u"共有4 个文件"_s);
    QStringList rows;
    for (const QStringList& row : viewer->fileList()->rows()) {
        rows << row.join(u'|');
    }
    rows.sort();
    QCOMPARE(
        rows,
        (QStringList{u"用户:alice||5|"_s + own + u"/Cache/Cache_Data/0123456789abcdef_0"_s,
                     u"用户:alice||5|"_s + own + u"/Cache/Cache_Data/index-dir/the-real-index"_s,
                     u"用户:bob|TXT|7|"_s + bobCache + u"/Cache_Data/notes.TXT"_s,
                     u"用户:bob||7|"_s + bobCache + u"/Cache_Data/f_000001"_s}));
    QCOMPARE(viewer->userList()->rowCount(), 2);
    QCOMPARE(viewer->folderList()->rowCount(), viewer->CacheFolders.size());
    QCOMPARE(viewer->ProfileFolders.size(), 2);

    viewer->Command3->click();
    // Everything but the text file went, empty folders too, and the listing was made again.
    QCOMPARE(viewer->Label1->text(), u"共有1 个文件"_s);
    QCOMPARE(column(*viewer, 3), QStringList{bobCache + u"/Cache_Data/notes.TXT"_s});
    QVERIFY(!QFileInfo::exists(bobCache + u"/empty"_s));
    QVERIFY(!QFileInfo::exists(own + u"/Cache"_s));
    QVERIFY(QFileInfo(own).isDir());
    QVERIFY(QFileInfo::exists(ctx.path(u"outside/precious.pdf"_s)));
    QVERIFY(fixture.store.removed.isEmpty());
}

void TestCacheViewer::deleteSelected()
{
    TestContext ctx;
    Viewer fixture(ctx);
    for (const QString& name : {u"a.pdf"_s, u"b.pdf"_s, u"c.pdf"_s}) {
        writeFile(ctx.path(u"files/"_s + name));
        fixture.store.entries.append(
            {u"http://h/"_s + name, ctx.path(u"files/"_s + name), CacheEntry::Normal});
    }
    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    viewer->Command1_Click();
    // Nothing selected: nothing goes, but the list is made again.
    QFile::remove(ctx.path(u"files/c.pdf"_s));
    viewer->Command2->click();
    QVERIFY(fixture.store.removed.isEmpty());
    QCOMPARE(column(*viewer, 3).last(), QString());

    select(*viewer, {0, 2});
    viewer->Command2->click();
    QCOMPARE(fixture.store.removed, (QStringList{u"http://h/a.pdf"_s, u"http://h/c.pdf"_s}));
    QVERIFY(!QFileInfo::exists(ctx.path(u"files/a.pdf"_s)));
    QCOMPARE(column(*viewer, 0), QStringList{u"http://h/b.pdf"_s});
    QCOMPARE(viewer->Label1->text(), u"共有1 个文件"_s);
}

void TestCacheViewer::sortByColumn()
{
    TestContext ctx;
    Viewer fixture(ctx);
    for (const auto& [name, size] :
         QList<QPair<QString, int>>{{u"b.gif"_s, 9}, {u"a.pdf"_s, 100}, {u"c.htm"_s, 20}}) {
        writeFile(ctx.path(u"files/"_s + name), QByteArray(size, 'x'));
        fixture.store.entries.append(
            {u"http://h/"_s + name, ctx.path(u"files/"_s + name), CacheEntry::Normal});
    }
    fixture.store.entries.append({u"http://h/none.js"_s, QString(), CacheEntry::Normal});
    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    viewer->Command1_Click();
    QHeaderView* header = viewer->ListView1->header();
    header->sectionClicked(2); // "SIZE(Byte)": by number, descending first
    QCOMPARE(column(*viewer, 2), (QStringList{u"100"_s, u"20"_s, u"9"_s, QString()}));
    header->sectionClicked(2);
    QCOMPARE(column(*viewer, 2), (QStringList{QString(), u"9"_s, u"20"_s, u"100"_s}));
    // One order for every column: the next click on another column flips it again.
    header->sectionClicked(1);
    QCOMPARE(column(*viewer, 1), (QStringList{u"pdf"_s, u"js"_s, u"htm"_s, u"gif"_s}));
    QCOMPARE(header->sortIndicatorSection(), 1);
}

void TestCacheViewer::copySelectedOpensTheDialog()
{
    TestContext ctx;
    Viewer fixture(ctx);
    writeFile(ctx.path(u"files/a.pdf"_s), "pdf body");
    fixture.store.entries = {{u"http://h/a.pdf"_s, ctx.path(u"files/a.pdf"_s), CacheEntry::Normal},
                             {u"http://h/b.pdf"_s, QString(), CacheEntry::Normal}};
    auto* viewer = ctx.forms.loadAs<fIEcache>(u"fIEcache"_s);
    viewer->Command1_Click();

    QStringList captions;
    QList<QStringList> sources;
    const QString dest = ctx.path(u"out/"_s);
    // Works the modal dialog as a user would: the folder, then start, then close.
    const std::function<void()> drive = [&] {
        auto* dialog = qobject_cast<Form_Copy_Move*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, viewer, drive);
            return;
        }
        captions << dialog->windowTitle();
        sources << dialog->SourceFiles;
        QVERIFY(!dialog->IsMove);
        dialog->Combo1->setEditText(dest);
        dialog->Command1->click();
        dialog->Command2->click();
    };
    QTimer::singleShot(0, viewer, drive);
    viewer->Command6->click(); // nothing selected
    select(*viewer, {0, 1});
    QTimer::singleShot(0, viewer, drive);
    viewer->Command6->click();
    QCOMPARE(captions, (QStringList{u"复制文件：0 个文件..."_s, u"复制文件：1 个文件..."_s}));
    QCOMPARE(sources.last(), QStringList{ctx.path(u"files/a.pdf"_s)});
    QFile copied(dest + u"a.pdf"_s);
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("pdf body"));
    QCOMPARE(viewer->fileRowCount(), 2); // the viewer's list stays as it was
}

void TestCacheViewer::clearBrowserCache_data()
{
    QTest::addColumn<bool>("report");
    QTest::newRow("quiet") << false;
    QTest::newRow("reported") << true;
}

void TestCacheViewer::clearBrowserCache()
{
    QFETCH(bool, report);
    TestContext ctx;
    Viewer fixture(ctx);
    writeFile(ctx.path(u"files/a.pdf"_s));
    writeFile(fixture.locations.internetCacheFolder + u"/Cache/Cache_Data/0123456789abcdef_0"_s);
    fixture.store.entries = {{u"http://h/a.pdf"_s, ctx.path(u"files/a.pdf"_s), CacheEntry::Normal},
                             {u"http://h/cookie"_s, QString(), CacheEntry::Normal}};
    ClearBrowserCache(ctx.ui, report);
    QCOMPARE(fixture.store.removed, QStringList{u"http://h/a.pdf"_s});
    QVERIFY(!QFileInfo::exists(ctx.path(u"files/a.pdf"_s)));
    QVERIFY(!QFileInfo::exists(fixture.locations.internetCacheFolder + u"/Cache"_s));
    QVERIFY(!IsFormLoaded(u"fIEcache"_s));
    QCOMPARE(ctx.prompter.messages(), report ? QStringList{u"IE缓存清空完毕！"_s} : QStringList());
    if (report) {
        QCOMPARE(ctx.prompter.boxes.first().icon, Prompter::Icon::Information);
    }
}

ZORV_TEST_MAIN(TestCacheViewer)
#include "tst_cacheviewer.moc"
