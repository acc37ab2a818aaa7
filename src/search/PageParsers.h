#pragma once

#include <QString>

class ArticleList;
class Document;

// The readers of the journal's pages. Each adds the articles it finds on the document to the
// list, with the save folder, and returns how many it offered (rows the list already held
// count too). A missing document, or one that is not an HTML page, offers nothing.

// Result and listing pages: links whose whole class is the journal's title class.
int ParseCiteTitles(const Document* document, ArticleList& list, const QString& saveFolder);
// Pages whose article links end in volume/issue/page numbers.
int ParseNumericLinks(const Document* document, ArticleList& list, const QString& saveFolder);
// Older tables of contents: list items with a heading and a PDF link.
int ParseTocEntries(const Document* document, ArticleList& list, const QString& saveFolder);
// The three readers in that order, up to the first that finds anything; returns its count.
int ParsePage(const Document* document, ArticleList& list, const QString& saveFolder);

// A non-empty plain decimal number: digits with an optional sign, decimal point and exponent.
bool IsDecimalNumber(const QString& text);
// Whether a link address ends in three numeric path segments (/content/94/1/1), read the way
// the numeric-link reader reads it.
bool IsNumericArticleLink(const QString& url);
