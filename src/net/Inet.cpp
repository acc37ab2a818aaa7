#include "net/Inet.h"

#include "platform/Clock.h"
#include "platform/EventPump.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The body bytes the client keeps ready: enough to keep a fast server busy while the caller
// writes, small enough that memory stays flat whatever the file's size.
constexpr qint64 kReadBufferSize = 1024 * 1024;
// How long one wait for body data or the end of a request may block before the loop looks
// again; any event ends it earlier.
constexpr int kWaitSliceMs = 50;
// How much of the reply's buffer GetChunk takes over at a time.
constexpr qint64 kHoldBytes = 256 * 1024;

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Errors of the connection or the proxy, as against an HTTP response that says no.
bool isTransportError(QNetworkReply::NetworkError error, bool gotResponse)
{
    if (error == QNetworkReply::NoError || error == QNetworkReply::OperationCanceledError) {
        return false;
    }
    if (!gotResponse) {
        return true;
    }
    const int code = static_cast<int>(error);
    return code < QNetworkReply::ContentAccessDenied; // network and proxy layers
}

QString standardReason(int status)
{
    switch (status) {
    case 200:
        return u"OK"_s;
    case 206:
        return u"Partial Content"_s;
    case 301:
        return u"Moved Permanently"_s;
    case 302:
        return u"Found"_s;
    case 304:
        return u"Not Modified"_s;
    case 403:
        return u"Forbidden"_s;
    case 404:
        return u"Not Found"_s;
    case 500:
        return u"Internal Server Error"_s;
    case 503:
        return u"Service Unavailable"_s;
    default:
        return {};
    }
}

// "host:port" (a scheme in front is tolerated); the port falls back to fallbackPort.
QNetworkProxy httpProxyFrom(const QString& text, int fallbackPort)
{
    QString hostPort = text.trimmed();
    const qsizetype scheme = hostPort.indexOf(u"://"_s);
    if (scheme >= 0) {
        hostPort = hostPort.mid(scheme + 3);
    }
    while (hostPort.endsWith(u'/')) {
        hostPort.chop(1);
    }
    QString host = hostPort;
    int port = fallbackPort;
    const qsizetype colon = hostPort.lastIndexOf(u':');
    if (colon >= 0 && !hostPort.endsWith(u']')) {
        host = hostPort.left(colon);
        bool ok = false;
        const int parsed = hostPort.mid(colon + 1).trimmed().toInt(&ok);
        if (ok && parsed > 0 && parsed < 65536) {
            port = parsed;
        }
    }
    host = host.trimmed();
    if (host.startsWith(u'[') && host.endsWith(u']')) {
        host = host.mid(1, host.size() - 2);
    }
    if (port <= 0 || port > 65535) {
        port = 80;
    }
    return QNetworkProxy(QNetworkProxy::HttpProxy, host, static_cast<quint16>(port));
}

} // namespace

Inet::Inet(QNetworkAccessManager& network, Clock& clock, EventPump& pump, QObject* parent)
    : QObject(parent)
    , m_network(network)
    , m_clock(clock)
    , m_pump(pump)
{
}

Inet::~Inet() { discardReply(); }

QNetworkAccessManager& Inet::accessFor()
{
    const QNetworkProxy proxy = httpProxyFrom(m_proxy, m_remotePort);
    if (m_accessType != kNamedProxy || proxy.hostName().isEmpty()) {
        return m_network; // no proxy named: the system's settings
    }
    if (!m_proxyNetwork) {
        m_proxyNetwork = new QNetworkAccessManager(this);
        // Same cookies as every other transfer; the jar stays owned where it was.
        if (QNetworkCookieJar* jar = m_network.cookieJar()) {
            QObject* owner = jar->parent();
            m_proxyNetwork->setCookieJar(jar);
            jar->setParent(owner);
        }
    }
    if (m_proxyNetwork->proxy() != proxy) {
        m_proxyNetwork->setProxy(proxy);
    }
    return *m_proxyNetwork;
}

void Inet::Execute(const QString& url, const QString& operation, const QByteArray& inputData,
                   const QString& headers)
{
    discardReply();
    ++m_generation;
    m_held.clear();
    m_heldPos = 0;
    m_url = url;
    m_headersReady = false;
    m_ended = false;
    m_cancelled = false;
    m_lastState = NoState;
    m_responseCode = 0;
    m_responseInfo.clear();
    m_lastActivity = m_clock.seconds();

    const QUrl target(url.trimmed(), QUrl::TolerantMode);
    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    for (const QString& line : headers.split(u"\r\n"_s, Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0) {
            request.setRawHeader(line.left(colon).trimmed().toUtf8(),
                                 line.mid(colon + 1).trimmed().toUtf8());
        }
    }
    // The body is stored as the server sends it, and its length is the announced one.
    if (!request.hasRawHeader("Accept-Encoding")) {
        request.setRawHeader("Accept-Encoding", "identity");
    }

    const bool literalHost = !QHostAddress(target.host()).isNull();
    if (!target.host().isEmpty() && !literalHost) {
        raiseState(ResolvingHost);
    }

    QNetworkAccessManager& network = accessFor();
    const QByteArray verb = operation.trimmed().toUpper().toLatin1();
    QNetworkReply* reply = nullptr;
    if (verb.isEmpty() || verb == "GET") {
        reply = network.get(request);
    } else if (verb == "HEAD") {
        reply = network.head(request);
    } else if (verb == "POST") {
        reply = network.post(request, inputData);
    } else if (verb == "PUT") {
        reply = network.put(request, inputData);
    } else {
        reply = network.sendCustomRequest(request, verb, inputData);
    }
    attach(reply);
}

