#include "cache/DiskCacheFormat.h"

#include <QIODevice>
#include <QUrl>
#include <QtEndian>

#include <brotli/decode.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace DiskCacheFormat {

namespace {

constexpr quint64 kEntryMagic = 0xfcfb6d1ba7725c30ULL;
constexpr quint64 kEndMagic = 0xf4fa6f45970d41d8ULL;
constexpr quint64 kRangeMagic = 0xeb97bf016553676bULL;
constexpr qint64 kHeaderSize = 24; // magic, version, key length, key hash, padding
constexpr qint64 kEndSize = 24; // magic, flags, crc, stream size, padding
constexpr qint64 kRangeHeaderSize = 32; // magic, offset, length, crc, padding
constexpr qint64 kKeyDigestSize = 32;
constexpr quint32 kEndHasCrc = 0x1;
constexpr quint32 kEndHasKeyDigest = 0x2;
// Larger bodies are not taken into memory.
constexpr qint64 kMaxBody = qint64(1) << 30;

template <typename T>
T at(const QByteArray& data, qint64 offset)
{
    return qFromLittleEndian<T>(data.constData() + offset);
}

std::optional<QByteArray> readAt(QIODevice& file, qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || size > kMaxBody || !file.seek(offset)) {
        return std::nullopt;
    }
    QByteArray data = file.read(size);
    if (data.size() != size) {
        return std::nullopt;
    }
    return data;
}

struct EndRecord {
    quint32 flags = 0;
    quint32 crc = 0;
    qint64 streamSize = 0;
};

std::optional<EndRecord> readEnd(QIODevice& file, qint64 offset)
{
    const auto data = readAt(file, offset, kEndSize);
    if (!data || at<quint64>(*data, 0) != kEndMagic) {
        return std::nullopt;
    }
    const qint32 size = at<qint32>(*data, 16);
    if (size < 0) {
        return std::nullopt;
    }
    return EndRecord{at<quint32>(*data, 8), at<quint32>(*data, 12), size};
}

// The key that follows the header at the start of an entry or ranges file.
std::optional<QByteArray> readKey(QIODevice& file, qint64 fileSize)
{
    const auto header = readAt(file, 0, kHeaderSize);
    if (!header || at<quint64>(*header, 0) != kEntryMagic) {
        return std::nullopt;
    }
    const quint32 keyLength = at<quint32>(*header, 12);
    if (keyLength == 0 || keyLength > fileSize - kHeaderSize) {
        return std::nullopt;
    }
    return readAt(file, kHeaderSize, keyLength);
}

// The header lines of the stored response: a length-prefixed text after the size, flags
// and two times of the record; when that does not fit, the text from the status line to
// the first empty line.
QByteArray headerLines(const QByteArray& info)
{
    constexpr qint64 textAt = 28;
    if (info.size() >= textAt) {
        const qint32 length = at<qint32>(info, 24);
        if (length > 0 && length <= info.size() - textAt) {
            const QByteArray text = info.mid(textAt, length);
            if (text.startsWith("HTTP/")) {
                return text;
            }
        }
    }
    const qsizetype start = info.indexOf("HTTP/");
    if (start < 0) {
        return {};
    }
    const qsizetype end = info.indexOf(QByteArray("\0\0", 2), start);
    return end < 0 ? QByteArray() : info.mid(start, end - start + 1);
}

int statusOf(const QByteArray& headers)
{
    const QByteArray statusLine = headers.left(headers.indexOf('\0'));
    const QList<QByteArray> parts = statusLine.split(' ');
    return parts.size() >= 2 ? parts.at(1).toInt() : 0;
}

quint32 crcOf(const QByteArray& data)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    qint64 done = 0;
    while (done < data.size()) {
        const uInt piece = uInt(qMin<qint64>(data.size() - done, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.constData() + done), piece);
        done += piece;
    }
    return quint32(crc);
}

std::optional<QByteArray> inflateBody(const QByteArray& body, int windowBits)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK) {
        return std::nullopt;
    }
    QByteArray out;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    stream.avail_in = uInt(body.size());
    int result = Z_OK;
    while (true) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = uInt(buffer.size());
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) {
            break;
        }
        out.append(buffer.constData(), buffer.size() - stream.avail_out);
        if (out.size() > kMaxBody) {
            result = Z_MEM_ERROR;
            break;
        }
        if (result == Z_STREAM_END) {
            // A gzip body may hold several members one after another; other bytes after the
            // end are not part of the body.
            const bool member =
                stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b;
            if (member && windowBits > 15 && inflateReset(&stream) == Z_OK) {
                continue;
            }
            break;
        }
        if (stream.avail_in == 0 && stream.avail_out != 0) {
            result = Z_DATA_ERROR; // cut short
            break;
        }
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        return std::nullopt;
    }
    return out;
}

std::optional<QByteArray> unbrotli(const QByteArray& body)
{
    BrotliDecoderState* state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state) {
        return std::nullopt;
    }
    QByteArray out;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    size_t availableIn = size_t(body.size());
    const uint8_t* nextIn = reinterpret_cast<const uint8_t*>(body.constData());
    BrotliDecoderResult result = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
    while (result == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
        size_t availableOut = size_t(buffer.size());
        uint8_t* nextOut = reinterpret_cast<uint8_t*>(buffer.data());
        result = BrotliDecoderDecompressStream(state, &availableIn, &nextIn, &availableOut,
                                               &nextOut, nullptr);
        out.append(buffer.constData(), buffer.size() - qsizetype(availableOut));
        if (out.size() > kMaxBody) {
            result = BROTLI_DECODER_RESULT_ERROR;
        }
    }
    BrotliDecoderDestroyInstance(state);
    if (result != BROTLI_DECODER_RESULT_SUCCESS) {
        return std::nullopt;
    }
    return out;
}

} // namespace

