#include "TestMain.h"
#include "net/HttpHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

} // namespace

class TestHttpHelpers : public QObject {
    Q_OBJECT
private slots:
    void contentTypeToExt_data();
    void contentTypeToExt();
    void isValidPage_data();
    void isValidPage();
    void sniffFileType_data();
    void sniffFileType();
    void fixFileExtension_data();
    void fixFileExtension();
    void uniqueFileName_data();
    void uniqueFileName();
    void fileNameFromPath_data();
    void fileNameFromPath();
    void siteRoot_data();
    void siteRoot();
    void sanitizeFileName_data();
    void sanitizeFileName();
    void sanitizeCutsAtCharacterBoundary();
    void existenceTests();
};

void TestHttpHelpers::contentTypeToExt_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("ext");
    QTest::newRow("pdf") << u"application/pdf"_s << u"pdf"_s;
    QTest::newRow("case ignored") << u"Application/PDF"_s << u"pdf"_s;
    QTest::newRow("octet-stream") << u"application/octet-stream"_s << QString();
    QTest::newRow("html") << u"text/html"_s << u"html"_s;
    QTest::newRow("plain") << u"text/plain"_s << u"plain"_s;
    QTest::newRow("tiff") << u"image/tiff"_s << u"tif"_s;
    QTest::newRow("star") << u"application/*"_s << u"application"_s;
    QTest::newRow("empty minor") << u"text/"_s << u"text"_s;
    QTest::newRow("unlisted minor") << u"application/msword"_s << u"application/msword"_s;
    QTest::newRow("zip") << u"application/zip"_s << u"application/zip"_s;
    QTest::newRow("no slash") << u"pdf"_s << u"pdf"_s;
    QTest::newRow("two slashes") << u"a/b/c"_s << u"a/b/c"_s;
    QTest::newRow("unlisted major") << u"model/vrml"_s << u"model/vrml"_s;
    QTest::newRow("spaces in minor") << u"image/ x-png "_s << u"png"_s;
    QTest::newRow("flash") << u"application/x-shockwave-flash"_s << u"swf"_s;
    QTest::newRow("realmedia") << u"application/vnd.rn-realmedia"_s << u"vnd.rn-realmedia"_s;
    QTest::newRow("caj") << u"application/caj"_s << u"caj"_s;
    QTest::newRow("icon") << u"image/x-icon"_s << u"ico"_s;
    QTest::newRow("mpeg4") << u"video/mpeg4"_s << u"mp4"_s;
    QTest::newRow("avi") << u"video/x-msvideo"_s << u"avi"_s;
    QTest::newRow("wma") << u"audio/x-ms-wma"_s << u"wma"_s;
    QTest::newRow("ram") << u"audio/x-pn-realaudio"_s << u"ram"_s;
    QTest::newRow("midi") << u"audio/midi"_s << u"mid"_s;
}

void TestHttpHelpers::contentTypeToExt()
{
    QFETCH(QString, type);
    QFETCH(QString, ext);
    QCOMPARE(ContentTypeToExt(type), ext);
}

void TestHttpHelpers::isValidPage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ordinary page") << u"<html><title>Article</title></html>"_s << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("404 in capitals") << u"<html><TITLE>404 NOT FOUND</TITLE></html>"_s << false;
    QTest::newRow("404 listed form") << u"<title>404 Not Found</title>"_s << false;
    QTest::newRow("chinese 404") << u"<title>HTTP 404 未找到</title>"_s << false;
    QTest::newRow("prefix marker") << u"<title>没有可以显示的页面了</title>"_s << false;
    QTest::newRow("check error") << u"xx Error in check! yy"_s << false;
    QTest::newRow("403") << u"<title>403 forbidden</title>"_s << false;
    QTest::newRow("near miss") << u"<title>404 Not Found here</title>"_s << true;
}

void TestHttpHelpers::isValidPage()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidPage(text), valid);
}

