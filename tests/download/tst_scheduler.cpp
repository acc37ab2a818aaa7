#include "DownloadRig.h"
#include "TestMain.h"
#include "app/SettingKeys.h"

#include <QFile>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("existing");
}

// Stands in for the parallel transfers: counts what the scheduler asks of them.
class FakeMethod2 final : public Method2Transfers {
public:
    void fillSlots() override { ++fills; }
    void runWatchdog() override { ++watchdogs; }
    bool anySlotBusy(int) const override { return busy > 0; }
    int busySlotCount() const override { return busy; }
    void releaseAllSlots() override
    {
        ++releases;
        busy = 0;
    }
    int fills = 0;
    int watchdogs = 0;
    int releases = 0;
    int busy = 0;
};

} // namespace

class TestScheduler : public QObject {
    Q_OBJECT
private slots:
    void intervalBetweenDownloads();
    void skippedItemsInOneTick();
    void emptyListSwitchesOff();
    void autoStartCountsItemsWithEmptyColumns();
    void autoRedownload_data();
    void autoRedownload();
    void failingItemIsRetriedAgainAndAgain();
    void autoRedownloadRefusedWhileClientExecutes();
    void stopFailsRunningItemAndKeepsWaiting();
    void methodSwitchCancelsRunningTransfer();
    void parallelTransfersSeam();
};

void TestScheduler::intervalBetweenDownloads()
{
    DownloadRig rig;
    const QString first = rig.add(u"/dl/paper.pdf"_s, u"first"_s);
    const QString second = rig.add(u"/dl/octet.pdf"_s, u"second"_s);
    rig.scheduler.setInterval(5);
    rig.scheduler.startDownloading();
    rig.ctx.clock.advance(5.5);

    rig.scheduler.schedulerTick();
    QCOMPARE(rig.list.state(first), DownloadState::Completed);
    QCOMPARE(rig.list.state(second), DownloadState::Waiting);
    QCOMPARE(rig.scheduler.LastDoneTime(), rig.ctx.clock.seconds());
    QCOMPARE(rig.scheduler.slotItem(1), first);
    QCOMPARE(rig.scheduler.panelText(3), u"12 该请求已经完成，并且所有数据均已接收到。"_s);

    rig.ctx.clock.advance(5.0);
    rig.scheduler.schedulerTick(); // not more than five seconds: nothing starts
    QCOMPARE(rig.list.state(second), DownloadState::Waiting);
    QCOMPARE(rig.site.requestsFor(u"/dl/octet.pdf"_s).size(), 0);

    rig.ctx.clock.advance(0.5);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.list.state(second), DownloadState::Completed);
    QCOMPARE(rig.files(), (QStringList{u"first.pdf"_s, u"second.pdf"_s}));
}

void TestScheduler::skippedItemsInOneTick()
{
    DownloadRig rig;
    rig.scheduler.setSameNameOption(SameNameOption::Skip);
    for (const QString& name : {u"a"_s, u"b"_s, u"c"_s}) {
        touch(rig.folder + name + u".pdf"_s);
        rig.add(u"/dl/"_s + name + u".pdf"_s, name);
    }
    rig.scheduler.startDownloading();
    rig.ctx.clock.advance(1);

    rig.scheduler.schedulerTick();
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(rig.list.at(row).state, DownloadState::Completed);
        QCOMPARE(rig.list.at(row).size, u"8"_s);
        QCOMPARE(rig.list.at(row).percentage, u"已存在，跳过"_s);
    }
    QVERIFY(rig.site.requests().isEmpty());
    // The option is stored at every tick.
    QCOMPARE(rig.ctx.shared.SameNamePolicy, u"跳过"_s);
    QCOMPARE(rig.ctx.shared.read(SettingKeys::sectionDownload(), SettingKeys::sameNamePolicy(),
                                 QString()),
             u"跳过"_s);

    QSignalSpy off(&rig.scheduler, &DownloadScheduler::timerDownChanged);
    rig.scheduler.supervisorTick();
    QVERIFY(!rig.scheduler.timerDownEnabled());
    QCOMPARE(off.size(), 1);
    QVERIFY(rig.scheduler.startMenuEnabled());
    QCOMPARE(rig.scheduler.panelText(4), u"总数：3|正在下载：0|等待：0|已完成：3|失败：0"_s);
}

