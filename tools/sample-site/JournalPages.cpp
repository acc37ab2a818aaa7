#include "SamplePdf.h"
#include "SampleSite.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

// The journal's own pages: the home page with its search form, search result pages whose
// titles carry the journal's title class, an issue listing of numeric article links, an older
// table of contents made of list items, the articles with their PDFs, pages that open or close
// windows, a page that never finishes loading, and a page of many titles for benchmarks.
//
// Article addresses are /content/VOLUME/ISSUE/PAGE; the PDF of an article is its address +
// ".full.pdf". Result pages list volume 95, the issue listing volume 94, issue 1, and the
// table of contents volume 93, issue 4, whose links end in ".full.pdf+html".

namespace sample {

namespace {

const QString kTitleClass = u"highwire-cite-linked-title"_s;

QString pageHtml(const QString& title, const QString& body)
{
    return u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
           "<body>%2</body></html>"_s.arg(title.toHtmlEscaped(), body);
}

// Deterministic article titles; some carry characters that file names cannot.
QString articleTitle(int volume, int issue, int page)
{
    static const QStringList topics = {
        u"Bone graft healing in a sheep model"_s,
        u"Osteobone density after tibial fracture"_s,
        u"Cartilage repair: a 10/20 year review"_s,
        u"Is early weight bearing safe?"_s,
        u"Spinal fusion with 骨移植 substitutes"_s,
        u"Rotator cuff tears in older adults"_s,
        u"Gait analysis of hip replacement"_s,
        u"Fracture risk and vitamin D <serum> levels"_s,
        u"Tendon healing under \"controlled\" load"_s,
        u"Paediatric elbow injuries"_s,
        u"Implant loosening: causes and care"_s,
    };
    const QString& topic = topics.at((volume * 7 + issue * 3 + page) % topics.size());
    return u"%1 (%2.%3.%4)"_s.arg(topic).arg(volume).arg(issue).arg(page);
}

QString articlePath(int volume, int issue, int page)
{
    return u"/content/%1/%2/%3"_s.arg(volume).arg(issue).arg(page);
}

// The link text is markup (an entity such as &raquo; stays one); callers escape titles.
QString link(const QString& href, const QString& text, const QString& attributes = QString())
{
    return u"<a href=\"%1\"%2>%3</a>"_s.arg(
        href.toHtmlEscaped(), attributes.isEmpty() ? QString() : u" "_s + attributes, text);
}

int queryNumber(const Request& request, const QString& key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = request.query.queryItemValue(key).toInt(&ok);
    return ok ? qBound(low, value, high) : fallback;
}

Response homePage(const Request&)
{
    QString body = u"<h1>Journal of Sample Studies</h1>"
                   "<form id=\"search-form\" action=\"/search/results\" method=\"get\">"
                   "<input type=\"text\" name=\"q\" value=\"\">"
                   "<input type=\"submit\" value=\"检索\"></form><ul>"_s;
    const QList<std::pair<QString, QString>> entries = {
        {u"/search/results?q=bone"_s, u"检索结果 (3 pages)"_s},
        {u"/search/results?q=bone&size=50&count=200"_s, u"检索结果 (200 articles)"_s},
        {u"/issue/94/1"_s, u"Volume 94, Issue 1"_s},
        {u"/toc/93/4"_s, u"Volume 93, Issue 4 (table of contents)"_s},
        {u"/popup/open.html"_s, u"A page that opens a window"_s},
        {u"/popup/close.html"_s, u"A page that closes its window"_s},
        {u"/search/stall"_s, u"Results whose next page never loads"_s},
    };
    for (const auto& [href, text] : entries) {
        body += u"<li>"_s + link(href, text) + u"</li>"_s;
    }
    body += u"<li>"_s
        + link(u"/popup/target.html"_s, u"Articles in a new window"_s,
               u"id=\"new-window-link\" target=\"_blank\""_s)
        + u"</li></ul>"_s;
    return Response::html(pageHtml(u"Journal of Sample Studies"_s, body));
}

// The address of an article on a result page: root-relative, or relative to the result page
// itself, so the browser has to resolve it.
QString resultHref(int item, int issue, int page)
{
    const QString path = articlePath(95, issue, page);
    return item % 3 == 0 ? u".."_s + path : path;
}

QString resultsUrl(const QString& q, int page, int size, int count)
{
    QString url =
        u"/search/results?q=%1&page=%2"_s.arg(QString::fromUtf8(QUrl::toPercentEncoding(q)))
            .arg(page);
    if (size != 8 || count != 24) {
        url += u"&size=%1&count=%2"_s.arg(size).arg(count);
    }
    return url;
}

// Result pages: size articles per page out of count. The next-page link reads "next" on odd
// pages and " Next page of results " on even ones; the last page has none, only links whose
// text merely begins like one.
Response resultPage(const Request& request)
{
    const QString q = request.query.queryItemValue(u"q"_s, QUrl::FullyDecoded);
    const int size = queryNumber(request, u"size"_s, 8, 1, 1000);
    const int count = queryNumber(request, u"count"_s, 24, 0, 100000);
    const int pages = qMax(1, (count + size - 1) / size);
    const int page = queryNumber(request, u"page"_s, 1, 1, pages);

    QString body = u"<h1>Search results</h1><p>Page %1 of %2 for \"%3\"</p>"
                   "<ul class=\"results\">"_s.arg(page)
                       .arg(pages)
                       .arg(q.toHtmlEscaped());
    const int first = (page - 1) * size;
    for (int item = first; item < qMin(first + size, count); ++item) {
        const int issue = 1 + item / 10;
        const int number = item + 1;
        // One title per page carries its class in other letters and with blanks around it.
        const QString cls = item == first + 1 ? u" Highwire-Cite-Linked-Title "_s : kTitleClass;
        body += u"<li>"_s
            + link(resultHref(item, issue, number), articleTitle(95, issue, number).toHtmlEscaped(),
                   u"class=\"%1\""_s.arg(cls))
            + u" "_s + link(articlePath(95, issue, number), u"Abstract"_s) + u" "_s
            + link(articlePath(95, issue, number) + u".full.pdf"_s, u"Full Text (PDF)"_s)
            + u"</li>"_s;
    }
    body += u"</ul>"_s;
    // Look-alikes that are no article titles.
    body += u"<p>"_s
        + link(articlePath(95, 90, page), u"Sponsored article"_s,
               u"class=\"%1 sponsored\""_s.arg(kTitleClass));
    body += link(articlePath(95, 91, page), QString(), u"class=\"%1\""_s.arg(kTitleClass));
    body += link(articlePath(95, 92, page), u"  "_s, u"class=\"%1\""_s.arg(kTitleClass));
    body += u" Related: "_s + link(articlePath(90, 2, 5), u"An older article"_s) + u"</p>"_s;

    body += u"<p class=\"pager\">"_s;
    if (page > 1) {
        body += link(resultsUrl(q, page - 1, size, count), u"previous"_s) + u" "_s;
    }
    body += link(resultsUrl(q, 1, size, count), u"Next &raquo;"_s) + u" "_s;
    body += link(resultsUrl(q, 1, size, count), u"next page"_s) + u" "_s;
    if (page < pages) {
        const QString text = page % 2 == 1 ? u"next"_s : u"  Next page of results  "_s;
        body += link(resultsUrl(q, page + 1, size, count), text, u"class=\"next\""_s);
    }
    body += u"</p>"_s;
    return Response::html(pageHtml(u"Search results, page %1"_s.arg(page), body));
}

// A short result page whose next-page link leads to a page that never finishes loading.
Response stalledResults(const Request&)
{
    QString body = u"<h1>Search results</h1><ul>"_s;
    for (int number = 1; number <= 3; ++number) {
        body += u"<li>"_s
            + link(articlePath(96, 1, number), articleTitle(96, 1, number).toHtmlEscaped(),
                   u"class=\"%1\""_s.arg(kTitleClass))
            + u"</li>"_s;
    }
    body += u"</ul><p>"_s + link(u"/slow/never.html"_s, u"Next"_s) + u"</p>"_s;
    return Response::html(pageHtml(u"Search results (stalled)"_s, body));
}

// Volume 94, issue 1: numeric article links among links that only look like them.
Response issueListing(const Request&)
{
    QString body = u"<h1>Volume 94, Issue 1</h1><ul>"_s;
    for (int number = 1; number <= 6; ++number) {
        const QString path = articlePath(94, 1, number);
        body += u"<li>"_s + link(path, articleTitle(94, 1, number).toHtmlEscaped()) + u" "_s
            + link(path + u".full.pdf"_s, u"PDF"_s) + u"</li>"_s;
    }
    body += u"<li>"_s + link(u"../../content/94/1/7"_s, articleTitle(94, 1, 7).toHtmlEscaped())
        + u"</li>"_s;
    body += u"</ul><p>"_s;
    body += link(u"/content/94/1/"_s, u"All articles of this issue"_s) + u" "_s;
    body += link(u"/content/94/1/1?x=2"_s, u"Cite this article"_s) + u" "_s;
    body += link(u"/content/94/1/8"_s, QString()) + u" "_s;
    body += link(u"/issue/94/2"_s, u"Next issue"_s) + u" "_s;
    body += link(u"/"_s, u"Home"_s) + u"</p>"_s;
    return Response::html(pageHtml(u"Volume 94, Issue 1"_s, body));
}

// Volume 93, issue 4 in the older layout: list items with a heading and a PDF link; some
// items lack one or the other.
Response tableOfContents(const Request&)
{
    const auto tocLink = [](int number, const QString& rel, const QString& text) {
        return link(articlePath(93, 4, number) + u".full.pdf+html"_s, text,
                    u"rel=\"%1\""_s.arg(rel));
    };
    const auto heading = [](int number) {
        return u"<h4>"_s + articleTitle(93, 4, number).toHtmlEscaped() + u"</h4>"_s;
    };
    const QString item = u"<li class=\"%1\">%2</li>"_s;
    const QString cls = u"cit e2 toc-cit"_s;
    QString body = u"<h1>Volume 93, Issue 4</h1><ul class=\"toc\">"_s;
    body += item.arg(
        cls,
        heading(1)
            + link(articlePath(93, 4, 1) + u".full"_s, u"Full Text"_s, u"rel=\"full-text\""_s)
            + tocLink(1, u"full-text.pdf"_s, u"PDF"_s));
    body += item.arg(cls,
                     u"<div class=\"cit-metadata\">"_s + heading(2) + u"</div>"_s
                         + tocLink(2, u"full-text.pdf"_s, u" PDF "_s));
    body += item.arg(u" CIT E2 TOC-CIT "_s, heading(3) + tocLink(3, u"full-text.pdf"_s, u"pdf"_s));
    body += item.arg(cls, u"<p>No heading</p>"_s + tocLink(4, u"full-text.pdf"_s, u"PDF"_s));
    body += item.arg(cls, heading(5) + tocLink(5, u"full-text"_s, u"PDF"_s));
    body += item.arg(cls, heading(6) + tocLink(6, u"Full-Text.pdf"_s, u"PDF"_s));
    body += item.arg(cls, heading(7) + tocLink(7, u"full-text.pdf"_s, u"Download"_s));
    body += item.arg(cls, u"<h4> </h4>"_s + tocLink(8, u"full-text.pdf"_s, u"PDF"_s));
    body += item.arg(cls + u" extra"_s, heading(9) + tocLink(9, u"full-text.pdf"_s, u"PDF"_s));
    body += item.arg(cls, heading(10) + tocLink(10, u"full-text.pdf"_s, u"PDF"_s));
    body += u"</ul>"_s;
    return Response::html(pageHtml(u"Volume 93, Issue 4"_s, body));
}

// /content/V/I/P: the article; + ".full.pdf": its PDF; + ".full.pdf+html" and + ".full": the
// full-text pages that link to the PDF.
Response content(const Request& request)
{
    static const QRegularExpression pattern(
        uR"(^/content/(\d{1,6})/(\d{1,6})/(\d{1,7})(\.full\.pdf\+html|\.full\.pdf|\.full)?$)"_s);
    const QRegularExpressionMatch match = pattern.match(request.path);
    if (!match.hasMatch()) {
        return Response::notFound();
    }
    const int volume = match.captured(1).toInt();
    const int issue = match.captured(2).toInt();
    const int number = match.captured(3).toInt();
    const QString suffix = match.captured(4);
    const QString title = articleTitle(volume, issue, number);
    const QString path = articlePath(volume, issue, number);
    if (suffix == u".full.pdf"_s) {
        return Response::bytes(samplePdf(title), "application/pdf");
    }
    QString body = u"<h1>%1</h1><p>Volume %2, issue %3, page %4.</p>"_s.arg(title.toHtmlEscaped())
                       .arg(volume)
                       .arg(issue)
                       .arg(number);
    if (suffix.isEmpty()) {
        body += u"<p>Abstract: a deterministic sample abstract.</p>"_s;
    } else {
        body += u"<p>Full text of the sample article.</p>"_s;
    }
    body += u"<p>"_s + link(path + u".full.pdf"_s, u"Full Text (PDF)"_s) + u"</p>"_s;
    return Response::html(pageHtml(title, body));
}

Response popupTarget(const Request&)
{
    QString body = u"<h1>Opened from a new-window link</h1><ul>"_s;
    for (int number = 1; number <= 2; ++number) {
        body += u"<li>"_s
            + link(articlePath(97, 1, number), articleTitle(97, 1, number).toHtmlEscaped(),
                   u"class=\"%1\""_s.arg(kTitleClass))
            + u"</li>"_s;
    }
    body += u"</ul>"_s;
    return Response::html(pageHtml(u"New-window target"_s, body));
}

Response scriptPage(const QString& title, const QString& script)
{
    return Response::html(
        pageHtml(title, u"<h1>%1</h1><script>%2</script>"_s.arg(title.toHtmlEscaped(), script)));
}

// A page whose body arrives in part and whose load never completes.
Response neverCompletes(const Request&)
{
    Response response = Response::html(
        pageHtml(u"Loading"_s, u"<h1>Loading</h1>"_s + QString(4000, u' ') + u"<p>done</p>"_s));
    response.delivery = Response::Delivery::Stall;
    response.sendBytes = response.body.size() / 2;
    return response;
}

// /bench/anchors?n=N: N article titles on one page.
Response benchAnchors(const Request& request)
{
    const int count = queryNumber(request, u"n"_s, 1000, 0, 200000);
    QString body;
    body.reserve(count * 110);
    body += u"<h1>Benchmark page</h1><ul>"_s;
    for (int i = 0; i < count; ++i) {
        body += u"<li><a class=\"highwire-cite-linked-title\" href=\"/content/99/%1/%2\">"
                "Benchmark article %2</a></li>"_s.arg(1 + i / 1000)
                    .arg(i + 1);
    }
    body += u"</ul>"_s;
    return Response::html(pageHtml(u"Benchmark, %1 titles"_s.arg(count), body));
}

} // namespace

void registerJournalPages(SampleServer& server)
{
    server.route(u"/"_s, homePage);
    server.route(u"/search/results"_s, resultPage);
    server.route(u"/search/stall"_s, stalledResults);
    server.route(u"/issue/94/1"_s, issueListing);
    server.route(u"/toc/93/4"_s, tableOfContents);
    server.routePrefix(u"/content/"_s, content);
    server.route(u"/popup/target.html"_s, popupTarget);
    server.route(u"/popup/open.html"_s, [](const Request&) {
        return scriptPage(
            u"Opens a window"_s,
            u"window.open('/popup/opened.html', 'zorvpopup', 'width=400,height=300');"_s);
    });
    server.route(u"/popup/opened.html"_s, [](const Request&) {
        return Response::html(pageHtml(u"Opened by a script"_s, u"<h1>Opened by a script</h1>"_s));
    });
    server.route(u"/popup/close.html"_s, [](const Request&) {
        return scriptPage(u"Closes its window"_s, u"window.close();"_s);
    });
    server.route(u"/popup/alert.html"_s, [](const Request&) {
        return scriptPage(u"Shows boxes"_s,
                          u"alert('sample'); confirm('sure?'); prompt('name');"
                          " document.title = 'after the boxes';"_s);
    });
    server.route(u"/slow/never.html"_s, neverCompletes);
    server.route(u"/bench/anchors"_s, benchAnchors);
}

} // namespace sample
