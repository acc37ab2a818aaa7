#include "TestMain.h"
#include "cache/CacheListings.h"
#include "cache/CacheOperations.h"
#include "cache/ReportListModel.h"
#include "platform/CacheStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A store that records what is removed from it.
class RecordingStore final : public CacheStore {
public:
    bool enumerate(const std::function<void(const CacheEntry&)>&) override { return true; }
    std::optional<CacheEntry> lookup(const QString&) override { return std::nullopt; }
    bool remove(const QString& url) override
    {
        removed << url;
        return true;
    }
    QStringList removed;
};

} // namespace

class TestCacheListings : public QObject {
    Q_OBJECT
private slots:
    void urlFileType_data();
    void urlFileType();
    void collectWalksWithoutLinks();
    void collectAcceptsOnlyAbsolutePaths();
    void profileLayout_data();
    void profileLayout();
    void userCacheFoldersOfATree();
    void rowDeletion_data();
    void rowDeletion();
    void forceDeleteLeavesLinkTargets();
    void emptyFoldersGoInOnePass();
    void sizeColumnSortsByNumber();
};

void TestCacheListings::urlFileType_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("type");
    QTest::newRow("query") << u"http://h/dir/page.php?id=5"_s << u"php"_s;
    QTest::newRow("cut at = and ?") << u"http://h/dl?file=a.pdf"_s << QString();
    QTest::newRow("second scheme") << u"http://h/go.asp?to=http://x/a.pdf"_s << u"asp"_s;
    QTest::newRow("second scheme right after") << u"http://h/a.pdf://x/b.gif"_s << u"pdf"_s;
    QTest::newRow("seven characters") << u"http://h/report.longext"_s << QString();
    QTest::newRow("six characters") << u"http://h/report.abcdef"_s << u"abcdef"_s;
    QTest::newRow("fragment, case kept") << u"http://h/a.PDF#p2"_s << u"PDF"_s;
    QTest::newRow("local path") << u"/home/u/cache/x/y.gif"_s << u"gif"_s;
    QTest::newRow("no dot") << u"http://h/index"_s << QString();
    QTest::newRow("host only") << u"http://www.h.com"_s << u"com"_s;
    QTest::newRow("folder dot") << u"http://h/a.b/c"_s << QString();
    QTest::newRow("port colon") << u"HTTP://h:8080"_s << QString();
    QTest::newRow("quote") << u"http://h/a.js'x.y"_s << u"js"_s;
    QTest::newRow("spaces trimmed") << u"http://h/a. pdf "_s << u"pdf"_s;
    QTest::newRow("tab cut") << u"http://h/a.htm\tb.c"_s << u"htm"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestCacheListings::urlFileType()
{
    QFETCH(QString, text);
    QTEST(GetUrlFileType(text), "type");
}

void TestCacheListings::collectWalksWithoutLinks()
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(u"cache"_s);
    const QString outside = dir.filePath(u"outside"_s);
    writeFile(cache + u"/top.txt"_s);
    writeFile(cache + u"/.index"_s); // hidden entries count
    writeFile(cache + u"/a/one.gif"_s);
    writeFile(cache + u"/a/b/c/deep.pdf"_s);
    writeFile(cache + u"/a/PageFile.SYS"_s); // skipped at every depth
    writeFile(cache + u"/RECYCLER/kept.dat"_s); // skipped only at a root
    writeFile(outside + u"/secret.pdf"_s);
    QVERIFY(QFile::link(outside, cache + u"/a/linked"_s));
    QVERIFY(QFile::link(outside + u"/secret.pdf"_s, cache + u"/link.pdf"_s));

    QStringList folders;
    CollectSubFolders(cache + u'/', folders, true);
    QCOMPARE(QSet<QString>(folders.begin(), folders.end()),
             (QSet<QString>{cache + u"/a"_s, cache + u"/a/b"_s, cache + u"/a/b/c"_s,
                            cache + u"/RECYCLER"_s}));
    QVERIFY(folders.indexOf(cache + u"/a"_s) < folders.indexOf(cache + u"/a/b"_s));
    QVERIFY(folders.indexOf(cache + u"/a/b"_s) < folders.indexOf(cache + u"/a/b/c"_s));

    QStringList files;
    CollectFiles(cache, files, true);
    QCOMPARE(QSet<QString>(files.begin(), files.end()),
             (QSet<QString>{cache + u"/top.txt"_s, cache + u"/.index"_s, cache + u"/a/one.gif"_s,
                            cache + u"/a/b/c/deep.pdf"_s, cache + u"/RECYCLER/kept.dat"_s}));
    // The entries of a folder come before those of its sub-folders.
    QVERIFY(files.indexOf(cache + u"/top.txt"_s) < files.indexOf(cache + u"/a/one.gif"_s));
    QVERIFY(files.indexOf(cache + u"/a/one.gif"_s) < files.indexOf(cache + u"/a/b/c/deep.pdf"_s));

    QStringList flat;
    CollectFiles(cache, flat, false);
    QCOMPARE(flat.size(), 2);
}

