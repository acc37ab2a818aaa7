#include "SampleServer.h"
#include "TestMain.h"
#include "net/uXMLHTTP.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;
using sample::Request;
using sample::Response;

namespace {

// The events of one component, counted.
struct Events {
    explicit Events(uXMLHTTP& x)
        : arrived(&x, &uXMLHTTP::OnDateArrived)
        , ticks(&x, &uXMLHTTP::OnReadyStateChange)
        , errors(&x, &uXMLHTTP::OnDateErr)
    {
    }
    QStringList errorTexts() const
    {
        QStringList texts;
        for (const auto& args : errors) {
            texts << args.at(0).toString();
        }
        return texts;
    }
    QSignalSpy arrived;
    QSignalSpy ticks;
    QSignalSpy errors;
};

// A loopback port that nothing listens on any more.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

// Reads each request, then drops the connection without a word.
class DroppingServer : public QTcpServer {
public:
    DroppingServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->abort();
                    socket->deleteLater();
                });
            }
        });
    }
    QString url() const { return u"http://127.0.0.1:%1/manifest.txt"_s.arg(serverPort()); }
};

} // namespace

class TestXmlHttp : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void completionRaisesOneOutcome_data();
    void completionRaisesOneOutcome();
    void savedBodyHasTheExactBytesAndReplacesTheFile();
    void emptyBodyWritesNoFile();
    void sendWithoutOpenRaisesNothing_data();
    void sendWithoutOpenRaisesNothing();
    void abortStopsTheEvents();

private:
    std::unique_ptr<sample::SampleServer> m_server;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestXmlHttp::init()
{
    m_server = std::make_unique<sample::SampleServer>();
    QVERIFY(m_server->listen());
    m_network = std::make_unique<QNetworkAccessManager>();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestXmlHttp::cleanup()
{
    m_network.reset();
    m_server.reset();
    m_dir.reset();
}

void TestXmlHttp::completionRaisesOneOutcome_data()
{
    QTest::addColumn<QString>("target"); // a path on the sample server, or "refused"/"dropped"
    QTest::addColumn<int>("status"); // expected status; -1: any transport status above 600
    QTest::addColumn<QStringList>("errorTexts");

    QTest::newRow("404") << u"/gone"_s << 404 << QStringList{u"没有发现文件?查询或URl"_s};
    QTest::newRow("503") << u"/busy"_s << 503 << QStringList{u"服务器过载或暂停维修"_s};
    QTest::newRow("status without a text") << u"/odd"_s << 299 << QStringList{QString()};
    QTest::newRow("status above 600") << u"/beyond"_s << 700 << QStringList{};
    QTest::newRow("connection refused") << u"refused"_s << -1 << QStringList{};
    QTest::newRow("closed without an answer") << u"dropped"_s << -1 << QStringList{};
    QTest::newRow("200 body cut short") << u"/cut"_s << -1 << QStringList{};
}

void TestXmlHttp::completionRaisesOneOutcome()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QStringList, errorTexts);
    m_server->route(u"/gone"_s, [](const Request&) { return Response::notFound(); });
    m_server->route(u"/busy"_s, [](const Request&) { return Response::html("busy"_ba, 503); });
    m_server->route(u"/odd"_s, [](const Request&) { return Response::html("odd"_ba, 299); });
    m_server->route(u"/beyond"_s, [](const Request&) { return Response::html("?"_ba, 700); });
    m_server->route(u"/cut"_s, [](const Request&) {
        Response response = Response::bytes(QByteArray(4096, 'v'), "text/plain");
        response.delivery = Response::Delivery::CutShort;
        response.sendBytes = 1000;
        return response;
    });
    DroppingServer dropping;
    QString url = m_server->urlText(target);
    if (target == u"refused"_s) {
        url = u"http://127.0.0.1:%1/manifest.txt"_s.arg(closedPort());
    } else if (target == u"dropped"_s) {
        url = dropping.url();
    }

    uXMLHTTP x(m_network.get());
    Events events(x);
    const QString saveFile = m_dir->filePath(u"saved.txt"_s);
    QVERIFY(x.Open_(u"GET"_s, url, saveFile));
    QCOMPARE(x.ReadyState(), 1);
    x.Send_();
    QVERIFY(x.tmrReader->isActive());
    QCOMPARE(x.tmrReader->interval(), 10);
    QTRY_VERIFY(x.DownOK());

    QCOMPARE(x.ReadyState(), 4);
    QVERIFY(!x.tmrReader->isActive());
    if (status < 0) {
        QVERIFY2(x.Status() > 600, qPrintable(QString::number(x.Status())));
    } else {
        QCOMPARE(x.Status(), status);
    }
    QCOMPARE(events.arrived.count(), 0);
    QCOMPARE(events.errorTexts(), errorTexts);
    QVERIFY(events.ticks.count() >= 1);
    QVERIFY(!QFile::exists(saveFile)); // only a whole 200 answer is saved
}

