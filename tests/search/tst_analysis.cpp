#include "TestContext.h"
#include "TestMain.h"
#include "download/DownloadList.h"
#include "download/DownloadListHost.h"
#include "platform/Browser.h"
#include "platform/MemoryDocument.h"
#include "search/ArticleListCommands.h"
#include "search/EntryAnalysis.h"
#include "search/HandOff.h"
#include "search/SearchSession.h"

#include <QFile>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

const QString kSite = u"http://127.0.0.1:8765"_s;
const QString kPage = kSite + u"/search/results?q=bone"_s;

class FakeDownloadWindow final : public DownloadListHost {
public:
    DownloadList& downloadList() override { return list; }
    void showForHandOff() override { ++shown; }
    DownloadList list;
    int shown = 0;
};

// What the progress panel and the status bar were told, in order.
class RecordingView final : public AnalysisView {
public:
    void showProgressPanel(const QString& text) override
    {
        panelVisible = true;
        texts << text;
    }
    void showProgress(const QString& text) override { texts << text; }
    void hideProgressPanel() override { panelVisible = false; }
    void showSummary(const QString& text) override { summary = text; }
    QStringList texts;
    bool panelVisible = false;
    QString summary;
};

// The article list of a search session with the analysis, the list commands and a download
// window to hand entries to.
struct AnalysisRig {
    AnalysisRig()
        : session(ctx.services, browser)
        , analysis(session, ctx.services, view, [this] { return hasWindow ? &window : nullptr; })
        , commands(session, ctx.prompter)
    {
        ctx.shared.PromptSavePath = 1;
        ctx.shared.SaveFolder = u"/tmp/chosen/"_s;
        session.showSaveFolderChooser = [this] {
            ++choosers;
            ctx.shared.SaveFolderCancelled = cancelChooser;
        };
    }

    // Adds an entry; status as given.
    void add(const QString& title, const QString& path, const QString& type = u"USA"_s,
             const QString& status = QString(), const QString& folder = u"/tmp/page/"_s)
    {
        ArticleList& list = session.articles();
        list.加入LV1(title, kSite + path, kPage, u"pdf"_s, folder, type);
        if (!status.isEmpty()) {
            list.setAnalysisStatus(list.count() - 1, status);
        }
    }
    void addTitles(const QStringList& titles)
    {
        for (int i = 0; i < titles.size(); ++i) {
            add(titles.at(i), u"/content/1/1/%1"_s.arg(i + 1));
        }
    }
    QStringList statuses()
    {
        QStringList found;
        for (const ArticleEntry& entry : session.articles().entries()) {
            found << entry.analysisStatus;
        }
        return found;
    }
    QStringList titles()
    {
        QStringList found;
        for (const ArticleEntry& entry : session.articles().entries()) {
            found << entry.title;
        }
        return found;
    }
    QString key(int row) { return session.articles().entry(row).key; }

    TestContext ctx;
    NullBrowser browser;
    SearchSession session;
    RecordingView view;
    FakeDownloadWindow window;
    bool hasWindow = true;
    EntryAnalysis analysis;
    ArticleListCommands commands;
    int choosers = 0;
    bool cancelChooser = false;
};

const QString kOk = u"成功"_s;
const QString kFailed = u"分析失败"_s;

} // namespace

class TestAnalysis : public QObject {
    Q_OBJECT
private slots:
    void pdfLinks_data();
    void pdfLinks();
    void handOffNamesAndFolders_data();
    void handOffNamesAndFolders();
    void samePdfFromTwoEntriesIsOneItem();
    void commandsTakeTheirRows_data();
    void commandsTakeTheirRows();
    void everyRowIsShownAndTheWindowComesForward();
    void analyseFailedTwice();
    void stopKeepsTheLaterRows();
    void chooser_data();
    void chooser();
    void emptyListReportsNothing();
    void noDownloadWindowIsNoSuccess();

    void clearTitles_data();
    void clearTitles();
    void clearSelectedAndSucceeded();
    void clearAllAsksFirst();
    void clearCommandsRefuseDuringAnalysis();
    void exportWritesOneLinePerRow();
    void exportFailureSaysNothing();
    void savedMessage_data();
    void savedMessage();
};

