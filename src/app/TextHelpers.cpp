#include "app/TextHelpers.h"

#include <QLocale>

using namespace Qt::StringLiterals;

QString RemoveLineBreaks(const QString& text)
{
    QString result = text;
    result.removeIf([](QChar c) { return c == u'\r' || c == u'\n' || c == QChar(0); });
    return result;
}

QUrl suggestionMailUri(const QString& contactAddress, const QString& applicationTitle,
                       const QDate& today)
{
    const QString subject = u"我要对["_s + applicationTitle + u"]提建议"_s;
    const QString body = u"软件名称："_s + applicationTitle + u" 姓名：          "_s
        + u" Email：           "_s + u" 联系地址：           "_s + u" 邮编：              "_s
        + u" 电话：                    "_s + u" 日期："_s
        + QLocale::system().toString(today, QLocale::ShortFormat);
    const QByteArray encoded = "mailto:" + QUrl::toPercentEncoding(contactAddress, "@")
        + "?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}
