// Transfer method 2 on large files from one server: six files at six threads against
// "aria2c -j6" in turns (throughput ratio, and the largest delay of a 10 ms timer while the six
// transfers run), or one very large file alone (peak memory of this process).

#include "BenchSupport.h"
#include "app/SharedSettings.h"
#include "download/DownloadList.h"
#include "download/DownloadScheduler.h"
#include "download/Method2Slots.h"
#include "net/Inet.h"
#include "platform/IniSettingsStore.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

using namespace bench;

// The files fetched through the scheduler and the method-2 slots as the download window runs
// them: the start, then the scheduler and supervisor ticks every second, while a 10 ms timer
// measures how late the event loop serves it.
bool runMethod2(const QStringList& urls, const QString& folder, Figures& figures)
{
    QTemporaryDir settingsDir;
    SystemClock clock;
    QtEventPump pump;
    QuietPrompter prompter;
    IniSettingsStore store(settingsDir.path());
    SharedSettings shared(store);
    shared.DownloadMethod = 2;
    QNetworkAccessManager network;
    Inet inet(network, clock, pump);
    DownloadList list;
    DownloadScheduler scheduler(list, inet, shared, clock, pump, prompter);
    Method2Slots transfers(scheduler, network);
    scheduler.setMethod2(&transfers);
    scheduler.setThreadCount(qMin<int>(urls.size(), Method2Slots::kMaxThreads));
    scheduler.setSameNameOption(SameNameOption::Overwrite);
    for (int i = 0; i < urls.size(); ++i) {
        list.addItem(urls.at(i), u"method2-%1"_s.arg(i + 1), u"bin"_s, folder, QString());
    }
    while (clock.seconds() - scheduler.LastDoneTime() <= 0) {
        pump.pump();
    }

    QEventLoop loop;
    QTimer schedulerTimer;
    QTimer supervisorTimer;
    QObject::connect(&schedulerTimer, &QTimer::timeout, &scheduler,
                     [&] { scheduler.schedulerTick(); });
    QObject::connect(&supervisorTimer, &QTimer::timeout, &scheduler,
                     [&] { scheduler.supervisorTick(); });
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceProbe;
    qint64 largestDelayNs = 0;
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        largestDelayNs = qMax(largestDelayNs, sinceProbe.nsecsElapsed() - 10'000'000);
        sinceProbe.start();
        if (list.检测是否下载列表完毕()) {
            loop.quit();
        }
    });

    const rusage before = usageOf(RUSAGE_SELF);
    QElapsedTimer wall;
    wall.start();
    scheduler.startDownloading();
    scheduler.schedulerTick(); // the start button's first tick fills the slots
    schedulerTimer.start(1000);
    supervisorTimer.start(1000);
    sinceProbe.start();
    probe.start(10);
    loop.exec();
    figures.seconds = wall.nsecsElapsed() / 1e9;
    const rusage after = usageOf(RUSAGE_SELF);

    figures.cpuSeconds = cpuSecondsOf(after) - cpuSecondsOf(before);
    figures.peakMegabytes = after.ru_maxrss / 1024.0;
    figures.largestTimerDelayMs = largestDelayNs / 1e6;
    figures.bytes = 0;
    bool ok = true;
    for (const QString& url : urls) {
        const DownloadItem item = list.item(url);
        const QString path = DownloadList::targetPath(item);
        figures.bytes += QFileInfo(path).size();
        if (item.state != DownloadState::Completed) {
            std::fprintf(stderr, "method 2 failed on %s\n", qPrintable(url));
            ok = false;
        }
        QFile::remove(path);
    }
    return ok;
}

bool runAria2(const QStringList& urls, const QString& folder, Figures& figures)
{
    const QString list = folder + u"aria2.urls"_s;
    {
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly)) {
            return false;
        }
        for (int i = 0; i < urls.size(); ++i) {
            file.write(urls.at(i).toUtf8() + "\n  out=aria2-" + QByteArray::number(i + 1)
                       + ".bin\n");
        }
    }
    const bool ok =
        runPeer(u"aria2c"_s,
                {u"-q"_s, u"-j"_s, QString::number(urls.size()), u"--allow-overwrite=true"_s,
                 u"--auto-file-renaming=false"_s, u"-d"_s, folder, u"-i"_s, list},
                folder, figures);
    figures.bytes = 0;
    for (int i = 0; i < urls.size(); ++i) {
        const QString path = folder + u"aria2-%1.bin"_s.arg(i + 1);
        figures.bytes += QFileInfo(path).size();
        QFile::remove(path);
    }
    QFile::remove(list);
    return ok;
}

int runSix(const QStringList& urls, const QString& folder, int rounds)
{
    Figures bestMethod2;
    Figures bestAria2;
    double worstDelay = 0;
    for (int round = 0; round < rounds; ++round) {
        Figures method2;
        Figures aria2;
        if (!runMethod2(urls, folder, method2) || !runAria2(urls, folder, aria2)) {
            return 1;
        }
        worstDelay = qMax(worstDelay, method2.largestTimerDelayMs);
        print("method 2", method2);
        print("aria2c", aria2);
        keepBest(bestMethod2, method2);
        keepBest(bestAria2, aria2);
    }
    std::printf("\nbest of %d:\n", rounds);
    print("method 2", bestMethod2);
    print("aria2c", bestAria2);
    std::printf("throughput ratio method 2 / aria2c -j%lld: %.2f (goal >= 0.80)\n",
                static_cast<long long>(urls.size()),
                bestMethod2.mebibytesPerSecond() / bestAria2.mebibytesPerSecond());
    std::printf("largest delay of a 10 ms timer during the transfers, all rounds: %.1f ms "
                "(goal <= 50 ms)\n",
                worstDelay);
    return 0;
}

int runBig(const QString& url, const QString& folder)
{
    Figures big;
    if (!runMethod2(QStringList{url}, folder, big)) {
        return 1;
    }
    print("method 2", big);
    std::printf("peak memory of method 2 for one file of %lld bytes: %.1f MB (goal < 150 MB)\n",
                static_cast<long long>(big.bytes), big.peakMegabytes);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Method-2 transfers against aria2c"_s);
    parser.addHelpOption();
    const QCommandLineOption modeOption(
        u"mode"_s, u"six: the files against aria2c; big: one file alone (peak memory)."_s,
        u"mode"_s, u"six"_s);
    const QCommandLineOption urlOption(u"url"_s, u"A file to fetch (repeat for several)."_s,
                                       u"url"_s);
    const QCommandLineOption folderOption(u"folder"_s, u"Where the copies go."_s, u"folder"_s);
    const QCommandLineOption roundsOption(u"rounds"_s, u"Turns of each (best counts)."_s, u"n"_s,
                                          u"2"_s);
    parser.addOptions({modeOption, urlOption, folderOption, roundsOption});
    parser.process(application);
    const QStringList urls = parser.values(urlOption);
    if (urls.isEmpty() || parser.value(folderOption).isEmpty()) {
        parser.showHelp(2);
    }
    const QString folder = preparedFolder(parser.value(folderOption));
    if (parser.value(modeOption) == u"big"_s) {
        return runBig(urls.first(), folder);
    }
    return runSix(urls, folder, qMax(1, parser.value(roundsOption).toInt()));
}
