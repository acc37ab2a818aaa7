#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;
class QSaveFile;

// A body on its way to disk: a temporary file beside the target, written on a thread of its
// own, and put in place of the target only when the whole body is there and on the disk. A
// disk that falls behind thus slows the transfer (the caller stops reading while the writer
// has no room), never the window, and memory stays bounded whatever the size.
//
// Everything but the writing itself happens on the thread that made the writer. Its two
// notifications arrive there through the event loop of `context`, and never after the writer
// is gone: destroying it stops the thread (after the write in progress) and removes the
// temporary file. Destroying it while the written body goes to the disk does not wait for the
// disk: the thread finishes that on its own and then touches nothing of the writer.
class BodyWriter {
public:
    // How many bytes may wait for the disk before hasRoom() says no.
    static constexpr qint64 kQueueLimit = 8 * 1024 * 1024;

    // onRoom: the writer has room again after hasRoom() said no, or a write failed.
    // onDone: the body handed in is written and synced (true), or that failed (false).
    BodyWriter(const QString& target, QObject* context, std::function<void()> onRoom,
               std::function<void(bool)> onDone);
    ~BodyWriter();
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    // Creates the temporary file and starts the thread; false when the file cannot be made.
    bool open();
    // Whether more may be appended now; when not, onRoom follows once there is.
    bool hasRoom();
    void append(QByteArray data);
    // True once a write has failed; nothing appended afterwards reaches the file.
    bool failed() const;
    // No more data: the rest is written and synced, then onDone follows.
    void finish();
    // After onDone(true): replaces the target by the file. False when that fails.
    bool commit();

private:
    // What the thread keeps while it brings the file to the disk, when the writer may already
    // be gone: `left` says it is, and the thread then only cleans up after itself.
    struct SyncState {
        std::mutex mutex;
        bool left = false;
    };

    void run();
    void notify(const std::function<void()>& callback);
    void syncAndReport(std::unique_lock<std::mutex>& lock);

    std::unique_ptr<QSaveFile> m_file;
    QObject* m_context;
    // Read and cleared on the caller's thread only: notifications posted before the writer
    // went see it cleared and do nothing.
    std::shared_ptr<bool> m_alive;
    std::function<void()> m_onRoom;
    std::function<void(bool)> m_onDone;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QByteArray> m_queue;
    qint64 m_queued = 0;
    bool m_wantRoom = false;
    bool m_finishing = false;
    bool m_stop = false;
    bool m_failed = false;
    bool m_syncing = false;
    std::shared_ptr<SyncState> m_syncState = std::make_shared<SyncState>();
    std::thread m_thread;
};
