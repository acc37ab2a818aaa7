#include "DownloadRig.h"
#include "SamplePdf.h"
#include "TestMain.h"
#include "download/Method2Slots.h"
#include "net/Downloader.h"

#include <QDeadlineTimer>
#include <QFile>

#include <functional>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The download list, scheduler and method-2 slots against the sample site, as the download
// window runs them under method 2: the test calls the ticks and moves the fake clock.
struct Method2Rig : DownloadRig {
    explicit Method2Rig(int threads = 3)
        : method2(scheduler, network)
    {
        ctx.shared.DownloadMethod = 2;
        scheduler.setMethod2(&method2);
        scheduler.setThreadCount(threads);
        scheduler.startDownloading();
    }

    // One scheduler tick, a second (or the step given) after the previous one.
    void tick(double step = 1.0)
    {
        ctx.clock.advance(step);
        scheduler.schedulerTick();
    }

    static bool waitFor(const std::function<bool()>& condition, int milliseconds = 15000)
    {
        const QDeadlineTimer deadline(milliseconds);
        while (!condition() && !deadline.hasExpired()) {
            QTest::qWait(5);
        }
        return condition();
    }

    bool waitWhileDownloading(const QString& key)
    {
        return waitFor([&] { return list.state(key) != DownloadState::Downloading; });
    }

    // Answers the requests for path in turn with the responses given, the last one again.
    void routeSequence(const QString& path, QList<sample::Response> responses)
    {
        auto served = std::make_shared<int>(0);
        site.route(path, [served, responses](const sample::Request&) {
            return responses.at(qMin<qsizetype>((*served)++, responses.size() - 1));
        });
    }

    Method2Slots method2;
};

sample::Response silentResponse()
{
    sample::Response response;
    response.delivery = sample::Response::Delivery::NeverAnswer;
    return response;
}

sample::Response unsizedResponse(const QByteArray& body)
{
    sample::Response response = sample::Response::bytes(body, "application/pdf");
    response.delivery = sample::Response::Delivery::NoLength;
    return response;
}

} // namespace

class TestMethod2 : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void busySlotsAndStop();
    void startOrder();
    void stallWatchdog_data();
    void stallWatchdog();
    void sameNameInOneTick_data();
    void sameNameInOneTick();
    void methodSwitchedWhileASlotRuns();
    void sixThreads();
};

void TestMethod2::outcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("percentage");
    QTest::addColumn<qint64>("stored"); // length of the file kept; -1: no file at all
    QTest::addColumn<bool>("done"); // the interval before the next start counts from the end

    const int completed = int(DownloadState::Completed);
    const int failed = int(DownloadState::Failed);
    QTest::newRow("3000-byte pdf")
        << u"/dl2/paper.pdf"_s << completed << u"3000"_s << u"100%"_s << qint64(3000) << true;
    QTest::newRow("small ordinary page")
        << u"/dl/page.html"_s << completed << QString() << u"100%"_s << qint64(-2) << true;
    QTest::newRow("700-byte 404 page")
        << u"/dl2/notfound.html"_s << failed << u"700"_s << QString() << qint64(-1) << true;
    QTest::newRow("GB18030 404 page")
        << u"/dl2/gb-404.html"_s << failed << QString() << QString() << qint64(-1) << true;
    QTest::newRow("GB18030 404 page without a charset")
        << u"/dl2/gb-404-plain.html"_s << failed << QString() << QString() << qint64(-1) << true;
    QTest::newRow("20000-byte error page") << u"/dl2/error-page.html"_s << completed << u"20000"_s
                                           << u"100%"_s << qint64(20000) << true;
    // The foreground transfer reports (n, n).
    QTest::newRow("no content length")
        << u"/dl2/nolength.pdf"_s << completed << u"12344"_s << u"100%"_s << qint64(12345) << true;
    const qint64 cutLength = sample::samplePdf(u"Cut at 97"_s, 20000).size();
    QTest::newRow("body cut at 97 %") << u"/dl2/cut.pdf"_s << failed << QString::number(cutLength)
                                      << u"97%"_s << qint64(-1) << false;
    QTest::newRow("empty body") << u"/dl2/empty"_s << failed << QString() << QString() << qint64(-1)
                                << false;
}

