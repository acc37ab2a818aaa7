#include "FileSizeLimit.h"
#include "HookedEventPump.h"
#include "SamplePdf.h"
#include "SampleSite.h"
#include "TestContext.h"
#include "TestMain.h"
#include "net/Downloader.h"
#include "net/PageText.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QStringEncoder>
#include <QTcpServer>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace zorvtest;

Q_DECLARE_METATYPE(sample::Response)

namespace {

// The disk of this test process: once armed for a folder, the next sync of a file in it holds
// until the test lets it go (at most ten seconds), as a slow disk holds a large body.
struct SyncGate {
    std::mutex mutex;
    std::condition_variable wake;
    QString folder; // armed while not empty
    bool holding = false;
};
SyncGate g_syncGate;

QString pathOfDescriptor(int descriptor)
{
    return QFile::symLinkTarget(u"/proc/self/fd/%1"_s.arg(descriptor));
}

} // namespace

extern "C" int fsync(int descriptor)
{
    {
        std::unique_lock lock(g_syncGate.mutex);
        if (!g_syncGate.folder.isEmpty()
            && pathOfDescriptor(descriptor).startsWith(g_syncGate.folder)) {
            g_syncGate.folder.clear();
            g_syncGate.holding = true;
            g_syncGate.wake.wait_for(lock, std::chrono::seconds(10),
                                     [] { return !g_syncGate.holding; });
            g_syncGate.holding = false;
        }
    }
    return static_cast<int>(::syscall(SYS_fsync, descriptor));
}

namespace {

// Holds the next sync of a file in folder while it lives.
class HeldSync {
public:
    explicit HeldSync(const QString& folder)
    {
        const std::lock_guard lock(g_syncGate.mutex);
        g_syncGate.folder = QFileInfo(folder).canonicalFilePath();
    }
    ~HeldSync() { release(); }
    bool holding() const
    {
        const std::lock_guard lock(g_syncGate.mutex);
        return g_syncGate.holding;
    }
    void release()
    {
        const std::lock_guard lock(g_syncGate.mutex);
        g_syncGate.folder.clear();
        g_syncGate.holding = false;
        g_syncGate.wake.notify_all();
    }
};

const QByteArray kPlaceholder("\x01\x00", 2);

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything one instance reported.
struct Events {
    struct Progress {
        qint64 read;
        qint64 max;
    };
    QList<Progress> progress;
    QStringList errors;
    QList<qint64> completions;
    QStringList paths; // SaveFile of every event
    // Runs inside the named event ("progress", "error", "complete"), once.
    std::function<void()> during;
    QString duringEvent;

    int count() const { return int(progress.size() + errors.size() + completions.size()); }
    bool ended() const { return !errors.isEmpty() || !completions.isEmpty(); }

    void watch(Downloader& downloader)
    {
        QObject::connect(&downloader, &Downloader::DownloadProgress, &context,
                         [this](qint64 read, qint64 max, const QString& path) {
                             progress.append({read, max});
                             seen(u"progress"_s, path);
                         });
        QObject::connect(&downloader, &Downloader::DownloadError, &context,
                         [this](const QString& path) {
                             errors.append(path);
                             seen(u"error"_s, path);
                         });
        QObject::connect(&downloader, &Downloader::DownloadComplete, &context,
                         [this](qint64 size, const QString& path) {
                             completions.append(size);
                             seen(u"complete"_s, path);
                         });
    }

private:
    void seen(const QString& event, const QString& path)
    {
        paths.append(path);
        if (during && event == duringEvent) {
            const auto action = std::move(during);
            during = nullptr;
            action();
        }
    }
    QObject context;
};

// One download component against its own sample site, saving into a temporary folder; the
// clock is fake and moves only with the fake pump.
struct Fixture {
    enum class Pump { Real, Fake };

    explicit Fixture(Pump kind = Pump::Real)
        : pump(kind == Pump::Real ? static_cast<EventPump&>(realPump)
                                  : static_cast<EventPump&>(ctx.pump))
    {
        site.listen();
        folder = ctx.path(u"files/"_s);
        QDir().mkpath(folder);
        target = folder + u"t.pdf"_s;
    }

