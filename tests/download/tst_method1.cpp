#include "DownloadRig.h"
#include "FileSizeLimit.h"
#include "SamplePdf.h"
#include "TestMain.h"
#include "TinyProxy.h"
#include "download/Method1Transfer.h"

#include <QFile>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

constexpr qsizetype kPaperSize = 20000;

QByteArray paper(const QString& title) { return sample::samplePdf(title, kPaperSize); }

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs one item through the transfer as the scheduler would start it.
bool transfer(DownloadRig& rig, const QString& key)
{
    rig.list.setState(key, DownloadState::Downloading);
    return rig.scheduler.method1().Inet下载当前文件(key, QString(), key);
}

} // namespace

class TestMethod1 : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data();
    void outcomes();
    void progressInChunks();
    void refusedConnectionFails();
    void missingFolderFails();
    void fullDiskFails();
    void existingTarget_data();
    void existingTarget();
    void busyPutsItemBack();
    void silentServerFailsAfterMinute();
    void proxy_data();
    void proxy();
    void rowsMoveDuringTransfer();
};

void TestMethod1::outcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("endType");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("downloaded");
    QTest::addColumn<QString>("percentage");
    QTest::addColumn<QString>("file"); // the one file in the folder afterwards, or none
    QTest::addColumn<QByteArray>("content");

    const int done = int(DownloadState::Completed);
    const int failed = int(DownloadState::Failed);
    const QByteArray pdf = paper(u"Sample paper"_s);
    const QString pdfSize = QString::number(pdf.size());
    QTest::newRow("pdf with length") << u"/dl/paper.pdf"_s << u"pdf"_s << done << u"pdf"_s
                                     << pdfSize << pdfSize << u"100%"_s << u"paper.pdf"_s << pdf;
    QTest::newRow("followed redirect") << u"/dl/moved.pdf"_s << u"pdf"_s << done << u"pdf"_s
                                       << pdfSize << pdfSize << u"100%"_s << u"paper.pdf"_s << pdf;

    const QByteArray octet = paper(u"Octet paper"_s);
    const QString octetSize = QString::number(octet.size());
    QTest::newRow("octet-stream pdf keeps its name")
        << u"/dl/octet.pdf"_s << u"pdf"_s << done << u"pdf"_s << octetSize << octetSize << u"100%"_s
        << u"paper.pdf"_s << octet;

    const QByteArray page =
        "<html><head><title>文章页</title></head><body><p>正文</p></body></html>";
    const QString pageSize = QString::number(page.size());
    QTest::newRow("html with a charset parameter")
        << u"/dl/page.html"_s << u"pdf"_s << done << u"html"_s << pageSize << pageSize << u"100%"_s
        << u"paper.html"_s << page;

    // Without a length the body is fetched whole and counted in 16-bit units.
    const QByteArray unsized = paper(u"Unsized paper"_s);
    const QString even = QString::number(unsized.size() / 2 * 2);
    QTest::newRow("no length") << u"/dl/nolength.pdf"_s << u"pdf"_s << done << u"pdf"_s << even
                               << even << u"100%"_s << u"paper.pdf"_s << unsized;
    const QByteArray unsizedOctet = paper(u"Unsized octet paper"_s);
    const QString evenOctet = QString::number(unsizedOctet.size() / 2 * 2);
    QTest::newRow("no length, no type: extension from the leading bytes")
        << u"/dl/nolength-octet.pdf"_s << QString() << done << u"PDF"_s << evenOctet << evenOctet
        << u"100%"_s << u"paper.PDF"_s << unsizedOctet;
    QTest::newRow("one-byte body counts as empty")
        << u"/dl/onebyte"_s << u"pdf"_s << failed << u"pdf"_s << u"0"_s << u"0"_s << u"100%"_s
        << QString() << QByteArray();

    const QString none;
    QTest::newRow("404") << u"/dl/missing.pdf"_s << u"pdf"_s << failed << u"pdf"_s
                         << u"下载失败：404 Not Found"_s << none << none << none << QByteArray();
    QTest::newRow("500") << u"/dl/error.pdf"_s << u"pdf"_s << failed << u"pdf"_s
                         << u"下载失败：500 Internal Server Error"_s << none << none << none
                         << QByteArray();
    QTest::newRow("redirect loop")
        << u"/dl/loop"_s << u"pdf"_s << failed << u"pdf"_s << u"下载失败：重定向次数过多"_s << none
        << none << none << QByteArray();
    const qint64 cutSize = paper(u"Cut paper"_s).size();
    const qint64 cutSent = kPaperSize / 4;
    QTest::newRow("body cut short")
        << u"/dl/cut.pdf"_s << u"pdf"_s << failed << u"pdf"_s << u"下载不完整"_s
        << QString::number(cutSent) << QString::number(cutSent * 100 / cutSize) + u'%' << none
        << QByteArray();
    QTest::newRow("type with a slash")
        << u"/dl/archive.zip"_s << u"pdf"_s << failed << u"application/zip"_s << u"无法创建文件"_s
        << none << none << none << QByteArray();
}

