#include "cache/BrowserDiskCache.h"

#include "cache/DiskCacheFormat.h"
#include "net/HttpHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Entry files are named by 16 hex digits and a stream suffix.
bool isEntryId(const QString& name)
{
    static const QRegularExpression pattern(u"^[0-9a-f]{16}$"_s);
    return pattern.match(name).hasMatch();
}

QString entryPath(const QString& folder, const QString& id, QChar suffix)
{
    return folder + u'/' + id + u'_' + suffix;
}

// The latest change of the files of one entry: the response file and its ranges file.
QDateTime stampOf(const QString& folder, const QString& id)
{
    const QFileInfo main(entryPath(folder, id, u'0'));
    const QFileInfo ranges(entryPath(folder, id, u's'));
    QDateTime stamp = main.lastModified();
    if (ranges.isFile() && ranges.lastModified() > stamp) {
        stamp = ranges.lastModified();
    }
    return stamp;
}

// A file name for the body: the URL's last path segment, and when that has no extension,
// the one its content type stands for, so that a copied-out file opens with its program.
QString bodyFileName(const DiskCacheFormat::EntryRecord& record)
{
    QString name = SanitizeFileName(QUrl(record.url).fileName(QUrl::FullyDecoded));
    if (name.isEmpty()) {
        name = u"index"_s;
    }
    if (!name.contains(u'.')) {
        const QString type = QString::fromLatin1(record.header("Content-Type")).section(u';', 0, 0);
        QString extension = ContentTypeToExt(type.trimmed());
        if (extension == u"plain"_s) {
            extension = u"txt"_s;
        }
        if (!extension.isEmpty() && extension.size() <= 6 && !extension.contains(u'/')) {
            name += u'.' + extension;
        }
    }
    return name;
}

// The body as the server meant it: whole, checked, and with its content coding undone.
std::optional<QByteArray> completeBody(const QString& folder, const QString& id, QFile& file,
                                       const DiskCacheFormat::EntryRecord& record)
{
    if (record.status < 200 || record.status >= 300) {
        return std::nullopt; // redirects and error pages are not the file of the URL
    }
    std::optional<QByteArray> body;
    if (record.bodySize > 0) {
        body = DiskCacheFormat::readBody(file, record);
    } else {
        QFile ranges(entryPath(folder, id, u's'));
        qint64 total = DiskCacheFormat::totalFromContentRange(record.header("Content-Range"));
        if (total < 0) {
            total = record.header("Content-Length").toLongLong();
        }
        if (ranges.open(QIODevice::ReadOnly)) {
            body = DiskCacheFormat::readRangedBody(ranges, total);
        }
    }
    if (body) {
        body = DiskCacheFormat::decodeContent(*body, record.header("Content-Encoding"));
    }
    if (!body || body->isEmpty()) {
        return std::nullopt;
    }
    return body;
}

void removeOtherFiles(const QString& folder, const QString& keep)
{
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden
                                                           | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : files) {
        if (info.fileName() == keep) {
            continue;
        }
        if (info.isDir() && !info.isSymLink()) {
            QDir(info.filePath()).removeRecursively();
        } else {
            QFile::remove(info.filePath());
        }
    }
}

} // namespace

BrowserDiskCache::BrowserDiskCache(const QString& cacheFolder, const QString& filesFolder)
    : m_cacheFolder(QDir::cleanPath(cacheFolder))
    , m_filesFolder(QDir::cleanPath(filesFolder))
{
}

QString BrowserDiskCache::entryFolder() const
{
    // The engine keeps its HTTP cache in "Cache/Cache_Data" below the cache folder; older
    // engines wrote to "Cache" or to the folder itself.
    const QStringList candidates{m_cacheFolder + u"/Cache/Cache_Data"_s,
                                 m_cacheFolder + u"/Cache"_s, m_cacheFolder};
    for (const QString& candidate : candidates) {
        const QDir dir(candidate);
        if (dir.exists()
            && (QFileInfo::exists(candidate + u"/index"_s)
                || !dir.entryList({u"*_0"_s}, QDir::Files | QDir::Hidden).isEmpty())) {
            return candidate;
        }
    }
    return {};
}