void TestMethod2::outcomes()
{
    QFETCH(QString, path);
    QFETCH(int, state);
    QFETCH(QString, size);
    QFETCH(QString, percentage);
    QFETCH(qint64, stored);
    QFETCH(bool, done);

    Method2Rig rig;
    const QString key = rig.add(path, u"item"_s, u"pdf"_s);
    const double before = rig.scheduler.LastDoneTime();
    rig.tick();
    QCOMPARE(rig.list.state(key), DownloadState::Downloading);
    QCOMPARE(rig.scheduler.slotItem(1), key);
    QCOMPARE(rig.scheduler.CountDownloaders(), 2);
    QVERIFY(rig.waitWhileDownloading(key));

    const DownloadItem item = rig.list.item(key);
    QCOMPARE(int(item.state), state);
    if (!size.isEmpty()) {
        QCOMPARE(item.size, size);
        QCOMPARE(item.downloaded, state == int(DownloadState::Completed) ? size : item.downloaded);
    }
    QCOMPARE(item.percentage, percentage);
    QCOMPARE(item.type, u"pdf"_s); // this method never changes the type
    QVERIFY(!rig.method2.downloader(1));
    QCOMPARE(rig.scheduler.CountDownloaders(), 1);
    QCOMPARE(rig.scheduler.LastDoneTime(), done ? rig.ctx.clock.seconds() : before);
    if (stored == -1) {
        QCOMPARE(rig.files(), QStringList()); // no page, no placeholder, no temporary file
    } else {
        QCOMPARE(rig.files(), QStringList{u"item.pdf"_s});
        if (stored >= 0) {
            QCOMPARE(QFileInfo(rig.folder + u"item.pdf"_s).size(), stored);
        }
    }
}

// Slots busy in every phase: reading a body, waiting for an answer, and in the foreground
// transfer after a read that announced no size.
void TestMethod2::busySlotsAndStop()
{
    Method2Rig rig(3);
    rig.routeSequence(u"/unsized-then-silent.pdf"_s,
                      {unsizedResponse("no length"), silentResponse()});
    const QString streaming = rig.add(u"/dl2/slow.pdf"_s, u"streaming"_s);
    const QString silent = rig.add(u"/dl2/never"_s, u"silent"_s);
    const QString foreground = rig.add(u"/unsized-then-silent.pdf"_s, u"foreground"_s);
    const QString waiting = rig.add(u"/dl2/paper.pdf"_s, u"waiting"_s);

    rig.tick();
    QCOMPARE(rig.scheduler.CountDownloaders(), 4);
    QCOMPARE(rig.list.state(waiting), DownloadState::Waiting);

    // The foreground transfer serves the event pump until it ends, so the stop comes from
    // there, as a click on the stop button would.
    bool stopped = false;
    bool busyBeforeStop = false;
    QStringList filesBeforeStop;
    rig.realPump.onPump = [&] {
        const bool allUnderWay = !rig.list.item(streaming).downloaded.isEmpty()
            && rig.site.requestsFor(u"/unsized-then-silent.pdf"_s).size() == 2;
        if (stopped || !allUnderWay) {
            return;
        }
        stopped = true;
        rig.scheduler.supervisorTick();
        busyBeforeStop = rig.scheduler.TransferBusy();
        filesBeforeStop = rig.files();
        rig.scheduler.StopDownload();
    };
    QVERIFY(Method2Rig::waitFor([&] { return stopped; }));
    rig.realPump.onPump = nullptr;
    QVERIFY(busyBeforeStop);
    QCOMPARE(filesBeforeStop,
             (QStringList{u"foreground.pdf"_s, u"silent.pdf"_s, u"streaming.pdf"_s}));

    for (const QString& key : {streaming, silent, foreground}) {
        QCOMPARE(rig.list.state(key), DownloadState::Failed);
    }
    QCOMPARE(rig.list.state(waiting), DownloadState::Waiting);
    QCOMPARE(rig.scheduler.CountDownloaders(), 1);
    for (int slot = 1; slot <= Method2Slots::kMaxThreads; ++slot) {
        QVERIFY(!rig.method2.downloader(slot));
    }
    QVERIFY(!rig.scheduler.TransferBusy());
    // Nothing half-done stays under the names, and nothing arrives afterwards.
    QCOMPARE(rig.files(), QStringList());
    const QString progress = rig.list.item(streaming).downloaded;
    QTest::qWait(300);
    QCOMPARE(rig.list.item(streaming).downloaded, progress);
    QCOMPARE(rig.list.state(streaming), DownloadState::Failed);
}