void TestMethod1::outcomes()
{
    QFETCH(QString, path);
    QFETCH(QString, type);
    QFETCH(int, state);
    QFETCH(QString, endType);
    QFETCH(QString, size);
    QFETCH(QString, downloaded);
    QFETCH(QString, percentage);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);

    DownloadRig rig;
    const QString key = rig.add(path, u"paper"_s, type);
    rig.ctx.clock.advance(5);
    const double before = rig.ctx.clock.seconds();

    const bool result = transfer(rig, key);

    const DownloadItem item = rig.list.item(key);
    QCOMPARE(int(item.state), state);
    QCOMPARE(result, state == int(DownloadState::Completed));
    QCOMPARE(item.type, endType);
    QCOMPARE(item.size, size);
    QCOMPARE(item.downloaded, downloaded);
    QCOMPARE(item.percentage, percentage);
    QCOMPARE(item.text, u"paper"_s);
    // Exactly the finished file, or nothing: no partial file and no temporary file.
    QCOMPARE(rig.files(), file.isEmpty() ? QStringList() : QStringList{file});
    if (!file.isEmpty()) {
        QCOMPARE(readFile(rig.folder + file), content);
        // The row names the stored file: opening, re-queueing and checking it find it.
        QCOMPARE(rig.list.targetPath(key), rig.folder + file);
    }
    QVERIFY(!rig.scheduler.TransferBusy());
    QCOMPARE(rig.scheduler.LastDoneTime(), before);
    QCOMPARE(rig.scheduler.panelText(2), u"完成下载:paper"_s);

    const QList<sample::Request> requests = rig.site.requestsFor(path);
    QVERIFY(!requests.isEmpty());
    QCOMPARE(requests.first().header("Referer"), rig.site.base().toUtf8());
}

void TestMethod1::progressInChunks()
{
    DownloadRig rig;
    const QString key = rig.add(u"/dl/slow.pdf"_s, u"slow"_s);
    const QString target = rig.folder + u"slow.pdf"_s;
    const qsizetype length = paper(u"Slow paper"_s).size();

    QStringList downloaded;
    QStringList percentages;
    bool visibleEarly = false;
    connect(&rig.list, &DownloadList::dataChanged, this, [&] {
        const DownloadItem item = rig.list.item(key);
        if (!item.downloaded.isEmpty()
            && downloaded.value(downloaded.size() - 1) != item.downloaded) {
            downloaded << item.downloaded;
            percentages << item.percentage;
            visibleEarly = visibleEarly
                || (item.state == DownloadState::Downloading
                    && item.downloaded.toLongLong() < length && QFile::exists(target));
        }
    });

    QVERIFY(transfer(rig, key));

    QVERIFY2(downloaded.size() >= 4, qPrintable(downloaded.join(u' ')));
    QCOMPARE(downloaded.last(), QString::number(length));
    QCOMPARE(percentages.first(), u"0%"_s);
    QCOMPARE(percentages.last(), u"100%"_s);
    for (qsizetype i = 1; i < downloaded.size(); ++i) {
        QVERIFY(downloaded.at(i).toLongLong() > downloaded.at(i - 1).toLongLong());
        QVERIFY(percentages.at(i).chopped(1).toInt() >= percentages.at(i - 1).chopped(1).toInt());
    }
    // The body arrives in 2048-byte pieces and is read in 2048-byte chunks.
    for (qsizetype i = 0; i + 1 < downloaded.size(); ++i) {
        QCOMPARE(downloaded.at(i).toLongLong() % 2048, 0);
    }
    QVERIFY2(!visibleEarly, "a partial body appeared under the final name");
    QCOMPARE(readFile(target), paper(u"Slow paper"_s));
}

