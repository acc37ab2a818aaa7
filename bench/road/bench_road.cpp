// The road through the program's own windows: a search for N articles on the sample site, all
// its result pages added, analysed and downloaded with method 1; then the analysis of a large
// list alone. Peers: curl fetching the same PDFs one after another, and the analysis without
// any window.

#include "Fakes.h"
#include "ProgramRig.h"
#include "SampleSite.h"
#include "TestContext.h"
#include "app/AppServices.h"
#include "app/SettingKeys.h"
#include "app/SharedSettings.h"
#include "download/DownloadList.h"
#include "download/DownloadListHost.h"
#include "download/DownloadScheduler.h"
#include "download/fFileDownload.h"
#include "platform/BrowserProfile.h"
#include "platform/MemoryDocument.h"
#include "platform/ProcessSetup.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"
#include "platform/WebEngineBrowser.h"
#include "program/ProgramWindows.h"
#include "search/ArticleList.h"
#include "search/EntryAnalysis.h"
#include "search/SearchSession.h"
#include "search/fWebSearch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

using zorvtest::loadPage;
using zorvtest::waitUntil;

int intOption(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    bool ok = false;
    const int value = at >= 0 ? arguments.value(at + 1).toInt(&ok) : 0;
    return ok && value >= 0 ? value : fallback;
}

double seconds(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e9; }

// curl fetching the URLs one after another into folder; seconds, or -1.
double curlSeconds(const QStringList& urls, const QString& folder)
{
    QStringList arguments{u"-s"_s, u"--fail"_s};
    for (int i = 0; i < urls.size(); ++i) {
        arguments << u"-o"_s << folder + u"/%1.pdf"_s.arg(i) << urls.at(i);
    }
    QDir().mkpath(folder);
    QProcess curl;
    QElapsedTimer timer;
    timer.start();
    curl.start(u"curl"_s, arguments);
    if (!curl.waitForStarted(10000)) {
        return -1;
    }
    // The sample site answers from this process's event loop.
    waitUntil([&] { return curl.state() == QProcess::NotRunning; }, 600000);
    const double elapsed = seconds(timer);
    return curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0 ? elapsed : -1;
}

// The road for a search of count articles; false when a step did not come through.
bool road(BrowserProfile& profile, sample::SampleSite& site, int count, int tickMs)
{
    zorvtest::ProgramRig p(profile, site, zorvtest::ProgramRig::Time::Real);
    p.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::downloadMethod(), u"1"_s);
    p.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"1"_s);
    fWebSearch* w = p.openSearch();
    if (!w) {
        std::fprintf(stderr, "bench_road: the search window did not open the home page\n");
        return false;
    }
    const int pageSize = 50;
    const QString results =
        site.urlText(u"/search/results?q=bone&size=%1&count=%2"_s.arg(pageSize).arg(count));
    if (!loadPage(w->browser(), results)) {
        std::fprintf(stderr, "bench_road: the result page did not load\n");
        return false;
    }
    QElapsedTimer total;
    total.start();
    QElapsedTimer step;
    step.start();
    w->Command4->click(); // every result page
    const double crawl = seconds(step);
    step.restart();
    w->Command2->click(); // no row selected: every row
    const double analysis = seconds(step);
    fFileDownload* d = p.download();
    if (!d || d->downloadList().rowCount() != count || w->session().articles().count() != count) {
        std::fprintf(stderr, "bench_road: %d articles, %d download items of %d\n",
                     w->session().articles().count(), d ? d->downloadList().rowCount() : 0, count);
        return false;
    }
    QStringList urls = d->downloadList().keys();
    step.restart();
    d->Timer_Down->setInterval(tickMs);
    d->Timer1->setInterval(qMax(1, tickMs));
    d->Command4->click(); // "开始下载", interval 0
    DownloadList& list = d->downloadList();
    const bool done = waitUntil(
        [&] {
            return list.countInState(DownloadState::Waiting) == 0
                && list.countInState(DownloadState::Downloading) == 0;
        },
        3600000);
    const double download = seconds(step);
    const double all = seconds(total);
    const int completed = list.countInState(DownloadState::Completed);
    if (!done || completed != count) {
        std::fprintf(stderr, "bench_road: %d of %d items completed\n", completed, count);
        return false;
    }
    const int pages = (count + pageSize - 1) / pageSize;
    const double settle = (pages - 1) * SearchSession::kSettleSeconds;
    const double tickFloor = count * tickMs / 1000.0;
    const double curl = curlSeconds(urls, p.ctx.path(u"curl"_s));

    std::printf("Road for %d articles on %d result pages, method 1, interval 0, tick %d ms\n",
                count, pages, tickMs);
    std::printf("  add all pages  %8.2f s  (the crawl lets each page settle %.0f s: %.1f s)\n",
                crawl, SearchSession::kSettleSeconds, settle);
    std::printf("  analysis       %8.3f s\n", analysis);
    std::printf("  download       %8.2f s  (%d ticks of %d ms: %.1f s)\n", download, count, tickMs,
                tickFloor);
    std::printf("  total          %8.2f s\n", all);
    if (curl >= 0) {
        std::printf("  peer: curl, the same %d PDFs one after another: %.2f s\n", count, curl);
        std::printf("  ratio download / (ticks + curl): %.2f\n", download / (tickFloor + curl));
    } else {
        std::printf("  peer: curl did not run\n");
    }
    std::fflush(stdout);
    return true;
}