    Downloader& start(const QString& url)
    {
        downloader = std::make_unique<Downloader>(network, ctx.clock, pump);
        events.watch(*downloader);
        downloader->BeginDownload(url, target);
        return *downloader;
    }

    bool waitForEnd(int milliseconds = 15000)
    {
        const QDeadlineTimer deadline(milliseconds);
        while (!events.ended() && !deadline.hasExpired()) {
            QTest::qWait(5);
        }
        return events.ended();
    }

    // Every entry of the folder, hidden ones included: temporary files show here.
    QStringList files() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    // Answers the requests for path in turn with the responses given, the last one again
    // for any further request.
    void routeSequence(const QString& path, QList<sample::Response> responses)
    {
        auto served = std::make_shared<int>(0);
        site.route(path, [served, responses](const sample::Request&) {
            return responses.at(qMin<qsizetype>((*served)++, responses.size() - 1));
        });
    }

    TestContext ctx;
    sample::SampleSite site;
    QNetworkAccessManager network;
    HookedEventPump realPump;
    EventPump& pump;
    Events events;
    std::unique_ptr<Downloader> downloader;
    QString folder;
    QString target;
};

sample::Response withDelivery(sample::Response response, sample::Response::Delivery delivery,
                              qint64 sendBytes = 0)
{
    response.delivery = delivery;
    response.sendBytes = sendBytes;
    return response;
}

sample::Response unsized(const QByteArray& body)
{
    return withDelivery(sample::Response::bytes(body, "application/pdf"),
                        sample::Response::Delivery::NoLength);
}

quint16 refusingPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort(); // closed again when server goes
}

} // namespace

class TestDownloader : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void placeholderWhileBodyStreams();
    void existingTargetIsNeverBroken_data();
    void existingTargetIsNeverBroken();
    void foregroundTransfer_data();
    void foregroundTransfer();
    void endedMidway_data();
    void endedMidway();
    void destroyedWhileTheBodyGoesToDisk_data();
    void destroyedWhileTheBodyGoesToDisk();
    void missingFolderFailsAfterStart();
    void fullDiskFails();
    void urlBase_data();
    void urlBase();
    void pageText_data();
    void pageText();
};

void TestDownloader::outcomes_data()
{
    QTest::addColumn<QString>("path"); // empty: a port where nothing listens
    QTest::addColumn<bool>("completes");
    QTest::addColumn<qint64>("max"); // BytesMax of every progress report
    QTest::addColumn<qint64>("lastRead"); // -1: no progress report
    QTest::addColumn<qint64>("stored"); // length of the target afterwards; -1: no file at all
    QTest::addColumn<QByteArray>("content"); // of the target, when given
    QTest::addColumn<bool>("foreground"); // fetched again through the component's client

    const QByteArray paper = sample::samplePdf(u"Sample paper"_s, 20000);
    const qint64 paperSize = paper.size();
    QTest::newRow("content length")
        << u"/dl/paper.pdf"_s << true << paperSize << paperSize << paperSize << paper << false;
    QTest::newRow("followed redirect")
        << u"/dl/moved.pdf"_s << true << paperSize << paperSize << paperSize << paper << false;
    // Fetched again in the foreground and counted in 16-bit units.
    const QByteArray unsizedPaper = sample::samplePdf(u"Unsized parallel paper"_s, 12345);
    QTest::newRow("no content length") << u"/dl2/nolength.pdf"_s << true << qint64(12344)
                                       << qint64(12344) << qint64(12345) << unsizedPaper << true;
    QTest::newRow("empty body") << u"/dl2/empty"_s << false << qint64(0) << qint64(0) << qint64(-1)
                                << QByteArray() << true;
    const qint64 cutLength = sample::samplePdf(u"Cut at 97"_s, 20000).size();
    QTest::newRow("body cut at 97 %")
        << u"/dl2/cut.pdf"_s << false << cutLength << cutLength * 97 / 100 << qint64(-1)
        << QByteArray() << false;
    // The server's answer is stored whatever its status; judging it is the caller's part.
    QTest::newRow("error status with a page")
        << u"/dl2/notfound.html"_s << true << qint64(700) << qint64(700) << qint64(700)
        << QByteArray() << false;
    QTest::newRow("refused connection")
        << QString() << false << qint64(0) << qint64(-1) << qint64(-1) << QByteArray() << true;
}