void TestMethod1::refusedConnectionFails()
{
    DownloadRig rig;
    const QString key = u"http://127.0.0.1:%1/dl/paper.pdf"_s.arg(freeLoopbackPort());
    rig.list.addItem(key, u"paper"_s, u"pdf"_s, rig.folder, QString());
    rig.ctx.clock.advance(3);

    QVERIFY(!transfer(rig, key));

    QCOMPARE(rig.list.state(key), DownloadState::Failed);
    QCOMPARE(rig.list.item(key).size, Method1Transfer::connectFailedText());
    QCOMPARE(rig.scheduler.LastDoneTime(), rig.ctx.clock.seconds());
    QVERIFY(rig.scheduler.panelText(3).startsWith(u"11 与主机通讯时出现了错误:1:"_s));
    QVERIFY(rig.files().isEmpty());
}

void TestMethod1::missingFolderFails()
{
    DownloadRig rig;
    const QString key = rig.add(u"/dl/paper.pdf"_s, u"paper"_s, u"pdf"_s, rig.ctx.path(u"gone/"_s));

    QVERIFY(!transfer(rig, key));

    QCOMPARE(rig.list.state(key), DownloadState::Failed);
    QCOMPARE(rig.list.item(key).size, Method1Transfer::cannotCreateText());
    QVERIFY(!QFile::exists(rig.ctx.path(u"gone"_s)));
}

void TestMethod1::fullDiskFails()
{
    DownloadRig rig;
    const QString key = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);
    {
        const FileSizeLimit limit(4096);
        QVERIFY(!transfer(rig, key));
    }
    QCOMPARE(rig.list.state(key), DownloadState::Failed);
    QCOMPARE(rig.list.item(key).size, Method1Transfer::writeFailedText());
    QVERIFY(rig.files().isEmpty());
}

void TestMethod1::existingTarget_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("oldKept");

    QTest::newRow("overwrite replaces the file")
        << int(SameNameOption::Overwrite) << u"/dl/paper.pdf"_s << QStringList{u"paper.pdf"_s}
        << u"paper"_s << false;
    QTest::newRow("rename stores beside it")
        << int(SameNameOption::Rename) << u"/dl/paper.pdf"_s
        << QStringList{u"paper.pdf"_s, u"paper[001].pdf"_s} << u"paper[001]"_s << true;
    // The old file goes only when a complete new one takes its place.
    QTest::newRow("failed overwrite keeps the old file")
        << int(SameNameOption::Overwrite) << u"/dl/cut.pdf"_s << QStringList{u"paper.pdf"_s}
        << u"paper"_s << true;
}

void TestMethod1::existingTarget()
{
    QFETCH(int, option);
    QFETCH(QString, path);
    QFETCH(QStringList, files);
    QFETCH(QString, name);
    QFETCH(bool, oldKept);

    DownloadRig rig;
    rig.scheduler.setSameNameOption(SameNameOption(option));
    writeFile(rig.folder + u"paper.pdf"_s, "old contents");
    const QString key = rig.add(path, u"paper"_s);

    transfer(rig, key);

    QCOMPARE(rig.files(), files);
    QCOMPARE(rig.list.item(key).text, name);
    QCOMPARE(readFile(rig.folder + u"paper.pdf"_s) == "old contents", oldKept);
}

void TestMethod1::busyPutsItemBack()
{
    DownloadRig rig;
    const QString key = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);
    rig.scheduler.setTransferBusy(true);

    QVERIFY(!transfer(rig, key));

    QCOMPARE(rig.list.state(key), DownloadState::Waiting);
    QCOMPARE(rig.list.item(key).size, u"等待重新下载"_s);
    QVERIFY(rig.site.requests().isEmpty());
}

