#include "search/HandOff.h"

#include "app/SharedSettings.h"
#include "app/TextHelpers.h"
#include "download/DownloadList.h"
#include "net/HttpHelpers.h"
#include "search/ArticleList.h"

using namespace Qt::StringLiterals;

std::optional<PdfLink> PdfLinkOf(const ArticleEntry& entry)
{
    const QString& key = entry.key;
    if (entry.entryType == u"USA"_s) {
        if (key.right(4).toLower() == u".pdf"_s) {
            return PdfLink{key, entry.tag};
        }
        return PdfLink{key + u".full.pdf"_s, key};
    }
    if (entry.entryType == u"ENG"_s && key.right(5).toLower() == u"+html"_s) {
        return PdfLink{key.left(key.size() - 5), key};
    }
    return std::nullopt;
}

bool 加入下载列表(DownloadList& list, const SharedSettings& shared, const QString& url,
                  const QString& title, const QString& fileType, const QString& saveFolder,
                  const QString& referringUrl)
{
    const QString cleanTitle = RemoveLineBreaks(title).trimmed();
    const QString folder = saveFolder.isEmpty() ? shared.SaveFolder : saveFolder;
    const QString fromUrl = SanitizeFileName(FileNameFromPath(url, true));
    const QString fromTitle = SanitizeFileName(cleanTitle);
    QString name = shared.NameFromUrl ? fromUrl : fromTitle;
    // A name that cleaning left empty would make a hidden ".pdf" that every other such item
    // collides with: the other source names the file then.
    if (name.isEmpty()) {
        name = shared.NameFromUrl ? fromTitle : fromUrl;
    }
    list.addItem(url, name, fileType, folder, referringUrl);
    return true;
}