void TestDownloader::outcomes()
{
    QFETCH(QString, path);
    QFETCH(bool, completes);
    QFETCH(qint64, max);
    QFETCH(qint64, lastRead);
    QFETCH(qint64, stored);
    QFETCH(QByteArray, content);
    QFETCH(bool, foreground);

    Fixture f;
    const QString url =
        path.isEmpty() ? u"http://127.0.0.1:%1/x.pdf"_s.arg(refusingPort()) : f.site.urlText(path);
    f.start(url);
    QVERIFY(f.waitForEnd());
    QTest::qWait(50); // nothing may follow the end

    QCOMPARE(f.events.completions.size() + f.events.errors.size(), 1);
    QCOMPARE(f.events.completions.size(), completes ? 1 : 0);
    for (const QString& reported : std::as_const(f.events.paths)) {
        QCOMPARE(reported, f.target);
    }
    if (lastRead >= 0) {
        QVERIFY(!f.events.progress.isEmpty());
        for (const Events::Progress& p : std::as_const(f.events.progress)) {
            QCOMPARE(p.max, max);
        }
        QCOMPARE(f.events.progress.last().read, lastRead);
    }
    if (stored < 0) {
        QCOMPARE(f.files(), QStringList()); // no placeholder, no temporary file
    } else {
        QCOMPARE(f.files(), QStringList{u"t.pdf"_s});
        QCOMPARE(QFileInfo(f.target).size(), stored);
        QCOMPARE(f.events.completions.first(), stored);
        if (!content.isEmpty()) {
            QCOMPARE(readFile(f.target), content);
        }
    }
    if (!path.isEmpty()) {
        const QList<sample::Request> seen = f.site.requestsFor(path);
        QVERIFY(!seen.first().hasHeader("Referer"));
        if (foreground) {
            // The foreground transfer names the site as its referer.
            QVERIFY(seen.size() >= 2);
            QCOMPARE(seen.at(1).header("Referer"), (f.site.base() + u'/').toUtf8());
        } else {
            QCOMPARE(seen.size(), 1);
        }
    }
}

void TestDownloader::placeholderWhileBodyStreams()
{
    Fixture f;
    QByteArray seenDuring;
    f.events.duringEvent = u"progress"_s;
    f.events.during = [&] { seenDuring = readFile(f.target); };
    f.start(f.site.urlText(u"/dl/slow.pdf"_s));

    QCOMPARE(readFile(f.target), kPlaceholder); // on return from BeginDownload
    QVERIFY(f.waitForEnd());
    // While the body arrived the target held only the two bytes: naming decisions still see
    // the file, and nothing incomplete stood under its name.
    QCOMPARE(seenDuring, kPlaceholder);
    QVERIFY(f.events.progress.size() > 1);
    QCOMPARE(readFile(f.target), sample::samplePdf(u"Slow paper"_s, 20000));
    QCOMPARE(f.files(), QStringList{u"t.pdf"_s});
}

void TestDownloader::existingTargetIsNeverBroken_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("download completes") << u"/dl/paper.pdf"_s << true;
    QTest::newRow("download fails") << u"/dl2/empty"_s << false;
    QTest::newRow("body cut short") << u"/dl2/cut.pdf"_s << false;
}