void TestScheduler::emptyListSwitchesOff()
{
    DownloadRig rig;
    rig.scheduler.startDownloading();
    rig.scheduler.schedulerTick();
    QVERIFY(!rig.scheduler.timerDownEnabled());
}

void TestScheduler::autoStartCountsItemsWithEmptyColumns()
{
    DownloadRig rig;
    rig.scheduler.setAutoStart(true);
    const QString putBack = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);
    rig.list.setSize(putBack, u"等待重新下载"_s);

    rig.scheduler.supervisorTick();
    QVERIFY(!rig.scheduler.timerDownEnabled());

    rig.add(u"/dl/octet.pdf"_s, u"octet"_s);
    rig.scheduler.supervisorTick();
    QVERIFY(rig.scheduler.timerDownEnabled());
}

void TestScheduler::autoRedownload_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QStringList>("requeued");
    QTest::newRow("failed items") << int(DownloadScheduler::RedownloadChoice::Failed)
                                  << QStringList{u"bad"_s, u"badpage"_s};
    QTest::newRow("htm and html items") << int(DownloadScheduler::RedownloadChoice::HtmlPages)
                                        << QStringList{u"page"_s, u"badpage"_s};
    QTest::newRow("both") << int(DownloadScheduler::RedownloadChoice::FailedAndHtmlPages)
                          << QStringList{u"bad"_s, u"page"_s, u"badpage"_s};
}

void TestScheduler::autoRedownload()
{
    QFETCH(int, choice);
    QFETCH(QStringList, requeued);

    DownloadRig rig;
    const QList<std::pair<QString, QString>> rows{{u"good"_s, u"pdf"_s},
                                                  {u"bad"_s, u"pdf"_s},
                                                  {u"page"_s, u"html"_s},
                                                  {u"badpage"_s, u"htm"_s}};
    for (const auto& [name, type] : rows) {
        const QString key = rig.add(u"/dl/"_s + name, name, type);
        const bool failed = name.startsWith(u"bad"_s);
        rig.list.setState(key, failed ? DownloadState::Failed : DownloadState::Completed);
        rig.list.setProgress(key, u"5"_s, u"5"_s, u"100%"_s);
    }
    rig.scheduler.setAutoRedownload(true);
    rig.scheduler.setRedownloadChoice(DownloadScheduler::RedownloadChoice(choice));
    const double now = rig.ctx.clock.seconds();

    rig.scheduler.supervisorTick();

    QCOMPARE(rig.ctx.clock.seconds(), now); // within the same second
    QVERIFY(rig.scheduler.timerDownEnabled());
    for (int row = 0; row < rig.list.rowCount(); ++row) {
        const DownloadItem item = rig.list.at(row);
        QCOMPARE(item.state == DownloadState::Waiting, requeued.contains(item.text));
    }
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());
}

void TestScheduler::failingItemIsRetriedAgainAndAgain()
{
    DownloadRig rig;
    const QString key = rig.add(u"/dl/missing.pdf"_s, u"missing"_s);
    rig.scheduler.setAutoRedownload(true);
    rig.scheduler.startDownloading();
    for (int round = 1; round <= 3; ++round) {
        rig.ctx.clock.advance(1);
        rig.scheduler.schedulerTick();
        QCOMPARE(rig.list.state(key), DownloadState::Failed);
        rig.scheduler.supervisorTick();
        QCOMPARE(rig.list.state(key), DownloadState::Waiting);
        QVERIFY(rig.scheduler.timerDownEnabled());
        QCOMPARE(rig.site.requestsFor(u"/dl/missing.pdf"_s).size(), round);
    }
}

void TestScheduler::autoRedownloadRefusedWhileClientExecutes()
{
    DownloadRig rig;
    const QString key = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);
    rig.list.setState(key, DownloadState::Failed);
    rig.scheduler.setAutoRedownload(true);
    rig.inet.Execute(rig.url(u"/dl/silent"_s));
    QVERIFY(rig.inet.StillExecuting());

    rig.scheduler.supervisorTick();

    QCOMPARE(rig.ctx.prompter.messages(), QStringList{u"停止下载以后，才能执行此操作！"_s});
    QCOMPARE(rig.ctx.prompter.boxes.first().icon, Prompter::Icon::Information);
    QCOMPARE(rig.list.state(key), DownloadState::Failed);
    QVERIFY(rig.scheduler.timerDownEnabled()); // switched on all the same
    rig.inet.Cancel();
}