void TestXmlHttp::savedBodyHasTheExactBytesAndReplacesTheFile()
{
    // Multi-byte text in a non-UTF-8 charset, with CR LF, large enough to arrive in pieces.
    QString text;
    for (int i = 0; i < 4000; ++i) {
        text += u"最新版本：V1.%1\r\n"_s.arg(i);
    }
    QStringEncoder encoder("GB18030");
    QVERIFY(encoder.isValid());
    const QByteArray body = encoder.encode(text);
    m_server->route(u"/file.bin"_s, [body](const Request&) {
        return Response::bytes(body, "text/plain; charset=GB18030");
    });
    const QString path = m_dir->filePath(u"file.bin"_s);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(body.size() * 2, 'x'));
    }

    uXMLHTTP x(m_network.get());
    Events events(x);
    QVERIFY(x.Open_(u"get"_s, m_server->urlText(u"/file.bin"_s), path));
    x.SetRequestHeader(u"Referer"_s, u"http://127.0.0.1/list.html"_s);
    x.Send_();
    QTRY_COMPARE(events.arrived.count(), 1);

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), body);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"file.bin"_s});
    QCOMPARE(x.ResponseBody(), body);
    QCOMPARE(x.ResponseText(), text);
    QCOMPARE(x.StatusText(), u"OK"_s);
    QCOMPARE(x.GetResponseHeader(u"content-type"_s), u"text/plain; charset=GB18030"_s);
    QVERIFY(x.GetAllResponseHeaders().contains(u"Content-Length: %1\r\n"_s.arg(body.size())));
    QCOMPARE(events.errors.count(), 0);

    const QList<Request> requests = m_server->requestsFor(u"/file.bin"_s);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().method, "GET"_ba);
    QCOMPARE(requests.first().header("Referer"), "http://127.0.0.1/list.html"_ba);
}

void TestXmlHttp::emptyBodyWritesNoFile()
{
    m_server->route(u"/empty.txt"_s, [](const Request&) { return Response::text(QByteArray()); });
    const QString path = m_dir->filePath(u"empty.txt"_s);

    uXMLHTTP x(m_network.get());
    Events events(x);
    QVERIFY(x.Open_(u"GET"_s, m_server->urlText(u"/empty.txt"_s), path));
    x.Send_();
    QTRY_COMPARE(events.arrived.count(), 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void TestXmlHttp::sendWithoutOpenRaisesNothing_data()
{
    QTest::addColumn<bool>("withNetwork");
    QTest::addColumn<QString>("openUrl"); // empty: Open_ is not called
    QTest::addColumn<bool>("openedBefore"); // a good request opened, not sent, before openUrl
    QTest::newRow("never opened") << true << QString() << false;
    QTest::newRow("no request machinery") << false << u"/manifest.txt"_s << false;
    QTest::newRow("unusable address") << true << u"not a web address"_s << false;
    QTest::newRow("unusable address after a good one") << true << u"not a web address"_s << true;
}

void TestXmlHttp::sendWithoutOpenRaisesNothing()
{
    QFETCH(bool, withNetwork);
    QFETCH(QString, openUrl);
    QFETCH(bool, openedBefore);
    m_server->route(u"/manifest.txt"_s, [](const Request&) { return Response::text("1.5.0"); });

    uXMLHTTP x(withNetwork ? m_network.get() : nullptr);
    Events events(x);
    if (openedBefore) {
        QVERIFY(x.Open_(u"GET"_s, m_server->urlText(u"/manifest.txt"_s)));
    }
    if (!openUrl.isEmpty()) {
        const QString url = openUrl.startsWith(u'/') ? m_server->urlText(openUrl) : openUrl;
        QString error;
        QVERIFY(!x.Open_(u"GET"_s, url, QString(), &error));
        QVERIFY(!error.isEmpty());
    }
    x.SetRequestHeader(u"Referer"_s, u"http://127.0.0.1/"_s);
    x.Send_("body");
    QVERIFY(!x.tmrReader->isActive());
    QTest::qWait(50);

    QCOMPARE(events.ticks.count() + events.arrived.count() + events.errors.count(), 0);
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(!x.DownOK());
    QCOMPARE(x.ReadyState(), 0);
    QCOMPARE(x.Status(), 0);
    QCOMPARE(x.StatusText(), QString());
    QCOMPARE(x.GetResponseHeader(u"Content-Type"_s), QString());
    QCOMPARE(x.GetAllResponseHeaders(), QString());
    QCOMPARE(x.ResponseBody(), QByteArray());
    QCOMPARE(x.ResponseText(), QString());
}

void TestXmlHttp::abortStopsTheEvents()
{
    m_server->route(u"/silent"_s, [](const Request&) {
        Response response = Response::text("1.5.0");
        response.delivery = Response::Delivery::NeverAnswer;
        return response;
    });

    uXMLHTTP x(m_network.get());
    Events events(x);
    QVERIFY(x.Open_(u"GET"_s, m_server->urlText(u"/silent"_s)));
    x.Send_();
    QTRY_COMPARE(m_server->requestsFor(u"/silent"_s).size(), 1);
    QTRY_VERIFY(events.ticks.count() >= 3); // polling all the while nothing comes
    x.Abort_();
    const int ticks = events.ticks.count();
    QTest::qWait(100);

    QCOMPARE(events.ticks.count(), ticks);
    QCOMPARE(events.arrived.count() + events.errors.count(), 0);
    QVERIFY(!x.tmrReader->isActive());
    QVERIFY(!x.DownOK());
    QCOMPARE(x.ReadyState(), 0);
}

ZORV_TEST_MAIN(TestXmlHttp)
#include "tst_xmlhttp.moc"
