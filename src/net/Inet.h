#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class Clock;
class EventPump;
class QNetworkAccessManager;
class QNetworkReply;

// The HTTP client of the transfers: one request at a time, started with Execute() and read
// back header by header and chunk by chunk while the caller keeps the window alive. The body
// is read through a bounded buffer, so a large file never piles up in memory; reading waits
// on the event pump only when nothing is buffered yet.
//
// Requests go through the network access handed in (its cookie jar is the embedded browser's,
// so a login made in the browser reaches the downloads). Under the named-proxy access type
// they go through a second access object of this client that uses the proxy and the same
// cookie jar, so the proxy never reaches the program's other requests.
class Inet : public QObject {
    Q_OBJECT
public:
    // Progress of a request as StateChanged reports it.
    enum State {
        NoState = 0,
        ResolvingHost = 1,
        HostResolved = 2,
        Connecting = 3,
        Connected = 4,
        Requesting = 5,
        RequestSent = 6,
        ReceivingResponse = 7,
        ResponseReceived = 8,
        Disconnecting = 9,
        Disconnected = 10,
        Error = 11,
        ResponseCompleted = 12,
    };

    // Access types: the system's settings, or the proxy named by Proxy().
    static constexpr int kSystemAccess = 0;
    static constexpr int kNamedProxy = 2;
    // The largest body piece the transfers ask for.
    static constexpr int kChunkSize = 2048;

    Inet(QNetworkAccessManager& network, Clock& clock, EventPump& pump, QObject* parent = nullptr);
    ~Inet() override;

    int AccessType() const { return m_accessType; }
    void setAccessType(int type) { m_accessType = type; }
    // "host:port" of an HTTP proxy, or empty.
    QString Proxy() const { return m_proxy; }
    void setProxy(const QString& proxy) { m_proxy = proxy; }
    // Set together with the proxy; the proxy's port when Proxy() names none.
    int RemotePort() const { return m_remotePort; }
    void setRemotePort(int port) { m_remotePort = port; }

    // Starts a request and returns at once; a request still running is abandoned first.
    // headers: request header lines, each ending in CR LF.
    void Execute(const QString& url, const QString& operation = QStringLiteral("GET"),
                 const QByteArray& inputData = QByteArray(), const QString& headers = QString());
    // True until the response headers are there or the request ended.
    bool StillExecuting() const;
    // The value of a response header (name case ignored), or empty.
    QString GetHeader(const QString& name) const;
    // All response header lines separated by CR LF, the status line ("HTTP/1.1 200 OK")
    // first; empty while no response is there.
    QString GetHeader() const;
    // The next piece of the body, at most size bytes. Waits on the event pump while the body
    // is still arriving; empty once it is exhausted or the request ended.
    QByteArray GetChunk(int size);
    // Fetches the whole body of url, serving the event pump meanwhile, and returns it.
    QByteArray OpenURL(const QString& url);
    // The URL of the last request.
    QString URL() const { return m_url; }
    // Ends the request in progress; harmless when idle.
    void Cancel();
    // The last transport error's code and text (0 and empty after a request without one).
    int ResponseCode() const { return m_responseCode; }
    QString ResponseInfo() const { return m_responseInfo; }

    // Beyond the control's contract, for the transfers' own checks.
    // True once the request has ended (completed, failed or cancelled).
    bool requestEnded() const { return m_ended; }
    // True when the last request ended through Cancel().
    bool wasCancelled() const { return m_cancelled; }
    // The HTTP status code of the response, 0 while there is none.
    int statusCode() const;
    // How many body bytes the client holds ready for GetChunk.
    qint64 bytesBuffered() const;
    // Clock reading of the request's last sign of life (start, progress, body data), for
    // callers that bound their waits on a silent server.
    double lastActivity() const { return m_lastActivity; }

signals:
    void StateChanged(int state);

private:
    QNetworkAccessManager& accessFor();
    void attach(QNetworkReply* reply);
    void raiseState(int state);
    void onMetaData();
    void onFinished();
    void discardReply();
    bool isFollowedRedirect() const;

    QNetworkAccessManager& m_network;
    QNetworkAccessManager* m_proxyNetwork = nullptr;
    Clock& m_clock;
    EventPump& m_pump;

    int m_accessType = kSystemAccess;
    QString m_proxy;
    int m_remotePort = 80;

    QPointer<QNetworkReply> m_reply;
    // Body bytes taken over from the reply and not yet handed out.
    QByteArray m_held;
    qsizetype m_heldPos = 0;
    quint64 m_generation = 0;
    QString m_url;
    bool m_headersReady = false;
    bool m_ended = false;
    bool m_cancelled = false;
    int m_lastState = NoState;
    int m_responseCode = 0;
    QString m_responseInfo;
    double m_lastActivity = 0.0;
};