void TestMethod2::startOrder()
{
    Method2Rig rig(3);
    rig.scheduler.setInterval(5);
    QStringList keys;
    keys << rig.add(u"/dl2/never?1"_s, u"one"_s) << rig.add(u"/dl2/paper.pdf?2"_s, u"two"_s)
         << rig.add(u"/dl2/never?3"_s, u"three"_s) << rig.add(u"/dl2/paper.pdf?4"_s, u"four"_s)
         << rig.add(u"/dl2/paper.pdf?5"_s, u"five"_s);
    rig.ctx.clock.advance(5.0);

    rig.tick(); // fills every free slot in list order
    for (int slot = 1; slot <= 3; ++slot) {
        QCOMPARE(rig.scheduler.slotItem(slot), keys.at(slot - 1));
        QCOMPARE(rig.list.state(keys.at(slot - 1)), DownloadState::Downloading);
    }
    QCOMPARE(rig.list.state(keys.at(3)), DownloadState::Waiting);

    QVERIFY(rig.waitWhileDownloading(keys.at(1)));
    QCOMPARE(rig.list.state(keys.at(1)), DownloadState::Completed);
    QVERIFY(!rig.method2.downloader(2));
    const double done = rig.scheduler.LastDoneTime();
    QCOMPARE(done, rig.ctx.clock.seconds());

    rig.ctx.clock.advance(5.0);
    rig.scheduler.schedulerTick(); // five seconds are not more than the interval
    QCOMPARE(rig.list.state(keys.at(3)), DownloadState::Waiting);
    rig.ctx.clock.advance(0.5);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.scheduler.slotItem(2), keys.at(3));
    QCOMPARE(rig.list.state(keys.at(3)), DownloadState::Downloading);
    QCOMPARE(rig.list.state(keys.at(4)), DownloadState::Waiting);

    // The free slot waits for the interval after any completion, then takes the next item.
    QVERIFY(rig.waitWhileDownloading(keys.at(3)));
    rig.ctx.clock.advance(1.0);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.list.state(keys.at(4)), DownloadState::Waiting);
    rig.ctx.clock.advance(5.0);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.scheduler.slotItem(2), keys.at(4));
    QCOMPARE(rig.scheduler.slotItem(1), keys.at(0));
    QCOMPARE(rig.scheduler.slotItem(3), keys.at(2));
    rig.scheduler.StopDownload();
}

void TestMethod2::stallWatchdog_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("failsAfterTwoMinutes");
    QTest::newRow("server never answers") << u"/dl2/never"_s << true;
    QTest::newRow("size announced, then silence") << u"/dl/stall.pdf"_s << false;
}

void TestMethod2::stallWatchdog()
{
    QFETCH(QString, path);
    QFETCH(bool, failsAfterTwoMinutes);

    Method2Rig rig;
    const QString key = rig.add(path, u"stalled"_s);
    rig.tick();
    const double started = rig.ctx.clock.seconds();
    QCOMPARE(rig.method2.slotStart(1), started);
    if (failsAfterTwoMinutes) {
        QVERIFY(Method2Rig::waitFor([&] { return !rig.site.requestsFor(path).isEmpty(); }));
    } else {
        QVERIFY(Method2Rig::waitFor([&] { return !rig.list.item(key).size.isEmpty(); }));
    }

    rig.ctx.clock.advance(119.5);
    rig.scheduler.supervisorTick();
    QCOMPARE(rig.list.state(key), DownloadState::Downloading);
    QVERIFY(rig.method2.downloader(1));

    rig.ctx.clock.advance(0.5);
    rig.scheduler.supervisorTick();
    if (failsAfterTwoMinutes) {
        QCOMPARE(rig.list.state(key), DownloadState::Failed);
        QVERIFY(!rig.method2.downloader(1));
        QCOMPARE(rig.scheduler.CountDownloaders(), 1);
        QCOMPARE(rig.files(), QStringList());
    } else {
        QCOMPARE(rig.list.state(key), DownloadState::Downloading);
        QVERIFY(rig.method2.downloader(1));
        rig.scheduler.StopDownload();
    }
}

void TestMethod2::sameNameInOneTick_data()
{
    QTest::addColumn<SameNameOption>("option");
    QTest::newRow("rename") << SameNameOption::Rename;
    QTest::newRow("skip") << SameNameOption::Skip;
}

// The first item's placeholder exists as soon as its slot starts, so the second item of the
// same name, started in the same tick, already sees it.
void TestMethod2::sameNameInOneTick()
{
    QFETCH(SameNameOption, option);

    Method2Rig rig;
    rig.scheduler.setSameNameOption(option);
    const QString first = rig.add(u"/dl2/paper.pdf?1"_s, u"dup"_s);
    const QString second = rig.add(u"/dl2/paper.pdf?2"_s, u"dup"_s);
    rig.tick();
    QVERIFY(rig.waitWhileDownloading(first));
    QVERIFY(rig.waitWhileDownloading(second));

    const QByteArray paper = sample::samplePdf(u"Parallel paper"_s, 3000);
    QCOMPARE(rig.list.state(first), DownloadState::Completed);
    QCOMPARE(rig.list.item(first).text, u"dup"_s);
    QCOMPARE(readFile(rig.folder + u"dup.pdf"_s), paper);
    const DownloadItem item = rig.list.item(second);
    QCOMPARE(item.state, DownloadState::Completed);
    if (option == SameNameOption::Rename) {
        QCOMPARE(item.text, u"dup[001]"_s);
        QCOMPARE(item.percentage, u"100%"_s);
        QCOMPARE(rig.files(), (QStringList{u"dup.pdf"_s, u"dup[001].pdf"_s}));
        QCOMPARE(readFile(rig.folder + u"dup[001].pdf"_s), paper);
    } else {
        QCOMPARE(item.size, u"2"_s);
        QCOMPARE(item.downloaded, u"2"_s);
        QCOMPARE(item.percentage, u"已存在，跳过"_s);
        QCOMPARE(rig.files(), QStringList{u"dup.pdf"_s});
        QCOMPARE(rig.site.requestsFor(u"/dl2/paper.pdf"_s).size(), 1);
    }
}

