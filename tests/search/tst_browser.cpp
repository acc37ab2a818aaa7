#include "BrowserFixture.h"
#include "TestMain.h"
#include "search/ArticleList.h"
#include "search/PageParsers.h"

#include <QApplication>
#include <QPointer>
#include <QWebEngineView>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

const QString kDomPage = uR"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>DOM</title>
</head><body>
<a class="  highwire-cite-linked-title extra " href="../../content/95/1/1" rel="bookmark"
   name="first">  First <b>title</b> </a>
<ul><li class="cit e2 toc-cit"><div><h4>Heading</h4></div>
  <a rel="full-text.pdf" href="/content/93/4/1.full.pdf+html">PDF</a></li></ul>
<form action="/fixture/submitted.html" method="get">
  <input name="UserName" type="text" value="old"><input type="submit" value="go"></form>
</body></html>)"_s;

ElementPtr linkTo(Browser& browser, const QString& pathEnd)
{
    const std::shared_ptr<Document> document = browser.document();
    for (const ElementPtr& anchor : document->getElementsByTagName(u"A"_s)) {
        if (anchor->href().endsWith(pathEnd)) {
            return anchor;
        }
    }
    return nullptr;
}

int webViewWindows()
{
    int views = 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        views += qobject_cast<QWebEngineView*>(widget) ? 1 : 0;
    }
    return views;
}

} // namespace

class TestBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void readsElementsAndActsOnThem();
    void pagesWithoutHtmlHaveNoElements_data();
    void pagesWithoutHtmlHaveNoElements();
    void newWindowsOpenInThisView_data();
    void newWindowsOpenInThisView();
    void pageCannotCloseTheBrowser();
    void silentModeKeepsBoxesAway();
    void silentModeLetsPagesBeLeft();
    void historyWithoutEntriesIsIgnored();
    void busyWhileTheTopLevelDocumentLoads();
    void pageThatDoesNotAnswerReadsAsEmpty(); // last: its page never frees its renderer

private:
    std::unique_ptr<BrowserFixture> m_fixture;
    std::unique_ptr<WebEngineBrowser> m_browser;
};

void TestBrowser::initTestCase()
{
    m_fixture = std::make_unique<BrowserFixture>();
    m_fixture->site.route(u"/fixture/page/dom.html"_s,
                          [](const sample::Request&) { return sample::Response::html(kDomPage); });
    m_fixture->site.route(u"/fixture/busy.html"_s, [](const sample::Request&) {
        return sample::Response::html(
            u"<html><body><a href='/'>home</a><script>"
            "setTimeout(function () { document.title = 'busy'; for (;;) {} }, 0);"
            "</script></body></html>"_s);
    });
    m_fixture->site.route(u"/fixture/leave.html"_s, [](const sample::Request&) {
        return sample::Response::html(
            u"<html><body style='height: 100%'><script>"
            "addEventListener('beforeunload', function (e) { e.preventDefault();"
            " e.returnValue = 'stay'; });"
            "addEventListener('mousedown', function () { document.title = 'touched'; });"
            "</script><p>unsaved work</p></body></html>"_s);
    });
    m_fixture->site.route(u"/fixture/submitted.html"_s, [](const sample::Request&) {
        return sample::Response::html(u"<html><body>submitted</body></html>"_s);
    });
}

void TestBrowser::cleanupTestCase() { m_fixture.reset(); }

void TestBrowser::init()
{
    m_browser = std::make_unique<WebEngineBrowser>(m_fixture->profile.get());
    m_browser->setSilent(true);
    m_browser->view()->resize(800, 600);
    m_browser->view()->show();
}

void TestBrowser::cleanup() { m_browser.reset(); }

