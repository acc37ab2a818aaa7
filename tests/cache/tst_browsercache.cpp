#include "SamplePdf.h"
#include "SampleSite.h"
#include "TestContext.h"
#include "TestMain.h"
#include "cache/BrowserDiskCache.h"
#include "cache/DiskCacheFormat.h"
#include "cache/ReportListModel.h"
#include "cache/fIEcache.h"
#include "files/Form_Copy_Move.h"
#include "net/HttpHelpers.h"
#include "platform/BrowserProfile.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <brotli/encode.h>
#include <zlib.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

QByteArray gzipped(const QByteArray& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray brotli(const QByteArray& data)
{
    size_t size = BrotliEncoderMaxCompressedSize(size_t(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT,
                          size_t(data.size()), reinterpret_cast<const uint8_t*>(data.constData()),
                          &size, reinterpret_cast<uint8_t*>(out.data()));
    out.resize(qsizetype(size));
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A PDF served in byte ranges, with the validators the browser needs to keep the ranges.
sample::Response rangedPdf(const sample::Request& request, const QByteArray& pdf)
{
    const QByteArray range = request.header("Range");
    sample::Response response = sample::Response::bytes(pdf, "application/pdf");
    if (range.startsWith("bytes=")) {
        const QList<QByteArray> bounds = range.mid(6).split('-');
        const qint64 first = bounds.value(0).toLongLong();
        qint64 last = bounds.value(1).isEmpty() ? pdf.size() - 1 : bounds.value(1).toLongLong();
        last = qMin<qint64>(last, pdf.size() - 1);
        response.body = pdf.mid(first, last - first + 1);
        response.status = 206;
        response.reason = "Partial Content";
        response.withHeader("Content-Range",
                            "bytes " + QByteArray::number(first) + '-' + QByteArray::number(last)
                                + '/' + QByteArray::number(pdf.size()));
    }
    return response.withHeader("Accept-Ranges", "bytes")
        .withHeader("ETag", "\"v1\"")
        .withHeader("Last-Modified", "Wed, 01 Jan 2020 00:00:00 GMT")
        .withHeader("Cache-Control", "max-age=3600");
}

const QByteArray kArticle = "<html><head><title>article</title></head><body><h1>Article</h1>"
                            "<img src=\"logo.gif\"></body></html>";
const QByteArray kList = "<html><body><a href=\"paper.pdf\">paper</a></body></html>";
const QByteArray kPacked =
    "<html><head><title>packed</title></head><body>" + QByteArray(4000, 'z') + "</body></html>";
const QByteArray kGif =
    QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");
const QByteArray kRangesPage = R"(<html><body><script>
async function go() {
  await (await fetch('ranged.pdf', {headers: {Range: 'bytes=0-99999'}})).arrayBuffer();
  await (await fetch('ranged.pdf', {headers: {Range: 'bytes=100000-'}})).arrayBuffer();
  await (await fetch('partial.pdf', {headers: {Range: 'bytes=0-999'}})).arrayBuffer();
  document.title = 'done';
}
go().catch(e => { document.title = 'failed ' + e; });
</script></body></html>)";

} // namespace

class TestBrowserCache : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void ownCacheListingShowsThePages();
    void copyingThePdfOutGivesTheSentFile();
    void rangedBodiesOnlyWhenWhole();
    void damagedFilesAreSkipped();
    void filesFollowTheCache();
    void deletingAnEntryRemovesIt();
    void clearingLeavesTheBrowserCaching();

private:
    bool load(const QString& path);
    QString url(const QString& path) const { return m_site->urlText(u"/cachetest/"_s + path); }
    int rowOf(fIEcache& viewer, const QString& url) const;
    bool cachedWithFile(const QStringList& paths);

    std::unique_ptr<TestContext> m_ctx;
    std::unique_ptr<sample::SampleSite> m_site;
    std::unique_ptr<BrowserProfile> m_profile;
    std::unique_ptr<QWebEnginePage> m_page;
    std::unique_ptr<BrowserDiskCache> m_store;
    QByteArray m_pdf;
    QByteArray m_rangedPdf;
};

