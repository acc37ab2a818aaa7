#include "download/PdfCheck.h"

#include "download/DownloadList.h"
#include "net/HttpHelpers.h"

#include <QFile>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

struct Signature {
    std::array<char, 4> bytes;
    const char16_t* format;
};

// First match wins.
constexpr std::array<Signature, 4> kSignatures{{
    {{'%', 'P', 'D', 'F'}, u"PDF"},
    {{'\xC8', '\0', '\0', '\0'}, u"CAJ"},
    {{'K', 'D', 'H', ' '}, u"KDH"},
    {{'H', 'N', '\0', '\0'}, u"NH"},
}};

QString unknownType() { return u"未知类型文件"_s; }
QString missingFile() { return u"文件不存在"_s; }

} // namespace

QString DetectDocumentType(const QString& path)
{
    if (!FileExists(path)) {
        return missingFile();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return unknownType();
    }
    const QByteArray head = file.read(qMin<qint64>(file.size(), 10));
    if (head.size() < 4) {
        return unknownType();
    }
    for (const Signature& signature : kSignatures) {
        if (std::equal(signature.bytes.cbegin(), signature.bytes.cend(), head.cbegin())) {
            return QString::fromUtf16(signature.format);
        }
    }
    return unknownType();
}

FileNameParts SplitFileName(const QString& path)
{
    const QString trimmed = path.trimmed();
    const QString name = trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0 && name.size() - dot - 1 < 7) {
        return {name.left(dot).trimmed(), name.mid(dot + 1).trimmed()};
    }
    return {name.trimmed(), QString()};
}

void CheckPdfFiles(DownloadList& list)
{
    for (int row = 0; row < list.rowCount(); ++row) {
        const DownloadItem item = list.at(row);
        if (item.type.toLower() != u"pdf"_s || item.state != DownloadState::Completed) {
            continue;
        }
        const QString path = DownloadList::targetPath(item);
        const QString format = DetectDocumentType(path);
        if (format == missingFile() || format == u"PDF"_s || format == unknownType()) {
            continue;
        }
        const QString newPath = UniqueFileName(item.folder + item.text + u'.' + format);
        // A file that stays where it is (open elsewhere, say) keeps its row pointing at it.
        if (!QFile::rename(path, newPath)) {
            continue;
        }
        list.setType(item.key, format);
        list.setText(item.key, SplitFileName(newPath).base);
    }
}
