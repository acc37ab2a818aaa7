#pragma once

#include "download/DownloadList.h"
#include "download/DownloadNaming.h"
#include "download/Method1Transfer.h"

#include <QObject>
#include <QString>

#include <array>

class Clock;
class EventPump;
class Inet;
class Prompter;
class SharedSettings;

// The part of the scheduler that transfer method 2 fills in: slots that download several
// items at once. The scheduler calls it from its ticks and from StopDownload.
class Method2Transfers {
public:
    virtual ~Method2Transfers() = default;
    // Scheduler tick under method 2, after the interval test: start the next waiting items
    // in the free slots (DownloadScheduler::PickItem picks them).
    virtual void fillSlots() = 0;
    // Supervisor tick: fail the slots that never got going.
    virtual void runWatchdog() = 0;
    // Whether any slot from 1 to threadCount is busy (the busy flag under method 2).
    virtual bool anySlotBusy(int threadCount) const = 0;
    // The number of busy slots; CountDownloaders is one more.
    virtual int busySlotCount() const = 0;
    // StopDownload: end every slot.
    virtual void releaseAllSlots() = 0;
};

// The download window's state and its two ticks, without the window: the scheduler tick
// (Timer_Down) starts the next waiting items through the active method, the supervisor tick
// (Timer1) switches the scheduler off when the list is finished, keeps the busy flag and the
// status counts up to date and restarts the scheduler for the automatic options.
//
// The window binds its widgets to it: its QTimers call schedulerTick() and supervisorTick()
// (Timer_Down runs while timerDownChanged says so), its controls set the options, and the
// signals drive the status-bar panels, the running indicator, the start menu item and the
// method label. Every interval is measured on the monotonic clock of the Clock port.
class DownloadScheduler final : public QObject {
    Q_OBJECT
public:
    static constexpr int kSlotCount = 12;
    static constexpr int kMaxInterval = 60;

    // What the automatic re-download puts back into the queue (Combo4).
    enum class RedownloadChoice { Failed = 0, HtmlPages = 1, FailedAndHtmlPages = 2 };

    static QString stopFirstText() { return QStringLiteral("停止下载以后，才能执行此操作！"); }

    // Made when the download window loads, after the shared settings of the window are read:
    // the same-name option starts from SameNamePolicy and the last-done time is now.
    DownloadScheduler(DownloadList& list, Inet& inet, SharedSettings& shared, Clock& clock,
                      EventPump& pump, Prompter& prompter, QObject* parent = nullptr);

    // --- The ticks -------------------------------------------------------------------------
    // Timer_Down, every second while it is on (the tick does nothing while it is off). A
    // method-1 transfer runs inside the tick and serves the window meanwhile, so ticks and
    // commands arrive while it runs.
    void schedulerTick();
    // Timer1, every second while the window is open.
    void supervisorTick();

    // --- Commands --------------------------------------------------------------------------
    // Command4 and the menu item "开始下载": switch Timer_Down on.
    void startDownloading() { setTimerDownEnabled(true); }
    // Command31, the menu item "停止下载", and closing the window.
    void StopDownload();
    // Command26: toggles between method 1 and 2 (not saved) and switches Timer_Down off.
    void switchMethod();

    // --- Window-level state ----------------------------------------------------------------
    bool timerDownEnabled() const { return m_timerDown; }
    void setTimerDownEnabled(bool enabled);
    // Seconds between two downloads (Combo2), 0 to 60.
    int interval() const { return m_interval; }
    void setInterval(int seconds);
    // "当有未下载项时，自动启动下载" (Check3).
    bool autoStart() const { return m_autoStart; }
    void setAutoStart(bool on) { m_autoStart = on; }
    // "自动重新下载：" (Check4) and what it re-queues (Combo4).
    bool autoRedownload() const { return m_autoRedownload; }
    void setAutoRedownload(bool on) { m_autoRedownload = on; }
    RedownloadChoice redownloadChoice() const { return m_redownloadChoice; }
    void setRedownloadChoice(RedownloadChoice choice) { m_redownloadChoice = choice; }
    // The same-name option (Option1 to Option3); every decision reads it when it is made.
    SameNameOption sameNameOption() const { return m_sameName; }
    void setSameNameOption(SameNameOption option) { m_sameName = option; }
    // The active method: the shared DownloadMethod (1, or 2 for anything else).
    int method() const;
    // Number of method-2 slots (Combo1); "1" under method 1.
    int threadCount() const { return m_threadCount; }
    void setThreadCount(int count);