void TestBrowserCache::initTestCase()
{
    m_ctx = std::make_unique<TestContext>();
    m_site = std::make_unique<sample::SampleSite>();
    QVERIFY(m_site->listen());
    m_pdf = sample::samplePdf(u"Cached paper"_s, 300000);
    m_rangedPdf = sample::samplePdf(u"Ranged paper"_s, 200000);
    const auto page = [](const QByteArray& body) {
        return [body](const sample::Request&) {
            return sample::Response::html(body).withHeader("Cache-Control", "max-age=3600");
        };
    };
    m_site->route(u"/cachetest/article.html"_s, page(kArticle));
    m_site->route(u"/cachetest/list.php"_s, page(kList));
    m_site->route(u"/cachetest/ranges.html"_s, page(kRangesPage));
    m_site->route(u"/cachetest/logo.gif"_s, [](const sample::Request&) {
        return sample::Response::bytes(kGif, "image/gif");
    });
    m_site->route(u"/cachetest/paper.pdf"_s, [this](const sample::Request&) {
        return sample::Response::bytes(m_pdf, "application/pdf");
    });
    m_site->route(u"/cachetest/packed.html"_s, [](const sample::Request&) {
        return sample::Response::bytes(gzipped(kPacked), "text/html")
            .withHeader("Content-Encoding", "gzip");
    });
    m_site->route(u"/cachetest/brotli.html"_s, [](const sample::Request&) {
        return sample::Response::bytes(brotli(kPacked), "text/html")
            .withHeader("Content-Encoding", "br");
    });
    m_site->route(u"/cachetest/ranged.pdf"_s, [this](const sample::Request& request) {
        return rangedPdf(request, m_rangedPdf);
    });
    m_site->route(u"/cachetest/partial.pdf"_s, [this](const sample::Request& request) {
        return rangedPdf(request, m_rangedPdf);
    });

    // In a home folder of its own, as the program keeps it: the all-users listing finds it.
    m_profile = std::make_unique<BrowserProfile>(m_ctx->path(u"home/alice/browser"_s));
    m_profile->profile()->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    m_page = std::make_unique<QWebEnginePage>(m_profile->profile());
    for (const QString& path : {u"article.html"_s, u"list.php?id=5"_s, u"paper.pdf"_s,
                                u"packed.html"_s, u"brotli.html"_s, u"ranges.html"_s}) {
        QVERIFY2(load(path), qPrintable(path));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_page->title(), u"done"_s, 20000);
    m_store = std::make_unique<BrowserDiskCache>(m_profile->cacheFolder(),
                                                 m_ctx->path(u"cached-files"_s));
    // The engine writes its entries a moment after the loads end.
    QTRY_VERIFY_WITH_TIMEOUT(
        cachedWithFile({u"article.html"_s, u"logo.gif"_s, u"list.php?id=5"_s, u"paper.pdf"_s,
                        u"packed.html"_s, u"brotli.html"_s, u"ranged.pdf"_s}),
        20000);
}

void TestBrowserCache::cleanupTestCase()
{
    m_page.reset();
    m_profile.reset();
    m_site.reset();
    m_ctx.reset();
}

bool TestBrowserCache::load(const QString& path)
{
    QSignalSpy finished(m_page.get(), &QWebEnginePage::loadFinished);
    m_page->load(QUrl(url(path)));
    return finished.wait(20000);
}

bool TestBrowserCache::cachedWithFile(const QStringList& paths)
{
    QStringList missing = paths;
    m_store->enumerate([&](const CacheEntry& entry) {
        for (const QString& path : paths) {
            if (entry.sourceUrl == url(path) && !entry.localFile.isEmpty()) {
                missing.removeAll(path);
            }
        }
    });
    return missing.isEmpty();
}

