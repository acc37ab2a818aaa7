#include "net/uXMLHTTP.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// True when the request ended without a whole HTTP answer: none came back (refused, host not
// found, time-out, a proxy failure), or the connection dropped or the body broke the protocol
// before the answer was complete. Such a request ends as a transport failure, so a partial body
// is never taken for the whole one; a proxy's own refusal (407) is a whole answer.
bool endedWithoutWholeAnswer(QNetworkReply::NetworkError error, bool statusReceived)
{
    if (error == QNetworkReply::NoError) {
        return false;
    }
    if (error < QNetworkReply::ProxyConnectionRefusedError) {
        return true; // connection-level, whether or not the headers had come
    }
    if (error < QNetworkReply::ContentAccessDenied) {
        return !statusReceived;
    }
    return statusReceived && error == QNetworkReply::ProtocolFailure;
}

QByteArray charsetOf(const QByteArray& contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        if (part.toLower().startsWith("charset=")) {
            QByteArray name = part.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"')) {
                name = name.mid(1, name.size() - 2);
            }
            return name;
        }
    }
    return {};
}

} // namespace

uXMLHTTP::uXMLHTTP(QNetworkAccessManager* network, QObject* parent)
    : QObject(parent)
    , m_network(network)
{
    tmrReader = new QTimer(this);
    tmrReader->setObjectName(u"tmrReader"_s);
    tmrReader->setInterval(10);
    connect(tmrReader, &QTimer::timeout, this, &uXMLHTTP::onTmrReader);
}

uXMLHTTP::~uXMLHTTP()
{
    tmrReader->stop();
    dropRequest();
}

bool uXMLHTTP::CreateXmlHttp()
{
    // The request machinery is the network access handed in; it may have gone away since.
    return !m_network.isNull();
}

bool uXMLHTTP::Open_(const QString& method, const QString& url, const QString& saveFile,
                     QString* error)
{
    m_downOk = false;
    auto fail = [this, error](const QString& reason) {
        // An earlier request that was opened but not sent is not sent in this one's place.
        if (m_sendable) {
            dropRequest();
        }
        if (error) {
            *error = reason;
        }
        return false;
    };
    if (!CreateXmlHttp()) {
        return fail(u"没有可用的网络请求对象"_s);
    }
    const QByteArray verb = method.trimmed().toUpper().toLatin1();
    if (verb.isEmpty() || verb.contains(' ')) {
        return fail(u"请求方法无效：%1"_s.arg(method));
    }
    const QUrl target(url.trimmed(), QUrl::StrictMode);
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty()
        || (scheme != u"http"_s && scheme != u"https"_s)) {
        return fail(u"网址无效：%1"_s.arg(url));
    }

    tmrReader->stop();
    dropRequest();
    m_method = verb;
    m_url = target;
    m_saveFile = saveFile;
    m_readyState = 1;
    m_sendable = true;
    return true;
}

void uXMLHTTP::SetRequestHeader(const QString& name, const QString& value)
{
    if (!m_sendable || name.trimmed().isEmpty()) {
        return;
    }
    m_headers.append({name.trimmed().toLatin1(), value.toUtf8()});
}

void uXMLHTTP::Send_(const QByteArray& body)
{
    if (!m_sendable || !CreateXmlHttp()) {
        return;
    }
    m_sendable = false;
    QNetworkRequest request(m_url);
    for (const auto& [name, value] : std::as_const(m_headers)) {
        request.setRawHeader(name, value);
    }
    QNetworkReply* reply = nullptr;
    if (m_method == "GET") {
        reply = m_network->get(request);
    } else if (m_method == "HEAD") {
        reply = m_network->head(request);
    } else {
        reply = m_network->sendCustomRequest(request, m_method, body);
    }
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &uXMLHTTP::onMetaData);
    connect(reply, &QIODevice::readyRead, this, &uXMLHTTP::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &uXMLHTTP::onFinished);
    tmrReader->start();
}

void uXMLHTTP::Abort_()
{
    tmrReader->stop();
    dropRequest();
}

void uXMLHTTP::dropRequest()
{
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_readyState = 0;
    m_sendable = false;
    m_headers.clear();
    m_body.clear();
}

void uXMLHTTP::onMetaData() { m_readyState = qMax(m_readyState, 2); }

void uXMLHTTP::onReadyRead()
{
    m_body += m_reply->readAll();
    m_readyState = qMax(m_readyState, 3);
}

void uXMLHTTP::onFinished()
{
    m_body += m_reply->readAll();
    m_readyState = 4;
}

void uXMLHTTP::onTmrReader()
{
    emit OnReadyStateChange();
    // A handler may have aborted or reopened the request; then this tick has nothing to report.
    if (!tmrReader->isActive() || ReadyState() != 4) {
        return;
    }
    tmrReader->stop();
    m_downOk = true;
    const int status = Status();
    if (status == 200) {
        if (!m_saveFile.isEmpty() && !m_body.isEmpty()) {
            saveBody();
        }
        emit OnDateArrived();
    } else if (status >= 0 && status <= 600) {
        emit OnDateErr(StatusDescriptions(status));
    }
}

