#pragma once

#include <QString>
#include <QStringList>

class CacheStore;

// One row of the cache viewer's file list.
struct CacheFileRow {
    QString text; // the source URL, or "用户:" and a user name for a file of a cache folder
    QString type;
    QString size;
    QString path;
};

// The text that marks a row of the all-users listing.
QString userRowPrefix();

// Deletes what one row stands for. A cache folder's file goes unless its type is "txt"; a
// cache entry loses its entry in the store and its file, except an entry about cookies
// ("Cookie" in its URL), which stays whole.
void DeleteCacheRow(const CacheFileRow& row, CacheStore& store);

// Deletes the file whatever its permissions; failures are ignored. A symbolic link is
// removed itself, its target is left alone.
void 强制删除(const QString& path);

// Removes the folders that are empty, from the last to the first, so that a list holding
// every folder before its descendants loses a chain of nested empty folders in one pass.
// Folders that still hold anything stay; failures are ignored.
void 删除空文件夹(const QStringList& folders);
