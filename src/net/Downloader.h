#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class BodyWriter;
class Clock;
class EventPump;
class Inet;
class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

// scheme://host/ of a URL ("http://" put in front when it names no scheme): what the
// download component sends as its Referer.
QString UrlBase(const QString& url);

// The download component: fetches one URL into one file in the background and reports
// progress, failure and completion by its events. One instance serves exactly one download.
//
// The read runs on the network access handed in (the program's one, whose cookies are the
// embedded browser's) and bypasses the local cache. Its body streams into a temporary file
// beside the target, written on a thread of its own so a slow disk never holds up the window,
// which replaces the target only once the whole announced length is there and on the disk:
// memory stays flat whatever the size, and a cut body never reaches the target. The target
// itself exists from the first moment (two bytes 01 00), so that naming decisions made while
// the download runs see it. When the read learns no size, the component fetches the URL again
// through its own HTTP client in the foreground, serving the event pump between chunks.
//
// Whatever ends a download other than its completion (a failure, a cut body, CancelAsyncRead,
// destroying the instance) removes the temporary file and the placeholder, so no broken file
// stays under the target name. A target that existed before is never shortened or written
// into; it is replaced only by a complete body. Destroying an instance, also from inside one of
// its own events or while its foreground transfer serves the pump, ends it at once: no event
// arrives afterwards.
class Downloader final : public QObject {
    Q_OBJECT
public:
    // Size of the pieces the foreground transfer asks its client for.
    static constexpr int kChunkSize = 2048;
    // The foreground transfer waits this long for its client to fall idle (cancelling it
    // afterwards) and at most this long for the response headers.
    static constexpr double kIdleWaitSeconds = 30.0;
    static constexpr double kResponseWaitSeconds = 60.0;

    Downloader(QNetworkAccessManager& network, Clock& clock, EventPump& pump,
               QObject* parent = nullptr);
    ~Downloader() override;

    // Starts the download of Url into the file SaveFile and returns at once. The file exists
    // on return. Only the first call of an instance starts anything.
    void BeginDownload(const QString& Url, const QString& SaveFile);
    // Ends the download without an event and cleans up its files; returns false.
    bool CancelAsyncRead();

    QString url() const { return m_url; }
    QString saveFile() const { return m_path; }
    // True from BeginDownload until an event has ended the download or it was cancelled.
    bool isRunning() const { return m_started && !m_ended; }

signals:
    // Data arrived: BytesRead of BytesMax (the announced length; for a body fetched whole,
    // both its length rounded down to an even number).
    void DownloadProgress(qint64 BytesRead, qint64 BytesMax, const QString& SaveFile);
    void DownloadError(const QString& SaveFile);
    // The file at SaveFile holds the whole body of FileSize bytes.
    void DownloadComplete(qint64 FileSize, const QString& SaveFile);

private:
    void createPlaceholder();
    void startRead();
    void onMetaData();
    void onReadyRead();
    void pumpBody();
    void onWriterRoom();
    void onFinished();
    void endRead();
    void onWriterDone(bool ok);
    void dropReply();
    void runFallback();
    bool InetDownload(const QString& url, const QString& path);
    bool storeWhole(const QString& path, const QByteArray& body);
    // Replaces the target by the file once its body is on the disk, serving the pump
    // meanwhile; false when that fails or gone() says the instance went away.
    static bool commitServing(QSaveFile& file, EventPump& pump, const std::function<bool()>& gone);
    // Emits DownloadProgress at a pace a list can follow: the first, the last (final) and at
    // most one report per step in between. False when the instance is gone afterwards.
    bool reportProgress(qint64 read, qint64 max, bool final);
    void failNow();
    void cleanUp();

    QNetworkAccessManager& m_network;
    Clock& m_clock;
    EventPump& m_pump;
    // Shared with a running foreground transfer, which keeps the client alive until it has
    // unwound even when the instance is destroyed under it.
    std::shared_ptr<Inet> m_inet;

    QString m_url;
    QString m_path;
    bool m_started = false;
    bool m_ended = false;
    bool m_completed = false;
    bool m_createdPlaceholder = false;

    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<BodyWriter> m_writer;
    bool m_replyFinished = false;
    qint64 m_total = -1; // the announced length; -1 until the headers are there
    qint64 m_written = 0;
    qint64 m_lastReported = -1;
    QElapsedTimer m_sinceReport;
};
