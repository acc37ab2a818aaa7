#include "TestMain.h"
#include "download/DownloadList.h"
#include "download/DownloadStateIcons.h"

#include <QDir>
#include <QFile>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

struct Row {
    QString name;
    QString type;
    DownloadState state;
};

QString keyOf(const QString& name) { return u"http://127.0.0.1/dl/"_s + name; }

// A list of rows in the given states whose files lie in folder.
void fill(DownloadList& list, const QString& folder, const QList<Row>& rows)
{
    for (const Row& row : rows) {
        const QString key = keyOf(row.name);
        list.addItem(key, row.name, row.type, folder, u"ref"_s);
        list.setState(key, row.state);
        if (row.state != DownloadState::Waiting) {
            list.setProgress(key, u"10"_s, u"10"_s, u"100%"_s);
        }
        QFile file(DownloadList::targetPath(list.item(key)));
        if (file.open(QIODevice::WriteOnly)) {
            file.write("0123456789");
        }
    }
}

} // namespace

class TestDownloadList : public QObject {
    Q_OBJECT
private slots:
    void columns();
    void keysStayUnique();
    void targetPath_data();
    void targetPath();
    void counts();
    void requeue_data();
    void requeue();
    void requeueSignalsMergedRuns();
    void sortByNumbers();
    void stateIcons();
};

void TestDownloadList::columns()
{
    DownloadList list;
    QCOMPARE(list.columnCount(), 6);
    const QStringList captions{u"名称"_s,     u"类型"_s,   u"文件大小"_s,
                               u"已下载数"_s, u"百分比"_s, u"保存路径"_s};
    const QList<bool> right{false, false, true, true, true, false};
    for (int column = 0; column < 6; ++column) {
        QCOMPARE(list.headerData(column, Qt::Horizontal).toString(), captions.at(column));
        const auto alignment =
            Qt::Alignment(list.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        QCOMPARE(bool(alignment & Qt::AlignRight), right.at(column));
    }
    QVERIFY(!(list.flags(list.index(0, 0)) & Qt::ItemIsEditable));
}

void TestDownloadList::keysStayUnique()
{
    DownloadList list;
    QVERIFY(list.addItem(keyOf(u"a"_s), u"a"_s, u"pdf"_s, u"/f/"_s, u"tag a"_s));
    QVERIFY(list.addItem(keyOf(u"b"_s), u"b"_s, u"pdf"_s, u"/f/"_s, u"tag b"_s));
    QVERIFY(!list.addItem(keyOf(u"a"_s), u"other"_s, u"htm"_s, u"/g/"_s, QString()));
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.item(keyOf(u"a"_s)).text, u"a"_s);
    QCOMPARE(list.index(1, 0).data(DownloadList::TagRole).toString(), u"tag b"_s);
    QCOMPARE(list.index(1, 0).data(DownloadList::StateRole).toInt(), 1);

    QVERIFY(list.removeItem(keyOf(u"a"_s)));
    QCOMPARE(list.rowOf(keyOf(u"b"_s)), 0);
    QCOMPARE(list.rowOf(keyOf(u"a"_s)), -1);
    list.setText(keyOf(u"a"_s), u"ghost"_s); // gone: changes nothing
    QCOMPARE(list.rowCount(), 1);
    QVERIFY(list.addItem(keyOf(u"a"_s), u"a again"_s, u"pdf"_s, u"/f/"_s, QString()));
    QCOMPARE(list.rowOf(keyOf(u"a"_s)), 1);
}

void TestDownloadList::targetPath_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("path");
    QTest::newRow("with a type") << u"pdf"_s << u"/save/report.pdf"_s;
    QTest::newRow("without a type: no trailing dot") << QString() << u"/save/report"_s;
}

void TestDownloadList::targetPath()
{
    QFETCH(QString, type);
    QFETCH(QString, path);
    DownloadList list;
    list.addItem(keyOf(u"r"_s), u"report"_s, type, u"/save/"_s, QString());
    QCOMPARE(list.targetPath(keyOf(u"r"_s)), path);
}

void TestDownloadList::counts()
{
    DownloadList list;
    QVERIFY(list.检测是否下载列表完毕());
    QCOMPARE(list.统计未下载项数目(), 0);
    QCOMPARE(list.statusCountsText(), u"总数：0|正在下载：0|等待：0|已完成：0|失败：0"_s);

    const QStringList names{u"w1"_s,      u"w2"_s, u"put-back"_s, u"run"_s,
                            u"skipped"_s, u"f1"_s, u"f2"_s};
    for (const QString& name : names) {
        list.addItem(keyOf(name), name, u"pdf"_s, u"/f/"_s, QString());
    }
    list.setSize(keyOf(u"put-back"_s), u"等待重新下载"_s); // waiting, but not counted
    list.setState(keyOf(u"run"_s), DownloadState::Downloading);
    list.setState(keyOf(u"skipped"_s), DownloadState::Completed);
    list.setProgress(keyOf(u"skipped"_s), u"9"_s, u"9"_s, u"已存在，跳过"_s);
    list.setState(keyOf(u"f1"_s), DownloadState::Failed);
    list.setState(keyOf(u"f2"_s), DownloadState::Failed);
    list.setSize(keyOf(u"f2"_s), u"下载取消"_s);

    QCOMPARE(list.statusCountsText(), u"总数：7|正在下载：1|等待：3|已完成：1|失败：2"_s);
    QCOMPARE(list.统计未下载项数目(), 4); // w1, w2, run, f1
    QVERIFY(!list.检测是否下载列表完毕());
    for (const QString& name : {u"w1"_s, u"w2"_s, u"put-back"_s, u"run"_s}) {
        list.setState(keyOf(name), DownloadState::Completed);
    }
    QVERIFY(list.检测是否下载列表完毕());
}