class BareView final : public AnalysisView {
public:
    void showProgressPanel(const QString&) override { }
    void showProgress(const QString& text) override { last = text; }
    void hideProgressPanel() override { }
    void showSummary(const QString&) override { }
    QString last;
};

class BareHost final : public DownloadListHost {
public:
    DownloadList& downloadList() override { return list; }
    void showForHandOff() override { }
    DownloadList list;
};

void fill(ArticleList& list, const QString& base, int count)
{
    const ArticleList::Batch batch(list);
    for (int i = 0; i < count; ++i) {
        const QString path = u"/content/99/%1/%2"_s.arg(1 + i / 1000).arg(i + 1);
        // Both kinds of entry: article links, and full-text pages of a table of contents.
        const bool toc = i % 2 == 1;
        list.加入LV1(u"Benchmark article %1"_s.arg(i + 1),
                     base + path + (toc ? u".full.pdf+html"_s : QString()), base + u"/bench"_s,
                     u"pdf"_s, u"/tmp/bench/"_s, toc ? u"ENG"_s : u"USA"_s);
    }
}

// The analysis of count entries in the search window with the download window taking them,
// against the same analysis with no window at all.
bool analysisAlone(BrowserProfile& profile, sample::SampleSite& site, int count)
{
    zorvtest::ProgramRig p(profile, site, zorvtest::ProgramRig::Time::Real);
    p.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::downloadMethod(), u"1"_s);
    p.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"1"_s);
    fWebSearch* w = p.openSearch();
    if (!w) {
        std::fprintf(stderr, "bench_road: the search window did not open the home page\n");
        return false;
    }
    fill(w->session().articles(), site.base(), count);
    QElapsedTimer timer;
    timer.start();
    w->menus.menu分析全部->trigger();
    const double window = seconds(timer);
    fFileDownload* d = p.download();
    const int handed = d ? d->downloadList().rowCount() : 0;

    zorvtest::TestContext ctx;
    QtEventPump pump;
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
    ctx.shared.PromptSavePath = 1;
    NullBrowser browser;
    SearchSession session(services, browser);
    BareView view;
    BareHost host;
    EntryAnalysis bare(session, services, view, [&] { return &host; });
    fill(session.articles(), site.base(), count);
    timer.restart();
    bare.AnalyseAll();
    const double peer = seconds(timer);

    if (handed != count || host.list.rowCount() != count) {
        std::fprintf(stderr, "bench_road: %d and %d items handed over of %d\n", handed,
                     host.list.rowCount(), count);
        return false;
    }
    std::printf("Analysis of %d entries\n", count);
    std::printf("  in the search window, to the download window  %8.3f s  (goal < 10 s: %s)\n",
                window, window < 10.0 ? "met" : "MISSED");
    std::printf("  peer: the same analysis with no window        %8.3f s\n", peer);
    std::printf("  ratio window / peer: %.2f\n", window / peer);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("QT_LOGGING_RULES", "qt.webenginecontext.debug=false;qt.webenginecontext.info=false");
    QStandardPaths::setTestModeEnabled(true);
    prepareWebEngineEnvironment();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = application.arguments();
    const int articles = intOption(arguments, u"--articles"_s, 200);
    const int tickMs = intOption(arguments, u"--tick-ms"_s, 1000);
    const int entries = intOption(arguments, u"--entries"_s, 10000);

    // Removed after the application object, when the browser engine has written its last files.
    static QTemporaryDir folder;
    sample::SampleSite site;
    if (!folder.isValid() || !site.listen()) {
        std::fprintf(stderr, "bench_road: no temporary folder or no free port\n");
        return 1;
    }
    int status = 0;
    {
        BrowserProfile profile(folder.filePath(u"browser"_s));
        if (articles > 0 && !road(profile, site, articles, tickMs)) {
            status = 1;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (entries > 0 && !analysisAlone(profile, site, entries)) {
            status = 1;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
