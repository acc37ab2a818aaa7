#include "DownloadRig.h"
#include "TestMain.h"
#include "download/DownloadListCommands.h"

#include <QFile>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// Stands in for the parallel transfers: only their busy slots matter here.
class BusySlots final : public Method2Transfers {
public:
    void fillSlots() override { }
    void runWatchdog() override { }
    bool anySlotBusy(int) const override { return busy > 0; }
    int busySlotCount() const override { return busy; }
    void releaseAllSlots() override { busy = 0; }
    int busy = 0;
};

void writeFile(const QString& path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

// The list as "name:state" in row order, states as 1 to 4.
QString snapshot(const DownloadList& list)
{
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        rows << list.at(row).text + u':' + QString::number(int(list.at(row).state));
    }
    return rows.join(u' ');
}

// A list of rows named by their letters; states: W waiting, D downloading, C completed,
// F failed. Completed and failed rows carry full progress columns.
void fill(DownloadRig& rig, const QString& names, const QString& states,
          const QString& type = u"pdf"_s)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString name = names.mid(i, 1);
        const QString key = rig.add(u"/dl/"_s + name, name, type);
        const QChar s = states.at(i);
        const DownloadState state = s == u'D' ? DownloadState::Downloading
            : s == u'C'                       ? DownloadState::Completed
            : s == u'F'                       ? DownloadState::Failed
                                              : DownloadState::Waiting;
        rig.list.setState(key, state);
        if (state == DownloadState::Completed || state == DownloadState::Failed) {
            rig.list.setProgress(key, u"10"_s, u"10"_s, u"100%"_s);
        }
    }
}

QSet<QString> keysOf(DownloadRig& rig, const QString& names)
{
    QSet<QString> keys;
    for (const QChar name : names) {
        keys.insert(rig.url(u"/dl/"_s + name));
    }
    return keys;
}

} // namespace

class TestListCommands : public QObject {
    Q_OBJECT
private slots:
    void guards_data();
    void guards();
    void sortNumbers_data();
    void sortNumbers();
    void sortDirectionFlipsWhateverTheColumn();
    void shufflePermutesWholeRows();
    void shuffleDrawsEveryOrder();
    void shuffleEmptyAndSingleRow();
    void removeWalks_data();
    void removeWalks();
    void removeScatteredRows();
    void clearAllAsksFirst();
    void doubleClick_data();
    void doubleClick();
    void openCommands();
    void textEditorLimit_data();
    void textEditorLimit();
    void itemClickPanelText();
};

// One row per command and running state: whether the command ran (and what it left) or was
// refused with its message.
void TestListCommands::guards_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("running");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("message");

    // Rows a (completed html page), b (failed), c (waiting), d (completed); a and c selected.
    const QString before = u"a:3 b:4 c:1 d:3"_s;
    const QString stopFirst = u"停止下载以后，才能执行此操作！"_s;
    struct Command {
        QString name;
        QString done;
        QString doneMessage;
        QString refusedIn; // the running states that refuse it
        QString refusal;
    };
    const QString downloadsRunning = u"timer slot client"_s;
    const QList<Command> commands{
        {u"shuffle"_s, u"<permutation>"_s, u"随机排序完成！"_s, downloadsRunning, stopFirst},
        {u"requeueFailed"_s, u"a:3 b:1 c:1 d:3"_s, {}, downloadsRunning, stopFirst},
        {u"requeueHtml"_s, u"a:1 b:4 c:1 d:3"_s, {}, downloadsRunning, stopFirst},
        {u"removeSelected"_s, u"b:4 d:3"_s, {}, downloadsRunning, stopFirst},
        {u"clearAll"_s, QString(), u"您确定要清空列表的所有信息吗？"_s, downloadsRunning,
         stopFirst},
        {u"requeueSelected"_s, u"a:1 b:4 c:1 d:3"_s, {}, QString(), {}},
        {u"removeFailed"_s, u"a:3 c:1 d:3"_s, {}, QString(), {}},
        {u"removeCompleted"_s, u"b:4 c:1"_s, {}, QString(), {}},
        {u"cancelSelected"_s, u"a:3 b:4 c:4 d:3"_s, {}, u"busy"_s, u"停止下载后方可设置！"_s},
        {u"sortByName"_s, u"d:3 c:1 b:4 a:3"_s, {}, u"timer busy"_s, u"停止下载后方可排序！"_s},
    };
    for (const Command& command : commands) {
        for (const QString& running : {u"idle"_s, u"timer"_s, u"busy"_s, u"slot"_s, u"client"_s}) {
            const bool refused = command.refusedIn.split(u' ').contains(running);
            QTest::addRow("%s while %s", qPrintable(command.name), qPrintable(running))
                << command.name << running << (refused ? before : command.done)
                << (refused ? command.refusal : command.doneMessage);
        }
    }
}