void TestDownloadList::requeue_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<QStringList>("requeued");
    // Rows: done.pdf (completed, selected), page.html (completed), old.HTM (failed, selected),
    // bad.pdf (failed), wait.html (waiting, selected), run.pdf (downloading, selected).
    QTest::newRow("selected") << int(RequeueSelector::Selected) << QStringList{u"done"_s, u"old"_s};
    QTest::newRow("failed") << int(RequeueSelector::Failed) << QStringList{u"old"_s, u"bad"_s};
    QTest::newRow("htm and html") << int(RequeueSelector::HtmlPages)
                                  << QStringList{u"page"_s, u"old"_s};
}

void TestDownloadList::requeue()
{
    QFETCH(int, selector);
    QFETCH(QStringList, requeued);

    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    DownloadList list;
    const QList<Row> rows{{u"done"_s, u"pdf"_s, DownloadState::Completed},
                          {u"page"_s, u"html"_s, DownloadState::Completed},
                          {u"old"_s, u"HTM"_s, DownloadState::Failed},
                          {u"bad"_s, u"pdf"_s, DownloadState::Failed},
                          {u"wait"_s, u"html"_s, DownloadState::Waiting},
                          {u"run"_s, u"pdf"_s, DownloadState::Downloading}};
    fill(list, folder, rows);
    const QSet<QString> selected{keyOf(u"done"_s), keyOf(u"old"_s), keyOf(u"wait"_s),
                                 keyOf(u"run"_s)};

    list.RequeueRows(RequeueSelector(selector), selected);

    for (int row = 0; row < rows.size(); ++row) {
        const DownloadItem item = list.at(row);
        QCOMPARE(item.key, keyOf(rows.at(row).name)); // rows keep their places
        const bool back = requeued.contains(item.text);
        QCOMPARE(item.state, back ? DownloadState::Waiting : rows.at(row).state);
        QCOMPARE(item.size.isEmpty() && item.downloaded.isEmpty() && item.percentage.isEmpty(),
                 back || rows.at(row).state == DownloadState::Waiting);
        QCOMPARE(QFile::exists(DownloadList::targetPath(item)), !back);
        QCOMPARE(item.tag, u"ref"_s);
    }
}

void TestDownloadList::requeueSignalsMergedRuns()
{
    QTemporaryDir dir;
    DownloadList list;
    fill(list, dir.path() + u'/',
         {{u"a"_s, u"pdf"_s, DownloadState::Failed},
          {u"b"_s, u"pdf"_s, DownloadState::Failed},
          {u"c"_s, u"pdf"_s, DownloadState::Completed},
          {u"d"_s, u"pdf"_s, DownloadState::Failed}});
    QSignalSpy spy(&list, &DownloadList::dataChanged);

    list.RequeueRows(RequeueSelector::Failed);

    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0).at(0).toModelIndex().row(), 0);
    QCOMPARE(spy.at(0).at(1).toModelIndex().row(), 1);
    QCOMPARE(spy.at(1).at(0).toModelIndex().row(), 3);
    QCOMPARE(spy.at(1).at(1).toModelIndex().row(), 3);
}

void TestDownloadList::sortByNumbers()
{
    DownloadList list;
    const QStringList sizes{u"100"_s, u"未知"_s, u"9"_s, QString(), u"10"_s};
    for (const QString& size : sizes) {
        const QString key = keyOf(u"n"_s + size);
        list.addItem(key, u"n"_s + size, u"pdf"_s, u"/f/"_s, QString());
        list.setSize(key, size);
    }
    const QPersistentModelIndex nine(list.index(2, DownloadList::Size));
    QCOMPARE(list.index(2, DownloadList::Size).data(DownloadList::SortRole).toLongLong(), 9);

    list.sort(DownloadList::Size, Qt::AscendingOrder);

    QStringList order;
    for (int row = 0; row < list.rowCount(); ++row) {
        order << list.at(row).size;
        QCOMPARE(list.rowOf(list.at(row).key), row);
    }
    QCOMPARE(order, (QStringList{QString(), u"9"_s, u"10"_s, u"100"_s, u"未知"_s}));
    QCOMPARE(nine.row(), 1);

    list.sort(DownloadList::Size, Qt::DescendingOrder);
    QCOMPARE(list.at(0).size, u"未知"_s);
    QCOMPARE(list.at(1).size, u"100"_s);
}

void TestDownloadList::stateIcons()
{
    DownloadList list;
    DownloadListDecorations shown;
    shown.setSourceModel(&list);
    list.addItem(keyOf(u"a"_s), u"a"_s, u"pdf"_s, u"/f/"_s, QString());

    QList<QImage> pictures;
    for (const DownloadState state : {DownloadState::Waiting, DownloadState::Downloading,
                                      DownloadState::Completed, DownloadState::Failed}) {
        list.setState(keyOf(u"a"_s), state);
        const QIcon icon = shown.index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(!icon.isNull());
        const QImage picture = icon.pixmap(16, 16).toImage();
        QCOMPARE(picture.size(), QSize(16, 16));
        QVERIFY(!pictures.contains(picture));
        pictures << picture;
    }
    QVERIFY(!shown.index(0, 1).data(Qt::DecorationRole).isValid());
    QCOMPARE(shown.index(0, 0).data().toString(), u"a"_s);
}

ZORV_TEST_MAIN(TestDownloadList)
#include "tst_downloadlist.moc"
