#include "net/Downloader.h"

#include "net/BodyWriter.h"
#include "net/Inet.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"

#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPromise>
#include <QSaveFile>
#include <QThreadPool>
#include <QUrl>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The body bytes the read may hold before the network waits for the file: enough to keep a
// fast server busy, small enough that six transfers of any size stay light.
constexpr qint64 kReadBufferSize = 1024 * 1024;
// The largest piece handed to the writer at a time.
constexpr qint64 kReadPiece = 256 * 1024;
// Progress reports of one instance are at least this far apart (the first and the last
// always go out), so a fast transfer does not flood the list with changes.
constexpr qint64 kReportStepMs = 50;
// One wait of the foreground transfer; any event ends it earlier.
constexpr int kWaitSliceMs = 50;
// How often the foreground transfer looks whether its file has reached the disk.
constexpr int kSyncWaitMs = 5;

const QByteArray kPlaceholder("\x01\x00", 2);

bool isFollowedRedirect(const QNetworkReply& reply, int status)
{
    const bool redirect =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!redirect || !reply.hasRawHeader("Location")) {
        return false;
    }
    const QVariant policy = reply.request().attribute(QNetworkRequest::RedirectPolicyAttribute);
    return !policy.isValid() || policy.toInt() != QNetworkRequest::ManualRedirectPolicy;
}

// A read that ended in one of these did not get the server's whole answer. HTTP statuses that
// say no (404, 500, ...) come with a body of their own, which is the server's answer.
bool isBrokenTransfer(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    return (code >= 1 && code < QNetworkReply::ContentAccessDenied)
        || (code >= QNetworkReply::ProtocolUnknownError
            && code < QNetworkReply::InternalServerError);
}

bool isOurPlaceholder(const QString& path)
{
    if (QFileInfo(path).size() != kPlaceholder.size()) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == kPlaceholder;
}

// Brings the written body and its metadata to the disk away from the event loop, so that
// replacing the target afterwards finds nothing left to flush: for a large file the file
// system takes long enough to freeze the window. The worker syncs a duplicate of the file's
// descriptor, so the file itself can be closed or dropped meanwhile.
QFuture<void> syncInBackground(QSaveFile& file)
{
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    promise->start();
    const int descriptor = file.flush() ? ::dup(file.handle()) : -1;
    if (descriptor < 0) {
        promise->finish();
        return future;
    }
    QThreadPool::globalInstance()->start([descriptor, promise] {
        ::fsync(descriptor);
        ::close(descriptor);
        promise->finish();
    });
    return future;
}

} // namespace

QString UrlBase(const QString& url)
{
    QString text = url;
    if (!text.contains(u"://"_s)) {
        text = u"http://"_s + text;
    }
    const qsizetype schemeEnd = text.indexOf(u"://"_s) + 3;
    const QString scheme = text.left(schemeEnd);
    QString rest = text.mid(schemeEnd);
    if (!rest.contains(u'/')) {
        rest += u'/';
    }
    return scheme + rest.left(rest.indexOf(u'/') + 1);
}

Downloader::Downloader(QNetworkAccessManager& network, Clock& clock, EventPump& pump,
                       QObject* parent)
    : QObject(parent)
    , m_network(network)
    , m_clock(clock)
    , m_pump(pump)
    , m_inet(std::make_shared<Inet>(network, clock, pump))
{
}

Downloader::~Downloader()
{
    // A foreground transfer on the stack notices from its pointer to this instance that it is
    // gone and unwinds without touching it.
    cleanUp();
}

void Downloader::BeginDownload(const QString& Url, const QString& SaveFile)
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_url = Url;
    m_path = SaveFile;

    createPlaceholder();
    m_writer = std::make_unique<BodyWriter>(
        m_path, this, [this] { onWriterRoom(); }, [this](bool ok) { onWriterDone(ok); });
    if (!QFileInfo::exists(m_path) || !m_writer->open()) {
        // Nothing can be stored there (no folder, no right to write): the download fails, but
        // only after the caller has finished starting it.
        m_writer.reset();
        QMetaObject::invokeMethod(
            this, [this] { failNow(); }, Qt::QueuedConnection);
        return;
    }
    startRead();
}

