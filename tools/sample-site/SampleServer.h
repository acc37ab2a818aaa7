#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>

class QTcpSocket;

namespace sample {

// One HTTP request as the server received it.
struct Request {
    QByteArray method;
    QByteArray target; // path and query as sent
    QString path; // decoded path
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name (case ignored), or empty.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
    // The value of a cookie sent with the request, or empty.
    QString cookie(const QString& name) const;
    // Fields of an application/x-www-form-urlencoded body.
    QUrlQuery form() const;
};

// What the server answers, and how it delivers the body.
struct Response {
    enum class Delivery {
        Normal, // headers with Content-Length, the whole body, then close
        NoLength, // headers without Content-Length, the whole body, then close
        CutShort, // announces the whole length, sends sendBytes of the body, then closes
        Stall, // announces the whole length, sends sendBytes, then keeps silent and open
        NeverAnswer, // reads the request and never answers
        Slow, // the whole body in pieces of chunkBytes every chunkIntervalMs
    };

    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    Delivery delivery = Delivery::Normal;
    qint64 sendBytes = 0;
    int chunkBytes = 1024;
    int chunkIntervalMs = 50;

    Response& withHeader(const QByteArray& name, const QByteArray& value);

    static Response html(const QByteArray& body, int status = 200);
    static Response html(const QString& body, int status = 200);
    static Response text(const QByteArray& body, const QByteArray& contentType = "text/plain");
    static Response bytes(const QByteArray& body, const QByteArray& contentType);
    static Response redirect(const QByteArray& location, int status = 302);
    static Response notFound();
};

using Handler = std::function<Response(const Request&)>;

// A small HTTP/1.1 server on 127.0.0.1 with byte-level control over every answer: one
// request per connection, handlers chosen by exact path or by path prefix, the later
// registration winning. It records every request it receives.
class SampleServer : public QObject {
    Q_OBJECT
public:
    explicit SampleServer(QObject* parent = nullptr);
    ~SampleServer() override;

    // Listens on 127.0.0.1 at port (0: a free port). False when the port is taken.
    bool listen(quint16 port = 0);
    void close();
    quint16 port() const;
    // "http://127.0.0.1:PORT"
    QString base() const;
    // base() + path
    QUrl url(const QString& path) const;
    QString urlText(const QString& path) const;

    void route(const QString& path, Handler handler);
    void routePrefix(const QString& prefix, Handler handler);

    const QList<Request>& requests() const { return m_requests; }
    // Requests received for path, oldest first.
    QList<Request> requestsFor(const QString& path) const;
    void clearRequests() { m_requests.clear(); }

signals:
    void requestReceived(const sample::Request& request);

private:
    struct Route {
        QString path;
        bool prefix = false;
        Handler handler;
    };
    struct Connection;

    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);
    void deliver(QTcpSocket* socket, const Response& response, bool headOnly);
    Response dispatch(const Request& request) const;

    QTcpServer m_server;
    QList<Route> m_routes;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace sample