void TestBrowser::readsElementsAndActsOnThem()
{
    Browser& browser = *m_browser;
    const QString url = m_fixture->url(u"/fixture/page/dom.html"_s);
    QVERIFY(loadPage(browser, url));
    const std::shared_ptr<Document> document = browser.document();
    QCOMPARE(document->url(), url);

    const ElementList anchors = document->getElementsByTagName(u"a"_s);
    QCOMPARE(anchors.size(), 2);
    const ElementPtr first = anchors.at(0);
    QCOMPARE(first->tagName(), u"A"_s);
    QCOMPARE(first->className(), u"  highwire-cite-linked-title extra "_s);
    QCOMPARE(first->innerText().trimmed(), u"First title"_s);
    QCOMPARE(first->href(), m_fixture->url(u"/content/95/1/1"_s)); // resolved
    QCOMPARE(first->rel(), u"bookmark"_s);
    QCOMPARE(first->name(), u"first"_s);

    const ElementList items = document->getElementsByTagName(u"LI"_s);
    QCOMPARE(items.size(), 1);
    const ElementList headings = items.first()->getElementsByTagName(u"h4"_s);
    QCOMPARE(headings.size(), 1);
    QCOMPARE(headings.first()->innerText(), u"Heading"_s);
    const ElementList itemLinks = items.first()->getElementsByTagName(u"A"_s);
    QCOMPARE(itemLinks.size(), 1);
    QCOMPARE(itemLinks.first()->rel(), u"full-text.pdf"_s);

    ElementList inputs = document->getElementsByTagName(u"INPUT"_s);
    QCOMPARE(inputs.size(), 2);
    QCOMPARE(inputs.at(0)->name(), u"UserName"_s);
    QCOMPARE(inputs.at(0)->type(), u"text"_s);
    QCOMPARE(inputs.at(0)->value(), u"old"_s);
    QVERIFY(inputs.at(0)->setValue(u"新的-'value'"_s));
    QCOMPARE(document->getElementsByTagName(u"INPUT"_s).at(0)->value(), u"新的-'value'"_s);

    QCOMPARE(inputs.at(1)->type(), u"submit"_s);
    QSignalSpy complete(&browser, &Browser::documentComplete);
    QVERIFY(inputs.at(1)->click());
    ZORV_WAIT(!complete.isEmpty());
    const QList<sample::Request> submitted =
        m_fixture->site.requestsFor(u"/fixture/submitted.html"_s);
    QCOMPARE(submitted.size(), 1);
    QCOMPARE(submitted.first().query.queryItemValue(u"UserName"_s, QUrl::FullyDecoded),
             u"新的-'value'"_s);

    // Elements of a page that has gone cannot be acted on.
    QVERIFY(!first->click());
    QVERIFY(!inputs.at(0)->setValue(u"x"_s));
}

void TestBrowser::pagesWithoutHtmlHaveNoElements_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("blank page") << u"about:blank"_s;
    QTest::newRow("PDF") << u"/content/95/1/1.full.pdf"_s;
}

void TestBrowser::pagesWithoutHtmlHaveNoElements()
{
    QFETCH(QString, path);
    const QString url = path.startsWith(u'/') ? m_fixture->url(path) : path;
    QVERIFY(loadPage(*m_browser, url));
    const std::shared_ptr<Document> document = m_browser->document();
    QVERIFY(document->getElementsByTagName(u"A"_s).isEmpty());
    ArticleList list;
    QCOMPARE(ParsePage(document.get(), list, QString()), 0);
}

void TestBrowser::newWindowsOpenInThisView_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("linkEnd"); // a link to click on the start page, or none
    QTest::addColumn<QString>("target");
    QTest::newRow("target=_blank") << u"/"_s << u"/popup/target.html"_s << u"/popup/target.html"_s;
    QTest::newRow("window.open") << u"/popup/open.html"_s << QString() << u"/popup/opened.html"_s;
}

void TestBrowser::newWindowsOpenInThisView()
{
    QFETCH(QString, start);
    QFETCH(QString, linkEnd);
    QFETCH(QString, target);
    Browser& browser = *m_browser;
    const int views = webViewWindows();
    QSignalSpy requested(&browser, &Browser::newWindowRequested);
    if (linkEnd.isEmpty()) {
        browser.navigate(m_fixture->url(start)); // the page opens the window while it loads
    } else {
        QVERIFY(loadPage(browser, m_fixture->url(start)));
        const ElementPtr link = linkTo(browser, linkEnd);
        QVERIFY(link);
        QVERIFY(link->click());
    }
    ZORV_WAIT(browser.locationUrl() == m_fixture->url(target));
    QCOMPARE(browser.locationUrl(), m_fixture->url(target));
    ZORV_WAIT(!browser.isBusy());
    QCOMPARE(requested.size(), 1);
    QCOMPARE(requested.first().first().toString(), m_fixture->url(target));
    QCOMPARE(webViewWindows(), views);

    if (target == u"/popup/target.html"_s) { // the readers see the page now shown
        ArticleList list;
        QCOMPARE(ParseCiteTitles(browser.document().get(), list, QString()), 2);
        QCOMPARE(list.entry(0).tag, m_fixture->url(target));
    }
}