void Downloader::createPlaceholder()
{
    // A file that is there already (the overwrite option) serves as it is: it is replaced by
    // the complete body or left untouched.
    if (QFileInfo::exists(m_path)) {
        return;
    }
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        m_createdPlaceholder = file.write(kPlaceholder) == kPlaceholder.size();
        file.close();
    }
}

void Downloader::startRead()
{
    QNetworkRequest request(QUrl(m_url.trimmed(), QUrl::TolerantMode));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The body is stored as the server sends it, and its length is the announced one.
    request.setRawHeader("Accept-Encoding", "identity");

    QNetworkReply* reply = m_network.get(request);
    m_reply = reply;
    reply->setReadBufferSize(kReadBufferSize);
    connect(reply, &QNetworkReply::metaDataChanged, this, &Downloader::onMetaData);
    connect(reply, &QNetworkReply::readyRead, this, &Downloader::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &Downloader::onFinished);
}

void Downloader::onMetaData()
{
    if (!m_reply || m_ended || m_total >= 0) {
        return;
    }
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0 || isFollowedRedirect(*m_reply, status)) {
        return;
    }
    bool ok = false;
    const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
    m_total = ok && length > 0 ? length : 0;
    if (m_total == 0) {
        // No size: the body of this read would be thrown away, so it ends here and the
        // foreground transfer fetches the URL.
        dropReply();
        m_writer.reset();
        QMetaObject::invokeMethod(
            this, [this] { runFallback(); }, Qt::QueuedConnection);
    }
}

void Downloader::onReadyRead()
{
    if (!m_ended && m_total > 0) {
        pumpBody();
    }
}

void Downloader::pumpBody()
{
    // Reads only while the writer has room: a disk that falls behind fills the reply's bounded
    // buffer, and the network waits.
    while (m_reply && m_reply->bytesAvailable() > 0) {
        if (m_writer->failed()) {
            failNow();
            return;
        }
        if (!m_writer->hasRoom()) {
            return; // onWriterRoom goes on
        }
        QByteArray data = m_reply->read(kReadPiece);
        m_written += data.size();
        m_writer->append(std::move(data));
    }
    if (!m_reply || !reportProgress(m_written, m_total, false)) {
        return;
    }
    if (m_replyFinished && m_reply->bytesAvailable() == 0) {
        endRead();
    }
}

void Downloader::onWriterRoom()
{
    if (!m_ended && m_writer) {
        pumpBody();
    }
}

void Downloader::onFinished()
{
    if (!m_reply || m_ended) {
        return;
    }
    if (m_total < 0) {
        onMetaData(); // a reply that finishes without having announced its headers first
        if (!m_reply || m_ended) {
            return;
        }
    }
    if (m_total <= 0) {
        // No response at all (refused, unreachable): the foreground transfer tries once more.
        dropReply();
        m_writer.reset();
        QMetaObject::invokeMethod(
            this, [this] { runFallback(); }, Qt::QueuedConnection);
        return;
    }
    // What the reply still holds is read as the writer makes room.
    m_replyFinished = true;
    pumpBody();
}

void Downloader::endRead()
{
    const QNetworkReply::NetworkError error = m_reply->error();
    dropReply();
    // The last count goes out also for a body that ended early, so its row shows how far it got.
    if (!reportProgress(m_written, m_total, true)) {
        return;
    }
    if (isBrokenTransfer(error) || m_written != m_total) {
        failNow(); // the body ended before its announced length
        return;
    }
    m_writer->finish();
}

void Downloader::onWriterDone(bool ok)
{
    if (m_ended || !m_writer) {
        return;
    }
    if (!ok || !m_writer->commit()) {
        failNow();
        return;
    }
    m_writer.reset();
    m_ended = true;
    m_completed = true;
    const QString path = m_path;
    emit DownloadComplete(m_total, path);
}

void Downloader::dropReply()
{
    if (!m_reply) {
        return;
    }
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    if (!reply->isFinished()) {
        reply->abort();
    }
    reply->deleteLater();
}

void Downloader::runFallback()
{
    if (m_ended) {
        return;
    }
    const QPointer<Downloader> self(this);
    const bool ok = InetDownload(m_url, m_path);
    if (!self || m_ended) {
        return;
    }
    if (!ok) {
        failNow();
        return;
    }
    m_ended = true;
    m_completed = true;
    const QString path = m_path;
    emit DownloadComplete(QFileInfo(path).size(), path);
}

