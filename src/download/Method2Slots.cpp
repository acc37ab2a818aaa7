#include "download/Method2Slots.h"

#include "download/DownloadList.h"
#include "download/DownloadNaming.h"
#include "net/Downloader.h"
#include "net/HttpHelpers.h"
#include "net/PageText.h"
#include "platform/Clock.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool isSlot(int slot) { return slot >= 1 && slot <= Method2Slots::kMaxThreads; }

QString percentText(qint64 bytesRead, qint64 bytesMax)
{
    const double percent = static_cast<double>(bytesRead) / static_cast<double>(bytesMax) * 100.0;
    return QString::number(static_cast<qint64>(std::floor(percent))) + u'%';
}

} // namespace

Method2Slots::Method2Slots(DownloadScheduler& scheduler, QNetworkAccessManager& network,
                           QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_network(network)
{
}

Method2Slots::~Method2Slots()
{
    for (int slot = 1; slot <= kMaxThreads; ++slot) {
        destroy(slot);
    }
}

Downloader* Method2Slots::downloader(int slot) const
{
    return isSlot(slot) ? m_downloaders[static_cast<size_t>(slot)] : nullptr;
}

double Method2Slots::slotStart(int slot) const
{
    return isSlot(slot) ? m_slotStart[static_cast<size_t>(slot)] : 0.0;
}

void Method2Slots::fillSlots()
{
    DownloadList& list = m_scheduler.list();
    const int threads = qMin(m_scheduler.threadCount(), kMaxThreads);
    for (int slot = 1; slot <= threads; ++slot) {
        if (downloader(slot)) {
            continue;
        }
        const QString key = m_scheduler.PickItem();
        if (key.isEmpty()) {
            continue;
        }
        list.setState(key, DownloadState::Downloading);
        const DownloadItem item = list.item(key);
        const SavePath target =
            重命名保存路径(item.folder, item.text, item.type, m_scheduler.sameNameOption());
        list.setText(key, target.finalName);
        m_scheduler.setSlotItem(slot, key);
        多线程下载(slot, key, key, target.path);
    }
}

void Method2Slots::多线程下载(int slot, const QString& key, const QString& url, const QString& path)
{
    if (!isSlot(slot) || downloader(slot)) {
        return;
    }
    auto* instance = new Downloader(m_network, m_scheduler.clock(), m_scheduler.pump(), this);
    instance->setObjectName(u"Downloader1"_s);
    m_downloaders[static_cast<size_t>(slot)] = instance;
    connect(instance, &Downloader::DownloadProgress, this,
            [this, slot](qint64 bytesRead, qint64 bytesMax, const QString&) {
                onProgress(slot, bytesRead, bytesMax);
            });
    connect(instance, &Downloader::DownloadError, this,
            [this, slot](const QString&) { onError(slot); });
    connect(instance, &Downloader::DownloadComplete, this,
            [this, slot](qint64, const QString& saveFile) { onComplete(slot, saveFile); });

    m_scheduler.setTransferBusy(true);
    m_scheduler.setSlotItem(slot, key);
    m_rows[static_cast<size_t>(slot)] = key;
    DownloadList& list = m_scheduler.list();
    list.setState(key, DownloadState::Downloading);
    list.setProgress(key, QString(), QString(), QString());
    m_slotStart[static_cast<size_t>(slot)] = m_scheduler.clock().seconds();
    instance->BeginDownload(url, path);
}

void Method2Slots::onProgress(int slot, qint64 bytesRead, qint64 bytesMax)
{
    if (slot == 0 || bytesMax <= 0 || bytesMax < bytesRead) {
        return;
    }
    m_scheduler.list().setProgress(rowOf(slot), QString::number(bytesMax),
                                   QString::number(bytesRead), percentText(bytesRead, bytesMax));
}

void Method2Slots::onError(int slot)
{
    if (slot == 0) {
        return;
    }
    m_scheduler.list().setState(rowOf(slot), DownloadState::Failed);
    destroy(slot);
}

void Method2Slots::onComplete(int slot, const QString& saveFile)
{
    if (slot != 0) {
        DownloadList& list = m_scheduler.list();
        const QString key = rowOf(slot);
        if (QFileInfo(saveFile).size() < kPageCheckBytes) {
            if (isUsablePage(saveFile)) {
                list.setState(key, DownloadState::Completed);
            } else {
                list.setState(key, DownloadState::Failed);
                list.setPercentage(key, QString());
                QFile::remove(saveFile);
            }
        } else {
            list.setState(key, DownloadState::Completed);
        }
        // A body that did not reach its whole length is no file the user can use; under its
        // name it would pass for a finished download.
        if (list.contains(key) && list.item(key).percentage != u"100%"_s) {
            list.setState(key, DownloadState::Failed);
            QFile::remove(saveFile);
        }
        destroy(slot);
    }
    m_scheduler.markTransferDone();
}

bool Method2Slots::isUsablePage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return IsValidPage(DecodePageText(file.readAll()));
}

void Method2Slots::runWatchdog()
{
    // Every busy slot is watched, also those above a thread count lowered meanwhile: a slot
    // left out would keep its row downloading for good.
    const double now = m_scheduler.clock().seconds();
    DownloadList& list = m_scheduler.list();
    for (int slot = 1; slot <= kMaxThreads; ++slot) {
        if (!downloader(slot)) {
            continue;
        }
        const QString key = rowOf(slot);
        if (std::abs(now - slotStart(slot)) >= kStallSeconds && list.item(key).size.isEmpty()) {
            destroy(slot);
            list.setState(key, DownloadState::Failed);
        }
    }
}

bool Method2Slots::anySlotBusy(int threadCount) const
{
    for (int slot = 1; slot <= qMin(threadCount, kMaxThreads); ++slot) {
        if (downloader(slot)) {
            return true;
        }
    }
    return false;
}

int Method2Slots::busySlotCount() const
{
    int busy = 0;
    for (int slot = 1; slot <= kMaxThreads; ++slot) {
        busy += downloader(slot) ? 1 : 0;
    }
    return busy;
}

void Method2Slots::releaseAllSlots()
{
    for (int slot = 1; slot <= kMaxThreads; ++slot) {
        destroy(slot);
    }
}

QString Method2Slots::rowOf(int slot) const
{
    return isSlot(slot) ? m_rows[static_cast<size_t>(slot)] : QString();
}

void Method2Slots::destroy(int slot)
{
    Downloader* instance = downloader(slot);
    if (!instance) {
        return;
    }
    // The slot is free before the instance goes, so whatever its end sets off sees it free.
    m_downloaders[static_cast<size_t>(slot)] = nullptr;
    disconnect(instance, nullptr, this, nullptr);
    delete instance; // ends its transfer and removes its unfinished files; no event follows
}
