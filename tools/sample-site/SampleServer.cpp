#include "SampleServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace sample {

QByteArray Request::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

bool Request::hasHeader(const QByteArray& name) const
{
    for (const auto& entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString Request::cookie(const QString& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const QByteArray& part : value.split(';')) {
            const QByteArray pair = part.trimmed();
            const qsizetype eq = pair.indexOf('=');
            if (eq > 0 && QString::fromUtf8(pair.left(eq)) == name) {
                return QString::fromUtf8(pair.mid(eq + 1));
            }
        }
    }
    return {};
}

QUrlQuery Request::form() const
{
    QByteArray text = body;
    text.replace('+', ' ');
    return QUrlQuery(QString::fromUtf8(text));
}

Response& Response::withHeader(const QByteArray& name, const QByteArray& value)
{
    headers.append(QPair<QByteArray, QByteArray>(name, value));
    return *this;
}

Response Response::html(const QByteArray& body, int status)
{
    Response response = bytes(body, "text/html; charset=utf-8");
    response.status = status;
    response.reason = status == 200 ? "OK"
        : status == 404             ? "Not Found"
        : status == 500             ? "Internal Server Error"
                                    : "Status";
    return response;
}

Response Response::html(const QString& body, int status) { return html(body.toUtf8(), status); }

Response Response::text(const QByteArray& body, const QByteArray& contentType)
{
    return bytes(body, contentType);
}

Response Response::bytes(const QByteArray& body, const QByteArray& contentType)
{
    Response response;
    response.body = body;
    if (!contentType.isEmpty()) {
        response.headers.append(QPair<QByteArray, QByteArray>("Content-Type", contentType));
    }
    return response;
}

Response Response::redirect(const QByteArray& location, int status)
{
    Response response;
    response.status = status;
    response.reason = "Found";
    response.headers.append(QPair<QByteArray, QByteArray>("Location", location));
    response.headers.append(QPair<QByteArray, QByteArray>("Content-Type", "text/html"));
    response.body = "<html><body>moved</body></html>";
    return response;
}

Response Response::notFound()
{
    return html(QByteArray("<html><head><title>404 Not Found</title></head>"
                           "<body><h1>Not Found</h1></body></html>"),
                404);
}

SampleServer::SampleServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SampleServer::onNewConnection);
}

SampleServer::~SampleServer() = default;

bool SampleServer::listen(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }

void SampleServer::close() { m_server.close(); }

quint16 SampleServer::port() const { return m_server.serverPort(); }

QString SampleServer::base() const { return u"http://127.0.0.1:%1"_s.arg(port()); }

QUrl SampleServer::url(const QString& path) const { return QUrl(urlText(path)); }

QString SampleServer::urlText(const QString& path) const { return base() + path; }

void SampleServer::route(const QString& path, Handler handler)
{
    m_routes.append({path, false, std::move(handler)});
}

void SampleServer::routePrefix(const QString& prefix, Handler handler)
{
    m_routes.append({prefix, true, std::move(handler)});
}

QList<Request> SampleServer::requestsFor(const QString& path) const
{
    QList<Request> found;
    for (const Request& request : m_requests) {
        if (request.path == path) {
            found.append(request);
        }
    }
    return found;
}

void SampleServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void SampleServer::onReadyRead(QTcpSocket* socket)
{
    auto buffer = m_buffers.find(socket);
    if (buffer == m_buffers.end()) {
        socket->readAll(); // the request was answered; anything more is ignored
        return;
    }
    buffer->append(socket->readAll());
    const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return;
    }
    Request request;
    const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            request.headers.append(QPair<QByteArray, QByteArray>(line.left(colon).trimmed(),
                                                                 line.mid(colon + 1).trimmed()));
        }
    }
    const qint64 length = request.header("Content-Length").toLongLong();
    if (buffer->size() - (headerEnd + 4) < length) {
        return; // the body is still arriving
    }
    request.body = buffer->mid(headerEnd + 4, length);
    const QUrl url = QUrl(u"http://127.0.0.1"_s + QString::fromUtf8(request.target));
    request.path = url.path();
    request.query = QUrlQuery(url);
    m_buffers.erase(buffer);
    m_requests.append(request);
    emit requestReceived(request);
    answer(socket, request);
}

Response SampleServer::dispatch(const Request& request) const
{
    for (auto it = m_routes.crbegin(); it != m_routes.crend(); ++it) {
        const bool matches =
            it->prefix ? request.path.startsWith(it->path) : request.path == it->path;
        if (matches) {
            return it->handler(request);
        }
    }
    return Response::notFound();
}

void SampleServer::answer(QTcpSocket* socket, const Request& request)
{
    deliver(socket, dispatch(request), request.method == "HEAD");
}

void SampleServer::deliver(QTcpSocket* socket, const Response& response, bool headOnly)
{
    using Delivery = Response::Delivery;
    if (response.delivery == Delivery::NeverAnswer) {
        return;
    }
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
    }
    if (response.delivery != Delivery::NoLength) {
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (headOnly) {
        socket->disconnectFromHost();
        return;
    }
    switch (response.delivery) {
    case Delivery::Normal:
    case Delivery::NoLength:
        socket->write(response.body);
        socket->disconnectFromHost();
        return;
    case Delivery::CutShort:
        socket->write(response.body.left(response.sendBytes));
        socket->disconnectFromHost();
        return;
    case Delivery::Stall:
        socket->write(response.body.left(response.sendBytes));
        socket->flush();
        return;
    case Delivery::Slow: {
        auto* timer = new QTimer(socket);
        auto offset = std::make_shared<qsizetype>(0);
        QPointer<QTcpSocket> guard(socket);
        connect(timer, &QTimer::timeout, socket, [guard, timer, offset, response] {
            if (!guard) {
                return;
            }
            guard->write(response.body.mid(*offset, response.chunkBytes));
            *offset += response.chunkBytes;
            if (*offset >= response.body.size()) {
                timer->stop();
                guard->disconnectFromHost();
            }
        });
        timer->start(response.chunkIntervalMs);
        return;
    }
    case Delivery::NeverAnswer:
        return;
    }
}

} // namespace sample