// The method switched while slot 1 runs, and the next item started through method 1, which
// serves slot 1 as well: the running slot still reports into its own row, not the new one's.
void TestMethod2::methodSwitchedWhileASlotRuns()
{
    Method2Rig rig(1);
    const QString slow = rig.add(u"/dl/slow.pdf"_s, u"slow"_s);
    const QString next = rig.add(u"/dl2/paper.pdf"_s, u"next"_s);
    rig.tick();
    QCOMPARE(rig.scheduler.slotItem(1), slow);

    rig.scheduler.switchMethod();
    rig.scheduler.supervisorTick(); // the busy flag falls: nothing runs under method 1
    rig.scheduler.startDownloading();
    rig.tick(); // method 1 fetches the next item inside the tick
    QCOMPARE(rig.scheduler.slotItem(1), next);
    QVERIFY(Method2Rig::waitFor([&] { return !rig.method2.downloader(1); }));

    const QByteArray slowPaper = sample::samplePdf(u"Slow paper"_s, 20000);
    const DownloadItem slowItem = rig.list.item(slow);
    QCOMPARE(slowItem.state, DownloadState::Completed);
    QCOMPARE(slowItem.size, QString::number(slowPaper.size()));
    QCOMPARE(readFile(rig.folder + u"slow.pdf"_s), slowPaper);
    const DownloadItem nextItem = rig.list.item(next);
    QCOMPARE(nextItem.state, DownloadState::Completed);
    QCOMPARE(nextItem.size, u"3000"_s);
    QCOMPARE(readFile(rig.folder + u"next.pdf"_s), sample::samplePdf(u"Parallel paper"_s, 3000));
}

// A whole list through six slots, every case mixed, run by the ticks as the window runs them:
// every row ends completed or failed, and the folder holds exactly the usable files.
void TestMethod2::sixThreads()
{
    Method2Rig rig(6);
    struct Case {
        QString path;
        QString name;
        DownloadState end;
    };
    const QList<Case> cases{
        {u"/dl2/paper.pdf?a"_s, u"a"_s, DownloadState::Completed},
        {u"/dl2/notfound.html"_s, u"b"_s, DownloadState::Failed},
        {u"/dl/paper.pdf"_s, u"c"_s, DownloadState::Completed},
        {u"/dl2/cut.pdf"_s, u"d"_s, DownloadState::Failed},
        {u"/dl2/nolength.pdf"_s, u"e"_s, DownloadState::Completed},
        {u"/dl/slow.pdf"_s, u"f"_s, DownloadState::Completed},
        {u"/dl2/empty"_s, u"g"_s, DownloadState::Failed},
        {u"/dl2/gb-404.html"_s, u"h"_s, DownloadState::Failed},
        {u"/dl/octet.pdf"_s, u"i"_s, DownloadState::Completed},
        {u"/dl2/error-page.html"_s, u"j"_s, DownloadState::Completed},
        {u"/dl2/paper.pdf?k"_s, u"k"_s, DownloadState::Completed},
        {u"/dl/missing.pdf"_s, u"l"_s, DownloadState::Failed},
    };
    QStringList expectedFiles;
    for (const Case& c : cases) {
        rig.add(c.path, c.name);
        if (c.end == DownloadState::Completed) {
            expectedFiles << c.name + u".pdf"_s;
        }
    }

    int busiest = 0;
    const bool finished = Method2Rig::waitFor(
        [&] {
            // Short steps keep the stall watchdog far away however slowly the test runs.
            rig.tick(0.25);
            rig.scheduler.supervisorTick();
            busiest = qMax(busiest, rig.scheduler.CountDownloaders() - 1);
            QTest::qWait(20);
            return !rig.scheduler.timerDownEnabled();
        },
        30000);
    QVERIFY(finished);
    QCOMPARE(busiest, 6);
    for (const Case& c : cases) {
        QCOMPARE(rig.list.state(rig.url(c.path)), c.end);
    }
    QCOMPARE(rig.files(), expectedFiles);
    QCOMPARE(rig.scheduler.CountDownloaders(), 1);
    QVERIFY(!rig.scheduler.TransferBusy());
    QCOMPARE(rig.scheduler.panelText(4), rig.list.statusCountsText());
}

ZORV_TEST_MAIN(TestMethod2)
#include "tst_method2.moc"
