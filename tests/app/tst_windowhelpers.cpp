#include "TestContext.h"
#include "TestMain.h"
#include "app/AppInfo.h"
#include "app/ListHelpers.h"
#include "app/TextHelpers.h"
#include "app/WindowHelpers.h"

#include <QHeaderView>
#include <QListView>
#include <QStandardItemModel>
#include <QTreeView>
#include <QUrlQuery>

using namespace Qt::StringLiterals;
using namespace zorvtest;

class TestWindowHelpers : public QObject {
    Q_OBJECT
private slots:
    void isFormLoadedIgnoresCase();
    void removeLineBreaks_data();
    void removeLineBreaks();
    void setColumnWidthRanges();
    void autoSizeFitsHeaderAndContents();
    void stripeHeights();
    void suggestionMail();
    void openInBrowserFallsBack();
};

void TestWindowHelpers::isFormLoadedIgnoresCase()
{
    QWidget window;
    window.setObjectName(u"fFileDownload"_s);
    QVERIFY(IsFormLoaded(u"FFILEDOWNLOAD"_s));
    QVERIFY(!IsFormLoaded(u"fWebSearch"_s));
    markUnloaded(&window);
    QVERIFY(!IsFormLoaded(u"fFileDownload"_s));
}

void TestWindowHelpers::removeLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pairs and singles") << u"a\r\nb\nc\rd"_s << u"abcd"_s;
    QTest::newRow("nul") << (u"x"_s + QChar(0) + u"y"_s) << u"xy"_s;
    QTest::newRow("tabs stay") << u"a\tb "_s << u"a\tb "_s;
}

void TestWindowHelpers::removeLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(RemoveLineBreaks(text), expected);
}

void TestWindowHelpers::setColumnWidthRanges()
{
    QStandardItemModel model(1, 3);
    QTreeView report;
    report.setModel(&model);
    report.header()->resizeSection(0, 50);
    SetColumnWidth(&report, 1, 120);
    QCOMPARE(report.header()->sectionSize(0), 120);
    SetColumnWidth(&report, 0, 10); // column 0 does not exist
    SetColumnWidth(&report, 4, 10); // beyond the last
    QCOMPARE(report.header()->sectionSize(0), 120);

    QListView icons; // not a report view
    icons.setModel(&model);
    SetColumnWidth(&icons, 1, 10); // changes nothing, raises nothing
}

void TestWindowHelpers::autoSizeFitsHeaderAndContents()
{
    QStandardItemModel model(1, 2);
    model.setHorizontalHeaderLabels({u"A very long header caption"_s, u"B"_s});
    model.setItem(0, 0, new QStandardItem(u"x"_s));
    model.setItem(0, 1, new QStandardItem(u"a much longer cell text than the header"_s));
    QTreeView report;
    report.setModel(&model);
    AutoSizeColumns(&report, kAutoSizeUseHeader);
    const QFontMetrics metrics(report.font());
    QVERIFY(report.header()->sectionSize(0)
            >= metrics.horizontalAdvance(u"A very long header caption"_s));
    QVERIFY(report.header()->sectionSize(1)
            >= metrics.horizontalAdvance(u"a much longer cell text than the header"_s));
}

void TestWindowHelpers::stripeHeights()
{
    QStandardItemModel model(3, 1);
    QTreeView list;
    list.setModel(&model);
    QFont big = list.font();
    big.setPixelSize(30);
    list.setFont(big);
    QCOMPARE(StripeListBackground(&list, false, 13), 13);
    QCOMPARE(list.sizeHintForRow(0), 13);
    const int fromFont = StripeListBackground(&list, false, 0);
    QCOMPARE(fromFont, QFontMetrics(big).height() + 1);
    QCOMPARE(StripeListBackground(&list, true, 0), fromFont + 4);
    QVERIFY(list.alternatingRowColors());
    QCOMPARE(list.palette().color(QPalette::Base), QColor(231, 248, 237));
    QCOMPARE(list.palette().color(QPalette::AlternateBase), QColor(Qt::white));
}

void TestWindowHelpers::suggestionMail()
{
    const QUrl uri =
        suggestionMailUri(u"support@qelvo.example"_s, AppInfo::title(), QDate(2026, 12, 10));
    QCOMPARE(uri.scheme(), u"mailto"_s);
    QCOMPARE(uri.path(), u"support@qelvo.example"_s);
    const QUrlQuery query(uri);
    QCOMPARE(query.queryItemValue(u"subject"_s, QUrl::FullyDecoded),
             u"我要对["_s + AppInfo::title() + u"]提建议"_s);
    const QString body = query.queryItemValue(u"body"_s, QUrl::FullyDecoded);
    QVERIFY(body.startsWith(u"软件名称："_s + AppInfo::title() + u" 姓名：          "_s));
    QVERIFY(body.contains(u" Email：           "_s));
    QVERIFY(body.contains(u" 日期："_s
                          + QLocale::system().toString(QDate(2026, 12, 10), QLocale::ShortFormat)));
    QVERIFY(!uri.toEncoded().contains(' ')); // every blank is percent-encoded

    TestContext ctx;
    SendSuggestion(ctx.shell, ctx.services.config);
    QCOMPARE(ctx.shell.calls.size(), 1);
    QVERIFY(ctx.shell.calls.first().startsWith(u"openUrl mailto:"_s));
}

void TestWindowHelpers::openInBrowserFallsBack()
{
    TestContext ctx;
    OpenInBrowser(ctx.shell, u"http://127.0.0.1:1/maker/"_s, true);
    QCOMPARE(ctx.shell.calls,
             QStringList{u"openUrlInNewBrowserWindow http://127.0.0.1:1/maker/"_s});
    ctx.shell.calls.clear();
    ctx.shell.result = false; // the default handler fails: a browser window is tried
    OpenInBrowser(ctx.shell, u"http://127.0.0.1:1/maker/"_s, false);
    QCOMPARE(ctx.shell.calls,
             (QStringList{u"openUrl http://127.0.0.1:1/maker/"_s,
                          u"openUrlInNewBrowserWindow http://127.0.0.1:1/maker/"_s}));
}

ZORV_TEST_MAIN(TestWindowHelpers)
#include "tst_windowhelpers.moc"
