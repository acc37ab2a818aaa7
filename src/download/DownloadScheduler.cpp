#include "download/DownloadScheduler.h"

#include "app/SettingKeys.h"
#include "app/SharedSettings.h"
#include "net/Inet.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

#include <cmath>

DownloadScheduler::DownloadScheduler(DownloadList& list, Inet& inet, SharedSettings& shared,
                                     Clock& clock, EventPump& pump, Prompter& prompter,
                                     QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_inet(inet)
    , m_shared(shared)
    , m_clock(clock)
    , m_pump(pump)
    , m_prompter(prompter)
    , m_method1(*this)
    , m_sameName(SameNameOptionFromCaption(shared.SameNamePolicy))
    , m_lastDoneTime(clock.seconds())
{
}

int DownloadScheduler::method() const { return m_shared.DownloadMethod == 1 ? 1 : 2; }

void DownloadScheduler::setTimerDownEnabled(bool enabled)
{
    if (m_timerDown == enabled) {
        return;
    }
    m_timerDown = enabled;
    emit timerDownChanged(enabled);
}

void DownloadScheduler::setInterval(int seconds) { m_interval = qBound(0, seconds, kMaxInterval); }

void DownloadScheduler::setThreadCount(int count)
{
    count = qBound(1, count, 6);
    if (m_threadCount == count) {
        return;
    }
    m_threadCount = count;
    emit threadCountChanged(count);
}

void DownloadScheduler::setTransferBusy(bool busy)
{
    const bool falling = m_transferBusy && !busy;
    m_transferBusy = busy;
    if (falling) {
        m_method1.interrupt();
    }
}

void DownloadScheduler::markTransferDone() { m_lastDoneTime = m_clock.seconds(); }

QString DownloadScheduler::slotItem(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_slotItem[static_cast<size_t>(slot)] : QString();
}

void DownloadScheduler::setSlotItem(int slot, const QString& key)
{
    if (slot >= 0 && slot < kSlotCount) {
        m_slotItem[static_cast<size_t>(slot)] = key;
    }
}

QString DownloadScheduler::panelText(int panel) const
{
    return panel >= 1 && panel <= 4 ? m_panels[static_cast<size_t>(panel)] : QString();
}

void DownloadScheduler::setPanelText(int panel, const QString& text)
{
    if (panel < 1 || panel > 4 || m_panels[static_cast<size_t>(panel)] == text) {
        return;
    }
    m_panels[static_cast<size_t>(panel)] = text;
    emit panelTextChanged(panel, text);
}

void DownloadScheduler::setRunningIndicator(bool visible)
{
    if (m_runningIndicator != visible) {
        m_runningIndicator = visible;
        emit runningIndicatorChanged(visible);
    }
}

void DownloadScheduler::setStartMenuEnabled(bool enabled)
{
    if (m_startMenuEnabled != enabled) {
        m_startMenuEnabled = enabled;
        emit startMenuEnabledChanged(enabled);
    }
}

QString DownloadScheduler::PickItem()
{
    for (int row = 0; row < m_list.rowCount(); ++row) {
        if (m_list.at(row).state != DownloadState::Waiting) {
            continue;
        }
        const QString key = m_list.keyAt(row);
        PrepareDownloadItem(m_list, key);
        if (确定是需要下载(m_list, key, m_sameName)) {
            return key;
        }
    }
    return {};
}

int DownloadScheduler::CountDownloaders() const
{
    return 1 + (m_method2 ? m_method2->busySlotCount() : 0);
}

bool DownloadScheduler::DownloadsRunning() const
{
    return m_timerDown || CountDownloaders() > 1 || m_inet.StillExecuting();
}

void DownloadScheduler::ShowStatusCounts() { setPanelText(4, m_list.statusCountsText()); }

void DownloadScheduler::storeSameNamePolicy()
{
    const QString caption = SameNameCaption(m_sameName);
    m_shared.SameNamePolicy = caption;
    const QString section = SettingKeys::sectionDownload();
    const QString key = SettingKeys::sameNamePolicy();
    // The store already holds the value on most ticks; rewriting its file then changes
    // nothing.
    if (m_shared.read(section, key, QString()) != caption) {
        m_shared.write(section, key, caption);
    }
}

void DownloadScheduler::schedulerTick()
{
    if (!m_timerDown) {
        return;
    }
    storeSameNamePolicy();
    if (m_list.rowCount() == 0) {
        setTimerDownEnabled(false);
        return;
    }
    if (std::abs(m_clock.seconds() - m_lastDoneTime) <= m_interval) {
        return;
    }
    if (method() == 1) {
        startMethod1();
    } else if (m_method2) {
        m_method2->fillSlots();
    }
}

void DownloadScheduler::startMethod1()
{
    if (m_transferBusy) {
        return; // the running transfer is serving the window from inside an earlier tick
    }
    const QString key = PickItem();
    if (key.isEmpty()) {
        return;
    }
    m_list.setState(key, DownloadState::Downloading);
    m_list.setProgress(key, QString(), QString(), QString());
    const DownloadItem item = m_list.item(key);
    const SavePath target = 重命名保存路径(item.folder, item.text, item.type, m_sameName);
    m_list.setText(key, target.finalName);
    setSlotItem(1, key);
    m_method1.Inet下载当前文件(key, target.path, key);
}

void DownloadScheduler::supervisorTick()
{
    setRunningIndicator(m_timerDown);

    if (m_list.检测是否下载列表完毕()) {
        setTimerDownEnabled(false);
        setStartMenuEnabled(true);
    } else {
        setStartMenuEnabled(!m_timerDown);
    }

    if (m_method2) {
        m_method2->runWatchdog();
    }

    if (method() == 1) {
        if (!m_inet.StillExecuting() && !m_timerDown) {
            setTransferBusy(false);
        }
    } else {
        // The flag follows the slots, also down: set only, it would stay set once the slots
        // are free, and after a switch back to method 1 with the scheduler on no transfer
        // would ever start again.
        setTransferBusy(m_method2 && m_method2->anySlotBusy(m_threadCount));
        if (!m_timerDown) {
            setTransferBusy(false);
        }
    }

    ShowStatusCounts();

    if (m_autoStart && m_list.统计未下载项数目() >= 1) {
        setTimerDownEnabled(true);
    }

    if (m_autoRedownload && !m_timerDown) {
        switch (m_redownloadChoice) {
        case RedownloadChoice::Failed:
            requeueGuarded(RequeueSelector::Failed);
            break;
        case RedownloadChoice::HtmlPages:
            requeueGuarded(RequeueSelector::HtmlPages);
            break;
        case RedownloadChoice::FailedAndHtmlPages:
            requeueGuarded(RequeueSelector::Failed);
            requeueGuarded(RequeueSelector::HtmlPages);
            break;
        }
        setTimerDownEnabled(true);
    }
}

void DownloadScheduler::requeueGuarded(RequeueSelector selector)
{
    if (CountDownloaders() > 1 || m_inet.StillExecuting()) {
        m_prompter.message(stopFirstText(), Prompter::Icon::Information);
        return;
    }
    m_list.RequeueRows(selector);
}

void DownloadScheduler::StopDownload()
{
    setTimerDownEnabled(false);
    setTransferBusy(false);
    m_inet.Cancel();
    if (m_method2) {
        m_method2->releaseAllSlots();
    }
    for (int row = 0; row < m_list.rowCount(); ++row) {
        if (m_list.at(row).state == DownloadState::Downloading) {
            m_list.setState(m_list.keyAt(row), DownloadState::Failed);
        }
    }
    setTransferBusy(false);
}

void DownloadScheduler::switchMethod()
{
    m_shared.DownloadMethod = method() == 2 ? 1 : 2;
    setThreadCount(1);
    emit methodSwitched(m_shared.DownloadMethod);
    setTimerDownEnabled(false);
}
