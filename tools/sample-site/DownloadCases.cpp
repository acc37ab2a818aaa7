#include "SamplePdf.h"
#include "SampleSite.h"

using namespace Qt::StringLiterals;

// The responses the download manager must survive, all under /dl/: files with and without a
// length or a usable type, error statuses, a redirect loop, bodies that end early or stall, a
// server that never answers, a page that echoes the request headers, and a session cookie
// that gates a file.

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

QString downloadSessionCookie() { return u"zorvdl"_s; }
QString downloadSessionValue() { return u"open-sesame"_s; }

} // namespace

void registerDownloadCases(SampleServer& server)
{
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
