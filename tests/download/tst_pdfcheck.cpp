#include "TestMain.h"
#include "download/DownloadList.h"
#include "download/PdfCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kPdf("%PDF-1.4\n%rest");
const QByteArray kCaj("\xC8\x00\x00\x00rest", 8);
const QByteArray kKdh("KDH rest");
const QByteArray kNh("HN\x00\x00rest", 8);

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestPdfCheck : public QObject {
    Q_OBJECT
private slots:
    void detect_data();
    void detect();
    void splitFileName_data();
    void splitFileName();
    void check_data();
    void check();
    void checkLooksOnlyAtCompletedPdfRows();
    void failedRenameKeepsRow();
};

void TestPdfCheck::detect_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type");
    QTest::newRow("pdf") << kPdf << u"PDF"_s;
    QTest::newRow("caj") << kCaj << u"CAJ"_s;
    QTest::newRow("kdh") << kKdh << u"KDH"_s;
    QTest::newRow("nh") << kNh << u"NH"_s;
    QTest::newRow("exactly four bytes") << QByteArray("%PDF") << u"PDF"_s;
    QTest::newRow("three bytes") << QByteArray("%PD") << u"未知类型文件"_s;
    QTest::newRow("empty") << QByteArray() << u"未知类型文件"_s;
    QTest::newRow("html") << QByteArray("<html>") << u"未知类型文件"_s;
    QTest::newRow("lower-case kdh") << QByteArray("kdh rest") << u"未知类型文件"_s;
    QTest::newRow("C8 then other bytes") << QByteArray("\xC8\x00\x01\x00", 4) << u"未知类型文件"_s;
}

void TestPdfCheck::detect()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, type);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"x.pdf"_s);
    writeFile(path, bytes);
    QCOMPARE(DetectDocumentType(path), type);
    QCOMPARE(DetectDocumentType(dir.filePath(u"missing.pdf"_s)), u"文件不存在"_s);
    QCOMPARE(DetectDocumentType(dir.path()), u"文件不存在"_s); // a folder is no file
}

void TestPdfCheck::splitFileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << u"/a/b/x.CAJ"_s << u"x"_s << u"CAJ"_s;
    QTest::newRow("counter") << u" /a/x[0001].CAJ "_s << u"x[0001]"_s << u"CAJ"_s;
    QTest::newRow("last dot") << u"/a/x.tar.gz"_s << u"x.tar"_s << u"gz"_s;
    QTest::newRow("six letters") << u"/a/x.abcdef"_s << u"x"_s << u"abcdef"_s;
    QTest::newRow("seven letters") << u"/a/x.abcdefg"_s << u"x.abcdefg"_s << QString();
    QTest::newRow("no dot") << u"/a/readme"_s << u"readme"_s << QString();
    QTest::newRow("dot in folder only") << u"/a.b/readme"_s << u"readme"_s << QString();
    QTest::newRow("trailing dot") << u"/a/x."_s << u"x"_s << QString();
}

void TestPdfCheck::splitFileName()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QFETCH(QString, extension);
    const FileNameParts parts = SplitFileName(path);
    QCOMPARE(parts.base, base);
    QCOMPARE(parts.extension, extension);
}

void TestPdfCheck::check_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("present"); // files already in the folder
    QTest::addColumn<QString>("newType");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("pdf stays") << u"pdf"_s << kPdf << QStringList() << u"pdf"_s << u"x"_s
                               << QStringList{u"x.pdf"_s};
    QTest::newRow("caj") << u"pdf"_s << kCaj << QStringList() << u"CAJ"_s << u"x"_s
                         << QStringList{u"x.CAJ"_s};
    QTest::newRow("caj taken") << u"pdf"_s << kCaj << QStringList{u"x.CAJ"_s} << u"CAJ"_s
                               << u"x[0001]"_s << QStringList{u"x.CAJ"_s, u"x[0001].CAJ"_s};
    QTest::newRow("nh") << u"pdf"_s << kNh << QStringList() << u"NH"_s << u"x"_s
                        << QStringList{u"x.NH"_s};
    QTest::newRow("kdh, type in capitals")
        << u"PDF"_s << kKdh << QStringList() << u"KDH"_s << u"x"_s << QStringList{u"x.KDH"_s};
    QTest::newRow("three bytes") << u"pdf"_s << QByteArray("HN\0", 3) << QStringList() << u"pdf"_s
                                 << u"x"_s << QStringList{u"x.pdf"_s};
    QTest::newRow("unknown") << u"pdf"_s << QByteArray("<html></html>") << QStringList() << u"pdf"_s
                             << u"x"_s << QStringList{u"x.pdf"_s};
}