int TestBrowserCache::rowOf(fIEcache& viewer, const QString& url) const
{
    for (int row = 0; row < viewer.fileRowCount(); ++row) {
        if (viewer.fileRow(row).text == url) {
            return row;
        }
    }
    return -1;
}

void TestBrowserCache::ownCacheListingShowsThePages()
{
    fIEcache viewer(m_ctx->ui, *m_store, {});
    viewer.Command1->click();
    QCOMPARE(viewer.Label1->text(), u"共有%1 个文件"_s.arg(viewer.fileRowCount()));
    const QList<std::tuple<QString, QString, QByteArray>> expected{
        {u"article.html"_s, u"html"_s, kArticle}, {u"logo.gif"_s, u"gif"_s, kGif},
        {u"list.php?id=5"_s, u"php"_s, kList},    {u"paper.pdf"_s, u"pdf"_s, m_pdf},
        {u"packed.html"_s, u"html"_s, kPacked},   {u"brotli.html"_s, u"html"_s, kPacked},
        {u"ranged.pdf"_s, u"pdf"_s, m_rangedPdf}};
    for (const auto& [path, type, body] : expected) {
        const int row = rowOf(viewer, url(path));
        QVERIFY2(row >= 0, qPrintable(path));
        const CacheFileRow file = viewer.fileRow(row);
        QCOMPARE(file.type, type);
        QCOMPARE(file.size, QString::number(body.size()));
        QVERIFY(file.path.startsWith(m_ctx->path(u"cached-files/"_s)));
        QCOMPARE(readAll(file.path), body); // the body as sent, content coding undone
    }
    // Named after the URL, with an extension from the content type where the URL has none.
    QCOMPARE(QFileInfo(viewer.fileRow(rowOf(viewer, url(u"paper.pdf"_s))).path).fileName(),
             u"paper.pdf"_s);
    QCOMPARE(QFileInfo(viewer.fileRow(rowOf(viewer, url(u"list.php?id=5"_s))).path).fileName(),
             u"list.php"_s);
    QCOMPARE(viewer.fileListTag(), u"我的缓存"_s);
}

void TestBrowserCache::copyingThePdfOutGivesTheSentFile()
{
    fIEcache viewer(m_ctx->ui, *m_store, {});
    viewer.Command1_Click();
    const int row = rowOf(viewer, url(u"paper.pdf"_s));
    QVERIFY(row >= 0);
    viewer.ListView1->selectionModel()->select(
        viewer.fileList()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString dest = m_ctx->path(u"papers/"_s);
    QString caption;
    const std::function<void()> drive = [&] {
        auto* dialog = qobject_cast<Form_Copy_Move*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, &viewer, drive);
            return;
        }
        caption = dialog->windowTitle();
        dialog->Combo1->setEditText(dest);
        dialog->Command1->click();
        dialog->Command2->click();
    };
    QTimer::singleShot(0, &viewer, drive);
    viewer.Command6->click();
    QCOMPARE(caption, u"复制文件：1 个文件..."_s);
    QCOMPARE(readAll(dest + u"paper.pdf"_s), m_pdf);
    QCOMPARE(SniffFileType(dest + u"paper.pdf"_s), u"PDF"_s);
    QVERIFY(m_pdf.trimmed().endsWith("%%EOF"));
}

void TestBrowserCache::rangedBodiesOnlyWhenWhole()
{
    // Two ranges that cover the whole file make the file; one range of another is no file.
    const std::optional<CacheEntry> whole = m_store->lookup(url(u"ranged.pdf"_s));
    QVERIFY(whole);
    QCOMPARE(readAll(whole->localFile), m_rangedPdf);
    QTRY_VERIFY_WITH_TIMEOUT(m_store->lookup(url(u"partial.pdf"_s)).has_value(), 10000);
    QVERIFY(m_store->lookup(url(u"partial.pdf"_s))->localFile.isEmpty());
}