void TestScheduler::stopFailsRunningItemAndKeepsWaiting()
{
    DownloadRig rig;
    const QString stalled = rig.add(u"/dl/stall.pdf"_s, u"stalled"_s);
    const QString waiting = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);
    rig.realPump.onPump = [&] {
        if (rig.list.item(stalled).downloaded == u"4096"_s && rig.scheduler.TransferBusy()) {
            rig.scheduler.StopDownload();
        }
    };
    rig.scheduler.startDownloading();
    rig.ctx.clock.advance(1);

    rig.scheduler.schedulerTick(); // returns once the stop has cancelled the transfer

    const DownloadItem item = rig.list.item(stalled);
    QCOMPARE(item.state, DownloadState::Failed);
    QCOMPARE(item.size, u"下载取消"_s);
    const DownloadItem next = rig.list.item(waiting);
    QCOMPARE(next.state, DownloadState::Waiting);
    QVERIFY(next.size.isEmpty() && next.downloaded.isEmpty() && next.percentage.isEmpty());
    QVERIFY(!rig.scheduler.timerDownEnabled());
    QVERIFY(!rig.scheduler.TransferBusy());
    QVERIFY(rig.files().isEmpty()); // the partial body went with its temporary file
    QVERIFY(rig.site.requestsFor(u"/dl/paper.pdf"_s).isEmpty());
}

void TestScheduler::methodSwitchCancelsRunningTransfer()
{
    DownloadRig rig;
    const QString stalled = rig.add(u"/dl/stall.pdf"_s, u"stalled"_s);
    QSignalSpy switched(&rig.scheduler, &DownloadScheduler::methodSwitched);
    bool done = false;
    rig.realPump.onPump = [&] {
        if (!done && rig.list.item(stalled).downloaded == u"4096"_s) {
            done = true;
            rig.scheduler.switchMethod();
            QVERIFY(rig.scheduler.TransferBusy()); // switching alone stops nothing
            rig.scheduler.supervisorTick(); // the busy rule of the new method clears the flag
        }
    };
    rig.scheduler.startDownloading();
    rig.ctx.clock.advance(1);

    rig.scheduler.schedulerTick();

    QVERIFY(done);
    QCOMPARE(rig.scheduler.method(), 2);
    QCOMPARE(switched.size(), 1);
    QCOMPARE(switched.first().at(0).toInt(), 2);
    QCOMPARE(rig.scheduler.threadCount(), 1);
    QVERIFY(!rig.scheduler.timerDownEnabled());
    QVERIFY(!rig.scheduler.TransferBusy());
    QCOMPARE(rig.list.state(stalled), DownloadState::Failed);
    QCOMPARE(rig.list.item(stalled).size, u"下载取消"_s);
    QVERIFY(rig.files().isEmpty());

    rig.scheduler.switchMethod();
    QCOMPARE(rig.scheduler.method(), 1);
    QCOMPARE(switched.last().at(0).toInt(), 1);
}

void TestScheduler::parallelTransfersSeam()
{
    DownloadRig rig;
    FakeMethod2 parallel;
    rig.scheduler.setMethod2(&parallel);
    rig.ctx.shared.DownloadMethod = 2;
    const QString key = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);
    rig.scheduler.setInterval(2);

    QCOMPARE(rig.scheduler.CountDownloaders(), 1);
    parallel.busy = 3;
    QCOMPARE(rig.scheduler.CountDownloaders(), 4);
    QVERIFY(rig.scheduler.DownloadsRunning());

    rig.scheduler.startDownloading();
    rig.scheduler.schedulerTick(); // inside the interval
    QCOMPARE(parallel.fills, 0);
    rig.ctx.clock.advance(2.5);
    rig.scheduler.schedulerTick();
    QCOMPARE(parallel.fills, 1);
    QVERIFY(rig.site.requests().isEmpty()); // method 1 stays out

    rig.list.setState(key, DownloadState::Downloading);
    rig.scheduler.supervisorTick();
    QCOMPARE(parallel.watchdogs, 1);
    QVERIFY(rig.scheduler.TransferBusy());

    rig.scheduler.StopDownload();
    QCOMPARE(parallel.releases, 1);
    QVERIFY(!rig.scheduler.TransferBusy());
    QCOMPARE(rig.list.state(key), DownloadState::Failed);
    QCOMPARE(rig.scheduler.CountDownloaders(), 1);
}

ZORV_TEST_MAIN(TestScheduler)
#include "tst_scheduler.moc"
