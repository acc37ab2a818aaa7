#include "BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace bench {

void QuietPrompter::message(const QString& text, Icon, QWidget*)
{
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
}

bool QuietPrompter::question(const QString&, Icon, QWidget*) { return true; }

std::optional<QString> QuietPrompter::input(const QString&, const QString&, const QString&,
                                            QWidget*)
{
    return std::nullopt;
}

double cpuSecondsOf(const rusage& usage)
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

bool runPeer(const QString& program, const QStringList& arguments, const QString& scratchFolder,
             Figures& figures)
{
    const QString stats = scratchFolder + u"peer.stats"_s;
    const QString timer = u"/usr/bin/time"_s;
    const bool timed = QFileInfo(timer).isExecutable();
    const rusage before = usageOf(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    QProcess peer;
    if (timed) {
        peer.start(timer, QStringList{u"-f"_s, u"%U %S %M"_s, u"-o"_s, stats, program} + arguments);
    } else {
        peer.start(program, arguments);
    }
    if (!peer.waitForFinished(-1) || peer.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     peer.readAllStandardError().constData());
        return false;
    }
    figures.seconds = wall.nsecsElapsed() / 1e9;
    figures.cpuSeconds = cpuSecondsOf(usageOf(RUSAGE_CHILDREN)) - cpuSecondsOf(before);
    figures.peakMegabytes = -1;
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
    }
    return true;
}

void print(const char* name, const Figures& f)
{
    std::printf("%-10s %9.1f MiB/s  %6.2f s wall  %6.2f s CPU  peak RSS %6.1f MB", name,
                f.mebibytesPerSecond(), f.seconds, f.cpuSeconds, f.peakMegabytes);
    if (f.largestTimerDelayMs >= 0) {
        std::printf("  timer late by %5.1f ms at most", f.largestTimerDelayMs);
    }
    std::printf("  (%lld bytes)\n", static_cast<long long>(f.bytes));
    std::fflush(stdout);
}

QString preparedFolder(QString folder)
{
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    QDir().mkpath(folder);
    return folder;
}

void keepBest(Figures& best, const Figures& candidate)
{
    if (candidate.mebibytesPerSecond() > best.mebibytesPerSecond()) {
        best = candidate;
    }
}

} // namespace bench