void TestBrowserCache::damagedFilesAreSkipped()
{
    // A copy of the browser's cache, damaged in every way a crash or a disk could.
    const QString source = m_store->entryFolder();
    const QString copy = m_ctx->path(u"damaged/Cache/Cache_Data"_s);
    QDir().mkpath(copy);
    QString pdfEntry;
    QString gifEntry;
    for (const QFileInfo& file : QDir(source).entryInfoList({u"*_0"_s}, QDir::Files)) {
        const QByteArray data = readAll(file.filePath());
        if (data.contains(url(u"paper.pdf"_s).toUtf8())) {
            pdfEntry = file.fileName();
        } else if (data.contains(url(u"logo.gif"_s).toUtf8())) {
            gifEntry = file.fileName();
        } else {
            continue;
        }
        QVERIFY(QFile::copy(file.filePath(), copy + u'/' + file.fileName()));
    }
    QVERIFY(!pdfEntry.isEmpty() && !gifEntry.isEmpty());

    // Every cut of a complete entry fails to read, never reads wrong.
    const QByteArray gif = readAll(copy + u'/' + gifEntry);
    for (qsizetype length = 0; length < gif.size(); ++length) {
        QBuffer cut;
        cut.setData(gif.left(length));
        cut.open(QIODevice::ReadOnly);
        QVERIFY2(!DiskCacheFormat::readEntry(cut), qPrintable(QString::number(length)));
    }
    // One byte of the PDF's body changed: the entry is listed, its body is not trusted.
    QByteArray pdf = readAll(copy + u'/' + pdfEntry);
    pdf[pdf.indexOf("%PDF") + 200] ^= 0x20;
    QFile damaged(copy + u'/' + pdfEntry);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(pdf);
    damaged.close();
    // Cut short, empty, foreign and absurd files beside them.
    QFile half(copy + u"/00000000000000a1_0"_s);
    QVERIFY(half.open(QIODevice::WriteOnly));
    half.write(gif.left(gif.size() / 2));
    half.close();
    QFile(copy + u"/00000000000000a2_0"_s).open(QIODevice::WriteOnly);
    QFile garbage(copy + u"/00000000000000a3_0"_s);
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, '\xff'));
    garbage.close();
    QByteArray absurd = gif;
    absurd[12] = '\xff'; // a key longer than the file
    absurd[13] = '\xff';
    QFile longKey(copy + u"/00000000000000a4_0"_s);
    QVERIFY(longKey.open(QIODevice::WriteOnly));
    longKey.write(absurd);
    longKey.close();

    BrowserDiskCache store(m_ctx->path(u"damaged"_s), m_ctx->path(u"damaged-files"_s));
    QList<CacheEntry> entries;
    QVERIFY(store.enumerate([&](const CacheEntry& entry) { entries << entry; }));
    QCOMPARE(entries.size(), 2);
    for (const CacheEntry& entry : std::as_const(entries)) {
        if (entry.sourceUrl == url(u"paper.pdf"_s)) {
            QVERIFY(entry.localFile.isEmpty());
        } else {
            QCOMPARE(entry.sourceUrl, url(u"logo.gif"_s));
            QCOMPARE(readAll(entry.localFile), kGif);
        }
    }
}

void TestBrowserCache::filesFollowTheCache()
{
    // A new cache folder of the program over a copy of the entries.
    const QString copy = m_ctx->path(u"follow/Cache/Cache_Data"_s);
    QDir().mkpath(copy);
    QString gifEntry;
    for (const QFileInfo& file : QDir(m_store->entryFolder()).entryInfoList({u"*_0"_s})) {
        QVERIFY(QFile::copy(file.filePath(), copy + u'/' + file.fileName()));
        if (readAll(file.filePath()).contains(url(u"logo.gif"_s).toUtf8())) {
            gifEntry = file.fileName();
        }
    }
    BrowserDiskCache store(m_ctx->path(u"follow"_s), m_ctx->path(u"follow-files"_s));
    const std::optional<CacheEntry> gif = store.lookup(url(u"logo.gif"_s));
    QVERIFY(gif && !gif->localFile.isEmpty());
    const QDateTime written = QFileInfo(gif->localFile).lastModified();
    // An unchanged entry keeps its file; an entry the browser dropped loses it.
    store.enumerate([](const CacheEntry&) {});
    QCOMPARE(QFileInfo(gif->localFile).lastModified(), written);
    QVERIFY(QFile::remove(copy + u'/' + gifEntry));
    QVERIFY(!store.lookup(url(u"logo.gif"_s)));
    QVERIFY(!QFileInfo::exists(gif->localFile));
    QVERIFY(!QFileInfo::exists(QFileInfo(gif->localFile).path()));
}

