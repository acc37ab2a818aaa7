#include "TestMain.h"
#include "platform/MemoryDocument.h"
#include "search/ArticleList.h"
#include "search/PageParsers.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

const QString kPage = u"http://127.0.0.1:8765/search/results?page=1"_s;
const QString kTitleClass = u"highwire-cite-linked-title"_s;

std::shared_ptr<MemoryElement> tocItem(const QString& cls, const QString& heading,
                                       const QString& rel, const QString& text, const QString& href)
{
    auto item = MemoryElement::create(u"LI"_s)->withClass(cls);
    if (!heading.isNull()) {
        item->add(MemoryElement::create(u"DIV"_s)->add(MemoryElement::create(u"H4"_s, heading)));
    }
    item->add(MemoryElement::link(text, href)->withRel(rel));
    return item;
}

QStringList keys(const ArticleList& list)
{
    QStringList found;
    for (const ArticleEntry& entry : list.entries()) {
        found << entry.key;
    }
    return found;
}

} // namespace

class TestArticleList : public QObject {
    Q_OBJECT
private slots:
    void entriesAreKeyedByTheirLink();
    void batchInsertsOnce();
    void removeIfKeepsTheKeyIndex();
    void citeTitles_data();
    void citeTitles();
    void numericLinks_data();
    void numericLinks();
    void tocEntries();
    void firstReaderThatFindsAnythingWins();
    void pageReadTwiceAddsItsRowsOnce();
};

