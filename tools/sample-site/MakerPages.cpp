#include "SampleSite.h"

using namespace Qt::StringLiterals;

namespace sample {

namespace {

Response makerPage(const QString& title, const QString& text)
{
    return Response::html(u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "</head><body><h1>%1</h1><p>%2</p></body></html>"_s.arg(title, text));
}

} // namespace

void registerMakerPages(SampleServer& server)
{
    server.route(u"/maker/"_s, [](const Request&) {
        return makerPage(u"Qelvo软件"_s, u"Qelvo软件与网络技术同步。"_s);
    });
    server.route(u"/maker/download.html"_s, [](const Request&) {
        return makerPage(u"最新版本"_s,
                         u"QelvoZORV资料下载管理器 V"_s + SampleSite::latestVersion());
    });
    server.route(u"/maker/tutorial.html"_s, [](const Request&) {
        return makerPage(u"软件教程和问答"_s, u"使用教程与常见问题。"_s);
    });
    server.route(u"/maker/custom.html"_s,
                 [](const Request&) { return makerPage(u"软件定制"_s, u"承接软件定制。"_s); });
    server.route(u"/maker/latest-version.txt"_s, [](const Request&) {
        return Response::text(SampleSite::latestVersion().toUtf8() + "\r\n");
    });
}

} // namespace sample
