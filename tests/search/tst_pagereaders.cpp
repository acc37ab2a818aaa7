#include "BrowserFixture.h"
#include "TestMain.h"
#include "search/ArticleList.h"
#include "search/PageParsers.h"

using namespace Qt::StringLiterals;
using namespace zorvtest;

// The page readers on the sample journal's pages, read through the real embedded browser.
class TestPageReaders : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void readsTheJournalPages_data();
    void readsTheJournalPages();

private:
    std::unique_ptr<BrowserFixture> m_fixture;
    std::unique_ptr<WebEngineBrowser> m_browser;
};

void TestPageReaders::initTestCase()
{
    m_fixture = std::make_unique<BrowserFixture>();
    m_browser = std::make_unique<WebEngineBrowser>(m_fixture->profile.get());
    m_browser->setSilent(true);
    m_browser->view()->resize(800, 600);
    m_browser->view()->show();
}

void TestPageReaders::cleanupTestCase()
{
    m_browser.reset();
    m_fixture.reset();
}

void TestPageReaders::readsTheJournalPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("keys"); // paths, in document order
    QTest::addColumn<QString>("entryType");
    QTest::addColumn<int>("row"); // a row whose title carries characters of markup
    QTest::addColumn<QString>("title");

    // Titles whose whole class is the title class, relative links resolved, look-alikes
    // (a further class, no text, blank text) and the numeric links beside them left out.
    QStringList results;
    for (int page = 1; page <= 8; ++page) {
        results << u"/content/95/1/%1"_s.arg(page);
    }
    QTest::newRow("result page") << u"/search/results?q=bone"_s << results << u"USA"_s << 4
                                 << u"Cartilage repair: a 10/20 year review (95.1.5)"_s;
    QTest::newRow("issue listing")
        << u"/issue/94/1"_s
        << QStringList{u"/content/94/1/1"_s, u"/content/94/1/2"_s, u"/content/94/1/3"_s,
                       u"/content/94/1/4"_s, u"/content/94/1/5"_s, u"/content/94/1/6"_s,
                       u"/content/94/1/7"_s}
        << u"USA"_s << 5 << u"Fracture risk and vitamin D <serum> levels (94.1.6)"_s;
    QTest::newRow("table of contents")
        << u"/toc/93/4"_s
        << QStringList{u"/content/93/4/1.full.pdf+html"_s, u"/content/93/4/2.full.pdf+html"_s,
                       u"/content/93/4/3.full.pdf+html"_s, u"/content/93/4/10.full.pdf+html"_s}
        << u"ENG"_s << 0 << u"Spinal fusion with 骨移植 substitutes (93.4.1)"_s;
}

void TestPageReaders::readsTheJournalPages()
{
    QFETCH(QString, page);
    QFETCH(QStringList, keys);
    QFETCH(QString, entryType);
    QFETCH(int, row);
    QFETCH(QString, title);
    const QString pageUrl = m_fixture->url(page);
    QVERIFY(loadPage(*m_browser, pageUrl));
    const std::shared_ptr<Document> document = m_browser->document();

    ArticleList list;
    QCOMPARE(ParsePage(document.get(), list, u"/tmp/books/"_s), keys.size());
    QStringList found;
    for (const ArticleEntry& entry : list.entries()) {
        found << entry.key;
        QVERIFY(!entry.title.isEmpty());
        QCOMPARE(entry.title, entry.title.trimmed());
        QCOMPARE(entry.tag, pageUrl);
        QCOMPARE(entry.entryType, entryType);
        QCOMPARE(entry.saveFolder, u"/tmp/books/"_s);
    }
    QStringList expected;
    for (const QString& key : keys) {
        expected << m_fixture->url(key);
    }
    QCOMPARE(found, expected);
    QCOMPARE(list.entry(row).title, title);

    // Read again: the same count, no second row.
    QCOMPARE(ParsePage(document.get(), list, QString()), keys.size());
    QCOMPARE(list.count(), keys.size());
}

ZORV_TEST_MAIN(TestPageReaders)
#include "tst_pagereaders.moc"
