#pragma once

#include "download/DownloadScheduler.h"

#include <QObject>
#include <QString>

#include <array>

class Downloader;
class QNetworkAccessManager;

// Transfer method 2: up to six items at once, one per slot, each through its own download
// component (Downloader1(k) exists exactly while slot k is busy). The scheduler's ticks fill
// the free slots, fail the slots that never got a size within two minutes, and release them
// all on stop; the components' events turn into changes of the rows the slots serve, which
// they find by key, so rows moved or removed meanwhile are never written into by mistake.
//
// A finished item is checked before it counts as done: a small body that turns out to be an
// error page, and a body whose last progress fell short of the whole, fail the row and leave
// no file under its name.
//
// Hand it to the scheduler with setMethod2(); it must outlive the scheduler's ticks.
class Method2Slots final : public QObject, public Method2Transfers {
    Q_OBJECT
public:
    // Slots 1 to kMaxThreads serve downloads; like the scheduler's slot items, the arrays
    // hold indices 0 to 11, and index 0 never downloads.
    static constexpr int kMaxThreads = 6;
    // A busy slot whose row still shows no size after this long has failed.
    static constexpr double kStallSeconds = 120.0;
    // Bodies shorter than this are read as text and checked for an error page.
    static constexpr qint64 kPageCheckBytes = 5001;

    Method2Slots(DownloadScheduler& scheduler, QNetworkAccessManager& network,
                 QObject* parent = nullptr);
    ~Method2Slots() override;

    // --- The scheduler's seam --------------------------------------------------------------
    void fillSlots() override;
    void runWatchdog() override;
    bool anySlotBusy(int threadCount) const override;
    int busySlotCount() const override;
    void releaseAllSlots() override;

    // Starts slot k (1 to 6) on the item with that key: creates the slot's component, marks
    // the row downloading with empty progress columns and begins the download of url into
    // path (the final path the naming chose; nothing is moved afterwards).
    void 多线程下载(int slot, const QString& key, const QString& url, const QString& path);

    // The component of slot k (Downloader1(k)), or nullptr while the slot is free.
    Downloader* downloader(int slot) const;
    // Monotonic clock reading at which slot k started.
    double slotStart(int slot) const;

private:
    void onProgress(int slot, qint64 bytesRead, qint64 bytesMax);
    void onError(int slot);
    void onComplete(int slot, const QString& saveFile);
    // Checks a small finished body; false when it is empty or an error page.
    static bool isUsablePage(const QString& path);
    void destroy(int slot);
    QString rowOf(int slot) const;

    DownloadScheduler& m_scheduler;
    QNetworkAccessManager& m_network;
    std::array<Downloader*, DownloadScheduler::kSlotCount> m_downloaders{};
    std::array<double, DownloadScheduler::kSlotCount> m_slotStart{};
    // The key of the row each busy slot serves, as it was when the slot started. The
    // scheduler's slot item 1 is also method 1's, which a method switch lets start while
    // slot 1 still runs.
    std::array<QString, DownloadScheduler::kSlotCount> m_rows;
};