void TestMethod1::silentServerFailsAfterMinute()
{
    DownloadRig rig(DownloadRig::Pump::Fake);
    // Just before midnight: the wait is measured on the monotonic clock all the same.
    rig.ctx.clock.setTimeOfDay(86390.0);
    const QString key = rig.add(u"/dl/silent"_s, u"silent"_s);
    const double start = rig.ctx.clock.seconds();

    QVERIFY(!transfer(rig, key));

    const double waited = rig.scheduler.LastDoneTime() - start;
    QVERIFY2(waited > 60.0 && waited < 61.0, qPrintable(QString::number(waited)));
    QCOMPARE(rig.list.state(key), DownloadState::Failed);
    QCOMPARE(rig.list.item(key).size, Method1Transfer::noResponseText());
    QVERIFY(!rig.inet.StillExecuting());
    QVERIFY(rig.files().isEmpty());
}

void TestMethod1::proxy_data()
{
    QTest::addColumn<int>("enabled");
    QTest::addColumn<bool>("refusing");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("via");
    QTest::newRow("through the proxy") << 1 << false << int(DownloadState::Completed) << true;
    QTest::newRow("proxy switched off") << 0 << false << int(DownloadState::Completed) << false;
    QTest::newRow("proxy refuses connections") << 1 << true << int(DownloadState::Failed) << false;
}

void TestMethod1::proxy()
{
    QFETCH(int, enabled);
    QFETCH(bool, refusing);
    QFETCH(int, state);
    QFETCH(bool, via);

    TinyProxy proxy;
    QString error;
    if (!refusing) {
        QVERIFY2(proxy.start(&error), qPrintable(error));
    }
    DownloadRig rig;
    rig.ctx.shared.ProxyEnabled = static_cast<qint16>(enabled);
    rig.ctx.shared.ProxyAddress = u"127.0.0.1"_s;
    rig.ctx.shared.ProxyPort = QString::number(refusing ? freeLoopbackPort() : proxy.port());
    Method1Transfer::applyProxySettings(rig.inet, rig.ctx.shared); // as the window loads
    QCOMPARE(rig.inet.AccessType(), enabled == 1 ? Inet::kNamedProxy : Inet::kSystemAccess);
    QCOMPARE(rig.inet.RemotePort(), enabled == 1 ? rig.ctx.shared.ProxyPort.toInt() : 80);
    const QString key = rig.add(u"/dl/paper.pdf"_s, u"paper"_s);

    transfer(rig, key);

    QCOMPARE(int(rig.list.state(key)), state);
    const QList<sample::Request> requests = rig.site.requestsFor(u"/dl/paper.pdf"_s);
    if (refusing) {
        QCOMPARE(rig.list.item(key).size, Method1Transfer::connectFailedText());
        QVERIFY(requests.isEmpty());
        return;
    }
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().header("Via").contains("tinyproxy"), via);
    QCOMPARE(requests.first().header("Referer"), rig.site.base().toUtf8());
}

void TestMethod1::rowsMoveDuringTransfer()
{
    DownloadRig rig;
    const QString first = rig.add(u"/dl/paper.pdf"_s, u"a-first"_s);
    const QString running = rig.add(u"/dl/slow.pdf"_s, u"b-running"_s);
    const QString last = rig.add(u"/dl/octet.pdf"_s, u"c-last"_s);
    bool moved = false;
    rig.realPump.onPump = [&] {
        if (!moved && !rig.list.item(running).downloaded.isEmpty()) {
            moved = true;
            rig.list.sort(DownloadList::Name, Qt::DescendingOrder);
            rig.list.removeItem(first);
        }
    };

    QVERIFY(transfer(rig, running));

    QVERIFY(moved);
    QCOMPARE(rig.list.rowCount(), 2);
    const DownloadItem done = rig.list.item(running);
    QCOMPARE(done.state, DownloadState::Completed);
    QCOMPARE(done.percentage, u"100%"_s);
    const DownloadItem untouched = rig.list.item(last);
    QCOMPARE(untouched.state, DownloadState::Waiting);
    QVERIFY(untouched.size.isEmpty() && untouched.downloaded.isEmpty()
            && untouched.percentage.isEmpty());
    QCOMPARE(untouched.text, u"c-last"_s);
    QCOMPARE(rig.files(), QStringList{u"b-running.pdf"_s});
}

ZORV_TEST_MAIN(TestMethod1)
#include "tst_method1.moc"