void TestPdfCheck::check()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, present);
    QFETCH(QString, newType);
    QFETCH(QString, newName);
    QFETCH(QStringList, files);

    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    writeFile(folder + u"x."_s + type, bytes);
    for (const QString& name : present) {
        writeFile(folder + name, "there before");
    }
    DownloadList list;
    const QString key = u"http://127.0.0.1/x"_s;
    list.addItem(key, u"x"_s, type, folder, u"ref"_s);
    list.setState(key, DownloadState::Completed);
    list.setProgress(key, u"8"_s, u"8"_s, u"100%"_s);

    CheckPdfFiles(list);
    QCOMPARE(list.item(key).type, newType);
    QCOMPARE(list.item(key).text, newName);
    QCOMPARE(list.state(key), DownloadState::Completed);
    QCOMPARE(list.item(key).percentage, u"100%"_s);
    QCOMPARE(filesIn(folder), files);
    QFile moved(list.targetPath(key));
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), bytes);

    CheckPdfFiles(list); // a second run finds nothing more to do
    QCOMPARE(list.item(key).text, newName);
    QCOMPARE(filesIn(folder), files);
}

void TestPdfCheck::checkLooksOnlyAtCompletedPdfRows()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    DownloadList list;
    const QList<QPair<QString, DownloadState>> rows{
        {u"waiting"_s, DownloadState::Waiting}, {u"running"_s, DownloadState::Downloading},
        {u"failed"_s, DownloadState::Failed},   {u"zip"_s, DownloadState::Completed},
        {u"gone"_s, DownloadState::Completed},  {u"moved"_s, DownloadState::Completed}};
    for (const auto& [name, state] : rows) {
        const QString type = name == u"zip"_s ? u"zip"_s : u"pdf"_s;
        list.addItem(u"http://127.0.0.1/"_s + name, name, type, folder, QString());
        list.setState(u"http://127.0.0.1/"_s + name, state);
        if (name != u"gone"_s) {
            writeFile(folder + name + u'.' + type, kCaj);
        }
    }
    CheckPdfFiles(list);
    QCOMPARE(filesIn(folder),
             (QStringList{u"failed.pdf"_s, u"moved.CAJ"_s, u"running.pdf"_s, u"waiting.pdf"_s,
                          u"zip.zip"_s}));
    QCOMPARE(list.at(5).type, u"CAJ"_s);
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(list.at(row).type, row == 3 ? u"zip"_s : u"pdf"_s);
        QCOMPARE(list.at(row).state, rows.at(row).second);
    }
}

// The new name is taken by something that is not a file (a folder): the file cannot move,
// and the row keeps pointing at the file that is still there.
void TestPdfCheck::failedRenameKeepsRow()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    writeFile(folder + u"x.pdf"_s, kCaj);
    QVERIFY(QDir().mkdir(folder + u"x.CAJ"_s));
    DownloadList list;
    const QString key = u"http://127.0.0.1/x"_s;
    list.addItem(key, u"x"_s, u"pdf"_s, folder, QString());
    list.setState(key, DownloadState::Completed);

    CheckPdfFiles(list);
    QCOMPARE(list.item(key).type, u"pdf"_s);
    QCOMPARE(list.item(key).text, u"x"_s);
    QVERIFY(QFile::exists(list.targetPath(key)));
}

ZORV_TEST_MAIN(TestPdfCheck)
#include "tst_pdfcheck.moc"
