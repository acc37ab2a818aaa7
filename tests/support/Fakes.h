#pragma once

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace zorvtest {

// A clock the test moves by hand.
class FakeClock final : public Clock {
public:
    double seconds() const override { return m_seconds; }
    double timeOfDay() const override { return m_timeOfDay; }
    void advance(double s)
    {
        m_seconds += s;
        m_timeOfDay += s;
        while (m_timeOfDay >= 86400.0) {
            m_timeOfDay -= 86400.0;
        }
    }
    void setTimeOfDay(double s) { m_timeOfDay = s; }

private:
    double m_seconds = 1000.0;
    double m_timeOfDay = 36000.0;
};

// Runs the real pending events and moves a fake clock forward on every pump (by
// stepSeconds) and every wait (by the time waited), so a 120-second wait passes in
// milliseconds of real time.
class FakeEventPump final : public EventPump {
public:
    explicit FakeEventPump(FakeClock* clock = nullptr, double stepSeconds = 0.0)
        : m_clock(clock)
        , m_step(stepSeconds)
    {
    }
    void pump() override;
    void wait(int maxMilliseconds) override;
    void setStep(double seconds) { m_step = seconds; }
    // Called on every pump and wait, after the events ran.
    std::function<void()> onPump;
    int pumps = 0;

private:
    FakeClock* m_clock;
    double m_step;
};

// Records every box; answers questions and inputs from scripted queues.
class RecordingPrompter final : public Prompter {
public:
    struct Box {
        enum class Kind { Message, Question, Input } kind;
        QString text;
        Icon icon = Icon::None;
    };
    void message(const QString& text, Icon icon, QWidget* owner = nullptr) override;
    bool question(const QString& text, Icon icon, QWidget* owner = nullptr) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText = QString(),
                                 QWidget* owner = nullptr) override;

    QStringList messages() const;
    QQueue<bool> questionAnswers; // default answer: yes
    QQueue<std::optional<QString>> inputAnswers; // default answer: cancel
    QList<Box> boxes;
};

// Records every desktop request and answers with the configured results.
class RecordingShell final : public Shell {
public:
    bool openUrl(const QUrl& url) override;
    bool openUrlInNewBrowserWindow(const QUrl& url) override;
    bool openPath(const QString& path) override;
    bool selectInFolder(const QString& path) override;
    bool openInTextEditor(const QString& path) override;
    std::optional<QString> browseForFolder(QWidget* owner, const QString& startFolder,
                                           const QString& title) override;

    QStringList calls; // "openUrl <url>", "openPath <path>", ...
    bool result = true;
    QQueue<std::optional<QString>> folderAnswers; // default answer: cancel
    QStringList folderStarts;
};

} // namespace zorvtest
