// One large file fetched by transfer method 1 and by "curl -o" from the same server, in turns;
// prints throughput, CPU seconds and peak memory of both and the ratio of the throughputs.

#include "BenchSupport.h"
#include "app/SharedSettings.h"
#include "download/DownloadList.h"
#include "download/DownloadScheduler.h"
#include "net/Inet.h"
#include "platform/IniSettingsStore.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

using namespace bench;

bool runMethod1(const QString& url, const QString& folder, Figures& figures)
{
    QTemporaryDir settingsDir;
    SystemClock clock;
    QtEventPump pump;
    QuietPrompter prompter;
    IniSettingsStore store(settingsDir.path());
    SharedSettings shared(store);
    shared.DownloadMethod = 1;
    QNetworkAccessManager network;
    Inet inet(network, clock, pump);
    DownloadList list;
    DownloadScheduler scheduler(list, inet, shared, clock, pump, prompter);
    scheduler.setSameNameOption(SameNameOption::Overwrite);
    list.addItem(url, u"method1"_s, u"bin"_s, folder, QString());
    while (clock.seconds() - scheduler.LastDoneTime() <= 0) {
        pump.pump();
    }

    const rusage before = usageOf(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    scheduler.startDownloading();
    scheduler.schedulerTick(); // the whole transfer runs inside this tick
    figures.seconds = wall.nsecsElapsed() / 1e9;
    const rusage after = usageOf(RUSAGE_SELF);

    const DownloadItem item = list.item(url);
    const QString path = DownloadList::targetPath(item);
    figures.bytes = QFileInfo(path).size();
    figures.cpuSeconds = cpuSecondsOf(after) - cpuSecondsOf(before);
    figures.peakMegabytes = after.ru_maxrss / 1024.0;
    QFile::remove(path);
    if (item.state != DownloadState::Completed) {
        std::fprintf(stderr, "method 1 failed: %s\n", qPrintable(item.size));
        return false;
    }
    return true;
}

bool runCurl(const QString& url, const QString& folder, Figures& figures)
{
    const QString path = folder + u"curl.bin"_s;
    if (!runPeer(u"curl"_s, {u"-s"_s, u"-o"_s, path, url}, folder, figures)) {
        return false;
    }
    figures.bytes = QFileInfo(path).size();
    QFile::remove(path);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Method-1 transfer against curl -o"_s);
    parser.addHelpOption();
    const QCommandLineOption urlOption(u"url"_s, u"The file to fetch."_s, u"url"_s);
    const QCommandLineOption folderOption(u"folder"_s, u"Where the copies go."_s, u"folder"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"Turns of each (best counts)."_s, u"n"_s,
                                          u"2"_s);
    parser.addOptions({urlOption, folderOption, roundsOption});
    parser.process(application);
    const QString url = parser.value(urlOption);
    if (url.isEmpty() || parser.value(folderOption).isEmpty()) {
        parser.showHelp(2);
    }
    const QString folder = preparedFolder(parser.value(folderOption));
    const int rounds = qMax(1, parser.value(roundsOption).toInt());

    Figures bestMethod1;
    Figures bestCurl;
    double peakMethod1 = 0;
    for (int round = 0; round < rounds; ++round) {
        Figures method1;
        Figures curl;
        if (!runMethod1(url, folder, method1) || !runCurl(url, folder, curl)) {
            return 1;
        }
        peakMethod1 = qMax(peakMethod1, method1.peakMegabytes);
        print("method 1", method1);
        print("curl -o", curl);
        keepBest(bestMethod1, method1);
        keepBest(bestCurl, curl);
    }
    const double ratio = bestMethod1.mebibytesPerSecond() / bestCurl.mebibytesPerSecond();
    std::printf("\nbest of %d:\n", rounds);
    print("method 1", bestMethod1);
    print("curl -o", bestCurl);
    std::printf("throughput ratio method 1 / curl: %.2f (goal >= 0.80)\n", ratio);
    std::printf("peak memory of method 1 over all rounds: %.1f MB (goal < 100 MB)\n", peakMethod1);
    return 0;
}