void TestDownloader::existingTargetIsNeverBroken()
{
    QFETCH(QString, path);
    QFETCH(bool, replaced);

    Fixture f;
    const QByteArray old = "an earlier download of this name";
    {
        QFile file(f.target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    f.start(f.site.urlText(path));
    QCOMPARE(readFile(f.target), old); // neither shortened nor written into
    QVERIFY(f.waitForEnd());
    QCOMPARE(readFile(f.target), replaced ? sample::samplePdf(u"Sample paper"_s, 20000) : old);
    QCOMPARE(f.files(), QStringList{u"t.pdf"_s});
}

void TestDownloader::foregroundTransfer_data()
{
    using Delivery = sample::Response::Delivery;
    QTest::addColumn<sample::Response>("second"); // the answer to the foreground request
    QTest::addColumn<bool>("completes");
    QTest::addColumn<double>("minimumWait"); // seconds on the fake clock
    // The fake pump moves the clock by every wait, so the minute passes in no time; a request
    // that does get an answer is served by the real pump, where no minute can pass first.
    QTest::addColumn<bool>("fakePump");

    const QByteArray body = sample::samplePdf(u"Second answer"_s, 9000);
    const sample::Response sized = sample::Response::bytes(body, "application/pdf");
    QTest::newRow("announced length, read in chunks") << sized << true << 0.0 << false;
    QTest::newRow("body ends before its length")
        << withDelivery(sized, Delivery::CutShort, 5000) << false << 0.0 << false;
    sample::Response silent;
    silent.delivery = Delivery::NeverAnswer;
    QTest::newRow("no answer within a minute") << silent << false << 60.0 << true;
}

// The read finds no size, so the component fetches the URL again through its own client:
// the server answers that request with `second`.
void TestDownloader::foregroundTransfer()
{
    QFETCH(sample::Response, second);
    QFETCH(bool, completes);
    QFETCH(double, minimumWait);
    QFETCH(bool, fakePump);

    Fixture f(fakePump ? Fixture::Pump::Fake : Fixture::Pump::Real);
    f.routeSequence(u"/seq.pdf"_s, {unsized("first answer"), second});
    const double begun = f.ctx.clock.seconds();
    f.start(f.site.urlText(u"/seq.pdf"_s));
    QVERIFY(f.waitForEnd());

    QCOMPARE(f.events.completions.size(), completes ? 1 : 0);
    QVERIFY(f.ctx.clock.seconds() - begun >= minimumWait);
    if (completes) {
        QCOMPARE(readFile(f.target), second.body);
        QCOMPARE(f.events.completions.first(), qint64(second.body.size()));
        QVERIFY(!f.events.progress.isEmpty());
        for (const Events::Progress& p : std::as_const(f.events.progress)) {
            QCOMPARE(p.max, qint64(second.body.size()));
        }
        QCOMPARE(f.events.progress.last().read, qint64(second.body.size()));
        QCOMPARE(f.files(), QStringList{u"t.pdf"_s});
    } else {
        QCOMPARE(f.files(), QStringList());
    }
}

void TestDownloader::endedMidway_data()
{
    QTest::addColumn<QString>("how"); // destroy or cancel
    QTest::addColumn<QString>("when");
    QTest::newRow("destroyed while the body streams") << u"destroy"_s << u"progress"_s;
    QTest::newRow("cancelled while the body streams") << u"cancel"_s << u"progress"_s;
    QTest::newRow("destroyed while the foreground transfer waits") << u"destroy"_s << u"pump"_s;
    QTest::newRow("cancelled while the foreground transfer waits") << u"cancel"_s << u"pump"_s;
}

void TestDownloader::endedMidway()
{
    QFETCH(QString, how);
    QFETCH(QString, when);

    Fixture f;
    sample::Response silent;
    silent.delivery = sample::Response::Delivery::NeverAnswer;
    f.routeSequence(u"/seq.pdf"_s, {unsized("first answer"), silent});

    bool ended = false;
    int eventsAtEnd = -1;
    const auto end = [&] {
        if (ended) {
            return;
        }
        ended = true;
        eventsAtEnd = f.events.count();
        if (how == u"destroy"_s) {
            f.downloader.reset();
        } else {
            QCOMPARE(f.downloader->CancelAsyncRead(), false);
        }
    };
    if (when == u"progress"_s) {
        f.events.duringEvent = u"progress"_s;
        f.events.during = end;
        f.start(f.site.urlText(u"/dl2/slow.pdf"_s));
    } else {
        f.realPump.onPump = [&] {
            if (f.site.requestsFor(u"/seq.pdf"_s).size() == 2) {
                end();
            }
        };
        f.start(f.site.urlText(u"/seq.pdf"_s));
    }
    QTRY_VERIFY(ended);
    f.realPump.onPump = nullptr;
    QTest::qWait(300);

    QCOMPARE(f.events.count(), eventsAtEnd); // no event after the end
    QCOMPARE(f.files(), QStringList()); // placeholder and temporary file are gone
    if (f.downloader) {
        QVERIFY(!f.downloader->isRunning());
    }
}

// Stopping a download whose whole body is written but still on its way to a slow disk: the
// window does not wait for the disk, and nothing of the download stays or follows.
void TestDownloader::destroyedWhileTheBodyGoesToDisk_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("body read in the background") << u"/dl/paper.pdf"_s;
    QTest::newRow("body fetched in the foreground") << u"/dl2/nolength.pdf"_s;
}

void TestDownloader::destroyedWhileTheBodyGoesToDisk()
{
    QFETCH(QString, path);

    Fixture f;
    HeldSync sync(f.folder);
    bool destroyed = false;
    bool returnedWhileSyncing = false;
    // The foreground transfer serves the pump while the file syncs, so the stop may come
    // from there as well as from the test's own waiting.
    const auto destroyIfSyncing = [&] {
        if (destroyed || !sync.holding()) {
            return;
        }
        destroyed = true;
        f.downloader.reset();
        returnedWhileSyncing = sync.holding();
        sync.release();
    };
    f.realPump.onPump = destroyIfSyncing;
    f.start(f.site.urlText(path));
    QVERIFY(QTest::qWaitFor(
        [&] {
            destroyIfSyncing();
            return destroyed;
        },
        15000));
    f.realPump.onPump = nullptr;

    QVERIFY(returnedWhileSyncing);
    QTest::qWait(100);
    QCOMPARE(f.events.completions.size() + f.events.errors.size(), 0);
    QCOMPARE(f.files(), QStringList());
}

// The caller finishes starting the download before it learns of the failure.
void TestDownloader::missingFolderFailsAfterStart()
{
    Fixture f;
    f.target = f.folder + u"absent/t.pdf"_s;
    f.start(f.site.urlText(u"/dl2/paper.pdf"_s));
    QCOMPARE(f.events.count(), 0);
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.events.errors, QStringList{f.target});
    QCOMPARE(f.events.count(), 1);
    QVERIFY(!QFileInfo::exists(f.folder + u"absent"_s));
}