void TestListCommands::guards()
{
    QFETCH(QString, command);
    QFETCH(QString, running);
    QFETCH(QString, after);
    QFETCH(QString, message);

    DownloadRig rig;
    BusySlots busySlots;
    rig.scheduler.setMethod2(&busySlots);
    fill(rig, u"abcd"_s, u"CFWC"_s);
    rig.list.setType(rig.url(u"/dl/a"_s), u"HTML"_s);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 7);
    const QSet<QString> selected = keysOf(rig, u"ac"_s);

    if (running == u"timer"_s) {
        rig.scheduler.startDownloading();
    } else if (running == u"busy"_s) {
        rig.scheduler.setTransferBusy(true);
    } else if (running == u"slot"_s) {
        busySlots.busy = 1;
    } else if (running == u"client"_s) {
        rig.inet.Execute(rig.url(u"/dl/silent"_s));
        QVERIFY(rig.inet.StillExecuting());
    }

    if (command == u"shuffle"_s) {
        commands.ShuffleList();
    } else if (command == u"requeueFailed"_s) {
        commands.requeue(RequeueSelector::Failed);
    } else if (command == u"requeueHtml"_s) {
        commands.requeue(RequeueSelector::HtmlPages);
    } else if (command == u"requeueSelected"_s) {
        commands.requeue(RequeueSelector::Selected, selected);
    } else if (command == u"removeSelected"_s) {
        commands.removeSelected(selected);
    } else if (command == u"clearAll"_s) {
        commands.clearAll();
    } else if (command == u"removeFailed"_s) {
        commands.removeFailed();
    } else if (command == u"removeCompleted"_s) {
        commands.removeCompleted();
    } else if (command == u"cancelSelected"_s) {
        commands.cancelSelected(selected);
    } else if (command == u"sortByName"_s) {
        commands.sortByColumn(DownloadList::Name);
    }
    rig.inet.Cancel();

    if (after == u"<permutation>"_s) {
        QStringList rows = snapshot(rig.list).split(u' ');
        rows.sort();
        QCOMPARE(rows.join(u' '), u"a:3 b:4 c:1 d:3"_s);
    } else {
        QCOMPARE(snapshot(rig.list), after);
    }
    QCOMPARE(rig.ctx.prompter.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!rig.ctx.prompter.boxes.isEmpty()) {
        const Prompter::Icon expected = message == u"停止下载后方可设置！"_s
            ? Prompter::Icon::Critical
            : command == u"clearAll"_s && after.isEmpty() ? Prompter::Icon::None
                                                          : Prompter::Icon::Information;
        QCOMPARE(rig.ctx.prompter.boxes.first().icon, expected);
    }
}

void TestListCommands::sortNumbers_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("descending");

    QTest::newRow("sizes") << int(DownloadList::Size) << QStringList{u"10"_s, u"9"_s, u"100"_s}
                           << QStringList{u"100"_s, u"10"_s, u"9"_s};
    QTest::newRow("downloaded") << int(DownloadList::Downloaded)
                                << QStringList{u"9"_s, u"100"_s, u"10"_s}
                                << QStringList{u"100"_s, u"10"_s, u"9"_s};
    QTest::newRow("percentages") << int(DownloadList::Percentage)
                                 << QStringList{u"50%"_s, u"100%"_s, u"5%"_s}
                                 << QStringList{u"100%"_s, u"50%"_s, u"5%"_s};
    // Words sort as text among the numbers (digits come before letters and CJK).
    QTest::newRow("size words") << int(DownloadList::Size)
                                << QStringList{u"未知"_s, u"2048"_s, u"下载取消"_s, u"300"_s}
                                << QStringList{u"未知"_s, u"下载取消"_s, u"2048"_s, u"300"_s};
    QTest::newRow("percentage words")
        << int(DownloadList::Percentage) << QStringList{u"已存在，跳过"_s, u"7%"_s, u"70%"_s}
        << QStringList{u"已存在，跳过"_s, u"70%"_s, u"7%"_s};
    QTest::newRow("names as text")
        << int(DownloadList::Name) << QStringList{u"9"_s, u"10"_s, u"100"_s}
        << QStringList{u"9"_s, u"100"_s, u"10"_s};
}