void TestHttpHelpers::sniffFileType_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type");
    QByteArray compound = hex("D0CF11E0A1B11AE1") + QByteArray(504, '\0');
    QTest::newRow("pdf") << QByteArray("%PDF-1.4\n...") << u"PDF"_s;
    QTest::newRow("caj") << hex("C8000000AABB") << u"CAJ"_s;
    QTest::newRow("caj marker") << QByteArray("CAJ\0xx", 6) << u"KDH"_s;
    QTest::newRow("kdh") << QByteArray("KDH xx") << u"KDH"_s;
    QTest::newRow("tif") << hex("49492A000800") << u"TIF"_s;
    QTest::newRow("exe") << QByteArray("MZ\x90\0") << u"EXE"_s;
    QTest::newRow("rar") << QByteArray("Rar!\x1a\x07") << u"RAR"_s;
    QTest::newRow("zip") << hex("504B030414000000") << u"ZIP"_s;
    QTest::newRow("zip other version") << hex("504B03040A000000") << QString();
    QTest::newRow("swf") << QByteArray("CWS\x06xx") << u"SWF"_s;
    QTest::newRow("rm") << QByteArray(".RMF\0\0", 6) << u"RM"_s;
    QTest::newRow("wma") << hex("3026B2758E66CF11") << u"WMA"_s;
    QTest::newRow("mp3 id3") << QByteArray("ID3\x03\0\0", 6) << u"MP3"_s;
    QTest::newRow("doc") << compound + hex("ECA5C100") << u"DOC"_s;
    QTest::newRow("xls") << compound + hex("09081000") << u"XLS"_s;
    QTest::newRow("other compound") << compound + hex("01020304") << QString();
    QTest::newRow("short compound") << compound.left(514) << QString();
    QTest::newRow("mp3 tag trailer")
        << QByteArray(200, 'x') + "TAG" + QByteArray(125, 'y') << u"MP3"_s;
    QTest::newRow("tag in short file") << QByteArray("TAGxyzxyz") << QString();
    QTest::newRow("three bytes") << QByteArray("abc") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("html") << QByteArray("<html><body>x</body></html>") << QString();
}

void TestHttpHelpers::sniffFileType()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, type);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"body"_s);
    writeFile(path, bytes);
    QCOMPARE(SniffFileType(path), type);
}

void TestHttpHelpers::fixFileExtension_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("result");
    QTest::newRow("same type") << u"a.pdf"_s << QStringList() << u"PDF"_s << u"a.pdf"_s;
    QTest::newRow("new type") << u"a.pdf"_s << QStringList() << u"ZIP"_s << u"a.ZIP"_s;
    QTest::newRow("taken") << u"a.pdf"_s << QStringList{u"a.ZIP"_s} << u"ZIP"_s << u"a[0001].ZIP"_s;
    QTest::newRow("no extension") << u"a"_s << QStringList() << u"PDF"_s << u"a.PDF"_s;
}

void TestHttpHelpers::fixFileExtension()
{
    QFETCH(QString, file);
    QFETCH(QStringList, others);
    QFETCH(QString, type);
    QFETCH(QString, result);
    QTemporaryDir dir;
    writeFile(dir.filePath(file), "body");
    for (const QString& other : others) {
        writeFile(dir.filePath(other), "other");
    }
    QCOMPARE(FixFileExtension(dir.filePath(file), type), dir.filePath(result));
    QVERIFY(QFile::exists(dir.filePath(result)));
    QFile moved(dir.filePath(result));
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), QByteArray("body"));
}

void TestHttpHelpers::uniqueFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("result");
    QTest::newRow("free") << u"x.pdf"_s << QStringList() << u"x.pdf"_s;
    QTest::newRow("counter") << u"x.pdf"_s << QStringList{u"x.pdf"_s} << u"x[0001].pdf"_s;
    QTest::newRow("next counter") << u"x.pdf"_s << QStringList{u"x.pdf"_s, u"x[0001].pdf"_s}
                                  << u"x[0002].pdf"_s;
    QTest::newRow("numbered, base free")
        << u"x[0003].pdf"_s << QStringList{u"x[0003].pdf"_s} << u"x.pdf"_s;
    QTest::newRow("numbered, base taken")
        << u"x[0003].pdf"_s << QStringList{u"x[0003].pdf"_s, u"x.pdf"_s} << u"x[0001].pdf"_s;
    QTest::newRow("no extension") << u"x"_s << QStringList{u"x"_s} << u"x[0001]"_s;
    QTest::newRow("bracketed word is no number")
        << u"x[inf].pdf"_s << QStringList{u"x[inf].pdf"_s} << u"x[inf][0001].pdf"_s;
    QTest::newRow("a folder is not a file") << u"d.pdf"_s << QStringList() << u"d.pdf"_s;
}