QByteArray EntryRecord::header(const QByteArray& name) const
{
    const QList<QByteArray> lines = headers.split('\0');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

std::optional<EntryRecord> readEntry(QIODevice& file)
{
    const qint64 size = file.size();
    if (size < kHeaderSize + 2 * kEndSize) {
        return std::nullopt;
    }
    const auto key = readKey(file, size);
    if (!key) {
        return std::nullopt;
    }
    const auto last = readEnd(file, size - kEndSize);
    if (!last) {
        return std::nullopt;
    }
    const qint64 digest = (last->flags & kEndHasKeyDigest) ? kKeyDigestSize : 0;
    const qint64 infoAt = size - kEndSize - digest - last->streamSize;
    const qint64 bodyAt = kHeaderSize + key->size();
    if (infoAt - kEndSize < bodyAt) {
        return std::nullopt;
    }
    const auto bodyEnd = readEnd(file, infoAt - kEndSize);
    if (!bodyEnd || bodyAt + bodyEnd->streamSize != infoAt - kEndSize) {
        return std::nullopt;
    }
    const auto info = readAt(file, infoAt, last->streamSize);
    if (!info) {
        return std::nullopt;
    }
    EntryRecord record;
    record.key = QString::fromUtf8(*key);
    record.url = urlFromKey(record.key);
    record.headers = headerLines(*info);
    record.status = statusOf(record.headers);
    record.bodyOffset = bodyAt;
    record.bodySize = bodyEnd->streamSize;
    record.bodyHasCrc = bodyEnd->flags & kEndHasCrc;
    record.bodyCrc = bodyEnd->crc;
    return record;
}

std::optional<QByteArray> readBody(QIODevice& file, const EntryRecord& record)
{
    auto body = readAt(file, record.bodyOffset, record.bodySize);
    if (!body || (record.bodyHasCrc && crcOf(*body) != record.bodyCrc)) {
        return std::nullopt;
    }
    return body;
}

std::optional<QByteArray> readRangedBody(QIODevice& file, qint64 totalSize)
{
    const qint64 size = file.size();
    const auto key = readKey(file, size);
    if (!key || totalSize <= 0 || totalSize > kMaxBody) {
        return std::nullopt;
    }
    struct Range {
        qint64 offset;
        QByteArray data;
    };
    QList<Range> ranges;
    qint64 position = kHeaderSize + key->size();
    while (position < size) {
        const auto header = readAt(file, position, kRangeHeaderSize);
        if (!header || at<quint64>(*header, 0) != kRangeMagic) {
            return std::nullopt;
        }
        const qint64 offset = at<qint64>(*header, 8);
        const qint64 length = at<qint64>(*header, 16);
        const quint32 crc = at<quint32>(*header, 24);
        if (offset < 0 || length < 0 || length > size - position - kRangeHeaderSize) {
            return std::nullopt;
        }
        auto data = readAt(file, position + kRangeHeaderSize, length);
        if (!data || (crc != 0 && crcOf(*data) != crc)) {
            return std::nullopt;
        }
        ranges.append({offset, *std::move(data)});
        position += kRangeHeaderSize + length;
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.offset < b.offset; });
    QByteArray body;
    for (const Range& range : ranges) {
        if (range.offset > body.size()) {
            return std::nullopt; // a gap: some bytes were never fetched
        }
        const qint64 fresh = range.offset + range.data.size() - body.size();
        if (fresh > 0) {
            body.append(range.data.right(fresh));
        }
    }
    if (body.size() < totalSize) {
        return std::nullopt;
    }
    body.truncate(totalSize);
    return body;
}

QString urlFromKey(const QString& key)
{
    QString rest = key;
    // Leading parts such as "1/0/" are numbers, each followed by "/".
    for (int parts = 0; parts < 4; ++parts) {
        const qsizetype slash = rest.indexOf(u'/');
        bool number = false;
        if (slash > 0) {
            rest.left(slash).toLongLong(&number);
        }
        if (!number) {
            break;
        }
        rest = rest.mid(slash + 1);
    }
    if (rest.contains(u' ')) {
        rest = rest.mid(rest.lastIndexOf(u' ') + 1);
    }
    const QUrl url(rest, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http"_s && scheme != u"https"_s)) {
        return {};
    }
    return rest;
}

std::optional<QByteArray> decodeContent(const QByteArray& body, const QByteArray& encoding)
{
    std::optional<QByteArray> data = body;
    QList<QByteArray> codings = encoding.split(',');
    // The last coding named was applied last, so it comes off first.
    for (auto it = codings.crbegin(); it != codings.crend() && data; ++it) {
        const QByteArray coding = it->trimmed().toLower();
        if (coding.isEmpty() || coding == "identity") {
            continue;
        }
        if (coding == "gzip" || coding == "x-gzip") {
            data = inflateBody(*data, 15 + 32);
        } else if (coding == "deflate") {
            // Properly a zlib stream; some servers send the bare deflate data.
            auto wrapped = inflateBody(*data, 15);
            data = wrapped ? wrapped : inflateBody(*data, -15);
        } else if (coding == "br") {
            data = unbrotli(*data);
        } else {
            return std::nullopt;
        }
    }
    return data;
}

qint64 totalFromContentRange(const QByteArray& value)
{
    const qsizetype slash = value.lastIndexOf('/');
    if (slash < 0) {
        return -1;
    }
    bool ok = false;
    const qint64 total = value.mid(slash + 1).trimmed().toLongLong(&ok);
    return ok && total > 0 ? total : -1;
}

} // namespace DiskCacheFormat
