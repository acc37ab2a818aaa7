#include "search/PageParsers.h"

#include "platform/Browser.h"
#include "search/ArticleList.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

const QString kFileType = u"pdf"_s;
const QString kTypeUsa = u"USA"_s;
const QString kTypeEng = u"ENG"_s;

int citeTitles(const ElementList& anchors, const QString& pageUrl, ArticleList& list,
               const QString& saveFolder)
{
    int offered = 0;
    ArticleList::Batch batch(list);
    for (const ElementPtr& anchor : anchors) {
        if (anchor->className().toLower().trimmed() != u"highwire-cite-linked-title"_s) {
            continue;
        }
        const QString title = anchor->innerText().trimmed();
        const QString url = anchor->href().trimmed();
        if (!title.isEmpty() && !url.isEmpty()) {
            list.加入LV1(title, url, pageUrl, kFileType, saveFolder, kTypeUsa);
            ++offered;
        }
    }
    return offered;
}

int numericLinks(const ElementList& anchors, const QString& pageUrl, ArticleList& list,
                 const QString& saveFolder)
{
    int offered = 0;
    ArticleList::Batch batch(list);
    for (const ElementPtr& anchor : anchors) {
        const QString title = anchor->innerText().trimmed();
        const QString url = anchor->href().trimmed();
        if (title.isEmpty() || url.isEmpty() || !IsNumericArticleLink(url)) {
            continue;
        }
        list.加入LV1(title, url, pageUrl, kFileType, saveFolder, kTypeUsa);
        ++offered;
    }
    return offered;
}

} // namespace

bool IsDecimalNumber(const QString& text)
{
    static const QRegularExpression number(uR"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"_s);
    return number.match(text).hasMatch();
}

bool IsNumericArticleLink(const QString& url)
{
    // The first eight characters are the scheme prefix (for "http://" also the host's first
    // character, which does not matter: only the last segments count).
    const QStringList parts = url.mid(8).split(u'/');
    if (parts.size() < 5) {
        return false;
    }
    for (qsizetype i = parts.size() - 3; i < parts.size(); ++i) {
        if (!IsDecimalNumber(parts.at(i))) {
            return false;
        }
    }
    return true;
}

int ParseCiteTitles(const Document* document, ArticleList& list, const QString& saveFolder)
{
    if (!document) {
        return 0;
    }
    return citeTitles(document->getElementsByTagName(u"A"_s), document->url(), list, saveFolder);
}

int ParseNumericLinks(const Document* document, ArticleList& list, const QString& saveFolder)
{
    if (!document) {
        return 0;
    }
    return numericLinks(document->getElementsByTagName(u"A"_s), document->url(), list, saveFolder);
}

int ParseTocEntries(const Document* document, ArticleList& list, const QString& saveFolder)
{
    if (!document) {
        return 0;
    }
    const ElementList items = document->getElementsByTagName(u"LI"_s);
    const QString pageUrl = document->url();
    int offered = 0;
    ArticleList::Batch batch(list);
    for (const ElementPtr& item : items) {
        if (item->className().toLower().trimmed() != u"cit e2 toc-cit"_s) {
            continue;
        }
        const ElementList headings = item->getElementsByTagName(u"h4"_s);
        if (headings.isEmpty()) {
            continue;
        }
        const QString title = headings.first()->innerText().trimmed();
        QString url;
        for (const ElementPtr& anchor : item->getElementsByTagName(u"A"_s)) {
            if (anchor->rel() == u"full-text.pdf"_s
                && anchor->innerText().trimmed().toLower() == u"pdf"_s) {
                url = anchor->href().trimmed();
                break;
            }
        }
        if (!title.isEmpty() && !url.isEmpty()) {
            list.加入LV1(title, url, pageUrl, kFileType, saveFolder, kTypeEng);
            ++offered;
        }
    }
    return offered;
}

int ParsePage(const Document* document, ArticleList& list, const QString& saveFolder)
{
    if (!document) {
        return 0;
    }
    // The first two readers look at the same links: they are taken once.
    const ElementList anchors = document->getElementsByTagName(u"A"_s);
    const QString pageUrl = document->url();
    if (const int found = citeTitles(anchors, pageUrl, list, saveFolder)) {
        return found;
    }
    if (const int found = numericLinks(anchors, pageUrl, list, saveFolder)) {
        return found;
    }
    return ParseTocEntries(document, list, saveFolder);
}