void TestAnalysis::pdfLinks_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("url"); // empty: no PDF
    QTest::addColumn<QString>("referer");
    const QString a = kSite + u"/content/94/1/1"_s;
    QTest::newRow("article") << u"USA"_s << a << a + u".full.pdf"_s << a;
    QTest::newRow("already a pdf") << u"USA"_s << a + u".PDF"_s << a + u".PDF"_s << kPage;
    QTest::newRow("toc entry") << u"ENG"_s << a + u".full.pdf+HTML"_s << a + u".full.pdf"_s
                               << a + u".full.pdf+HTML"_s;
    QTest::newRow("toc entry without +html")
        << u"ENG"_s << a + u".full.pdf"_s << QString() << QString();
    QTest::newRow("other type") << u"usa"_s << a << QString() << QString();
}

void TestAnalysis::pdfLinks()
{
    QFETCH(QString, type);
    QFETCH(QString, key);
    QFETCH(QString, url);
    QFETCH(QString, referer);
    const ArticleEntry entry{key, u"T"_s, u"pdf"_s, QString(), QString(), type, kPage};
    const std::optional<PdfLink> link = PdfLinkOf(entry);
    QCOMPARE(link.has_value(), !url.isEmpty());
    if (link) {
        QCOMPARE(link->url, url);
        QCOMPARE(link->referringUrl, referer);
    }
}

void TestAnalysis::handOffNamesAndFolders_data()
{
    QTest::addColumn<bool>("nameFromUrl");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("savedIn");
    QTest::newRow("title, line breaks out")
        << false << u" Bone\r\n graft: a <review>?\n "_s << u"/tmp/a/"_s << u"Bone graft a review"_s
        << u"/tmp/a/"_s;
    QTest::newRow("name from the url")
        << true << u"Bone graft"_s << u"/tmp/a/"_s << u"1.full"_s << u"/tmp/a/"_s;
    QTest::newRow("nothing left of the title")
        << false << u" ?*: "_s << u"/tmp/a/"_s << u"1.full"_s << u"/tmp/a/"_s;
    QTest::newRow("no folder: the save folder")
        << false << u"Bone"_s << QString() << u"Bone"_s << u"/tmp/save/"_s;
}

void TestAnalysis::handOffNamesAndFolders()
{
    QFETCH(bool, nameFromUrl);
    QFETCH(QString, title);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, savedIn);
    TestContext ctx;
    ctx.shared.NameFromUrl = nameFromUrl;
    ctx.shared.SaveFolder = u"/tmp/save/"_s;
    DownloadList list;
    const QString url = kSite + u"/content/94/1/1.full.pdf"_s;
    QVERIFY(加入下载列表(list, ctx.shared, url, title, u"pdf"_s, folder, u"ref"_s));
    QCOMPARE(list.rowCount(), 1);
    const DownloadItem item = list.at(0);
    QCOMPARE(item.key, url);
    QCOMPARE(item.text, name);
    QCOMPARE(item.type, u"pdf"_s);
    QCOMPARE(item.folder, savedIn);
    QCOMPARE(item.tag, u"ref"_s);
    QCOMPARE(item.state, DownloadState::Waiting);
    QVERIFY(item.size.isEmpty() && item.downloaded.isEmpty() && item.percentage.isEmpty());
}

void TestAnalysis::samePdfFromTwoEntriesIsOneItem()
{
    AnalysisRig rig;
    rig.add(u"First"_s, u"/content/94/1/1"_s);
    rig.add(u"Second"_s, u"/content/94/1/1.full.pdf"_s, u"USA"_s, QString(), u"/tmp/other/"_s);
    QCOMPARE(rig.analysis.AnalyseAll(), 2);
    QCOMPARE(rig.statuses(), (QStringList{kOk, kOk}));
    QCOMPARE(rig.window.list.rowCount(), 1);
    QCOMPARE(rig.window.list.at(0).text, u"First"_s);
    QCOMPARE(rig.window.list.at(0).folder, u"/tmp/page/"_s);
    QCOMPARE(rig.window.list.at(0).tag, rig.key(0)); // the article page, not the result page
}

