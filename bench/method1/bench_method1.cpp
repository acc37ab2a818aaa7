// One large file fetched by transfer method 1 and by "curl -o" from the same server, in turns;
// prints throughput, CPU seconds and peak memory of both and the ratio of the throughputs.

#include "app/SharedSettings.h"
#include "download/DownloadList.h"
#include "download/DownloadScheduler.h"
#include "net/Inet.h"
#include "platform/IniSettingsStore.h"
#include "platform/Prompter.h"
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

class QuietPrompter final : public Prompter {
public:
    void message(const QString& text, Icon, QWidget*) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool question(const QString&, Icon, QWidget*) override { return true; }
    std::optional<QString> input(const QString&, const QString&, const QString&, QWidget*) override
    {
        return std::nullopt;
    }
};

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMegabytes = 0;
    qint64 bytes = 0;
    double mebibytesPerSecond() const { return seconds > 0 ? bytes / seconds / 1048576.0 : 0; }
};

double cpuOf(const rusage& usage)
{
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

rusage usageOf(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage;
}

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
    figures.cpuSeconds = cpuOf(after) - cpuOf(before);
    figures.peakMegabytes = after.ru_maxrss / 1024.0;
    QFile::remove(path);
    if (item.state != DownloadState::Completed) {
        std::fprintf(stderr, "method 1 failed: %s\n", qPrintable(item.size));
        return false;
    }
    return true;
}

// curl's own CPU time and peak memory come from /usr/bin/time: the usage of waited-for children
// would count the memory this process had when it forked.
bool runCurl(const QString& url, const QString& folder, Figures& figures)
{
    const QString path = folder + u"curl.bin"_s;
    const QString stats = folder + u"curl.stats"_s;
    const QString timer = u"/usr/bin/time"_s;
    const bool timed = QFileInfo(timer).isExecutable();
    const QStringList curlArguments{u"-s"_s, u"-o"_s, path, url};
    const rusage before = usageOf(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    QProcess curl;
    if (timed) {
        curl.start(timer,
                   QStringList{u"-f"_s, u"%U %S %M"_s, u"-o"_s, stats, u"curl"_s} + curlArguments);
    } else {
        curl.start(u"curl"_s, curlArguments);
    }
    if (!curl.waitForFinished(-1) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed\n");
        return false;
    }
    figures.seconds = wall.nsecsElapsed() / 1e9;
    figures.bytes = QFileInfo(path).size();
    QFile::remove(path);
    if (timed) {
        QFile file(stats);
        if (file.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> fields = file.readAll().trimmed().split(' ');
            if (fields.size() == 3) {
                figures.cpuSeconds = fields.at(0).toDouble() + fields.at(1).toDouble();
                figures.peakMegabytes = fields.at(2).toDouble() / 1024.0;
            }
        }
        QFile::remove(stats);
    } else {
        figures.cpuSeconds = cpuOf(usageOf(RUSAGE_CHILDREN)) - cpuOf(before);
        figures.peakMegabytes = -1; // not measured
    }
    return true;
}

void print(const char* name, const Figures& f)
{
    std::printf("%-10s %9.1f MiB/s  %6.2f s wall  %6.2f s CPU  peak RSS %6.1f MB  (%lld bytes)\n",
                name, f.mebibytesPerSecond(), f.seconds, f.cpuSeconds, f.peakMegabytes,
                static_cast<long long>(f.bytes));
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
    QString folder = parser.value(folderOption);
    if (url.isEmpty() || folder.isEmpty()) {
        parser.showHelp(2);
    }
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    QDir().mkpath(folder);
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
        if (method1.mebibytesPerSecond() > bestMethod1.mebibytesPerSecond()) {
            bestMethod1 = method1;
        }
        if (curl.mebibytesPerSecond() > bestCurl.mebibytesPerSecond()) {
            bestCurl = curl;
        }
    }
    const double ratio = bestMethod1.mebibytesPerSecond() / bestCurl.mebibytesPerSecond();
    std::printf("\nbest of %d:\n", rounds);
    print("method 1", bestMethod1);
    print("curl -o", bestCurl);
    std::printf("throughput ratio method 1 / curl: %.2f (goal >= 0.80)\n", ratio);
    std::printf("peak memory of method 1 over all rounds: %.1f MB (goal < 100 MB)\n", peakMethod1);
    return 0;
}
