#include "cache/CacheListings.h"

#include "net/HttpHelpers.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString trimSpaces(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == u' ') {
        ++start;
    }
    while (end > start && text.at(end - 1) == u' ') {
        --end;
    }
    return text.mid(start, end - start);
}

QString cutBefore(const QString& text, QChar mark)
{
    const qsizetype at = text.indexOf(mark);
    return at < 0 ? text : text.left(at);
}

bool isAbsolute(const QString& path)
{
    return path.startsWith(u'/') || (path.size() >= 2 && path.at(1) == u':');
}

bool isRoot(const QString& folder)
{
    return folder == u"/"_s || (folder.size() == 3 && folder.at(1) == u':');
}

void collect(const QString& path, QStringList& list, bool recursive, bool folders)
{
    if (!isAbsolute(path)) {
        return;
    }
    const QString folder = path.endsWith(u'/') ? path : path + u'/';
    const QDir dir(folder);
    if (!dir.exists()) {
        return;
    }
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                        | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                                                    QDir::Unsorted);
    QStringList subFolders;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (name.compare(u"pagefile.sys"_s, Qt::CaseInsensitive) == 0
            || (isRoot(folder) && name.compare(u"RECYCLER"_s, Qt::CaseInsensitive) == 0)) {
            continue;
        }
        // A link that appeared after the listing, or an entry gone meanwhile, is skipped.
        if (entry.isSymLink() || !entry.exists()) {
            continue;
        }
        if (entry.isDir()) {
            subFolders.append(folder + name);
            if (folders) {
                list.append(folder + name);
            }
        } else if (!folders) {
            list.append(folder + name);
        }
    }
    if (recursive) {
        for (const QString& subFolder : std::as_const(subFolders)) {
            collect(subFolder, list, true, folders);
        }
    }
}

QString withSlash(const QString& path) { return path.endsWith(u'/') ? path : path + u'/'; }

} // namespace

QString GetUrlFileType(const QString& text)
{
    QString s = text;
    const qsizetype scheme = s.indexOf(u"://"_s, 0, Qt::CaseInsensitive);
    if (scheme >= 0) {
        const qsizetype begin = scheme + 3;
        const qsizetype second = s.indexOf(u"://"_s, begin, Qt::CaseInsensitive);
        s = second >= 0 ? s.mid(begin, second - begin) : s.mid(begin);
    }
    s.replace(u'/', u'\\');
    if (s.contains(u'\\')) {
        s = s.mid(s.lastIndexOf(u'\\') + 1);
    }
    static const char16_t marks[] = {u'#', 8, 9, 10, 13, u':', u'*', u'<', u'>', u'|', u'"', u'\''};
    for (const char16_t mark : marks) {
        s = cutBefore(s, mark);
    }
    s = cutBefore(s, u'=');
    s = cutBefore(s, u'?');
    if (!s.contains(u'.')) {
        return {};
    }
    const QString type = trimSpaces(s.mid(s.lastIndexOf(u'.') + 1));
    return type.size() > 6 ? QString() : type;
}

void CollectSubFolders(const QString& path, QStringList& list, bool recursive)
{
    collect(path, list, recursive, true);
}

void CollectFiles(const QString& path, QStringList& list, bool recursive)
{
    collect(path, list, recursive, false);
}

QString desktopBrowserCacheSuffix() { return u"/.cache/chromium/Default/Cache"_s; }

ProfileLayout ChooseProfileLayout(const QString& osName, const QString& internetCacheFolder,
                                  const QString& homeFolder)
{
    const QString& base = internetCacheFolder;
    ProfileLayout layout;
    if (osName.contains(u"windows 8"_s, Qt::CaseInsensitive)
        || osName.contains(u"windows 7"_s, Qt::CaseInsensitive)
        || osName.contains(u"Windows 10"_s, Qt::CaseInsensitive)) {
        layout.cacheSuffixes = {u"/AppData/Local/Microsoft/Windows/Temporary Internet Files"_s,
                                u"/AppData/Local/Microsoft/Windows/Inetcache"_s};
        const qsizetype slash = base.indexOf(u'/', 3);
        layout.profilesRoot = slash < 0 ? QString() : base.left(slash + 1);
        return layout;
    }
    if (osName.contains(u"windows"_s, Qt::CaseInsensitive)) {
        layout.cacheSuffixes = {u"/Local Settings/Temporary Internet Files"_s};
        const QString marker = u"Documents and Settings"_s;
        const qsizetype at = base.indexOf(marker, 0, Qt::CaseInsensitive);
        layout.profilesRoot = at < 0 ? QString() : base.left(at + marker.size() + 1);
        return layout;
    }
    const QString home = QDir::cleanPath(homeFolder);
    if (home.isEmpty() || !home.startsWith(u'/')) {
        return layout;
    }
    layout.profilesRoot = withSlash(QFileInfo(home).path());
    const QString own = QDir::cleanPath(internetCacheFolder);
    if (!internetCacheFolder.isEmpty() && own.startsWith(withSlash(home))) {
        layout.cacheSuffixes.append(home == u"/"_s ? own : own.mid(home.size()));
    }
    layout.cacheSuffixes.append(desktopBrowserCacheSuffix());
    return layout;
}

UserCacheFolders FindUserCacheFolders(const ProfileLayout& layout)
{
    UserCacheFolders found;
    CollectSubFolders(layout.profilesRoot, found.profileFolders, false);
    for (const QString& profile : std::as_const(found.profileFolders)) {
        for (const QString& suffix : layout.cacheSuffixes) {
            const QString cacheFolder = profile + suffix;
            // A cache folder that is itself a link could lead anywhere; deleting through the
            // listing must stay inside the cache, so such a folder is not taken.
            const QFileInfo info(cacheFolder);
            if (!FolderExists(cacheFolder) || info.isSymLink()) {
                continue;
            }
            QString name = profile;
            if (name.endsWith(u'/')) {
                name.chop(1);
            }
            name = name.mid(name.lastIndexOf(u'/') + 1);
            found.users.append({name, cacheFolder});
            CollectSubFolders(cacheFolder, found.cacheFolders, true);
        }
    }
    return found;
}