void TestAnalysis::commandsTakeTheirRows_data()
{
    QTest::addColumn<int>("selection");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<int>("succeeded");
    QTest::addColumn<QStringList>("handed"); // download item names, in order
    // Rows: A (new), B (ENG without +html, failed before), C (done before), D (ENG, new);
    // C is the selected row.
    QTest::newRow("unanalysed") << int(AnalysisSelection::Unanalysed)
                                << QStringList{kOk, kFailed, kOk, kOk} << 2
                                << QStringList{u"A"_s, u"D"_s};
    QTest::newRow("failed") << int(AnalysisSelection::Failed)
                            << QStringList{QString(), kFailed, kOk, QString()} << 0
                            << QStringList{};
    QTest::newRow("selected") << int(AnalysisSelection::Selected)
                              << QStringList{QString(), kFailed, kOk, QString()} << 1
                              << QStringList{u"C"_s};
    QTest::newRow("all") << int(AnalysisSelection::All) << QStringList{kOk, kFailed, kOk, kOk} << 3
                         << QStringList{u"A"_s, u"C"_s, u"D"_s};
}

void TestAnalysis::commandsTakeTheirRows()
{
    QFETCH(int, selection);
    QFETCH(QStringList, statuses);
    QFETCH(int, succeeded);
    QFETCH(QStringList, handed);
    AnalysisRig rig;
    rig.add(u"A"_s, u"/content/94/1/1"_s);
    rig.add(u"B"_s, u"/content/93/4/1.full.pdf"_s, u"ENG"_s, kFailed);
    rig.add(u"C"_s, u"/content/94/1/3"_s, u"USA"_s, kOk);
    rig.add(u"D"_s, u"/content/93/4/2.full.pdf+html"_s, u"ENG"_s);
    const QSet<QString> selected{rig.key(2)};
    QCOMPARE(rig.analysis.run(AnalysisSelection(selection), selected), succeeded);
    QCOMPARE(rig.statuses(), statuses);
    QStringList names;
    for (int row = 0; row < rig.window.list.rowCount(); ++row) {
        names << rig.window.list.at(row).text;
    }
    QCOMPARE(names, handed);
    QCOMPARE(rig.view.summary, u"本次分析成功：%1条"_s.arg(succeeded));
}

void TestAnalysis::everyRowIsShownAndTheWindowComesForward()
{
    AnalysisRig rig;
    rig.add(u"Bone graft"_s, u"/content/94/1/1"_s, u"USA"_s, kOk);
    rig.add(u"Osteobone"_s, u"/content/94/1/2"_s);
    bool runningSeen = false;
    rig.ctx.pump.onPump = [&] {
        runningSeen = runningSeen || (!rig.session.StopAnalysis && rig.view.panelVisible);
    };
    QCOMPARE(rig.analysis.AnalyseUnanalysed(), 1);
    QVERIFY(runningSeen);
    // The row that is not taken is shown too.
    QCOMPARE(rig.view.texts,
             (QStringList{u"正在分析,请稍候..."_s, u"正在分析第1/2条记录：Bone graft"_s,
                          u"正在分析第2/2条记录：Osteobone"_s}));
    QVERIFY(!rig.view.panelVisible);
    QVERIFY(rig.session.StopAnalysis);
    QCOMPARE(rig.window.shown, 1);
    QCOMPARE(rig.choosers, 0); // the entries carry the folder chosen when they were added
}

void TestAnalysis::analyseFailedTwice()
{
    AnalysisRig rig;
    rig.add(u"A"_s, u"/content/94/1/1"_s, u"USA"_s, kFailed); // failed while nothing took it
    rig.add(u"B"_s, u"/content/94/1/2"_s, u"USA"_s, kOk);
    QCOMPARE(rig.analysis.AnalyseFailed(), 1);
    QCOMPARE(rig.statuses(), (QStringList{kOk, kOk}));
    rig.window.list.clear();
    QCOMPARE(rig.analysis.AnalyseFailed(), 0);
    QCOMPARE(rig.statuses(), (QStringList{kOk, kOk}));
    QCOMPARE(rig.window.list.rowCount(), 0);
    QCOMPARE(rig.view.summary, u"本次分析成功：0条"_s);
}

void TestAnalysis::stopKeepsTheLaterRows()
{
    AnalysisRig rig;
    rig.add(u"A"_s, u"/content/94/1/1"_s, u"USA"_s, kFailed);
    rig.add(u"B"_s, u"/content/94/1/2"_s, u"USA"_s, kFailed);
    rig.add(u"C"_s, u"/content/93/4/1.full.pdf"_s, u"ENG"_s, kOk);
    rig.ctx.pump.onPump = [&] {
        if (rig.statuses().constFirst() == kOk) {
            rig.session.StopAnalysis = true; // Stop, pressed while row A was analysed
        }
    };
    QCOMPARE(rig.analysis.AnalyseAll(), 1);
    QCOMPARE(rig.statuses(), (QStringList{kOk, kFailed, kOk}));
    QCOMPARE(rig.window.list.rowCount(), 1);
    QCOMPARE(rig.view.summary, u"本次分析成功：1条"_s);
    QVERIFY(rig.session.StopAnalysis);
    QCOMPARE(rig.window.shown, 1);
}

