#include "download/DownloadNaming.h"

#include "download/DownloadList.h"
#include "net/HttpHelpers.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString withSeparator(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString counterText(qint64 n) { return u"[%1]"_s.arg(n, 3, 10, QLatin1Char('0')); }

// A counter as written inside the brackets: decimal digits only.
bool parseCounter(const QString& text, qint64& value)
{
    if (text.isEmpty() || text.size() > 12) {
        return false;
    }
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    value = text.toLongLong();
    return true;
}

} // namespace

QString SameNameCaption(SameNameOption option)
{
    switch (option) {
    case SameNameOption::Skip:
        return u"跳过"_s;
    case SameNameOption::Overwrite:
        return u"覆盖"_s;
    case SameNameOption::Rename:
        break;
    }
    return u"重命名"_s;
}

SameNameOption SameNameOptionFromCaption(const QString& caption)
{
    const QString trimmed = caption.trimmed();
    if (trimmed == SameNameCaption(SameNameOption::Skip)) {
        return SameNameOption::Skip;
    }
    if (trimmed == SameNameCaption(SameNameOption::Overwrite)) {
        return SameNameOption::Overwrite;
    }
    return SameNameOption::Rename;
}

QString DownloadFilePath(const QString& folder, const QString& name, const QString& type)
{
    // A name without a type has no trailing dot: the file is the same one that opening or
    // deleting a finished item looks for.
    return type.isEmpty() ? folder + name : folder + name + u'.' + type;
}

void PrepareDownloadItem(DownloadList& list, const QString& key)
{
    const DownloadItem item = list.item(key);
    const QString clean = SanitizeFileName(item.text);
    if (clean != item.text) {
        list.setText(key, clean);
    }
    if (!item.folder.endsWith(u'/')) {
        list.setFolder(key, item.folder + u'/');
    }
}

bool 确定是需要下载(DownloadList& list, const QString& key, SameNameOption option)
{
    const DownloadItem item = list.item(key);
    const QString path = DownloadFilePath(item.folder, item.text, item.type);
    if (option == SameNameOption::Skip && FileExists(path)) {
        const QString length = QString::number(QFileInfo(path).size());
        list.setState(key, DownloadState::Completed);
        list.setProgress(key, length, length, u"已存在，跳过"_s);
        return false;
    }
    return true;
}

SavePath 重命名保存路径(const QString& folderIn, const QString& nameIn, const QString& type,
                        SameNameOption option)
{
    const QString folder = withSeparator(folderIn);
    const QString path = DownloadFilePath(folder, nameIn, type);
    if (option == SameNameOption::Overwrite || !FileExists(path)) {
        return {path, nameIn};
    }

    QString name = nameIn;
    qint64 n = 0;
    const qsizetype open = name.lastIndexOf(u'[');
    const qsizetype close = name.lastIndexOf(u']');
    if (open >= 0 && close > open) {
        qint64 counter = 0;
        if (parseCounter(name.mid(open + 1, close - open - 1).trimmed(), counter)) {
            n = counter;
            name.truncate(open);
        }
    }
    name.replace(u'[', u'『');
    name.replace(u']', u'』');

    QString finalName = n != 0 ? name + counterText(n) : name;
    while (FileExists(DownloadFilePath(folder, finalName, type))) {
        ++n;
        finalName = name + counterText(n);
    }
    return {DownloadFilePath(folder, finalName, type), finalName};
}