void TestListCommands::sortNumbers()
{
    QFETCH(int, column);
    QFETCH(QStringList, cells);
    QFETCH(QStringList, descending);

    DownloadRig rig;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString key = rig.add(u"/dl/"_s + QString::number(i), u"n"_s + QString::number(i));
        rig.list.setState(key, DownloadState::Completed);
        if (column == DownloadList::Name) {
            rig.list.setText(key, cells.at(i));
        } else {
            rig.list.setProgress(key, column == DownloadList::Size ? cells.at(i) : u"1"_s,
                                 column == DownloadList::Downloaded ? cells.at(i) : u"1"_s,
                                 column == DownloadList::Percentage ? cells.at(i) : u"1%"_s);
        }
    }
    const auto columnCells = [&] {
        QStringList texts;
        for (int row = 0; row < rig.list.rowCount(); ++row) {
            texts << rig.list.index(row, column).data().toString();
        }
        return texts;
    };
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    QVERIFY(commands.sortByColumn(column));
    QCOMPARE(commands.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(columnCells(), descending);
    QVERIFY(commands.sortByColumn(column));
    QCOMPARE(commands.sortOrder(), Qt::AscendingOrder);
    QStringList ascending = descending;
    std::reverse(ascending.begin(), ascending.end());
    QCOMPARE(columnCells(), ascending);
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());
}

void TestListCommands::sortDirectionFlipsWhateverTheColumn()
{
    DownloadRig rig;
    fill(rig, u"bca"_s, u"CCC"_s);
    rig.list.setType(rig.url(u"/dl/b"_s), u"zip"_s);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    commands.sortByColumn(DownloadList::Name);
    QCOMPARE(snapshot(rig.list), u"c:3 b:3 a:3"_s);
    commands.sortByColumn(DownloadList::Type); // ascending now, by type; ties keep their order
    QCOMPARE(snapshot(rig.list), u"c:3 a:3 b:3"_s);
    commands.sortByColumn(DownloadList::Name);
    QCOMPARE(snapshot(rig.list), u"c:3 b:3 a:3"_s);
}

void TestListCommands::shufflePermutesWholeRows()
{
    DownloadRig rig;
    constexpr int kRows = 500;
    for (int i = 0; i < kRows; ++i) {
        const QString n = QString::number(i);
        const QString key = rig.add(u"/dl/"_s + n, u"name"_s + n, u"t"_s + n);
        rig.list.setProgress(key, u"s"_s + n, u"d"_s + n, u"p"_s + n);
        rig.list.setState(key, static_cast<DownloadState>(1 + i % 4));
    }
    const QPersistentModelIndex tracked = rig.list.index(123, DownloadList::Name);
    QSignalSpy removed(&rig.list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy layout(&rig.list, &QAbstractItemModel::layoutChanged);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 42);

    QVERIFY(commands.ShuffleList());
    QCOMPARE(rig.ctx.prompter.messages(), QStringList{u"随机排序完成！"_s});
    QCOMPARE(rig.list.rowCount(), kRows);
    QCOMPARE(removed.size(), 0); // rows keep their identity: one change of order
    QCOMPARE(layout.size(), 1);
    QCOMPARE(tracked.data().toString(), u"name123"_s);

    QSet<QString> seen;
    int inPlace = 0;
    for (int row = 0; row < kRows; ++row) {
        const DownloadItem& item = rig.list.at(row);
        const QString n = item.text.mid(4);
        QCOMPARE(item.key, rig.url(u"/dl/"_s + n));
        QCOMPARE(item.type, u"t"_s + n);
        QCOMPARE(item.size, u"s"_s + n);
        QCOMPARE(item.downloaded, u"d"_s + n);
        QCOMPARE(item.percentage, u"p"_s + n);
        QCOMPARE(item.folder, rig.folder);
        QCOMPARE(item.tag, u"tag"_s);
        QCOMPARE(int(item.state), 1 + n.toInt() % 4);
        QCOMPARE(rig.list.rowOf(item.key), row);
        seen.insert(item.key);
        inPlace += n.toInt() == row;
    }
    QCOMPARE(seen.size(), kRows);
    QVERIFY(inPlace < 10); // a shuffled list, not the old order
}

