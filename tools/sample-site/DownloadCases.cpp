#include "SamplePdf.h"
#include "SampleSite.h"

#include <QStringEncoder>

using namespace Qt::StringLiterals;

// The responses the download manager must survive, all under /dl/: files with and without a
// length or a usable type, error statuses, a redirect loop, bodies that end early or stall, a
// server that never answers, a page that echoes the request headers, and a session cookie
// that gates a file. Under /dl2/, the cases of the parallel transfers: small files and error
// pages around the size below which a body is checked for an error page, a body cut at 97 %,
// a page in GB18030, and slow or silent servers that keep a slot busy.

namespace sample {

namespace {

constexpr qsizetype kPaperSize = 20000;

Response pdf(const QString& title, const QByteArray& contentType = "application/pdf")
{
    return Response::bytes(samplePdf(title, kPaperSize), contentType);
}

QByteArray zipBytes()
{
    // The leading bytes of an archive, enough for a file-type check.
    return QByteArray::fromHex("504b03041400000008000000") + QByteArray(500, '\0');
}

Response delivered(Response response, Response::Delivery delivery, qint64 sendBytes = 0)
{
    response.delivery = delivery;
    response.sendBytes = sendBytes;
    return response;
}

// An HTML page of exactly size bytes (when the text leaves room) with the title given.
QByteArray paddedPage(const QByteArray& title, qsizetype size)
{
    const QByteArray head = "<html><head><title>" + title + "</title></head><body><p>";
    const QByteArray tail = "</p></body></html>";
    return head + QByteArray(qMax<qsizetype>(0, size - head.size() - tail.size()), 'x') + tail;
}

QByteArray toGb18030(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString downloadSessionCookie() { return u"zorvdl"_s; }
QString downloadSessionValue() { return u"open-sesame"_s; }

} // namespace

namespace {

void registerParallelCases(SampleServer& server)
{
    server.route(u"/dl2/paper.pdf"_s, [](const Request&) {
        return Response::bytes(samplePdf(u"Parallel paper"_s, 3000), "application/pdf");
    });
    // Error pages as servers send them: with the error status, or as an ordinary page.
    server.route(u"/dl2/notfound.html"_s, [](const Request&) {
        return Response::html(paddedPage("404 Not Found", 700), 404);
    });
    server.route(u"/dl2/error-page.html"_s, [](const Request&) {
        return Response::html(paddedPage("HTTP 500 内部服务器错误", 20000), 500);
    });
    server.route(u"/dl2/gb-404.html"_s, [](const Request&) {
        const QString page = u"<html><head><meta http-equiv=\"Content-Type\" "
                             u"content=\"text/html; charset=gb2312\"><title>HTTP 404 未找到</title>"
                             u"</head><body>找不到网页</body></html>"_s;
        return Response::bytes(toGb18030(page), "text/html");
    });
    server.route(u"/dl2/gb-404-plain.html"_s, [](const Request&) {
        const QString page =
            u"<html><head><title>HTTP 404 未找到</title></head><body>找不到网页</body></html>"_s;
        return Response::bytes(toGb18030(page), "text/html");
    });
    server.route(u"/dl2/cut.pdf"_s, [](const Request&) {
        const Response response = pdf(u"Cut at 97"_s);
        return delivered(response, Response::Delivery::CutShort, response.body.size() * 97 / 100);
    });
    // An odd length: counted in 16-bit units, the last byte does not count.
    server.route(u"/dl2/nolength.pdf"_s, [](const Request&) {
        return delivered(
            Response::bytes(samplePdf(u"Unsized parallel paper"_s, 12345), "application/pdf"),
            Response::Delivery::NoLength);
    });
    server.route(u"/dl2/empty"_s, [](const Request&) {
        return delivered(Response::bytes(QByteArray(), "application/pdf"),
                         Response::Delivery::NoLength);
    });
    server.route(u"/dl2/never"_s, [](const Request&) {
        Response response;
        response.delivery = Response::Delivery::NeverAnswer;
        return response;
    });
    // About five seconds, for stopping transfers that are under way.
    server.route(u"/dl2/slow.pdf"_s, [](const Request&) {
        Response response = delivered(
            Response::bytes(samplePdf(u"Slow parallel paper"_s, 400000), "application/pdf"),
            Response::Delivery::Slow);
        response.chunkBytes = 4096;
        response.chunkIntervalMs = 50;
        return response;
    });
}

} // namespace

void registerDownloadCases(SampleServer& server)
{
    registerParallelCases(server);
    server.route(u"/dl/paper.pdf"_s, [](const Request&) { return pdf(u"Sample paper"_s); });
    server.route(u"/dl/slow.pdf"_s, [](const Request&) {
        Response response = delivered(pdf(u"Slow paper"_s), Response::Delivery::Slow);
        response.chunkBytes = 2048;
        response.chunkIntervalMs = 10;
        return response;
    });
    server.route(u"/dl/octet.pdf"_s,
                 [](const Request&) { return pdf(u"Octet paper"_s, "application/octet-stream"); });
    server.route(u"/dl/page.html"_s, [](const Request&) {
        return Response::html(
            QByteArray("<html><head><title>文章页</title></head><body><p>正文</p></body></html>"));
    });
    server.route(u"/dl/archive.zip"_s,
                 [](const Request&) { return Response::bytes(zipBytes(), "application/zip"); });
    server.route(u"/dl/nolength.pdf"_s, [](const Request&) {
        return delivered(pdf(u"Unsized paper"_s), Response::Delivery::NoLength);
    });
    server.route(u"/dl/nolength-octet.pdf"_s, [](const Request&) {
        return delivered(pdf(u"Unsized octet paper"_s, "application/octet-stream"),
                         Response::Delivery::NoLength);
    });
    server.route(u"/dl/onebyte"_s, [](const Request&) {
        return delivered(Response::bytes("x", "application/octet-stream"),
                         Response::Delivery::NoLength);
    });
    server.route(u"/dl/missing.pdf"_s, [](const Request&) { return Response::notFound(); });
    server.route(u"/dl/error.pdf"_s, [](const Request&) {
        return Response::html(
            QByteArray("<html><head><title>HTTP 500 内部服务器错误</title></head></html>"), 500);
    });
    server.route(u"/dl/loop"_s, [](const Request&) { return Response::redirect("/dl/loop"); });
    server.route(u"/dl/moved.pdf"_s,
                 [](const Request&) { return Response::redirect("/dl/paper.pdf"); });
    server.route(u"/dl/cut.pdf"_s, [](const Request&) {
        return delivered(pdf(u"Cut paper"_s), Response::Delivery::CutShort, kPaperSize / 4);
    });
    server.route(u"/dl/stall.pdf"_s, [](const Request&) {
        return delivered(pdf(u"Stalled paper"_s), Response::Delivery::Stall, 4096);
    });
    server.route(u"/dl/silent"_s, [](const Request&) {
        Response response;
        response.delivery = Response::Delivery::NeverAnswer;
        return response;
    });
    // The request headers as the server received them, one "Name: value" line each.
    server.route(u"/dl/headers"_s, [](const Request& request) {
        QByteArray lines;
        for (const auto& [name, value] : request.headers) {
            lines += name + ": " + value + "\r\n";
        }
        return Response::text(lines);
    });
    server.route(u"/dl/session"_s, [](const Request&) {
        return Response::html(QByteArray("<html><head><title>会话</title></head>"
                                         "<body>已登录</body></html>"))
            .withHeader("Set-Cookie",
                        (downloadSessionCookie() + u'=' + downloadSessionValue()).toUtf8()
                            + "; Path=/");
    });
    // The file only for a request that carries the session cookie; a sign-in page otherwise.
    server.route(u"/dl/members.pdf"_s, [](const Request& request) {
        if (request.cookie(downloadSessionCookie()) == downloadSessionValue()) {
            return pdf(u"Members paper"_s);
        }
        Response page = Response::html(
            QByteArray("<html><head><TITLE>403 Forbidden</TITLE></head><body>请先登录</body>"
                       "</html>"));
        page.status = 403;
        page.reason = "Forbidden";
        return page;
    });
}

} // namespace sample
