#include "cache/CacheOperations.h"

#include "platform/CacheStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString userRowPrefix() { return u"用户:"_s; }

void DeleteCacheRow(const CacheFileRow& row, CacheStore& store)
{
    if (row.text.startsWith(userRowPrefix())) {
        if (row.type.toLower() != u"txt"_s && !row.path.isEmpty()) {
            强制删除(row.path);
        }
        return;
    }
    if (row.text.isEmpty() || row.text.contains(u"Cookie"_s, Qt::CaseInsensitive)) {
        return;
    }
    store.remove(row.text);
    if (!row.path.isEmpty()) {
        强制删除(row.path);
    }
}

void 强制删除(const QString& path)
{
    const QFileInfo info(path);
    // Changing the permissions of a link would change its target's.
    if (!info.isSymLink() && info.exists()) {
        QFile::setPermissions(path, info.permissions() | QFile::ReadOwner | QFile::WriteOwner);
    }
    QFile::remove(path);
}

void 删除空文件夹(const QStringList& folders)
{
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        const QString& folder = folders.at(i);
        const QFileInfo info(folder);
        if (folder.isEmpty() || info.isSymLink() || !info.isDir()
            || !QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System
                                     | QDir::NoDotAndDotDot)) {
            continue; // a folder that still holds anything keeps its permissions too
        }
        QFile::setPermissions(
            folder, info.permissions() | QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().rmdir(folder);
    }
}