// Drawing from a generator seeded once: three rows come out in every one of their six
// orders. (Seeding from the clock before every draw repeats draws within one tick.)
void TestListCommands::shuffleDrawsEveryOrder()
{
    DownloadRig rig;
    fill(rig, u"abc"_s, u"WWW"_s);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell);
    QSet<QString> orders;
    for (int i = 0; i < 300 && orders.size() < 6; ++i) {
        commands.ShuffleList();
        orders.insert(snapshot(rig.list));
    }
    QCOMPARE(orders.size(), 6);
}

void TestListCommands::shuffleEmptyAndSingleRow()
{
    DownloadRig rig;
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 3);
    QVERIFY(commands.ShuffleList());
    QCOMPARE(rig.list.rowCount(), 0);
    fill(rig, u"a"_s, u"F"_s);
    QVERIFY(commands.ShuffleList());
    QCOMPARE(snapshot(rig.list), u"a:4"_s);
    QCOMPARE(rig.list.at(0).size, u"10"_s);
    QCOMPARE(rig.ctx.prompter.messages(), (QStringList{u"随机排序完成！"_s, u"随机排序完成！"_s}));
}

void TestListCommands::removeWalks_data()
{
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("ran");

    QTest::newRow("failed, adjacent")
        << u"FFCFFWCC"_s << u"failed"_s << QString() << u"c:3 f:1 g:3 h:3"_s << true;
    QTest::newRow("completed, adjacent at both ends")
        << u"CCFWCC"_s << u"completed"_s << QString() << u"c:4 d:1"_s << true;
    QTest::newRow("every row qualifies")
        << u"FFFF"_s << u"failed"_s << QString() << QString() << true;
    QTest::newRow("selected, adjacent")
        << u"WCFWWC"_s << u"selected"_s << u"bcdf"_s << u"a:1 e:1"_s << true;
    QTest::newRow("none qualifies") << u"WC"_s << u"failed"_s << QString() << u"a:1 b:3"_s << true;
    QTest::newRow("empty list") << QString() << u"completed"_s << QString() << QString() << false;
}

void TestListCommands::removeWalks()
{
    QFETCH(QString, states);
    QFETCH(QString, command);
    QFETCH(QString, selected);
    QFETCH(QString, after);
    QFETCH(bool, ran);

    DownloadRig rig;
    fill(rig, u"abcdefgh"_s.left(states.size()), states);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    bool result = false;
    if (command == u"failed"_s) {
        result = commands.removeFailed();
    } else if (command == u"completed"_s) {
        result = commands.removeCompleted();
    } else {
        result = commands.removeSelected(keysOf(rig, selected));
    }
    QCOMPARE(result, ran);
    QCOMPARE(snapshot(rig.list), after);
    for (int row = 0; row < rig.list.rowCount(); ++row) {
        QCOMPARE(rig.list.rowOf(rig.list.at(row).key), row);
    }
}

// Rows spread over many runs go in one rebuild of the list, with the same result.
void TestListCommands::removeScatteredRows()
{
    DownloadRig rig;
    for (int i = 0; i < 300; ++i) {
        const QString key = rig.add(u"/dl/"_s + QString::number(i), QString::number(i));
        rig.list.setState(key, i % 3 == 1 ? DownloadState::Completed : DownloadState::Failed);
    }
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    QVERIFY(commands.removeFailed());
    QCOMPARE(rig.list.rowCount(), 100);
    for (int row = 0; row < 100; ++row) {
        QCOMPARE(rig.list.at(row).text, QString::number(row * 3 + 1));
        QCOMPARE(rig.list.rowOf(rig.list.at(row).key), row);
    }
    QVERIFY(!rig.list.contains(rig.url(u"/dl/0"_s)));
}

void TestListCommands::clearAllAsksFirst()
{
    DownloadRig rig;
    fill(rig, u"ab"_s, u"WC"_s);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    rig.ctx.prompter.questionAnswers.enqueue(false);
    QVERIFY(!commands.clearAll());
    QCOMPARE(rig.list.rowCount(), 2);
    QVERIFY(commands.clearAll()); // yes
    QCOMPARE(rig.list.rowCount(), 0);
    QCOMPARE(rig.ctx.prompter.boxes.size(), 2);
    QCOMPARE(rig.ctx.prompter.boxes.at(0).kind, RecordingPrompter::Box::Kind::Question);
}