bool Downloader::InetDownload(const QString& url, const QString& path)
{
    // Whatever the pump runs may destroy this instance; from then on only these locals are
    // used (the client stays alive through its shared pointer until this call has unwound).
    const QPointer<Downloader> self(this);
    const std::shared_ptr<Inet> inet = m_inet;
    Clock& clock = m_clock;
    EventPump& pump = m_pump;
    const auto gone = [&] { return !self || m_ended; };

    const double idleSince = clock.seconds();
    while (inet->StillExecuting()) {
        pump.wait(kWaitSliceMs);
        if (gone()) {
            return false;
        }
        if (clock.seconds() - idleSince >= kIdleWaitSeconds) {
            inet->Cancel();
        }
    }

    inet->Execute(url, u"GET"_s, QByteArray(), u"Referer:"_s + UrlBase(url) + u"\r\n"_s);
    const double issued = clock.seconds();
    while (inet->StillExecuting()) {
        pump.wait(kWaitSliceMs);
        if (gone()) {
            return false;
        }
        if (clock.seconds() - issued >= kResponseWaitSeconds) {
            inet->Cancel();
            return false;
        }
    }

    const QString lengthText = inet->GetHeader(u"Content-Length"_s);
    if (lengthText.isEmpty()) {
        const QByteArray body = inet->OpenURL(inet->URL());
        pump.pump();
        if (gone()) {
            return false;
        }
        // Counted in 16-bit units: an odd last byte does not count, a one-byte body is empty.
        const qint64 n = body.size() / 2 * 2;
        if (!reportProgress(n, n, true)) {
            return false;
        }
        return n > 0 && storeWhole(path, body);
    }

    bool numeric = false;
    const qint64 length = lengthText.trimmed().toLongLong(&numeric);
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!numeric || length < 0 || !file.open(QIODevice::WriteOnly)) {
        inet->Cancel();
        return false;
    }
    qint64 written = 0;
    do {
        const QByteArray chunk = inet->GetChunk(kChunkSize);
        pump.pump();
        if (gone()) {
            return false; // the temporary file goes with `file`
        }
        if (chunk.isEmpty() && written < length) {
            inet->Cancel();
            return false; // the body ended before its announced length
        }
        if (file.write(chunk) != chunk.size()) {
            inet->Cancel();
            return false;
        }
        written += chunk.size();
        if (!reportProgress(written, length, written >= length)) {
            return false;
        }
    } while (written < length);
    return commitServing(file, pump, gone);
}

bool Downloader::storeWhole(const QString& path, const QByteArray& body)
{
    const QPointer<Downloader> self(this);
    EventPump& pump = m_pump;
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    return file.open(QIODevice::WriteOnly) && file.write(body) == body.size()
        && commitServing(file, pump, [&] { return !self || m_ended; });
}

bool Downloader::commitServing(QSaveFile& file, EventPump& pump, const std::function<bool()>& gone)
{
    const QFuture<void> synced = syncInBackground(file);
    while (!synced.isFinished()) {
        pump.wait(kSyncWaitMs);
        if (gone()) {
            return false;
        }
    }
    return file.commit();
}

bool Downloader::reportProgress(qint64 read, qint64 max, bool final)
{
    const bool first = m_lastReported < 0;
    if (final ? read == m_lastReported
              : !first && m_sinceReport.isValid() && m_sinceReport.elapsed() < kReportStepMs) {
        return true;
    }
    m_lastReported = read;
    m_sinceReport.start();
    const QPointer<Downloader> self(this);
    const QString path = m_path;
    emit DownloadProgress(read, max, path);
    return self && !m_ended;
}

bool Downloader::CancelAsyncRead()
{
    cleanUp();
    return false;
}

void Downloader::failNow()
{
    if (m_ended) {
        return;
    }
    cleanUp();
    const QString path = m_path;
    emit DownloadError(path);
}

void Downloader::cleanUp()
{
    m_ended = true;
    dropReply();
    m_inet->Cancel();
    m_writer.reset(); // stops its thread and removes the temporary file
    // Only the two bytes this instance wrote go; a file that something else has put there
    // since (another download of the same name) stays.
    if (m_createdPlaceholder && !m_completed && isOurPlaceholder(m_path)) {
        QFile::remove(m_path);
    }
    m_createdPlaceholder = false;
}