void TestHttpHelpers::uniqueFileName()
{
    QFETCH(QString, name);
    QFETCH(QStringList, existing);
    QFETCH(QString, result);
    QTemporaryDir dir;
    for (const QString& file : existing) {
        writeFile(dir.filePath(file), "x");
    }
    QDir(dir.path()).mkdir(u"d.pdf"_s);
    QCOMPARE(UniqueFileName(dir.filePath(name)), dir.filePath(result));
}

void TestHttpHelpers::fileNameFromPath_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("drop");
    QTest::addColumn<QString>("name");
    QTest::newRow("url without extension") << u"http://host/a/b.pdf"_s << true << u"b"_s;
    QTest::newRow("url with extension") << u"http://host/a/b.pdf"_s << false << u"b.pdf"_s;
    QTest::newRow("only the last extension")
        << u"http://host/content/94/1/1.full.pdf"_s << true << u"1.full"_s;
    QTest::newRow("backslashes") << u"c:\\dir\\ x.txt "_s << false << u"x.txt"_s;
    QTest::newRow("no dot") << u"/tmp/name"_s << true << u"name"_s;
}

void TestHttpHelpers::fileNameFromPath()
{
    QFETCH(QString, text);
    QFETCH(bool, drop);
    QFETCH(QString, name);
    QCOMPARE(FileNameFromPath(text, drop), name);
}

void TestHttpHelpers::siteRoot_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("root");
    QTest::newRow("path") << u"http://host/a/b"_s << u"http://host"_s;
    QTest::newRow("host only") << u"http://host"_s << u"http://host"_s;
    QTest::newRow("no scheme") << u"host/a"_s << u"host"_s;
    QTest::newRow("early slash") << u"ab/c"_s << u"ab/c"_s;
    QTest::newRow("port") << u"http://127.0.0.1:8765/content/1"_s << u"http://127.0.0.1:8765"_s;
}

void TestHttpHelpers::siteRoot()
{
    QFETCH(QString, url);
    QFETCH(QString, root);
    QCOMPARE(SiteRoot(url), root);
}

void TestHttpHelpers::sanitizeFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("clean");
    QTest::newRow("dots and reserved") << u"..a:b?.pdf.."_s << u"ab.pdf"_s;
    QTest::newRow("only forbidden") << u"./\\:*?\"<>|.."_s << QString();
    QTest::newRow("line breaks") << u"a\r\nb\rc\nd"_s << u"abcd"_s;
    QTest::newRow("nul") << (u"a"_s + QChar(0) + u"b"_s) << u"ab"_s;
    QTest::newRow("blanks trimmed after dots") << u". a ."_s << u"a"_s;
    QTest::newRow("chinese kept") << u"骨移植：研究?"_s << u"骨移植：研究"_s;
}

void TestHttpHelpers::sanitizeFileName()
{
    QFETCH(QString, name);
    QFETCH(QString, clean);
    QCOMPARE(SanitizeFileName(name), clean);
}

void TestHttpHelpers::sanitizeCutsAtCharacterBoundary()
{
    const QString chinese(200, QChar(0x9AA8)); // three bytes each in UTF-8
    const QString cut = SanitizeFileName(chinese);
    QCOMPARE(cut.toUtf8().size(), 240);
    QCOMPARE(cut, QString(80, QChar(0x9AA8)));
    const QString mixed = u"a"_s + chinese; // 1 + 3k bytes: the cut falls inside a character
    QCOMPARE(SanitizeFileName(mixed).toUtf8().size(), 238);
    const QString emoji = QString(59, u'x') + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(50);
    const QString cutEmoji = SanitizeFileName(emoji);
    QVERIFY(cutEmoji.toUtf8().size() <= 240);
    QVERIFY(!cutEmoji.back().isHighSurrogate());
    // Dots are stripped before the cut, so a cut that ends in a dot keeps it.
    const QString dotted = QString(239, u'a') + u".b"_s;
    QCOMPARE(SanitizeFileName(dotted), QString(239, u'a') + u"."_s);
}

void TestHttpHelpers::existenceTests()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(u"f"_s), "x");
    QVERIFY(FileExists(dir.filePath(u"f"_s)));
    QVERIFY(!FileExists(dir.path()));
    QVERIFY(!FileExists(QString()));
    QVERIFY(FolderExists(dir.path()));
    QVERIFY(!FolderExists(dir.filePath(u"f"_s)));
    QVERIFY(!FolderExists(dir.filePath(u"missing"_s)));
}

ZORV_TEST_MAIN(TestHttpHelpers)
#include "tst_httphelpers.moc"