void TestListCommands::doubleClick_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("fileAfter");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("waiting") << u"W"_s << true << u"a:1"_s << true << QStringList()
                             << QStringList();
    QTest::newRow("downloading") << u"D"_s << true << u"a:2"_s << true << QStringList()
                                 << QStringList();
    QTest::newRow("completed") << u"C"_s << true << u"a:3"_s << true
                               << QStringList{u"openPath <file>"_s} << QStringList();
    QTest::newRow("completed, file gone")
        << u"C"_s << false << u"a:3"_s << false << QStringList() << QStringList{u"文件不存在！"_s};
    QTest::newRow("failed") << u"F"_s << true << u"a:1"_s << false << QStringList()
                            << QStringList();
    QTest::newRow("failed, no file")
        << u"F"_s << false << u"a:1"_s << false << QStringList() << QStringList();
}

void TestListCommands::doubleClick()
{
    QFETCH(QString, state);
    QFETCH(bool, fileThere);
    QFETCH(QString, after);
    QFETCH(bool, fileAfter);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, messages);

    DownloadRig rig;
    fill(rig, u"a"_s, state);
    const QString key = rig.url(u"/dl/a"_s);
    const QString file = rig.folder + u"a.pdf"_s;
    if (fileThere) {
        writeFile(file, 10);
    }
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    commands.doubleClick(key);
    QCOMPARE(snapshot(rig.list), after);
    QCOMPARE(QFile::exists(file), fileAfter);
    calls.replaceInStrings(u"<file>"_s, file);
    QCOMPARE(rig.ctx.shell.calls, calls);
    QCOMPARE(rig.ctx.prompter.messages(), messages);
    if (state == u"F"_s) {
        const DownloadItem item = rig.list.item(key);
        QVERIFY(item.size.isEmpty() && item.downloaded.isEmpty() && item.percentage.isEmpty());
    }
}

void TestListCommands::openCommands()
{
    DownloadRig rig;
    fill(rig, u"ab"_s, u"CC"_s);
    const QString a = rig.url(u"/dl/a"_s);
    const QString b = rig.url(u"/dl/b"_s);
    rig.list.setType(b, QString()); // b's file has no extension
    writeFile(rig.folder + u"b"_s, 5);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    RecordingShell& shell = rig.ctx.shell;

    commands.openFile(a);
    commands.openInTextEditor(a);
    commands.openFolder(a); // no file: the folder opens
    QCOMPARE(rig.ctx.prompter.messages(), (QStringList{u"该文件不存在！"_s, u"该文件不存在！"_s}));
    QCOMPARE(shell.calls, QStringList{u"openPath "_s + rig.folder});

    shell.calls.clear();
    commands.openFile(b);
    commands.openFolder(b);
    commands.openInTextEditor(b);
    QCOMPARE(shell.calls,
             (QStringList{u"openPath "_s + rig.folder + u"b"_s,
                          u"selectInFolder "_s + rig.folder + u"b"_s,
                          u"openInTextEditor "_s + rig.folder + u"b"_s}));

    shell.result = false;
    rig.ctx.prompter.boxes.clear();
    commands.openFolder(b);
    QCOMPARE(rig.ctx.prompter.messages(), QStringList{u"打开失败！"_s});
    QCOMPARE(rig.ctx.prompter.boxes.first().icon, Prompter::Icon::Critical);
}

void TestListCommands::textEditorLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("opens");
    QTest::newRow("exactly 2 MB") << qint64(2097152) << true;
    QTest::newRow("one byte more") << qint64(2097153) << false;
    QTest::newRow("empty") << qint64(0) << true;
}

void TestListCommands::textEditorLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, opens);
    DownloadRig rig;
    fill(rig, u"a"_s, u"C"_s);
    writeFile(rig.folder + u"a.pdf"_s, size);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    commands.openInTextEditor(rig.url(u"/dl/a"_s));
    QCOMPARE(rig.ctx.shell.calls.size(), opens ? 1 : 0);
    QCOMPARE(rig.ctx.prompter.messages(),
             opens ? QStringList() : QStringList{u"该文件太大，超过了2M，不便于用记事本打开！"_s});
}

void TestListCommands::itemClickPanelText()
{
    DownloadRig rig;
    fill(rig, u"ab"_s, u"CW"_s);
    writeFile(rig.folder + u"a.pdf"_s, 3);
    DownloadListCommands commands(rig.scheduler, rig.ctx.shell, 1);
    QCOMPARE(commands.clickedFileText(rig.url(u"/dl/a"_s)), rig.folder + u"a.pdf"_s);
    QCOMPARE(commands.clickedFileText(rig.url(u"/dl/b"_s)), QString());
    QCOMPARE(commands.clickedFileText(u"http://127.0.0.1/none"_s), QString());
}

ZORV_TEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
