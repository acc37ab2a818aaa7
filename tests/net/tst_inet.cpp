#include "SamplePdf.h"
#include "SampleSite.h"
#include "TestMain.h"
#include "TinyProxy.h"
#include "net/Inet.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// One client against its own sample site, on the real clock and event pump.
struct Client {
    Client() { site.listen(); }

    // Serves the pump until the headers are there or the request ended (at most 10 s).
    bool waitForHeaders()
    {
        const QDeadlineTimer deadline(10000);
        while (inet.StillExecuting() && !deadline.hasExpired()) {
            pump.wait(50);
        }
        return !inet.StillExecuting();
    }

    QByteArray readBody(int size, int* largest = nullptr)
    {
        QByteArray body;
        for (QByteArray chunk = inet.GetChunk(size); !chunk.isEmpty();
             chunk = inet.GetChunk(size)) {
            if (largest) {
                *largest = qMax(*largest, int(chunk.size()));
            }
            body += chunk;
        }
        return body;
    }

    sample::SampleSite site;
    QNetworkAccessManager network;
    SystemClock clock;
    QtEventPump pump;
    Inet inet{network, clock, pump};
};

QList<int> states(const QSignalSpy& spy)
{
    QList<int> seen;
    for (const QList<QVariant>& arguments : spy) {
        seen << arguments.at(0).toInt();
    }
    return seen;
}

} // namespace

class TestInet : public QObject {
    Q_OBJECT
private slots:
    void headersChunksAndStates();
    void chunksWaitForSlowBody();
    void openUrlFetchesWholeBody();
    void cancel();
    void refusedConnection();
    void requestHeaderLines();
    void namedProxyOnlyForThisClient();
};

void TestInet::headersChunksAndStates()
{
    Client c;
    QSignalSpy spy(&c.inet, &Inet::StateChanged);
    const QString url = c.site.urlText(u"/dl/paper.pdf"_s);
    QVERIFY(!c.inet.StillExecuting());

    c.inet.Execute(url, u"GET"_s, {}, QString());
    QVERIFY(c.inet.StillExecuting()); // returns at once
    QVERIFY(c.waitForHeaders());

    const QByteArray expected = sample::samplePdf(u"Sample paper"_s, 20000);
    QCOMPARE(c.inet.URL(), url);
    QCOMPARE(c.inet.GetHeader(u"CONTENT-TYPE"_s), u"application/pdf"_s);
    QCOMPARE(c.inet.GetHeader(u"content-length"_s), QString::number(expected.size()));
    QCOMPARE(c.inet.GetHeader(u"X-Absent"_s), QString());
    const QStringList lines = c.inet.GetHeader().split(u"\r\n"_s);
    QCOMPARE(lines.first(), u"HTTP/1.1 200 OK"_s);
    QVERIFY(lines.contains(u"Content-Length: "_s + QString::number(expected.size())));

    int largest = 0;
    QCOMPARE(c.readBody(Inet::kChunkSize, &largest), expected);
    QCOMPARE(largest, Inet::kChunkSize);
    QVERIFY(c.inet.GetChunk(Inet::kChunkSize).isEmpty());

    QTRY_VERIFY(!spy.isEmpty() && spy.last().at(0).toInt() == Inet::ResponseCompleted);
    const QList<int> seen = states(spy);
    QVERIFY2(seen.indexOf(Inet::RequestSent) < seen.indexOf(Inet::ReceivingResponse),
             qPrintable(QString::number(seen.size())));
    QVERIFY(!seen.contains(Inet::Error));
    QCOMPARE(c.inet.ResponseCode(), 0);
}

void TestInet::chunksWaitForSlowBody()
{
    Client c;
    c.inet.Execute(c.site.urlText(u"/dl/slow.pdf"_s));
    QVERIFY(c.waitForHeaders());
    int largest = 0;
    QCOMPARE(c.readBody(1000, &largest), sample::samplePdf(u"Slow paper"_s, 20000));
    QVERIFY(largest <= 1000);
}

