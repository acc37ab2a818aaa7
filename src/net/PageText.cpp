#include "net/PageText.h"

#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace {

// How far into the page a meta charset is looked for.
constexpr qsizetype kHeadBytes = 4096;

QString metaCharset(const QByteArray& bytes)
{
    static const QRegularExpression pattern(
        uR"(<meta[^>]*charset\s*=\s*["']?\s*([A-Za-z0-9_.:\-]+))"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.left(kHeadBytes));
    const QRegularExpressionMatch match = pattern.match(head);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString decodeAs(const QString& charset, const QByteArray& bytes, bool* valid)
{
    QString name = charset.trimmed().toLower();
    // The older Chinese charsets are subsets of GB18030; pages labelled with them often carry
    // characters beyond them.
    if (name == u"gb2312"_s || name == u"gbk"_s || name == u"x-gbk"_s || name == u"gb_2312-80"_s) {
        name = u"GB18030"_s;
    }
    QStringDecoder decoder(qPrintable(name));
    *valid = decoder.isValid();
    return *valid ? decoder.decode(bytes) : QString();
}

} // namespace

QString DecodePageText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringConverter::Utf16); // reads the mark itself
        return decoder.decode(bytes);
    }
    const QString charset = metaCharset(bytes);
    if (!charset.isEmpty()) {
        bool valid = false;
        const QString text = decodeAs(charset, bytes, &valid);
        if (valid) {
            return text;
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    QStringDecoder gb18030("GB18030");
    return gb18030.isValid() ? gb18030.decode(bytes) : text;
}