void TestAnalysis::chooser_data()
{
    QTest::addColumn<int>("promptSavePath");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("choosers");
    QTest::addColumn<int>("succeeded");
    QTest::newRow("chosen when adding") << 1 << true << 0 << 1;
    QTest::newRow("chosen now") << 0 << false << 1 << 1;
    QTest::newRow("chooser cancelled") << 0 << true << 1 << 0;
}

void TestAnalysis::chooser()
{
    QFETCH(int, promptSavePath);
    QFETCH(bool, cancel);
    QFETCH(int, choosers);
    QFETCH(int, succeeded);
    AnalysisRig rig;
    rig.ctx.shared.PromptSavePath = qint16(promptSavePath);
    rig.ctx.shared.SaveFolderCancelled = true; // an earlier cancel
    rig.cancelChooser = cancel;
    rig.add(u"A"_s, u"/content/94/1/1"_s, u"USA"_s, kFailed, QString());
    QCOMPARE(rig.analysis.AnalyseAll(), succeeded);
    QCOMPARE(rig.choosers, choosers);
    QCOMPARE(rig.statuses(), QStringList{succeeded ? kOk : kFailed}); // a cancel touches nothing
    QCOMPARE(rig.view.summary, u"本次分析成功：%1条"_s.arg(succeeded));
    QCOMPARE(rig.window.shown, 1);
    if (succeeded) {
        QCOMPARE(rig.window.list.at(0).folder, u"/tmp/chosen/"_s);
    }
}

void TestAnalysis::emptyListReportsNothing()
{
    AnalysisRig rig;
    rig.ctx.shared.PromptSavePath = 0;
    QCOMPARE(rig.analysis.AnalyseAll(), 0);
    QCOMPARE(rig.choosers, 0);
    QCOMPARE(rig.view.texts, QStringList{u"正在分析,请稍候..."_s});
    QVERIFY(!rig.view.panelVisible);
    QCOMPARE(rig.view.summary, u"本次分析成功：0条"_s);
    QCOMPARE(rig.window.shown, 1);
}

void TestAnalysis::noDownloadWindowIsNoSuccess()
{
    AnalysisRig rig;
    rig.hasWindow = false;
    rig.add(u"A"_s, u"/content/94/1/1"_s);
    QCOMPARE(rig.analysis.AnalyseAll(), 0);
    QCOMPARE(rig.statuses(), QStringList{kFailed});
}

void TestAnalysis::clearTitles_data()
{
    QTest::addColumn<bool>("containing");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QStringList>("kept");
    const QStringList three{u"Bone Graft"_s, u"Graft"_s, u"Osteobone"_s};
    QTest::newRow("contains") << true << three << std::optional<QString>(u"bone"_s)
                              << QStringList{u"Graft"_s};
    QTest::newRow("does not contain") << false << three << std::optional<QString>(u"bone"_s)
                                      << QStringList{u"Bone Graft"_s, u"Osteobone"_s};
    QTest::newRow("adjacent matches")
        << true << QStringList{u"Graft"_s, u"BONE a"_s, u"b bone"_s, u"Osteobone"_s, u"x"_s}
        << std::optional<QString>(u"Bone"_s) << QStringList{u"Graft"_s, u"x"_s};
    QTest::newRow("empty answer") << true << three << std::optional<QString>(QString()) << three;
    QTest::newRow("cancel") << false << three << std::optional<QString>() << three;
    QTest::newRow("empty list") << true << QStringList{} << std::optional<QString>(u"bone"_s)
                                << QStringList{};
}

void TestAnalysis::clearTitles()
{
    QFETCH(bool, containing);
    QFETCH(QStringList, titles);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QStringList, kept);
    AnalysisRig rig;
    rig.addTitles(titles);
    rig.ctx.prompter.inputAnswers.enqueue(answer);
    const int removed =
        containing ? rig.commands.ClearTitleContains() : rig.commands.ClearTitleNotContains();
    QCOMPARE(rig.ctx.prompter.messages(), QStringList{u"请输入指定字符："_s});
    QCOMPARE(rig.titles(), kept);
    QCOMPARE(removed, titles.size() - kept.size());
    for (int row = 0; row < kept.size(); ++row) {
        QCOMPARE(rig.session.articles().rowOfKey(rig.key(row)), row);
    }
}

