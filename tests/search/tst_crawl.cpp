#include "BrowserFixture.h"
#include "TestContext.h"
#include "TestMain.h"
#include "search/SearchSession.h"

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// The services of a test context, with a pump that waits for real events.
struct CrawlContext {
    explicit CrawlContext(BrowserProfile* profile)
        : browser(profile)
        , session(services, browser)
    {
        browser.setSilent(true);
        browser.view()->resize(800, 600);
        browser.view()->show();
        session.showSaveFolderChooser = [this] {
            ++choosers;
            ctx.shared.SaveFolder = u"/tmp/books/"_s;
        };
    }

    QStringList keyPaths()
    {
        QStringList paths;
        for (const ArticleEntry& entry : session.articles().entries()) {
            paths << QUrl(entry.key).path();
        }
        return paths;
    }

    TestContext ctx;
    SteppingPump pump{ctx.clock};
    AppServices services{ctx.store,
                         ctx.shared,
                         ctx.clock,
                         pump,
                         ctx.prompter,
                         ctx.shell,
                         ctx.registry,
                         ctx.services.config,
                         ctx.services.executablePath,
                         ctx.services.OsName};
    WebEngineBrowser browser;
    SearchSession session;
    int choosers = 0;
};

} // namespace

class TestCrawl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void nextLinkTexts_data();
    void nextLinkTexts();
    void addAllFollowsEveryNextPage();
    void addAllOnAPageWithoutNextLink();
    void stopWhileTheNextPageLoads();
    void nextPageThatNeverLoadsEndsTheCrawl();
    void addThisPageAsksForTheFolderWhenSet_data();
    void addThisPageAsksForTheFolderWhenSet();

private:
    std::unique_ptr<BrowserFixture> m_fixture;
};

void TestCrawl::initTestCase() { m_fixture = std::make_unique<BrowserFixture>(); }

void TestCrawl::cleanupTestCase() { m_fixture.reset(); }

void TestCrawl::nextLinkTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("next");
    QTest::newRow("next") << u"next"_s << true;
    QTest::newRow("Next") << u"Next"_s << true;
    QTest::newRow("blanks around") << u"  Next page of results \n"_s << true;
    QTest::newRow("capitals") << u"NEXT PAGE OF RESULTS"_s << true;
    QTest::newRow("arrow after") << u"Next »"_s << false;
    QTest::newRow("next page") << u"next page"_s << false;
    QTest::newRow("empty") << QString() << false;
}

void TestCrawl::nextLinkTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, next);
    QCOMPARE(SearchSession::isNextLinkText(text), next);
}

void TestCrawl::addAllFollowsEveryNextPage()
{
    CrawlContext c(m_fixture->profile.get());
    c.ctx.shared.PromptSavePath = 1;
    // Time passes only while nothing loads: loads never time out, pages settle at once.
    c.pump.advance = [&] { return !c.browser.isBusy() && !c.session.PageLoading; };
    QVERIFY(loadPage(c.browser, m_fixture->url(u"/search/results?q=bone"_s)));
    m_fixture->site.clearRequests();
    QSignalSpy running(&c.session, &SearchSession::addAllChanged);

    c.session.addAll();

    QVERIFY(!c.session.isAddingAll());
    QCOMPARE(running.size(), 2);
    QCOMPARE(running.at(0).first().toBool(), true);
    QCOMPARE(running.at(1).first().toBool(), false);
    QCOMPARE(c.choosers, 1); // once for the whole crawl
    // Page 1 links on with "next", page 2 with " Next page of results ", page 3 has only
    // look-alikes; every page is read once.
    QCOMPARE(m_fixture->site.requestsFor(u"/search/results"_s).size(), 2);
    QCOMPARE(QUrl(c.browser.locationUrl()).query(), u"q=bone&page=3"_s);
    QCOMPARE(c.session.articles().count(), 24);
    const QStringList paths = c.keyPaths();
    QCOMPARE(paths.first(), u"/content/95/1/1"_s);
    QCOMPARE(paths.last(), u"/content/95/3/24"_s);
    for (const ArticleEntry& entry : c.session.articles().entries()) {
        QCOMPARE(entry.saveFolder, u"/tmp/books/"_s);
    }
    QCOMPARE(QUrl(c.session.articles().entries().last().tag).query(), u"q=bone&page=3"_s);
}