void TestArticleList::entriesAreKeyedByTheirLink()
{
    ArticleList list;
    QVERIFY(list.加入LV1(u"Bone"_s, u"http://x/content/1/2/3"_s, kPage, u"pdf"_s, u"/tmp/a/"_s,
                         u"USA"_s));
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(list.columnCount(), 5);
    const QStringList captions = {u"标题"_s, u"文件类型"_s, u"分析状态"_s, u"保存路径"_s,
                                  u"TYPE"_s};
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(list.headerData(column, Qt::Horizontal).toString(), captions.at(column));
    }
    const QStringList cells = {u"Bone"_s, u"pdf"_s, QString(), u"/tmp/a/"_s, u"USA"_s};
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(list.index(0, column).data().toString(), cells.at(column));
    }
    QCOMPARE(list.index(0, 0).data(ArticleList::KeyRole).toString(), u"http://x/content/1/2/3"_s);
    QCOMPARE(list.index(0, 0).data(ArticleList::TagRole).toString(), kPage);
    QVERIFY(!(list.flags(list.index(0, 0)) & Qt::ItemIsEditable));

    // A second row with the key leaves the first as it was.
    QVERIFY(list.setAnalysisStatus(0, u"成功"_s));
    QVERIFY(!list.加入LV1(u"Other"_s, u"http://x/content/1/2/3"_s, u"http://y/"_s, u"pdf"_s,
                          u"/tmp/b/"_s, u"ENG"_s));
    QCOMPARE(list.count(), 1);
    const ArticleEntry& entry = list.entry(0);
    QCOMPARE(entry.title, u"Bone"_s);
    QCOMPARE(entry.analysisStatus, u"成功"_s);
    QCOMPARE(entry.saveFolder, u"/tmp/a/"_s);
    QCOMPARE(entry.tag, kPage);
    QCOMPARE(entry.entryType, u"USA"_s);

    QVERIFY(!list.加入LV1(QString(), u"http://x/2"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
    QVERIFY(!list.加入LV1(u"t"_s, QString(), kPage, u"pdf"_s, QString(), u"USA"_s));
    // Keys compare exactly: addresses differ in letter case.
    QVERIFY(
        list.加入LV1(u"Bone"_s, u"HTTP://X/CONTENT/1/2/3"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
    QCOMPARE(list.count(), 2);
}

void TestArticleList::batchInsertsOnce()
{
    ArticleList list;
    list.加入LV1(u"a"_s, u"k0"_s, kPage, u"pdf"_s, QString(), u"USA"_s);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    {
        ArticleList::Batch batch(list);
        QVERIFY(list.加入LV1(u"b"_s, u"k1"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
        QVERIFY(!list.加入LV1(u"b again"_s, u"k1"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
        QVERIFY(!list.加入LV1(u"a again"_s, u"k0"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
        QVERIFY(list.加入LV1(u"c"_s, u"k2"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
        QCOMPARE(list.rowCount(), 1); // views see the rows when the batch ends
        QVERIFY(inserted.isEmpty());
    }
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 1);
    QCOMPARE(inserted.first().at(2).toInt(), 2);
    QCOMPARE(keys(list), (QStringList{u"k0"_s, u"k1"_s, u"k2"_s}));
    QCOMPARE(list.rowOfKey(u"k2"_s), 2);
}

void TestArticleList::removeIfKeepsTheKeyIndex()
{
    ArticleList list;
    for (const QString& key : {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}) {
        list.加入LV1(key.toUpper(), key, kPage, u"pdf"_s, QString(), u"USA"_s);
    }
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    const QStringList gone = {u"b"_s, u"c"_s, u"e"_s};
    QCOMPARE(list.removeIf([&](const ArticleEntry& e) { return gone.contains(e.key); }), 3);
    QCOMPARE(removed.size(), 2); // one signal per run of adjacent rows
    QCOMPARE(keys(list), (QStringList{u"a"_s, u"d"_s}));
    QCOMPARE(list.rowOfKey(u"d"_s), 1);
    QCOMPARE(list.rowOfKey(u"c"_s), -1);
    QVERIFY(list.加入LV1(u"C"_s, u"c"_s, kPage, u"pdf"_s, QString(), u"USA"_s));
    QCOMPARE(list.rowOfKey(u"c"_s), 2);
    QVERIFY(list.removeRows(0, 1));
    QCOMPARE(list.rowOfKey(u"c"_s), 1);
    list.clear();
    QCOMPARE(list.count(), 0);
    QVERIFY(!list.contains(u"d"_s));
}

void TestArticleList::citeTitles_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("href");
    QTest::addColumn<bool>("added");
    const QString href = u"http://127.0.0.1:8765/content/95/1/1"_s;
    QTest::newRow("the class") << kTitleClass << u"Bone"_s << href << true;
    QTest::newRow("other case, blanks around")
        << u"  Highwire-Cite-Linked-Title "_s << u"Bone"_s << href << true;
    QTest::newRow("a further class") << kTitleClass + u" extra"_s << u"Bone"_s << href << false;
    QTest::newRow("no class") << QString() << u"Bone"_s << href << false;
    QTest::newRow("empty text") << kTitleClass << QString() << href << false;
    QTest::newRow("blank text") << kTitleClass << u" \n "_s << href << false;
    QTest::newRow("no address") << kTitleClass << u"Bone"_s << QString() << false;
}

void TestArticleList::citeTitles()
{
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(QString, href);
    QFETCH(bool, added);
    MemoryDocument document(kPage);
    document.add(MemoryElement::link(u"  Before  "_s, href + u"0"_s, kTitleClass));
    document.add(MemoryElement::link(text, href, className));
    ArticleList list;
    QCOMPARE(ParseCiteTitles(&document, list, u"/tmp/f/"_s), added ? 2 : 1);
    QCOMPARE(list.count(), added ? 2 : 1);
    const ArticleEntry& first = list.entry(0);
    QCOMPARE(first.title, u"Before"_s); // trimmed
    QCOMPARE(first.fileType, u"pdf"_s);
    QCOMPARE(first.entryType, u"USA"_s);
    QCOMPARE(first.saveFolder, u"/tmp/f/"_s);
    QCOMPARE(first.tag, kPage);
    QCOMPARE(ParseCiteTitles(nullptr, list, QString()), 0);
}

void TestArticleList::numericLinks_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("accepted");
    const QString site = u"http://127.0.0.1:8765"_s;
    QTest::newRow("volume/issue/page") << site + u"/content/94/1/1"_s << true;
    QTest::newRow("eight-character scheme") << u"https://journal.example/content/94/1/1"_s << true;
    QTest::newRow("signs, points, exponents") << site + u"/a/+1.5/-2/3e2"_s << true;
    QTest::newRow(".full.pdf") << site + u"/content/94/1/1.full.pdf"_s << false;
    QTest::newRow("trailing slash") << site + u"/content/94/1/"_s << false;
    QTest::newRow("query") << site + u"/content/94/1/1?x=2"_s << false;
    QTest::newRow("fragment") << site + u"/content/94/1/1#refs"_s << false;
    QTest::newRow("a word") << site + u"/content/x/1/1"_s << false;
    QTest::newRow("only four parts") << u"http://h/94/1/1"_s << false;
    QTest::newRow("blank in a segment") << site + u"/content/94/ 1/1"_s << false;
    QTest::newRow("not a number") << site + u"/content/94/1/nan"_s << false;
}

void TestArticleList::numericLinks()
{
    QFETCH(QString, url);
    QFETCH(bool, accepted);
    QCOMPARE(IsNumericArticleLink(url), accepted);
    MemoryDocument document(kPage);
    document.add(MemoryElement::link(u"Article"_s, url));
    document.add(MemoryElement::link(QString(), u"http://127.0.0.1:8765/content/94/1/2"_s));
    ArticleList list;
    QCOMPARE(ParseNumericLinks(&document, list, QString()), accepted ? 1 : 0);
    QCOMPARE(keys(list), accepted ? QStringList{url} : QStringList());
}

void TestArticleList::tocEntries()
{
    const QString cls = u"cit e2 toc-cit"_s;
    const QString pdfRel = u"full-text.pdf"_s;
    const QString base = u"http://127.0.0.1:8765/content/93/4/"_s;
    MemoryDocument document(kPage);
    auto two = tocItem(cls, u" Two "_s, u"full-text"_s, u"Full Text"_s, base + u"2.full"_s);
    two->add(MemoryElement::link(u" PDF "_s, base + u"2.full.pdf+html"_s)->withRel(pdfRel));
    document.add(tocItem(cls, u"One"_s, pdfRel, u"PDF"_s, base + u"1.full.pdf+html"_s))
        .add(two)
        .add(tocItem(u" CIT E2 TOC-CIT "_s, u"Three"_s, pdfRel, u"pdf"_s, base + u"3"_s))
        .add(tocItem(cls, QString(), pdfRel, u"PDF"_s, base + u"4"_s)) // no heading
        .add(tocItem(cls, u"Five"_s, u"full-text"_s, u"PDF"_s, base + u"5"_s)) // wrong rel
        .add(tocItem(cls, u"Six"_s, u"Full-Text.pdf"_s, u"PDF"_s, base + u"6"_s)) // rel case
        .add(tocItem(cls, u"Seven"_s, pdfRel, u"Download"_s, base + u"7"_s))
        .add(tocItem(cls, u" "_s, pdfRel, u"PDF"_s, base + u"8"_s))
        .add(tocItem(cls + u" extra"_s, u"Nine"_s, pdfRel, u"PDF"_s, base + u"9"_s));
    ArticleList list;
    QCOMPARE(ParseTocEntries(&document, list, QString()), 3);
    QCOMPARE(
        keys(list),
        (QStringList{base + u"1.full.pdf+html"_s, base + u"2.full.pdf+html"_s, base + u"3"_s}));
    QCOMPARE(list.entry(1).title, u"Two"_s);
    QCOMPARE(list.entry(1).entryType, u"ENG"_s);
}

void TestArticleList::firstReaderThatFindsAnythingWins()
{
    const QString site = u"http://127.0.0.1:8765"_s;
    const auto numeric = MemoryElement::link(u"Numeric"_s, site + u"/content/94/1/1"_s);
    const auto cite = MemoryElement::link(u"Cite"_s, site + u"/content/95/1/1"_s, kTitleClass);
    const auto toc = tocItem(u"cit e2 toc-cit"_s, u"Toc"_s, u"full-text.pdf"_s, u"PDF"_s,
                             site + u"/content/93/4/1.full.pdf+html"_s);
    {
        MemoryDocument document(kPage);
        document.add(numeric).add(cite).add(toc);
        ArticleList list;
        QCOMPARE(ParsePage(&document, list, QString()), 1);
        QCOMPARE(keys(list), QStringList{cite->href()});
    }
    {
        MemoryDocument document(kPage);
        document.add(toc).add(numeric);
        ArticleList list;
        QCOMPARE(ParsePage(&document, list, QString()), 1);
        QCOMPARE(keys(list), QStringList{numeric->href()});
    }
    {
        MemoryDocument document(kPage);
        document.add(toc);
        ArticleList list;
        QCOMPARE(ParsePage(&document, list, QString()), 1);
        QCOMPARE(list.entry(0).entryType, u"ENG"_s);
    }
    ArticleList list;
    QCOMPARE(ParsePage(nullptr, list, QString()), 0);
}

void TestArticleList::pageReadTwiceAddsItsRowsOnce()
{
    MemoryDocument document(kPage);
    for (int i = 1; i <= 3; ++i) {
        document.add(MemoryElement::link(u"T%1"_s.arg(i), u"http://h/c/%1"_s.arg(i), kTitleClass));
    }
    ArticleList list;
    QCOMPARE(ParsePage(&document, list, u"/tmp/one/"_s), 3);
    list.setAnalysisStatus(0, u"分析失败"_s);
    QCOMPARE(ParsePage(&document, list, u"/tmp/two/"_s), 3);
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.entry(0).analysisStatus, u"分析失败"_s);
    QCOMPARE(list.entry(0).saveFolder, u"/tmp/one/"_s);
}

ZORV_TEST_MAIN(TestArticleList)
#include "tst_articlelist.moc"
