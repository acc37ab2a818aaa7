#include "files/FolderPaths.h"

#include "net/HttpHelpers.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString withSlash(QString path)
{
    if (!path.endsWith(u'/')) {
        path += u'/';
    }
    return path;
}

} // namespace

QString ProgramFolder(const QString& executablePath)
{
    const QFileInfo folder(QFileInfo(executablePath).absolutePath());
    if (folder.isDir() && folder.isWritable()) {
        return withSlash(folder.absoluteFilePath());
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return withSlash(data);
}

QString RecentFolderFile(const QString& executablePath)
{
    return ProgramFolder(executablePath) + u"SaveList.dat"_s;
}

QString MakeFolderPath(const QString& path, Prompter& prompter)
{
    const QStringList parts = path.split(u'/');
    // The first part is never created or cleaned; for an absolute path it is the root.
    QString result = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty()) {
            break;
        }
        const QString clean = SanitizeFileName(part);
        if (clean.isEmpty()) {
            prompter.message(u"文件夹名称有误！不能创建文件夹！"_s, Prompter::Icon::Critical);
            break;
        }
        result += u'/' + clean;
        if (!QFileInfo(result).isDir()) {
            QDir().mkdir(result);
        }
    }
    if (result.isEmpty() && path.startsWith(u'/')) {
        result = u"/"_s;
    }
    return FolderExists(result) ? result : QString();
}

QString BrowseForFolder(Shell& shell, QWidget* owner, const QString& start, const QString& title)
{
    QString folder = start.trimmed();
    if (folder.isEmpty()) {
        folder = u"/"_s;
    }
    const qsizetype cut = folder.left(folder.size() - 1).lastIndexOf(u'/');
    if (cut >= 0) {
        folder = folder.left(cut + 1);
    }
    if (!FolderExists(folder)) {
        folder = u"/"_s;
    }
    const std::optional<QString> chosen = shell.browseForFolder(owner, folder, title);
    return withSlash(chosen && !chosen->isEmpty() ? *chosen : start);
}

std::optional<QStringList> ReadRecentFolders(const QString& file)
{
    QFile input(file);
    if (!FileExists(file) || !input.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QStringList folders;
    int count = 0;
    const QStringList lines = QString::fromUtf8(input.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            continue;
        }
        if (++count > 100) {
            break;
        }
        if (!folders.contains(line, Qt::CaseInsensitive)) {
            folders.append(line);
        }
    }
    return folders;
}

bool WriteRecentFolders(const QStringList& folders, const QString& file)
{
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray text;
    for (const QString& folder : folders) {
        text += folder.toUtf8() + "\r\n";
    }
    if (folders.isEmpty()) {
        text = "\r\n";
    }
    output.write(text);
    return output.commit();
}
