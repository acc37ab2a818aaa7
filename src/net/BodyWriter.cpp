#include "net/BodyWriter.h"

#include <QMetaObject>
#include <QObject>
#include <QSaveFile>

#include <unistd.h>

namespace {

void post(QObject* context, const std::shared_ptr<bool>& alive, std::function<void()> callback)
{
    QMetaObject::invokeMethod(
        context,
        [alive, callback = std::move(callback)] {
            if (*alive) {
                callback();
            }
        },
        Qt::QueuedConnection);
}

} // namespace

BodyWriter::BodyWriter(const QString& target, QObject* context, std::function<void()> onRoom,
                       std::function<void(bool)> onDone)
    : m_file(std::make_unique<QSaveFile>(target))
    , m_context(context)
    , m_alive(std::make_shared<bool>(true))
    , m_onRoom(std::move(onRoom))
    , m_onDone(std::move(onDone))
{
    m_file->setDirectWriteFallback(false);
}

BodyWriter::~BodyWriter()
{
    *m_alive = false;
    bool syncing = false;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        syncing = m_syncing;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        if (syncing) {
            // For a large body the disk may take seconds, which the window must not wait
            // for: the thread syncs a descriptor of its own and learns here that it was left.
            {
                const std::lock_guard lock(m_syncState->mutex);
                m_syncState->left = true;
            }
            m_thread.detach();
        } else {
            m_thread.join();
        }
    }
    m_file.reset(); // an uncommitted temporary file goes with it
}

bool BodyWriter::open()
{
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

bool BodyWriter::hasRoom()
{
    const std::lock_guard lock(m_mutex);
    if (m_queued < kQueueLimit || m_failed) {
        return true;
    }
    m_wantRoom = true;
    return false;
}

void BodyWriter::append(QByteArray data)
{
    if (data.isEmpty()) {
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_failed || m_finishing) {
            return;
        }
        m_queued += data.size();
        m_queue.push_back(std::move(data));
    }
    m_wake.notify_one();
}

bool BodyWriter::failed() const
{
    const std::lock_guard lock(m_mutex);
    return m_failed;
}

void BodyWriter::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
}

bool BodyWriter::commit()
{
    if (m_thread.joinable()) {
        m_thread.join(); // it has handed over: nothing is left for it to do
    }
    return !m_failed && m_file->commit();
}

void BodyWriter::notify(const std::function<void()>& callback)
{
    post(m_context, m_alive, callback);
}

void BodyWriter::syncAndReport(std::unique_lock<std::mutex>& lock)
{
    // Everything is written: bring it to the disk here, so that replacing the target on the
    // caller's thread finds nothing left to flush. The writer may go meanwhile without
    // waiting (see the destructor), so after the unlock only copies are used, and a
    // descriptor of the thread's own that outlives the file's.
    const int own = m_failed ? -1 : ::dup(m_file->handle());
    const int descriptor = own >= 0 ? own : (m_failed ? -1 : m_file->handle());
    m_syncing = own >= 0; // without its own descriptor the thread is waited for
    const std::shared_ptr<SyncState> state = m_syncState;
    QObject* const context = m_context;
    const std::shared_ptr<bool> alive = m_alive;
    const std::function<void(bool)> onDone = m_onDone;
    lock.unlock();

    const bool ok = descriptor >= 0 && ::fsync(descriptor) == 0;
    if (own >= 0) {
        ::close(own);
    }
    const std::lock_guard guard(state->mutex);
    if (!state->left) {
        post(context, alive, [onDone, ok] { onDone(ok); });
    }
}

void BodyWriter::run()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stop || m_finishing || !m_queue.empty(); });
        if (m_stop) {
            return;
        }
        if (m_queue.empty()) {
            syncAndReport(lock);
            return;
        }
        const QByteArray data = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();

        const bool written = m_file->write(data) == data.size();

        lock.lock();
        m_queued -= data.size();
        if (!written) {
            m_failed = true;
            m_queue.clear();
            m_queued = 0;
        }
        const bool wake = m_wantRoom && (m_queued <= kQueueLimit / 2 || m_failed);
        if (wake) {
            m_wantRoom = false;
        }
        lock.unlock();
        if (wake) {
            notify(m_onRoom);
        }
    }
}