void TestCacheListings::collectAcceptsOnlyAbsolutePaths()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"f/x.txt"_s));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList list;
    CollectFiles(u"f"_s, list, true);
    CollectFiles(QString(), list, true);
    CollectSubFolders(dir.filePath(u"missing"_s), list, true);
    QDir::setCurrent(previous);
    QVERIFY(list.isEmpty());
}

void TestCacheListings::profileLayout_data()
{
    QTest::addColumn<QString>("osName");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("suffixes");
    const QString winBase = u"C:/Users/bob/AppData/Local/Microsoft/Windows/INetCache"_s;
    const QStringList newer{u"/AppData/Local/Microsoft/Windows/Temporary Internet Files"_s,
                            u"/AppData/Local/Microsoft/Windows/Inetcache"_s};
    const QStringList older{u"/Local Settings/Temporary Internet Files"_s};
    QTest::newRow("7") << u"Windows 7 Ultimate Edition Service Pack 1 [Version: 6.1.7601][64位]"_s
                       << winBase << u"C:/Users/"_s << newer;
    QTest::newRow("8.1") << u"Windows 8.1 [6.3.9600.17415][64位]"_s << winBase << u"C:/Users/"_s
                         << newer;
    QTest::newRow("10") << u"Windows 10.0.19041.1[64位]"_s << winBase << u"C:/Users/"_s << newer;
    QTest::newRow("Vista: old layout, no root")
        << u"Windows Vista Business Edition [Version: 6.0.6002][32位]"_s << winBase << QString()
        << older;
    QTest::newRow("2008 R2: old layout")
        << u"Windows Server 2008 R2 [Version: 6.1.7600][64位]"_s << winBase << QString() << older;
    QTest::newRow("XP")
        << u"Windows XP Professional Service Pack 3 [Version: 5.1.2600][32位]"_s
        << u"C:/Documents and Settings/bob/Local Settings/Temporary Internet Files"_s
        << u"C:/Documents and Settings/"_s << older;
    QTest::newRow("Linux") << u"Debian GNU/Linux 12 (bookworm) [Linux 6.1.0][64位]"_s
                           << u"/home/bob/.local/share/Qelvo/QelvoZORV/browser/cache"_s
                           << u"/home/"_s
                           << QStringList{u"/.local/share/Qelvo/QelvoZORV/browser/cache"_s,
                                          desktopBrowserCacheSuffix()};
    QTest::newRow("own cache outside home")
        << u"Linux[64位]"_s << u"/var/cache/zorv"_s << u"/home/"_s
        << QStringList{desktopBrowserCacheSuffix()};
}

void TestCacheListings::profileLayout()
{
    QFETCH(QString, osName);
    QFETCH(QString, base);
    const ProfileLayout layout = ChooseProfileLayout(osName, base, u"/home/bob"_s);
    QTEST(layout.profilesRoot, "root");
    QTEST(layout.cacheSuffixes, "suffixes");
}

void TestCacheListings::userCacheFoldersOfATree()
{
    QTemporaryDir dir;
    const QString home = dir.filePath(u"home"_s);
    const QString own = u"/.local/share/zorv/cache"_s;
    const QString desktop = desktopBrowserCacheSuffix();
    writeFile(home + u"/alice"_s + own + u"/Cache/Cache_Data/0123456789abcdef_0"_s);
    writeFile(home + u"/alice"_s + desktop + u"/Cache_Data/index"_s);
    writeFile(home + u"/bob"_s + desktop + u"/f_000001"_s);
    QDir().mkpath(home + u"/carol"_s);
    // A cache folder that is a link leads outside the cache: it is not taken.
    writeFile(dir.filePath(u"elsewhere/keep.pdf"_s));
    QDir().mkpath(home + u"/dave/.cache/chromium/Default"_s);
    QVERIFY(QFile::link(dir.filePath(u"elsewhere"_s), home + u"/dave"_s + desktop));

    const ProfileLayout layout =
        ChooseProfileLayout(u"Linux[64位]"_s, home + u"/alice"_s + own, home + u"/alice"_s);
    QCOMPARE(layout.profilesRoot, home + u'/');
    const UserCacheFolders found = FindUserCacheFolders(layout);
    QCOMPARE(found.profileFolders.size(), 4);
    QStringList users;
    for (const UserCacheFolders::User& user : found.users) {
        users << user.name + u' ' + user.cacheFolder.mid(home.size());
    }
    users.sort();
    QCOMPARE(users,
             (QStringList{u"alice /alice"_s + desktop, u"alice /alice"_s + own,
                          u"bob /bob"_s + desktop}));
    QVERIFY(found.cacheFolders.contains(home + u"/alice"_s + own + u"/Cache/Cache_Data"_s));
    QVERIFY(found.cacheFolders.indexOf(home + u"/alice"_s + own + u"/Cache"_s)
            < found.cacheFolders.indexOf(home + u"/alice"_s + own + u"/Cache/Cache_Data"_s));
    QCOMPARE(found.cacheFolders.size(), 3); // the cache folders themselves are not in it
}