void TestAnalysis::clearSelectedAndSucceeded()
{
    AnalysisRig rig;
    rig.addTitles({u"A"_s, u"B"_s, u"C"_s, u"D"_s});
    rig.session.articles().setAnalysisStatus(0, kOk);
    rig.session.articles().setAnalysisStatus(2, kFailed);
    rig.session.articles().setAnalysisStatus(3, kOk);
    QCOMPARE(rig.commands.ClearSucceeded(), 2);
    QCOMPARE(rig.titles(), (QStringList{u"B"_s, u"C"_s}));
    QCOMPARE(rig.commands.ClearSelected({rig.key(1)}), 1);
    QCOMPARE(rig.titles(), QStringList{u"B"_s});
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());
}

void TestAnalysis::clearAllAsksFirst()
{
    AnalysisRig rig;
    rig.addTitles({u"A"_s, u"B"_s});
    rig.ctx.prompter.questionAnswers << false << true;
    QCOMPARE(rig.commands.ClearAll(), 0);
    QCOMPARE(rig.titles(), (QStringList{u"A"_s, u"B"_s}));
    QCOMPARE(rig.commands.ClearAll(), 2);
    QCOMPARE(rig.session.articles().count(), 0);
    QCOMPARE(rig.ctx.prompter.boxes.size(), 2);
    QCOMPARE(rig.ctx.prompter.boxes.at(0).text, u"您确定要清空辛辛苦苦搜索的列表数据吗？"_s);
    QCOMPARE(rig.ctx.prompter.boxes.at(0).icon, Prompter::Icon::Question);
}

void TestAnalysis::clearCommandsRefuseDuringAnalysis()
{
    AnalysisRig rig;
    rig.addTitles({u"bone"_s, u"B"_s});
    rig.session.articles().setAnalysisStatus(0, kOk);
    rig.session.StopAnalysis = false;
    rig.commands.ClearSelected({rig.key(0), rig.key(1)});
    rig.commands.ClearSucceeded();
    rig.commands.ClearTitleContains();
    rig.commands.ClearTitleNotContains();
    rig.commands.ClearAll();
    QCOMPARE(rig.session.articles().count(), 2);
    QCOMPARE(rig.ctx.prompter.messages(), QStringList(5, u"正在分析，不能清除！"_s));
    for (const RecordingPrompter::Box& box : rig.ctx.prompter.boxes) {
        QCOMPARE(box.icon, Prompter::Icon::Critical);
    }
}

void TestAnalysis::exportWritesOneLinePerRow()
{
    AnalysisRig rig;
    rig.addTitles({u"Bone graft"_s, u"骨移植"_s, u"C"_s});
    rig.session.articles().setAnalysisStatus(0, kOk);
    rig.session.articles().setAnalysisStatus(2, kFailed);
    const QString path = rig.ctx.path(u"export.txt"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x')); // replaced, not written over
    old.close();
    QVERIFY(rig.commands.exportTo(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected =
        u"Bone graft-【pdf】成功\r\n骨移植-【pdf】\r\nC-【pdf】分析失败\r\n"_s.toUtf8();
    QCOMPARE(file.readAll(), expected);
    QCOMPARE(rig.ctx.prompter.messages(), QStringList{u"保存文件完毕：0.1KB"_s});
    QCOMPARE(rig.ctx.prompter.boxes.at(0).icon, Prompter::Icon::Information);
}

void TestAnalysis::exportFailureSaysNothing()
{
    AnalysisRig rig;
    rig.addTitles({u"A"_s});
    QVERIFY(!rig.commands.exportTo(rig.ctx.path(u"no/such/folder/export.txt"_s)));
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());
}

void TestAnalysis::savedMessage_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << qint64(0) << u"保存文件完毕：0.0KB"_s;
    QTest::newRow("one and a half") << qint64(1536) << u"保存文件完毕：1.5KB"_s;
    QTest::newRow("thousands") << qint64(1234 * 1024 + 512) << u"保存文件完毕：1,234.5KB"_s;
}

void TestAnalysis::savedMessage()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, message);
    QCOMPARE(ArticleListCommands::savedMessage(bytes), message);
}

ZORV_TEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