void TestInet::openUrlFetchesWholeBody()
{
    Client c;
    const QByteArray body = c.inet.OpenURL(c.site.urlText(u"/dl/nolength.pdf"_s));
    QCOMPARE(body, sample::samplePdf(u"Unsized paper"_s, 20000));
    QVERIFY(c.inet.GetHeader().startsWith(u"HTTP/1.1 200 OK"_s));
    QVERIFY(c.inet.GetHeader(u"Content-Length"_s).isEmpty());
}

void TestInet::cancel()
{
    Client c;
    c.inet.Cancel(); // idle: nothing happens
    QVERIFY(!c.inet.StillExecuting());

    QSignalSpy spy(&c.inet, &Inet::StateChanged);
    c.inet.Execute(c.site.urlText(u"/dl/stall.pdf"_s));
    QVERIFY(c.waitForHeaders());
    QByteArray head;
    while (head.size() < 4096) {
        head += c.inet.GetChunk(4096 - int(head.size()));
    }
    QTimer::singleShot(100, &c.inet, [&] { c.inet.Cancel(); });
    QVERIFY(c.inet.GetChunk(Inet::kChunkSize).isEmpty()); // the stalled read returns
    QVERIFY(c.inet.requestEnded());
    QVERIFY(c.inet.wasCancelled());
    QVERIFY(!states(spy).contains(Inet::Error));
    c.inet.Cancel(); // again: harmless
}

void TestInet::refusedConnection()
{
    Client c;
    QSignalSpy spy(&c.inet, &Inet::StateChanged);
    c.inet.Execute(u"http://127.0.0.1:%1/dl/paper.pdf"_s.arg(freeLoopbackPort()));
    QVERIFY(c.waitForHeaders());
    QCOMPARE(c.inet.GetHeader(), QString());
    QCOMPARE(c.inet.ResponseCode(), int(QNetworkReply::ConnectionRefusedError));
    QVERIFY(!c.inet.ResponseInfo().isEmpty());
    QCOMPARE(spy.last().at(0).toInt(), int(Inet::Error));
}

void TestInet::requestHeaderLines()
{
    Client c;
    c.inet.Execute(c.site.urlText(u"/dl/headers"_s), u"GET"_s, {},
                   u"Referer: http://example.org/list\r\nX-Probe: 7\r\n"_s);
    QVERIFY(c.waitForHeaders());
    const sample::Request request = c.site.requestsFor(u"/dl/headers"_s).first();
    QCOMPARE(request.header("Referer"), QByteArray("http://example.org/list"));
    QCOMPARE(request.header("X-Probe"), QByteArray("7"));
    // Bodies arrive as stored, so their length is the announced one.
    QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));
}

void TestInet::namedProxyOnlyForThisClient()
{
    TinyProxy proxy;
    QString error;
    QVERIFY2(proxy.start(&error), qPrintable(error));
    Client c;
    const QString path = u"/dl/headers"_s;

    c.inet.setAccessType(Inet::kNamedProxy);
    c.inet.setProxy(u"127.0.0.1"_s);
    c.inet.setRemotePort(proxy.port()); // a proxy without a port uses the remote port
    c.inet.Execute(c.site.urlText(path));
    QVERIFY(c.waitForHeaders());
    QCOMPARE(c.inet.statusCode(), 200);

    // The access handed in, used by the program's other requests, stays without the proxy.
    QNetworkReply* direct = c.network.get(QNetworkRequest(c.site.url(path)));
    QTRY_VERIFY(direct->isFinished());
    direct->deleteLater();

    c.inet.setAccessType(Inet::kSystemAccess);
    c.inet.Execute(c.site.urlText(path));
    QVERIFY(c.waitForHeaders());

    const QList<sample::Request> requests = c.site.requestsFor(path);
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests.at(0).header("Via").contains("tinyproxy"));
    QVERIFY(!requests.at(1).hasHeader("Via"));
    QVERIFY(!requests.at(2).hasHeader("Via"));
}

ZORV_TEST_MAIN(TestInet)
#include "tst_inet.moc"