void TestDownloader::fullDiskFails()
{
    Fixture f;
    const FileSizeLimit limit(10000); // the body has 20000 bytes
    f.start(f.site.urlText(u"/dl/paper.pdf"_s));
    QVERIFY(f.waitForEnd());
    QCOMPARE(f.events.errors, QStringList{f.target});
    QCOMPARE(f.files(), QStringList());
}

void TestDownloader::urlBase_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("base");
    QTest::newRow("path") << u"http://host/a/b.pdf"_s << u"http://host/"_s;
    QTest::newRow("host only") << u"http://host"_s << u"http://host/"_s;
    QTest::newRow("no scheme") << u"host/a"_s << u"http://host/"_s;
    QTest::newRow("port") << u"https://host:8080/x?y=/z"_s << u"https://host:8080/"_s;
}

void TestDownloader::urlBase()
{
    QFETCH(QString, url);
    QFETCH(QString, base);
    QCOMPARE(UrlBase(url), base);
}

void TestDownloader::pageText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString title = u"<title>HTTP 404 未找到</title>"_s;
    QStringEncoder gb("GB18030");
    QStringEncoder utf16(QStringConverter::Utf16LE);
    QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF") + title.toUtf8();
    QTest::newRow("utf-16 mark") << QByteArray("\xFF\xFE") + QByteArray(utf16.encode(title));
    QTest::newRow("meta charset") << QByteArray(gb.encode(u"<meta charset=\"gbk\">"_s + title));
    QTest::newRow("meta content type") << QByteArray(gb.encode(
        u"<META http-equiv=Content-Type content=\"text/html; charset=GB2312\">"_s + title));
    QTest::newRow("valid utf-8") << title.toUtf8();
    QTest::newRow("neither: gb18030") << QByteArray(gb.encode(title));
    // A charset the converters do not know falls back to the tests that follow it.
    QTest::newRow("unknown charset")
        << QByteArray(gb.encode(u"<meta charset=\"x-unknown\">"_s + title));
}

void TestDownloader::pageText()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(DecodePageText(bytes).contains(u"<title>HTTP 404 未找到</title>"_s));
}

ZORV_TEST_MAIN(TestDownloader)
#include "tst_downloader.moc"
