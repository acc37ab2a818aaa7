// The whole road as a user walks it, through the program's own windows as the program wires
// them: launcher -> search window -> the sample site's result pages -> add all pages ->
// analyse -> download window -> start -> PDF files on disk.

#include "BrowserFixture.h"
#include "ProgramRig.h"
#include "SamplePdf.h"
#include "TestContext.h"
#include "TestMain.h"
#include "app/SettingKeys.h"
#include "download/DownloadList.h"
#include "download/DownloadScheduler.h"
#include "download/fFileDownload.h"
#include "net/HttpHelpers.h"
#include "program/ProgramWindows.h"
#include "search/ArticleList.h"
#include "search/SearchSession.h"
#include "search/fWebSearch.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// Where the road stores an article's PDF: its cleaned title in the papers folder.
QString savedFile(const ProgramRig& p, const QString& title)
{
    return p.folder + u'/' + SanitizeFileName(title) + u".pdf"_s;
}

QString pathOf(const QString& url) { return QUrl(url).path(); }

// The body the server sends for url, fetched past the program.
QByteArray served(const QString& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(url)));
    waitUntil([&] { return reply->isFinished(); });
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

} // namespace

class TestRoad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fromResultPagesToFiles_data();
    void fromResultPagesToFiles();

private:
    std::unique_ptr<BrowserFixture> m_fixture;
};

void TestRoad::initTestCase() { m_fixture = std::make_unique<BrowserFixture>(); }

void TestRoad::cleanupTestCase() { m_fixture.reset(); }

void TestRoad::fromResultPagesToFiles_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("method 1, one at a time") << 1;
    QTest::newRow("method 2, six at once") << 2;
}

void TestRoad::fromResultPagesToFiles()
{
    QFETCH(int, method);
    sample::SampleSite& site = m_fixture->site;
    ProgramRig p(*m_fixture->profile, site, ProgramRig::Time::Stepping);
    p.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::downloadMethod(),
                       QString::number(method));
    p.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"1"_s);

    // The launcher opens the search window on the journal's home page.
    p.ctx.forms.load(u"fCover"_s);
    p.cover->load();
    ZORV_WAIT(p.cover->Command1->isEnabled());
    p.cover->Command1->click();
    fWebSearch* search = p.search();
    QVERIFY(search && search->isVisible());
    QVERIFY(p.cover->isHidden());
    ZORV_WAIT(search->browser().title() == u"Journal of Sample Studies"_s
              && !search->browser().isBusy());

    // Three result pages, read by adding them all.
    QVERIFY(loadPage(search->browser(), m_fixture->url(u"/search/results?q=bone"_s)));
    search->Command4->click();
    QCOMPARE(p.choosers, 1);
    const ArticleList& articles = search->session().articles();
    QCOMPARE(articles.count(), 24);
    QCOMPARE(search->Label1->text(), u"24"_s);

    // Analysed and handed over; the download window comes forward with every article.
    search->Command2->click();
    fFileDownload* download = p.download();
    QVERIFY(download && download->isVisible());
    QCOMPARE(search->statusPanel(3)->text(), u"本次分析成功：24条"_s);
    DownloadList& list = download->downloadList();
    QCOMPARE(list.rowCount(), 24);

    site.clearRequests();
    QVERIFY(p.downloadAll());
    QCOMPARE(download->scheduler().method(), method);
    QCOMPARE(download->scheduler().threadCount(), method == 1 ? 1 : 6);
    QCOMPARE(list.countInState(DownloadState::Completed), 24);
    QCOMPARE(QDir(p.folder).entryList(QDir::Files).size(), 24); // no temporary file is left
    QCOMPARE(site.requests().size(), 24); // one request per PDF
    for (int row = 0; row < 24; ++row) {
        const QString pdf = articles.entry(row).key + u".full.pdf"_s;
        QCOMPARE(site.requestsFor(pathOf(pdf)).size(), 1);
        QCOMPARE(list.item(pdf).tag, articles.entry(row).key); // fetched from the article
    }
    // Each file under its title, the bytes the server sends.
    const auto checkFiles = [&](int firstRow, int rows) {
        for (int row = firstRow; row < firstRow + rows; ++row) {
            const ArticleEntry& entry = articles.entry(row);
            QCOMPARE(entry.analysisStatus, u"成功"_s);
            QFile file(savedFile(p, entry.title));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.startsWith("%PDF"));
            QVERIFY(bytes.trimmed().endsWith("%%EOF"));
            const QString pdf = list.keyAt(row);
            QVERIFY2(bytes == served(pdf), qPrintable(entry.title));
        }
    };
    checkFiles(0, 24);
    ZORV_WAIT(download->StatusPanels.at(3)->text()
              == u"总数：24|正在下载：0|等待：0|已完成：24|失败：0"_s);

    // A table of contents: its entries link to full-text pages, "+html" after the PDF's
    // address.
    QVERIFY(loadPage(search->browser(), m_fixture->url(u"/toc/93/4"_s)));
    search->Command9->click();
    QCOMPARE(p.choosers, 2);
    QCOMPARE(articles.count(), 28);
    search->Command2->click();
    QCOMPARE(search->statusPanel(3)->text(), u"本次分析成功：28条"_s);
    QCOMPARE(list.rowCount(), 28); // the 24 handed over again are not doubled
    site.clearRequests();
    QVERIFY(p.downloadAll());
    QCOMPARE(site.requests().size(), 4);
    for (int row = 24; row < 28; ++row) {
        const ArticleEntry& entry = articles.entry(row);
        QCOMPARE(entry.entryType, u"ENG"_s);
        QVERIFY(entry.key.endsWith(u".full.pdf+html"_s));
        // The PDF is the full-text page's address without "+html".
        const QString pdf = entry.key.chopped(5);
        QCOMPARE(list.keyAt(row), pdf);
        QCOMPARE(site.requestsFor(pathOf(pdf)).size(), 1);
        QCOMPARE(list.item(pdf).tag, entry.key);
    }
    checkFiles(24, 4);
    QCOMPARE(list.countInState(DownloadState::Completed), 28);

    // The road again into the same folder under the skip policy: a new download window, every
    // item skipped, nothing fetched.
    download->close();
    ZORV_WAIT(!p.download());
    site.clearRequests();
    search->Command2->click();
    download = p.download();
    QVERIFY(download);
    download->Option1->click();
    QVERIFY(p.downloadAll());
    DownloadList& again = download->downloadList();
    QCOMPARE(again.rowCount(), 28);
    for (int row = 0; row < again.rowCount(); ++row) {
        const DownloadItem& item = again.at(row);
        QCOMPARE(item.state, DownloadState::Completed);
        QCOMPARE(item.percentage, u"已存在，跳过"_s);
        QCOMPARE(item.size, QString::number(QFileInfo(DownloadList::targetPath(item)).size()));
    }
    QVERIFY(site.requests().isEmpty());
    QCOMPARE(QDir(p.folder).entryList(QDir::Files).size(), 28);
}

ZORV_TEST_MAIN(TestRoad)
#include "tst_road.moc"
