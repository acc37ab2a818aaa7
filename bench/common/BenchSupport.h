#pragma once

#include "platform/Prompter.h"

#include <QString>
#include <QStringList>

#include <sys/resource.h>

namespace bench {

// Boxes go to the console; questions are answered yes, inputs cancelled.
class QuietPrompter final : public Prompter {
public:
    void message(const QString& text, Icon icon, QWidget* owner = nullptr) override;
    bool question(const QString& text, Icon icon, QWidget* owner = nullptr) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText = QString(),
                                 QWidget* owner = nullptr) override;
};

// What one transfer run measured.
struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMegabytes = 0; // -1: not measured
    double largestTimerDelayMs = -1; // -1: not measured
    qint64 bytes = 0;
    double mebibytesPerSecond() const { return seconds > 0 ? bytes / seconds / 1048576.0 : 0; }
};

double cpuSecondsOf(const rusage& usage);
rusage usageOf(int who);

// Runs a peer program to its end and takes its wall time, CPU time and peak memory. The last
// two come from /usr/bin/time when it is there: the usage of waited-for children would count
// the memory this process had when it forked. False when the peer fails.
bool runPeer(const QString& program, const QStringList& arguments, const QString& scratchFolder,
             Figures& figures);

// One line of figures.
void print(const char* name, const Figures& figures);

// The folder option with a trailing "/", created.
QString preparedFolder(QString folder);

// Keeps the better run: the one with the higher throughput.
void keepBest(Figures& best, const Figures& candidate);

} // namespace bench
