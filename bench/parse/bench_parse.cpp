// Reading a result page through the live embedded browser: the page readers against the
// engine's own script doing the same selection inside the page.

#include "SampleSite.h"
#include "platform/BrowserProfile.h"
#include "platform/ProcessSetup.h"
#include "platform/WebEngineBrowser.h"
#include "search/ArticleList.h"
#include "search/PageParsers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The peer: the same class test, trimming and collection of title and address, run by the
// engine inside the page in one script; it returns only how many titles it found.
const QString kPeerScript = uR"JS((function () {
  var found = document.getElementsByTagName('A'), titles = [];
  for (var i = 0; i < found.length; ++i) {
    var a = found[i];
    if (String(a.className).toLowerCase().trim() !== 'highwire-cite-linked-title') continue;
    var title = a.innerText.trim(), href = a.href.trim();
    if (title && href) titles.push([title, href]);
  }
  return titles.length;
})())JS"_s;

bool load(WebEngineBrowser& browser, const QString& url)
{
    QEventLoop loop;
    bool complete = false;
    QObject::connect(&browser, &Browser::documentComplete, &loop, [&](const QString& done) {
        if (QUrl(done) == QUrl(url)) {
            complete = true;
            loop.quit();
        }
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    browser.navigate(url);
    loop.exec();
    return complete;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

int intOption(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    bool ok = false;
    const int value = at >= 0 ? arguments.value(at + 1).toInt(&ok) : 0;
    return ok && value > 0 ? value : fallback;
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
    const QStringList arguments = application.arguments();
    const int runs = intOption(arguments, u"--runs"_s, 5);
    QList<int> sizes;
    for (const QString& size : arguments.value(arguments.indexOf(u"--sizes"_s) + 1).split(u','))
        if (size.toInt() > 0)
            sizes << size.toInt();
    if (!arguments.contains(u"--sizes"_s) || sizes.isEmpty()) {
        sizes = {5000, 20000};
    }

    // Removed after the application object, when the browser engine has written its last files.
    static QTemporaryDir folder;
    sample::SampleSite site;
    if (!folder.isValid() || !site.listen()) {
        std::fprintf(stderr, "bench_parse: no temporary folder or no free port\n");
        return 1;
    }
    int status = 0;
    {
        BrowserProfile profile(folder.filePath(u"browser"_s));
        WebEngineBrowser browser(&profile);
        browser.setSilent(true);
        browser.view()->resize(1024, 768);
        browser.view()->show();

        std::printf("Reading title links through the embedded browser (%d runs each, median)\n",
                    runs);
        std::printf("%8s %12s %12s %14s %12s %8s\n", "anchors", "readers ms", "peer ms",
                    "ms/1000 links", "goal <100", "ratio");
        for (const int size : sizes) {
            const QString url = site.urlText(u"/bench/anchors?n=%1"_s.arg(size));
            if (!load(browser, url)) {
                std::fprintf(stderr, "bench_parse: %s did not load\n", qPrintable(url));
                status = 1;
                break;
            }
            QList<double> ours;
            QList<double> peer;
            for (int run = 0; run <= runs; ++run) { // run 0 warms both up
                ArticleList list;
                QElapsedTimer timer;
                timer.start();
                const std::shared_ptr<Document> document = browser.document();
                const int found = ParseCiteTitles(document.get(), list, QString());
                const double oursMs = timer.nsecsElapsed() / 1e6;
                timer.restart();
                const int peerFound = browser.evaluate(kPeerScript).value_or(QVariant()).toInt();
                const double peerMs = timer.nsecsElapsed() / 1e6;
                if (found != size || list.count() != size || peerFound != size) {
                    std::fprintf(stderr, "bench_parse: found %d (rows %d, peer %d) of %d\n", found,
                                 list.count(), peerFound, size);
                    status = 1;
                }
                if (run > 0) {
                    ours << oursMs;
                    peer << peerMs;
                }
            }
            const double oursMedian = median(ours);
            const double peerMedian = median(peer);
            const double perThousand = oursMedian * 1000.0 / size;
            std::printf("%8d %12.1f %12.1f %14.1f %12s %8.2f\n", size, oursMedian, peerMedian,
                        perThousand, perThousand < 100.0 ? "met" : "MISSED",
                        oursMedian / peerMedian);
            std::fflush(stdout);
        }
        std::printf("ratio: readers / peer (the page's own script, the floor of any reading)\n");
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
