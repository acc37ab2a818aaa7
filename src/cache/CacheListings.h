#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The listings of the cache viewer that need no window: file types, the walk over cache
// folders and where the users' caches lie.

// The file type a URL or path names: the text after the last "." of its last segment, once
// the query, the fragment and characters that cannot be in a file name are cut off; empty
// when it is longer than six characters or there is no ".". Of a URL that carries a second
// "://", only the part before it counts.
QString GetUrlFileType(const QString& text);

// Append to list the sub-folders (CollectSubFolders) or the plain files (CollectFiles) in the
// folder at path, and with recursive set those of its sub-folders too, a folder before its
// descendants and the entries of a folder before those of its sub-folders. Hidden entries
// are included; "pagefile.sys" is skipped everywhere and "RECYCLER" at a root. Symbolic links
// are neither followed nor listed, so nothing outside the folder is ever reached. Only an
// absolute path ("/...", or a drive "X:...") is walked; appended paths never end in "/".
void CollectSubFolders(const QString& path, QStringList& list, bool recursive);
void CollectFiles(const QString& path, QStringList& list, bool recursive);

// Where the all-users listing looks: the folder that holds the users' profile folders, and
// the cache folders of a profile relative to it (each beginning with "/").
struct ProfileLayout {
    QString profilesRoot; // ends in "/"; empty when there is none
    QStringList cacheSuffixes;
};

// The HTTP cache folder of the desktop's Chromium browser, relative to a home folder.
QString desktopBrowserCacheSuffix();

// The layout for the running system named by osName. Windows systems ("windows 7", "windows
// 8", "Windows 10" in the name) use the profile layout of those versions, older Windows ones
// the earlier layout, both found from internetCacheFolder, the current user's cache folder.
// Other systems keep the users' home folders in the folder that holds homeFolder; the caches
// there are this program's (internetCacheFolder, relative to homeFolder) and the desktop
// browser's.
ProfileLayout ChooseProfileLayout(const QString& osName, const QString& internetCacheFolder,
                                  const QString& homeFolder);

// What the all-users listing finds under a layout.
struct UserCacheFolders {
    struct User {
        QString name; // the last component of the profile folder
        QString cacheFolder;
    };
    QList<User> users; // one per cache folder found, in profile then suffix order
    QStringList cacheFolders; // every sub-folder of those cache folders, at any depth
    QStringList profileFolders;
};
UserCacheFolders FindUserCacheFolders(const ProfileLayout& layout);

// Where the current user's caches lie, as the viewer is told them.
struct CacheLocations {
    QString homeFolder;
    QString internetCacheFolder; // this program's browser cache folder
};