void Inet::attach(QNetworkReply* reply)
{
    m_reply = reply;
    reply->setReadBufferSize(kReadBufferSize);
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this, reply] {
        if (reply != m_reply) {
            return;
        }
        if (m_lastState == ResolvingHost) {
            raiseState(HostResolved);
        }
        raiseState(Connecting);
    });
    connect(reply, &QNetworkReply::requestSent, this, [this, reply] {
        if (reply != m_reply) {
            return;
        }
        m_lastActivity = m_clock.seconds();
        if (m_lastState < Connected) {
            raiseState(Connected);
        }
        raiseState(RequestSent);
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (reply == m_reply) {
            onMetaData();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply == m_reply) {
            m_lastActivity = m_clock.seconds();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply == m_reply) {
            onFinished();
        }
    });
    if (reply->isFinished() && !m_ended) {
        onFinished();
    }
}

bool Inet::isFollowedRedirect() const
{
    // The status comes before the headers, so a redirect is recognised by its status alone;
    // one the client does not follow (no location) ends the request instead.
    if (!m_reply || !isRedirectStatus(statusCode())) {
        return false;
    }
    const QVariant policy = m_reply->request().attribute(QNetworkRequest::RedirectPolicyAttribute);
    return !policy.isValid() || policy.toInt() != QNetworkRequest::ManualRedirectPolicy;
}

void Inet::onMetaData()
{
    m_lastActivity = m_clock.seconds();
    if (statusCode() == 0 || isFollowedRedirect()) {
        return; // the client goes on to the next location by itself
    }
    if (!m_headersReady) {
        m_headersReady = true;
        raiseState(ReceivingResponse);
    }
}

void Inet::onFinished()
{
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_headersReady = m_headersReady || statusCode() != 0;
    if (m_cancelled) {
        return;
    }
    const QNetworkReply::NetworkError error = m_reply->error();
    if (isTransportError(error, statusCode() != 0)) {
        m_responseCode = static_cast<int>(error);
        m_responseInfo = m_reply->errorString();
        raiseState(Error);
        return;
    }
    raiseState(ResponseReceived);
    raiseState(ResponseCompleted);
}

void Inet::raiseState(int state)
{
    m_lastState = state;
    emit StateChanged(state);
}

bool Inet::StillExecuting() const { return m_reply && !m_ended && !m_headersReady; }

int Inet::statusCode() const
{
    return m_reply ? m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

qint64 Inet::bytesBuffered() const
{
    return (m_held.size() - m_heldPos) + (m_reply ? m_reply->bytesAvailable() : 0);
}

QString Inet::GetHeader(const QString& name) const
{
    if (!m_reply || !m_headersReady || name.isEmpty()) {
        return {};
    }
    return QString::fromUtf8(m_reply->rawHeader(name.toUtf8()));
}

QString Inet::GetHeader() const
{
    const int status = statusCode();
    if (!m_reply || !m_headersReady || status == 0) {
        return {};
    }
    QString reason =
        QString::fromUtf8(
            m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray())
            .trimmed();
    if (reason.isEmpty()) {
        reason = standardReason(status);
    }
    const bool http2 = m_reply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
    QString lines = (http2 ? u"HTTP/2 "_s : u"HTTP/1.1 "_s) + QString::number(status);
    if (!reason.isEmpty()) {
        lines += u' ' + reason;
    }
    for (const auto& [name, value] : m_reply->rawHeaderPairs()) {
        lines += u"\r\n"_s + QString::fromUtf8(name) + u": "_s + QString::fromUtf8(value);
    }
    return lines;
}

QByteArray Inet::GetChunk(int size)
{
    if (size <= 0) {
        return {};
    }
    const quint64 generation = m_generation;
    while (m_reply && generation == m_generation) {
        if (m_heldPos < m_held.size()) {
            const qsizetype take = qMin<qsizetype>(size, m_held.size() - m_heldPos);
            const QByteArray chunk = m_held.mid(m_heldPos, take);
            m_heldPos += take;
            return chunk;
        }
        const qint64 available = m_reply->bytesAvailable();
        if (available > 0) {
            // One large read frees the reply's buffer for the network thread in one go; the
            // small pieces are then cut from what this client holds.
            m_held = m_reply->read(qMin<qint64>(available, kHoldBytes));
            m_heldPos = 0;
            continue;
        }
        if (m_ended) {
            return {};
        }
        m_pump.wait(kWaitSliceMs);
    }
    return {};
}

QByteArray Inet::OpenURL(const QString& url)
{
    Execute(url);
    const quint64 generation = m_generation;
    QByteArray body;
    while (m_reply && generation == m_generation) {
        body += m_reply->readAll();
        if (m_ended) {
            body += m_reply->readAll();
            break;
        }
        m_pump.wait(kWaitSliceMs);
    }
    return body;
}

void Inet::Cancel()
{
    if (!m_reply || m_ended) {
        return;
    }
    m_cancelled = true;
    m_reply->abort(); // finishes the reply at once
    m_ended = true;
    m_held.clear();
    m_heldPos = 0;
    // What the network thread had already sent for the reply no longer concerns it.
    QCoreApplication::removePostedEvents(m_reply, QEvent::MetaCall);
}

void Inet::discardReply()
{
    if (!m_reply) {
        return;
    }
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    if (!reply->isFinished()) {
        reply->abort();
    }
    QCoreApplication::removePostedEvents(reply, QEvent::MetaCall);
    reply->deleteLater();
}
