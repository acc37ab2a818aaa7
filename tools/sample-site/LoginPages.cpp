#include "SamplePdf.h"
#include "SampleSite.h"

using namespace Qt::StringLiterals;

// The site's sign-in, all under /login/: login forms of several shapes that post to
// /login/submit, which sets the session cookie for the account "reader" with the password
// "secret", and papers that answer with the sign-in page (status 200, as the real site does)
// until the request carries that cookie. /login/logout ends the session.

namespace sample {

namespace {

QByteArray sessionCookie() { return "zorvsession"; }
QByteArray sessionValue() { return "signed-in-reader"; }

QByteArray page(const QByteArray& title, const QByteArray& body)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title
        + "</title></head><body>" + body + "</body></html>";
}

// A form posting to /login/submit with the given inputs.
QByteArray form(const QByteArray& inputs)
{
    return page("用户登录",
                "<h1>用户登录</h1><form method=\"post\" action=\"/login/submit\">" + inputs
                    + "</form>");
}

bool signedIn(const Request& request)
{
    return request.cookie(QString::fromLatin1(sessionCookie())) == QLatin1String(sessionValue());
}

} // namespace

void registerLoginPages(SampleServer& server)
{
    // Account and password inputs named in mixed case, the submit button last.
    server.route(u"/login/form.html"_s, [](const Request&) {
        return Response::html(form("帐号：<input type=\"text\" name=\"UserName\">"
                                   "密码：<input type=\"password\" name=\"PassWord\">"
                                   "<input type=\"submit\" value=\"登录\">"));
    });
    // Only a password: one field filled is not enough to press the button.
    server.route(u"/login/password-only.html"_s, [](const Request&) {
        return Response::html(form("口令：<input type=\"password\" name=\"passwd\">"
                                   "<input type=\"submit\" value=\"登录\">"));
    });
    // Two account inputs and no password input.
    server.route(u"/login/two-accounts.html"_s, [](const Request&) {
        return Response::html(form("用户：<input type=\"text\" name=\"userid\">"
                                   "确认：<input type=\"text\" name=\"USER\">"
                                   "<input type=\"submit\" value=\"登录\">"));
    });
    // The button comes before the inputs; a search box that is no login field besides.
    server.route(u"/login/button-first.html"_s, [](const Request&) {
        return Response::html(form("<input type=\"submit\" value=\"登录\">"
                                   "<input type=\"text\" name=\"keyword\" value=\"keep\">"
                                   "<input type=\"text\" name=\"user\">"
                                   "<input type=\"password\" name=\"pass\">"));
    });
    server.route(u"/login/submit"_s, [](const Request& request) {
        const QUrlQuery fields = request.form();
        bool account = false;
        bool password = true;
        for (const auto& [name, value] : fields.queryItems(QUrl::FullyDecoded)) {
            const QString lower = name.toLower();
            if (lower == u"username"_s || lower == u"userid"_s || lower == u"user"_s) {
                account = account || value == u"reader"_s;
            } else if (lower == u"password"_s || lower == u"passwd"_s || lower == u"pass"_s) {
                password = value == u"secret"_s;
            }
        }
        if (!account || !password || request.method != "POST") {
            return Response::html(page("登录失败", "<p>帐号或密码错误</p>"));
        }
        return Response::html(page("登录成功", "<p>欢迎，reader</p>"))
            .withHeader("Set-Cookie", sessionCookie() + '=' + sessionValue() + "; Path=/");
    });
    server.route(u"/login/logout"_s, [](const Request&) {
        return Response::html(page("已退出", "<p>已退出</p>"))
            .withHeader("Set-Cookie",
                        sessionCookie() + "=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT");
    });
    // Papers for signed-in readers; everybody else gets the sign-in page with status 200.
    server.routePrefix(u"/login/papers/"_s, [](const Request& request) {
        if (signedIn(request)) {
            return Response::bytes(samplePdf(u"Paper for readers "_s + request.path, 30000),
                                   "application/pdf");
        }
        return Response::html(form("<p>请先登录</p>帐号：<input type=\"text\" name=\"UserName\">"
                                   "密码：<input type=\"password\" name=\"PassWord\">"
                                   "<input type=\"submit\" value=\"登录\">"));
    });
}

} // namespace sample