void TestBrowserCache::deletingAnEntryRemovesIt()
{
    fIEcache viewer(m_ctx->ui, *m_store, {});
    viewer.Command1_Click();
    const int row = rowOf(viewer, url(u"article.html"_s));
    QVERIFY(row >= 0);
    const QString file = viewer.fileRow(row).path;
    const int rows = viewer.fileRowCount();
    viewer.ListView1->selectionModel()->select(
        viewer.fileList()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    viewer.Command2->click();
    QCOMPARE(viewer.fileRowCount(), rows - 1);
    QCOMPARE(rowOf(viewer, url(u"article.html"_s)), -1);
    QVERIFY(!QFileInfo::exists(file));
    for (const QFileInfo& entry : QDir(m_store->entryFolder()).entryInfoList(QDir::Files)) {
        QVERIFY(!readAll(entry.filePath()).contains(url(u"article.html"_s).toUtf8()));
    }

    // The running browser does not bring the entry back, and asks the server again for it.
    QVERIFY(load(u"list.php?id=5"_s));
    QVERIFY(!m_store->lookup(url(u"article.html"_s)));
    const qsizetype asked = m_site->requestsFor(u"/cachetest/article.html"_s).size();
    QVERIFY(load(u"article.html"_s));
    QCOMPARE(m_site->requestsFor(u"/cachetest/article.html"_s).size(), asked + 1);
    QTRY_VERIFY_WITH_TIMEOUT(cachedWithFile({u"article.html"_s}), 20000);
}

void TestBrowserCache::clearingLeavesTheBrowserCaching()
{
    // Emptying the whole cache deletes the running browser's own files and folders too.
    const CacheLocations locations{m_ctx->path(u"home/alice"_s), m_profile->cacheFolder()};
    m_ctx->ui.browserProfile = m_profile.get();
    m_ctx->forms.registerForm(u"fIEcache"_s,
                              [&] { return new fIEcache(m_ctx->ui, *m_store, locations); });
    const QString index = m_store->entryFolder() + u"/index"_s; // the browser writes it at start
    QVERIFY(QFileInfo::exists(index));
    ClearBrowserCache(m_ctx->ui, false);
    QVERIFY(!m_store->lookup(url(u"paper.pdf"_s)));
    QVERIFY(!QFileInfo::exists(index));

    // Pages load afterwards, are fetched afresh, and what the browser stores then is listed
    // with its file.
    const qsizetype asked = m_site->requestsFor(u"/cachetest/paper.pdf"_s).size();
    QVERIFY(load(u"article.html"_s));
    QVERIFY(load(u"paper.pdf"_s));
    QCOMPARE(m_site->requestsFor(u"/cachetest/paper.pdf"_s).size(), asked + 1);
    QTRY_VERIFY_WITH_TIMEOUT(cachedWithFile({u"article.html"_s, u"paper.pdf"_s}), 20000);
    fIEcache viewer(m_ctx->ui, *m_store, locations);
    viewer.Command1_Click();
    const int row = rowOf(viewer, url(u"paper.pdf"_s));
    QVERIFY(row >= 0);
    QCOMPARE(readAll(viewer.fileRow(row).path), m_pdf);
}

ZORV_TEST_MAIN(TestBrowserCache)
#include "tst_browsercache.moc"