void TestBrowser::pageCannotCloseTheBrowser()
{
    Browser& browser = *m_browser;
    QPointer<QWebEngineView> view = m_browser->view();
    QSignalSpy closing(&browser, &Browser::windowCloseRequested);
    QVERIFY(loadPage(browser, m_fixture->url(u"/popup/close.html"_s)));
    ZORV_WAIT(closing.size() == 1);
    QCOMPARE(closing.size(), 1);
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QCOMPARE(browser.title(), u"Closes its window"_s);
    QVERIFY(loadPage(browser, m_fixture->url(u"/"_s)));
    QCOMPARE(browser.title(), u"Journal of Sample Studies"_s);
}

void TestBrowser::silentModeKeepsBoxesAway()
{
    QVERIFY(m_browser->isSilent());
    QVERIFY(loadPage(*m_browser, m_fixture->url(u"/popup/alert.html"_s)));
    ZORV_WAIT(m_browser->title() == u"after the boxes"_s);
    QCOMPARE(m_browser->title(), u"after the boxes"_s);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestBrowser::silentModeLetsPagesBeLeft()
{
    // A page that asks before it is left, once the user has touched it: in silent mode the
    // question is not shown and the page is left.
    Browser& browser = *m_browser;
    QVERIFY(loadPage(browser, m_fixture->url(u"/fixture/leave.html"_s)));
    QWidget* input = m_browser->view()->focusProxy();
    QVERIFY(input);
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(40, 40));
    ZORV_WAIT(browser.title() == u"touched"_s);
    QVERIFY(loadPage(browser, m_fixture->url(u"/issue/94/1"_s), 5000));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestBrowser::historyWithoutEntriesIsIgnored()
{
    Browser& browser = *m_browser;
    browser.goBack();
    browser.goForward();
    QVERIFY(!browser.isBusy());
    const QString first = m_fixture->url(u"/issue/94/1"_s);
    const QString second = m_fixture->url(u"/toc/93/4"_s);
    QVERIFY(loadPage(browser, first));
    QVERIFY(loadPage(browser, second));
    browser.goBack();
    ZORV_WAIT(browser.locationUrl() == first);
    QCOMPARE(browser.locationUrl(), first);
    browser.goForward();
    ZORV_WAIT(browser.locationUrl() == second);
    QCOMPARE(browser.locationUrl(), second);
}

void TestBrowser::busyWhileTheTopLevelDocumentLoads()
{
    Browser& browser = *m_browser;
    QSignalSpy busy(&browser, &Browser::busyChanged);
    QSignalSpy complete(&browser, &Browser::documentComplete);
    browser.navigate(m_fixture->url(u"/slow/never.html"_s));
    ZORV_WAIT(browser.isBusy());
    QVERIFY(complete.isEmpty());
    QVERIFY(loadPage(browser, m_fixture->url(u"/"_s)));
    QVERIFY(!browser.isBusy());
    QCOMPARE(busy.last().first().toBool(), false);
}

void TestBrowser::pageThatDoesNotAnswerReadsAsEmpty()
{
    Browser& browser = *m_browser;
    m_browser->setScriptTimeout(500);
    QVERIFY(loadPage(browser, m_fixture->url(u"/fixture/busy.html"_s)));
    ZORV_WAIT(browser.title() == u"busy"_s); // its script now runs for ever
    QElapsedTimer elapsed;
    elapsed.start();
    const std::shared_ptr<Document> document = browser.document();
    QVERIFY(document->getElementsByTagName(u"A"_s).isEmpty());
    QVERIFY(elapsed.elapsed() < 5000);
}

ZORV_TEST_MAIN(TestBrowser)
#include "tst_browser.moc"