    // --- What the transfers share ----------------------------------------------------------
    bool TransferBusy() const { return m_transferBusy; }
    // Clearing the flag while a method-1 transfer runs is its order to cancel.
    void setTransferBusy(bool busy);
    // Monotonic clock reading of the last finished transfer of either method.
    double LastDoneTime() const { return m_lastDoneTime; }
    // A transfer finished now; the interval before the next start counts from here.
    void markTransferDone();
    // The key of the item slot k (1 to 11) serves; method 1 uses slot 1.
    QString slotItem(int slot) const;
    void setSlotItem(int slot, const QString& key);

    // The first waiting item, in list order, that needs downloading: each waiting item on
    // the way is prepared and decided on (items whose file exists under the skip option end
    // completed). Empty when there is none.
    QString PickItem();
    // 1 + the number of busy method-2 slots.
    int CountDownloaders() const;
    // Timer_Down on, a method-2 slot busy, or the HTTP client still executing: what the
    // list commands that would disturb transfers refuse under.
    bool DownloadsRunning() const;
    // Timer_Down on or a transfer busy.
    bool schedulerOnOrBusy() const { return m_timerDown || m_transferBusy; }
    // Writes the counts per state into panel 4.
    void ShowStatusCounts();

    // Status-bar panels 1 to 4 as the scheduler and the transfers last wrote them.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    bool runningIndicatorVisible() const { return m_runningIndicator; }
    bool startMenuEnabled() const { return m_startMenuEnabled; }

    // --- Parts ---------------------------------------------------------------------------
    Method1Transfer& method1() { return m_method1; }
    // Method 2 fills its seam here; without it method 2 starts nothing.
    void setMethod2(Method2Transfers* transfers) { m_method2 = transfers; }
    Method2Transfers* method2() const { return m_method2; }

    DownloadList& list() { return m_list; }
    Inet& inet() { return m_inet; }
    SharedSettings& shared() { return m_shared; }
    Clock& clock() { return m_clock; }
    EventPump& pump() { return m_pump; }
    Prompter& prompter() { return m_prompter; }

signals:
    void timerDownChanged(bool enabled);
    void panelTextChanged(int panel, const QString& text);
    // Shape1: shown while Timer_Down is on, as the supervisor tick last saw it.
    void runningIndicatorChanged(bool visible);
    // The menu item "开始下载".
    void startMenuEnabledChanged(bool enabled);
    // After Command26: the label reads "下载方式：" & method, the thread selector shows "1"
    // and is enabled under method 2 only, and the start button is enabled.
    void methodSwitched(int method);
    void threadCountChanged(int count);

private:
    void storeSameNamePolicy();
    void startMethod1();
    void requeueGuarded(RequeueSelector selector);
    void setRunningIndicator(bool visible);
    void setStartMenuEnabled(bool enabled);

    DownloadList& m_list;
    Inet& m_inet;
    SharedSettings& m_shared;
    Clock& m_clock;
    EventPump& m_pump;
    Prompter& m_prompter;
    Method1Transfer m_method1;
    Method2Transfers* m_method2 = nullptr;

    bool m_timerDown = false;
    int m_interval = 0;
    bool m_autoStart = false;
    bool m_autoRedownload = false;
    RedownloadChoice m_redownloadChoice = RedownloadChoice::Failed;
    SameNameOption m_sameName = SameNameOption::Rename;
    int m_threadCount = 1;

    bool m_transferBusy = false;
    double m_lastDoneTime = 0.0;
    std::array<QString, kSlotCount> m_slotItem;
    std::array<QString, 5> m_panels;
    bool m_runningIndicator = false;
    bool m_startMenuEnabled = true;
};
