#include "net/HttpHelpers.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <cmath>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

bool isOneOf(const QString& value, std::initializer_list<const char16_t*> names)
{
    for (const char16_t* name : names) {
        if (value == QString::fromUtf16(name)) {
            return true;
        }
    }
    return false;
}

} // namespace

QString ContentTypeToExt(const QString& contentType)
{
    const QStringList parts = contentType.split(u'/');
    if (parts.size() != 2) {
        return contentType;
    }
    const QString major = parts.at(0).trimmed().toLower();
    QString minor = parts.at(1).trimmed();
    minor.remove(u' ');
    minor = minor.toLower();

    // Within a known major type: "*" or nothing names the major type itself, an unlisted
    // minor type gives back the whole value.
    const auto otherwise = [&]() {
        return (minor.isEmpty() || minor == u"*"_s) ? major : contentType;
    };

    if (major == u"application"_s) {
        if (minor == u"octet-stream"_s) {
            return {};
        }
        if (minor == u"x-shockwave-flash"_s) {
            return u"swf"_s;
        }
        if (minor == u"x-javascript"_s) {
            return u"js"_s;
        }
        if (minor == u"vnd.ms-wpl"_s) {
            return u"wpl"_s;
        }
        if (isOneOf(minor, {u"vnd.rn-realmedia", u"kdh", u"caj", u"pdf", u"caa", u"nh"})) {
            return minor;
        }
        return otherwise();
    }
    if (major == u"text"_s) {
        if (isOneOf(minor, {u"html", u"txt", u"htm", u"xml", u"css", u"plain"})) {
            return minor;
        }
        return otherwise();
    }
    if (major == u"image"_s) {
        if (isOneOf(
                minor,
                {u"jpg", u"jpeg", u"gif", u"png", u"bmp", u"tif", u"pjpeg", u"g3fax", u"ief"})) {
            return minor;
        }
        if (minor == u"tiff"_s) {
            return u"tif"_s;
        }
        if (minor == u"x-png"_s) {
            return u"png"_s;
        }
        if (minor == u"x-ms-bmp"_s) {
            return u"bmp"_s;
        }
        if (minor == u"x-icon"_s) {
            return u"ico"_s;
        }
        return otherwise();
    }
    if (major == u"video"_s) {
        if (isOneOf(minor, {u"mpeg", u"quicktime"})) {
            return minor;
        }
        if (minor == u"mpeg4"_s) {
            return u"mp4"_s;
        }
        if (minor == u"x-msvideo"_s) {
            return u"avi"_s;
        }
        if (minor == u"x-ms-asf"_s) {
            return u"asf"_s;
        }
        return otherwise();
    }
    if (major == u"audio"_s) {
        if (isOneOf(minor, {u"amr", u"x-mpegurl"})) {
            return minor;
        }
        if (minor == u"x-ms-wma"_s) {
            return u"wma"_s;
        }
        if (minor == u"x-wav"_s) {
            return u"wav"_s;
        }
        if (minor == u"x-pn-realaudio"_s) {
            return u"ram"_s;
        }
        if (minor == u"midi"_s) {
            return u"mid"_s;
        }
        return otherwise();
    }
    return contentType;
}

bool IsValidPage(const QString& text)
{
    if (text.isEmpty()) {
        return false;
    }
    static const std::array<const char16_t*, 11> markers{
        u"<title>找不到服务器</title>",
        u"<TITLE>403 Forbidden</TITLE>",
        u"<title>HTTP 404 未找到</title>",
        u"<title>HTTP 500 内部服务器错误</title>",
        u"<title>网页无法显示</title>",
        u"<TITLE>404 Not Found</TITLE>",
        u"<TITLE>无法找到网页</TITLE>",
        u"<TITLE>没有可以显示的页面",
        u"<TITLE>无法找到该页</TITLE>",
        u"<TITLE>404 Page Not Found</TITLE>",
        u"Error in check!",
    };
    for (const char16_t* marker : markers) {
        if (text.contains(QString::fromUtf16(marker), Qt::CaseInsensitive)) {
            return false;
        }
    }
    return true;
}

namespace {

// The leading bytes of a file as the sniffer sees them: at most 1024 bytes plus one zero.
class LeadingBytes {
public:
    explicit LeadingBytes(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }
    // Whether the buffer reaches that far; a test beyond it ends the sniffing.
    bool reaches(qsizetype offset, qsizetype length) const
    {
        return offset + length <= m_bytes.size();
    }
    bool startsWithAt(qsizetype offset, std::initializer_list<unsigned char> expected) const
    {
        qsizetype i = offset;
        for (const unsigned char byte : expected) {
            if (static_cast<unsigned char>(m_bytes.at(i++)) != byte) {
                return false;
            }
        }
        return true;
    }

private:
    QByteArray m_bytes;
};

struct Signature {
    std::initializer_list<unsigned char> bytes;
    const char16_t* type;
};

} // namespace