void TestCacheListings::rowDeletion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("hasFile");
    QTest::addColumn<bool>("fileGoes");
    QTest::addColumn<bool>("entryRemoved");
    const QString url = u"http://h/a.pdf"_s;
    QTest::newRow("user file") << u"用户:bob"_s << u"pdf"_s << true << true << false;
    QTest::newRow("user file without type") << u"用户:bob"_s << QString() << true << true << false;
    QTest::newRow("user txt stays") << u"用户:bob"_s << u"txt"_s << true << false << false;
    QTest::newRow("user TxT stays") << u"用户:bob"_s << u"TxT"_s << true << false << false;
    QTest::newRow("user row without path") << u"用户:bob"_s << u"pdf"_s << false << false << false;
    QTest::newRow("entry and file") << url << u"pdf"_s << true << true << true;
    QTest::newRow("entry without file") << url << u"pdf"_s << false << false << true;
    QTest::newRow("entry txt goes too") << u"http://h/a.txt"_s << u"txt"_s << true << true << true;
    QTest::newRow("cookie stays") << u"http://h/Cookie:bob@h/"_s << QString() << true << false
                                  << false;
    QTest::newRow("COOKIE stays") << u"http://h/setCOOKIE.php"_s << u"php"_s << true << false
                                  << false;
    QTest::newRow("empty text") << QString() << QString() << true << false << false;
}

void TestCacheListings::rowDeletion()
{
    QFETCH(QString, text);
    QFETCH(QString, type);
    QFETCH(bool, hasFile);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"f.bin"_s);
    writeFile(file);
    // Read-only files go as well.
    QFile::setPermissions(file, QFile::ReadOwner);
    RecordingStore store;
    DeleteCacheRow({text, type, u"1"_s, hasFile ? file : QString()}, store);
    QFETCH(bool, fileGoes);
    QCOMPARE(QFileInfo::exists(file), !fileGoes);
    QFETCH(bool, entryRemoved);
    QCOMPARE(store.removed, entryRemoved ? QStringList{text} : QStringList());
}

void TestCacheListings::forceDeleteLeavesLinkTargets()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"target.pdf"_s);
    writeFile(target);
    QFile::setPermissions(target, QFile::ReadOwner);
    QVERIFY(QFile::link(target, dir.filePath(u"link.pdf"_s)));
    强制删除(dir.filePath(u"link.pdf"_s));
    QVERIFY(!QFileInfo(dir.filePath(u"link.pdf"_s)).isSymLink());
    QVERIFY(QFileInfo::exists(target));
    QCOMPARE(QFile::permissions(target) & QFile::WriteOwner, QFile::Permissions());
    强制删除(dir.filePath(u"missing"_s)); // nothing to do, nothing reported
}

void TestCacheListings::emptyFoldersGoInOnePass()
{
    QTemporaryDir dir;
    const QString cache = dir.filePath(u"cache"_s);
    QDir().mkpath(cache + u"/a/b/c/d"_s);
    QDir().mkpath(cache + u"/e"_s);
    writeFile(cache + u"/e/kept.dat"_s);
    QDir().mkpath(cache + u"/f"_s);
    QFile::setPermissions(cache + u"/f"_s, QFile::ReadOwner | QFile::ExeOwner);
    QStringList folders;
    CollectSubFolders(cache, folders, true);
    folders.prepend(QString()); // empty entries are passed over
    删除空文件夹(folders);
    QStringList left;
    CollectSubFolders(cache, left, true);
    QCOMPARE(left, QStringList{cache + u"/e"_s});
    QVERIFY(QFileInfo(cache).isDir()); // the cache folder itself is never in the list
}

void TestCacheListings::sizeColumnSortsByNumber()
{
    ReportListModel model({u"URL"_s, u"SIZE(Byte)"_s});
    model.setNumericColumn(1);
    for (const QString& size : {u"10"_s, u"9"_s, QString(), u"100"_s, u"9"_s}) {
        model.appendRow({u"u"_s + size, size});
    }
    const auto column = [&model](int c) {
        QStringList cells;
        for (const QStringList& row : model.rows()) {
            cells << row.at(c);
        }
        return cells;
    };
    model.sort(1, Qt::AscendingOrder);
    QCOMPARE(column(1), (QStringList{QString(), u"9"_s, u"9"_s, u"10"_s, u"100"_s}));
    model.sort(1, Qt::DescendingOrder);
    QCOMPARE(column(1), (QStringList{u"100"_s, u"10"_s, u"9"_s, u"9"_s, QString()}));
    model.appendRow({u"U9b"_s, u"1"_s});
    model.sort(0, Qt::AscendingOrder); // text, letter case ignored
    QCOMPARE(column(0), (QStringList{u"u"_s, u"u10"_s, u"u100"_s, u"u9"_s, u"u9"_s, u"U9b"_s}));
}

ZORV_TEST_MAIN(TestCacheListings)
#include "tst_cachelistings.moc"
