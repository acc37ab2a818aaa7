#pragma once

#include <QString>

#include <optional>

class DownloadList;
class SharedSettings;
struct ArticleEntry;

// Where an article's full-text PDF is, and the page a browser would come from to fetch it.
struct PdfLink {
    QString url;
    QString referringUrl;
};

// The PDF of an entry, worked out from its link alone: entries of result pages and listings
// ("USA") link to the article, whose PDF is the link + ".full.pdf" (a link that already ends
// in ".pdf" is the PDF, fetched from the page it was found on); entries of tables of contents
// ("ENG") link to a full-text page whose address is the PDF's + "+html". Nothing for any other
// entry.
std::optional<PdfLink> PdfLinkOf(const ArticleEntry& entry);

// Appends a waiting download item for url: named after the title (line breaks removed,
// trimmed) or, when NameFromUrl is set, after the URL's last component without its extension;
// the name made safe for a file (when nothing is left of it, the other of the two names it). An
// empty folder means the current SaveFolder. A URL the list already holds leaves its item as
// it is. Always true: the item was offered.
bool 加入下载列表(DownloadList& list, const SharedSettings& shared, const QString& url,
                  const QString& title, const QString& fileType, const QString& saveFolder,
                  const QString& referringUrl);