QString SniffFileType(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const qint64 length = file.size();
    QByteArray head = file.read(qMin<qint64>(length, 1024));
    head.resize(qMin<qint64>(length, 1024) + 1, '\0');
    const LeadingBytes buffer(head);

    const std::array<Signature, 12> signatures{{
        {{0x25, 0x50, 0x44, 0x46}, u"PDF"},
        {{0xC8, 0x00, 0x00, 0x00}, u"CAJ"},
        {{0x43, 0x41, 0x4A, 0x00}, u"KDH"},
        {{0x4B, 0x44, 0x48, 0x20}, u"KDH"},
        {{0x49, 0x49, 0x2A, 0x00}, u"TIF"},
        {{0x4D, 0x5A}, u"EXE"},
        {{0x52, 0x61, 0x72, 0x21}, u"RAR"},
        {{0x50, 0x4B, 0x03, 0x04, 0x14}, u"ZIP"},
        {{0x43, 0x57, 0x53, 0x06}, u"SWF"},
        {{0x2E, 0x52, 0x4D, 0x46}, u"RM"},
        {{0x30, 0x26, 0xB2, 0x75, 0x8E}, u"WMA"},
        {{0x49, 0x44, 0x33, 0x03}, u"MP3"},
    }};
    for (const Signature& signature : signatures) {
        if (!buffer.reaches(0, static_cast<qsizetype>(signature.bytes.size()))) {
            return {};
        }
        if (buffer.startsWithAt(0, signature.bytes)) {
            return QString::fromUtf16(signature.type);
        }
    }
    if (!buffer.reaches(0, 8)) {
        return {};
    }
    if (buffer.startsWithAt(0, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1})) {
        if (!buffer.reaches(512, 4)) {
            return {};
        }
        if (buffer.startsWithAt(512, {0xEC, 0xA5, 0xC1, 0x00})) {
            return u"DOC"_s;
        }
        if (buffer.startsWithAt(512, {0x09, 0x08, 0x10, 0x00})) {
            return u"XLS"_s;
        }
        return {};
    }
    if (length < 128 || !file.seek(length - 128)) {
        return {};
    }
    if (file.read(3) == "TAG") {
        return u"MP3"_s;
    }
    return {};
}

namespace {

struct PathParts {
    QString folder; // up to and including the last separator
    QString base;
    QString extension; // after the file name's last "."; empty when there is none
    bool hasDot = false;
};

PathParts splitAtLastDot(const QString& path)
{
    PathParts parts;
    const qsizetype slash = path.lastIndexOf(u'/');
    parts.folder = path.left(slash + 1);
    const QString file = path.mid(slash + 1);
    const qsizetype dot = file.lastIndexOf(u'.');
    parts.hasDot = dot >= 0;
    parts.base = parts.hasDot ? file.left(dot) : file;
    parts.extension = parts.hasDot ? file.mid(dot + 1) : QString();
    return parts;
}

bool isNumeric(const QString& text)
{
    // "inf" and "nan" read as numbers here, but they are no number a user writes.
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QString FixFileExtension(const QString& path, const QString& type)
{
    const PathParts parts = splitAtLastDot(path);
    if (!parts.extension.isEmpty() && parts.extension.compare(type, Qt::CaseInsensitive) == 0) {
        return path;
    }
    const QString target = UniqueFileName(parts.folder + parts.base + u'.' + type);
    QFile::rename(path, target);
    return FileExists(target) ? target : path;
}

QString UniqueFileName(const QString& path)
{
    if (!FileExists(path) || !path.contains(u'/')) {
        return path;
    }
    PathParts parts = splitAtLastDot(path);
    QString base = parts.base.left(100);
    const qsizetype open = base.lastIndexOf(u'[');
    if (base.endsWith(u']') && open >= 0 && isNumeric(base.mid(open + 1, base.size() - open - 2))) {
        base.truncate(open);
    }
    const QString suffix = parts.extension.isEmpty() ? QString() : u'.' + parts.extension;
    QString candidate = parts.folder + base + suffix;
    for (int i = 1; FileExists(candidate); ++i) {
        candidate = parts.folder + base + u"[%1]"_s.arg(i, 4, 10, QLatin1Char('0')) + suffix;
    }
    return candidate;
}

QString FileNameFromPath(const QString& text, bool dropExtension)
{
    QString path = text;
    path.replace(u'\\', u'/');
    QString name = path.mid(path.lastIndexOf(u'/') + 1).trimmed();
    if (dropExtension && name.contains(u'.')) {
        name = name.left(name.lastIndexOf(u'.')).trimmed();
    }
    return name;
}

QString SiteRoot(const QString& url)
{
    const qsizetype scheme = url.indexOf(u"://"_s);
    if (scheme >= 0) {
        const qsizetype slash = url.indexOf(u'/', scheme + 3);
        return slash < 0 ? url : url.left(slash);
    }
    const qsizetype slash = url.indexOf(u'/');
    // A "/" that is the first, second or third character leaves the text as it is.
    return slash > 2 ? url.left(slash) : url;
}

bool FileExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

bool FolderExists(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

QString SanitizeFileName(const QString& name)
{
    QString result = name;
    result.removeIf([](QChar c) {
        return c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"'
            || c == u'<' || c == u'>' || c == u'|' || c == u'\r' || c == u'\n' || c == QChar(0);
    });
    while (result.startsWith(u'.')) {
        result.remove(0, 1);
    }
    while (result.endsWith(u'.')) {
        result.chop(1);
    }
    constexpr qsizetype kMaxBytes = 240;
    if (result.toUtf8().size() > kMaxBytes) {
        QString cut;
        qsizetype bytes = 0;
        for (qsizetype i = 0; i < result.size();) {
            // Surrogate pairs stay together: a character is cut whole or kept whole.
            const qsizetype units =
                (result.at(i).isHighSurrogate() && i + 1 < result.size()) ? 2 : 1;
            const qsizetype size = result.mid(i, units).toUtf8().size();
            if (bytes + size > kMaxBytes) {
                break;
            }
            cut += result.mid(i, units);
            bytes += size;
            i += units;
        }
        result = cut;
    }
    return result.trimmed();
}