bool BrowserDiskCache::scan()
{
    m_records.clear();
    m_scanned = true;
    m_entryFolder = entryFolder();
    const QString& folder = m_entryFolder;
    bool complete = true;
    if (!folder.isEmpty()) {
        const QFileInfo folderInfo(folder);
        complete = folderInfo.isReadable() && folderInfo.isExecutable();
        const QFileInfoList files = QDir(folder).entryInfoList(
            {u"*_0"_s}, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
        for (const QFileInfo& info : files) {
            const QString id = info.fileName().chopped(2);
            if (!isEntryId(id)) {
                continue;
            }
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                continue;
            }
            const auto record = DiskCacheFormat::readEntry(file);
            if (!record || record->url.isEmpty()) {
                continue; // half written, damaged, or not a response of a web address
            }
            Record entry;
            entry.id = id;
            entry.stamp = stampOf(folder, id);
            entry.entry.sourceUrl = record->url;
            entry.entry.type = CacheEntry::Normal;
            const QString body = m_filesFolder + u'/' + id + u'/' + bodyFileName(*record);
            const QFileInfo kept(body);
            if (kept.isFile() && kept.lastModified() == entry.stamp) {
                entry.entry.localFile = body;
            } else if (const auto data = completeBody(folder, id, file, *record)) {
                entry.entry.localFile = keepBody(body, *data, entry.stamp);
            }
            m_records.append(entry);
        }
    }
    // Oldest first, as the entries were stored.
    std::stable_sort(m_records.begin(), m_records.end(),
                     [](const Record& a, const Record& b) { return a.stamp < b.stamp; });
    dropStaleFiles();
    return complete;
}

QString BrowserDiskCache::keepBody(const QString& path, const QByteArray& body,
                                   const QDateTime& stamp)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return {};
    }
    removeOtherFiles(folder, QFileInfo(path).fileName());
    // The file carries the time the entry was stored; an unchanged entry is not written
    // again. The time goes on the temporary file, so the body appears whole and stamped.
    QSaveFile output(path);
    output.setDirectWriteFallback(false);
    if (!output.open(QIODevice::WriteOnly) || output.write(body) != body.size() || !output.flush()
        || !output.setFileTime(stamp, QFileDevice::FileModificationTime) || !output.commit()) {
        return {};
    }
    return path;
}

void BrowserDiskCache::dropStaleFiles()
{
    QSet<QString> kept;
    for (const Record& record : std::as_const(m_records)) {
        if (!record.entry.localFile.isEmpty()) {
            kept.insert(record.id);
        }
    }
    const QFileInfoList folders = QDir(m_filesFolder)
                                      .entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden
                                                     | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : folders) {
        if (!isEntryId(info.fileName()) || kept.contains(info.fileName())) {
            continue;
        }
        if (info.isDir() && !info.isSymLink()) {
            QDir(info.filePath()).removeRecursively();
        } else {
            QFile::remove(info.filePath());
        }
    }
}

const BrowserDiskCache::Record* BrowserDiskCache::find(const QString& url) const
{
    for (const Record& record : m_records) {
        if (record.entry.sourceUrl == url) {
            return &record;
        }
    }
    return nullptr;
}

bool BrowserDiskCache::isCurrent(const Record& record) const
{
    // Looked for where the scan found it: finding the entry folder anew would read the whole
    // folder once the browser's index file is gone, for every row of a listing.
    const QString& folder = m_entryFolder;
    return !folder.isEmpty() && QFileInfo(entryPath(folder, record.id, u'0')).isFile()
        && stampOf(folder, record.id) == record.stamp
        && (record.entry.localFile.isEmpty() || QFileInfo(record.entry.localFile).isFile());
}

bool BrowserDiskCache::enumerate(const std::function<void(const CacheEntry&)>& visit)
{
    const bool complete = scan();
    for (const Record& record : std::as_const(m_records)) {
        visit(record.entry);
    }
    return complete;
}

std::optional<CacheEntry> BrowserDiskCache::lookup(const QString& url)
{
    const Record* record = m_scanned ? find(url) : nullptr;
    if (!record || !isCurrent(*record)) {
        scan();
        record = find(url);
    }
    if (!record) {
        return std::nullopt;
    }
    return record->entry;
}

bool BrowserDiskCache::remove(const QString& url)
{
    if (!m_scanned || !find(url)) {
        scan();
    }
    const QString& folder = m_entryFolder;
    bool removed = false;
    for (qsizetype i = m_records.size() - 1; i >= 0; --i) {
        const Record& record = m_records.at(i);
        if (record.entry.sourceUrl != url) {
            continue;
        }
        // The response, its other stream and its ranges, by name: reading the folder for
        // them would make deleting every row read the folder once per row. A running browser
        // that still holds one of them open keeps writing into the removed file only, and
        // fetches the URL afresh the next time it is asked for.
        if (!folder.isEmpty()) {
            for (const QChar stream : {u'0', u'1', u's'}) {
                removed = QFile::remove(entryPath(folder, record.id, stream)) || removed;
            }
        }
        QDir(m_filesFolder + u'/' + record.id).removeRecursively();
        m_records.removeAt(i);
    }
    return removed;
}