// The file appears whole under its name or not at all; a file already there is replaced
// only once the new one is complete. A failed write is not reported.
void uXMLHTTP::saveBody() const
{
    QSaveFile file(m_saveFile);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    if (file.write(m_body) == m_body.size()) {
        file.commit();
    }
}

int uXMLHTTP::Status() const
{
    if (!m_reply) {
        return 0;
    }
    const QVariant code = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (m_readyState == 4 && endedWithoutWholeAnswer(m_reply->error(), code.isValid())) {
        return kTransportStatusBase + int(m_reply->error());
    }
    return code.isValid() ? code.toInt() : 0;
}

QString uXMLHTTP::StatusText() const
{
    if (!headersKnown()) {
        return {};
    }
    return QString::fromLatin1(
        m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
}

QString uXMLHTTP::GetResponseHeader(const QString& name) const
{
    if (!headersKnown()) {
        return {};
    }
    return QString::fromLatin1(m_reply->rawHeader(name.toLatin1()));
}

QString uXMLHTTP::GetAllResponseHeaders() const
{
    if (!headersKnown()) {
        return {};
    }
    QString all;
    for (const auto& [name, value] : m_reply->rawHeaderPairs()) {
        all += QString::fromLatin1(name) + u": "_s + QString::fromLatin1(value) + u"\r\n"_s;
    }
    return all;
}

QByteArray uXMLHTTP::ResponseBody() const { return m_reply ? m_body : QByteArray(); }

QString uXMLHTTP::ResponseText() const
{
    const QByteArray body = ResponseBody();
    if (body.isEmpty()) {
        return {};
    }
    if (const auto bom = QStringConverter::encodingForData(body)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(body);
    }
    const QByteArray charset = charsetOf(m_reply->rawHeader("Content-Type"));
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) {
            return decoder.decode(body);
        }
    }
    return QString::fromUtf8(body);
}

QString uXMLHTTP::StatusDescriptions(int status)
{
    static const QHash<int, QString> descriptions = {
        {100, u"客户必须继续发出请求"_s},
        {101, u"客户要求服务器根据请求转换HTTP协议版本"_s},
        {200, u"交易成功"_s},
        {201, u"提示知道新文件的URL"_s},
        {202, u"接受和处理?但处理未完成"_s},
        {203, u"返回信息不确定或不完整"_s},
        {204, u"请求收到，但返回信息为空"_s},
        {205, u"服务器完成了请求，用户代理必须复位当前已经浏览过的文件"_s},
        {206, u"服务器已经完成了部分用户的GET请求"_s},
        {300, u"请求的资源可在多处得到"_s},
        {301, u"删除请求数据"_s},
        {302, u"在其他地址发现了请求数据"_s},
        {303, u"建议客户访问其他URL或访问方式"_s},
        {304, u"客户端已经执行了GET，但文件未变化"_s},
        {305, u"请求的资源必须从服务器指定的地址得到"_s},
        {306, u"前一版本HTTP中使用的代码，现行版本中不再使用"_s},
        {307, u"申明请求的资源临时性删除"_s},
        {400, u"错误请求，如语法错误"_s},
        {401, u"请求授权失败"_s},
        {402, u"保留有效ChargeTo头响应"_s},
        {403, u"请求不允许"_s},
        {404, u"没有发现文件?查询或URl"_s},
        {405, u"用户在Request -Line字段定义的方法不允许"_s},
        {406, u"根据用户发送的Accept拖，请求资源不可访问"_s},
        {407, u"类似401，用户必须首先在代理服务器上得到授权"_s},
        {408, u"客户端没有在用户指定的饿时间内完成请求"_s},
        {409, u"对当前资源状态，请求不能完成"_s},
        {410, u"服务器上不再有此资源且无进一步的参考地址"_s},
        {411, u"服务器拒绝用户定义的Content -Length属性请求"_s},
        {412, u"一个或多个请求头字段在当前请求中错误"_s},
        {413, u"请求的资源大于服务器允许的大小"_s},
        {414, u"请求的资源URL长于服务器允许的长度"_s},
        {415, u"请求资源不支持请求项目格式"_s},
        {416,
         u"请求中包含Range请求头字段，在当前请求资源范围内没有range指示值，请求也不包含If-Range请求头字段"_s},
        {417,
         u"服务器不满足请求Expect头字段指定的期望值，如果是代理服务器，可能是下一级服务器不能满足请求"_s},
        {500, u"服务器产生内部错误"_s},
        {501, u"服务器不支持请求的函数"_s},
        {502, u"服务器暂时不可用，有时是为了防止发生系统过载"_s},
        {503, u"服务器过载或暂停维修"_s},
        {504, u"关口过载，服务器使用另一个关口或服务来响应用户，等待时间设定值较长"_s},
        {505, u"服务器不支持或拒绝支请求头中指定的HTTP版本"_s},
    };
    return descriptions.value(status);
}
