#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QIODevice;

// Reading the entry files of the embedded browser's disk cache. Each response is one file
// "<16 hex digits>_0": a header with the key (the URL after a short prefix), the body, an
// end record, the response headers, an optional digest of the key and a last end record.
// Bodies that the browser fetched in byte ranges lie beside it in "<same digits>_s" as a run
// of ranges. Every reader checks every length and marker against the file and gives nothing
// for a file that does not fit, so a damaged or half-written file is skipped, never misread.
namespace DiskCacheFormat {

// What an entry file says about its response, without the body.
struct EntryRecord {
    QString key;
    QString url; // the source URL; empty when the key names none
    QByteArray headers; // response header lines separated by NUL, the status line first
    int status = 0;
    qint64 bodyOffset = 0;
    qint64 bodySize = 0;
    bool bodyHasCrc = false;
    quint32 bodyCrc = 0;

    // The value of a response header (name compared without regard to case), or empty.
    QByteArray header(const QByteArray& name) const;
};

// The record of an entry file; nothing when the file is not a complete entry.
std::optional<EntryRecord> readEntry(QIODevice& file);
// The body of a complete entry, checked against its CRC when the file carries one.
std::optional<QByteArray> readBody(QIODevice& file, const EntryRecord& record);
// The body kept in byte ranges, when the ranges cover every byte from 0 to totalSize.
std::optional<QByteArray> readRangedBody(QIODevice& file, qint64 totalSize);

// The URL in a cache key: the key without its leading "n/n/" parts, and of a key that also
// names the sites it was fetched for, its last space-separated part. Empty unless an http or
// https URL remains.
QString urlFromKey(const QString& key);

// The body with its Content-Encoding (gzip, deflate, br, in the order applied) undone;
// nothing for an encoding that is unknown or a body that does not decode.
std::optional<QByteArray> decodeContent(const QByteArray& body, const QByteArray& encoding);

// The complete length that a Content-Range value announces ("bytes 0-99/3000"), or -1.
qint64 totalFromContentRange(const QByteArray& value);

} // namespace DiskCacheFormat