void TestCrawl::addAllOnAPageWithoutNextLink()
{
    CrawlContext c(m_fixture->profile.get());
    c.ctx.shared.PromptSavePath = 0;
    QVERIFY(loadPage(c.browser, m_fixture->url(u"/issue/94/1"_s)));
    c.session.addAll();
    QVERIFY(!c.session.isAddingAll());
    QCOMPARE(c.choosers, 0);
    QCOMPARE(c.session.articles().count(), 7);
    QCOMPARE(c.session.articles().entry(0).saveFolder, QString());
}

void TestCrawl::stopWhileTheNextPageLoads()
{
    CrawlContext c(m_fixture->profile.get());
    c.ctx.shared.PromptSavePath = 0;
    QVERIFY(loadPage(c.browser, m_fixture->url(u"/search/stall"_s)));
    c.pump.advance = [] { return false; };
    bool pressed = false;
    c.pump.onPump = [&] {
        // The second press of the button while the next page loads.
        if (!pressed && c.browser.isBusy()) {
            pressed = true;
            c.session.addAll();
        }
    };
    c.session.addAll();
    QVERIFY(pressed);
    QVERIFY(c.session.StopAddAll);
    QVERIFY(!c.session.isAddingAll());
    QCOMPARE(c.session.articles().count(), 3); // the page that did not load is not read
    ZORV_WAIT(m_fixture->site.requestsFor(u"/slow/never.html"_s).size() == 1);
}

void TestCrawl::nextPageThatNeverLoadsEndsTheCrawl()
{
    CrawlContext c(m_fixture->profile.get());
    c.ctx.shared.PromptSavePath = 0;
    QVERIFY(loadPage(c.browser, m_fixture->url(u"/search/stall"_s)));
    c.pump.advance = [] { return true; };
    const double start = c.ctx.clock.seconds();
    QVERIFY(!c.session.下一页());
    const double waited = c.ctx.clock.seconds() - start;
    QVERIFY2(waited > SearchSession::kLoadTimeoutSeconds, qPrintable(QString::number(waited)));
    QVERIFY2(waited < SearchSession::kLoadTimeoutSeconds + 2, qPrintable(QString::number(waited)));
    QVERIFY(c.browser.isBusy());
    QCOMPARE(c.session.articles().count(), 3);

    // The whole crawl ends the same way, silently.
    QVERIFY(loadPage(c.browser, m_fixture->url(u"/search/stall"_s)));
    c.session.addAll();
    QVERIFY(!c.session.isAddingAll());
    QVERIFY(c.ctx.prompter.boxes.isEmpty());
    QCOMPARE(c.session.articles().count(), 3);
}

void TestCrawl::addThisPageAsksForTheFolderWhenSet_data()
{
    QTest::addColumn<int>("promptSavePath");
    QTest::newRow("ask") << 1;
    QTest::newRow("do not ask") << 0;
}

void TestCrawl::addThisPageAsksForTheFolderWhenSet()
{
    QFETCH(int, promptSavePath);
    CrawlContext c(m_fixture->profile.get());
    c.ctx.shared.PromptSavePath = static_cast<qint16>(promptSavePath);
    c.ctx.shared.SaveFolder = u"/tmp/earlier/"_s;
    QVERIFY(loadPage(c.browser, m_fixture->url(u"/toc/93/4"_s)));
    c.session.addThisPage();
    QCOMPARE(c.choosers, promptSavePath == 1 ? 1 : 0);
    QCOMPARE(c.session.articles().count(), 4);
    QCOMPARE(c.session.articles().entry(0).saveFolder,
             promptSavePath == 1 ? u"/tmp/books/"_s : QString());
    QCOMPARE(c.browser.locationUrl(), m_fixture->url(u"/toc/93/4"_s)); // no next page clicked
}

ZORV_TEST_MAIN(TestCrawl)
#include "tst_crawl.moc"
