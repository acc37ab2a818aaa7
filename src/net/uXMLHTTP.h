#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

class QTimer;

// One asynchronous HTTP request at a time, observed from a 10 ms poll so that every event is
// raised from the timer, between the host's other messages. The caller opens the request,
// sends it and learns the outcome from OnDateArrived (status 200, body saved when a save file
// was given) or OnDateErr (any other status 0..600). Transport failures (refused, host not
// found, time-out, connection dropped) carry a status above 600 and end without an event.
class uXMLHTTP final : public QObject {
    Q_OBJECT
public:
    // Status of a request that failed below HTTP: this base plus the network error code, so it
    // always lies above every HTTP status the component reports.
    static constexpr int kTransportStatusBase = 1000;

    // network: the request machinery; without it (nullptr) Open_ fails.
    explicit uXMLHTTP(QNetworkAccessManager* network, QObject* parent = nullptr);
    ~uXMLHTTP() override;

    // Prepares a request (the method in upper case). A request still running is dropped
    // without an event. False, with the reason in error, when the request cannot be opened;
    // a request opened before and not yet sent is dropped then too.
    bool Open_(const QString& method, const QString& url, const QString& saveFile = QString(),
               QString* error = nullptr);
    // Adds a header to the opened, unsent request; ignored otherwise.
    void SetRequestHeader(const QString& name, const QString& value);
    // Sends the opened request and starts the poll; without an opened request nothing happens.
    void Send_(const QByteArray& body = QByteArray());
    // Stops the poll and drops the request; no event follows.
    void Abort_();

    // False from Open_ until the request has completed.
    bool DownOK() const { return m_downOk; }
    // 0 no request, 1 opened, 2 headers received, 3 receiving the body, 4 completed.
    int ReadyState() const { return m_readyState; }
    // The HTTP status, a transport status above 600, or 0 when none can be read.
    int Status() const;
    QString StatusText() const;
    QString GetResponseHeader(const QString& name) const;
    // "Name: value" lines, each ended by CR LF.
    QString GetAllResponseHeaders() const;
    QByteArray ResponseBody() const;
    // The body decoded by its byte-order mark, else the charset it was sent with, else UTF-8.
    QString ResponseText() const;

    // The description of an HTTP status; empty for codes without one and outside 0..600.
    static QString StatusDescriptions(int status);

    QTimer* tmrReader = nullptr;

signals:
    void OnDateArrived();
    void OnReadyStateChange();
    void OnDateErr(const QString& description);

private:
    bool CreateXmlHttp();
    void onTmrReader();
    void dropRequest();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void saveBody() const;
    bool headersKnown() const { return m_reply && m_readyState >= 2; }

    QPointer<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_reply;
    bool m_downOk = false;
    int m_readyState = 0;
    bool m_sendable = false; // opened and not yet sent
    QByteArray m_method;
    QUrl m_url;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QString m_saveFile;
    QByteArray m_body;
};
