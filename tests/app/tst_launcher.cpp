#include "SampleSite.h"
#include "TestContext.h"
#include "TestMain.h"
#include "app/fCover.h"
#include "app/frmAbout.h"
#include "net/uXMLHTTP.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

const QString kManifestPath = u"/maker/latest-version.txt"_s;

// A loopback port that nothing listens on any more.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestLauncher : public QObject {
    Q_OBJECT
private slots:
    void buttonsWaitForTheDeferredStep();
    void failingStepDoesNotStopStartup();
    void searchButtonHidesLauncherAndOpensSearchWindow();
    void quitButtonAndCloseBoxEndTheProgram_data();
    void quitButtonAndCloseBoxEndTheProgram();
    void aboutBoxShowsTitleVersionAndSystem();
    void latestVersionShownWhenPlausible_data();
    void latestVersionShownWhenPlausible();
    void missingManifestShowsTheMessageOnce();
    void unreachableManifestEndsQuietly_data();
    void unreachableManifestEndsQuietly();
};

void TestLauncher::buttonsWaitForTheDeferredStep()
{
    TestContext ctx;
    QStringList order;
    StartupSteps steps{[&] { order << u"os"_s; }, [&] { order << u"emulation"_s; }};
    fCover cover(ctx.ui, steps, [] {});
    cover.load();
    QCOMPARE(cover.windowTitle(), u"QelvoZORV资料下载管理器"_s);
    QCOMPARE(cover.Label1->text(), u"版本:1.4.9"_s);
    QVERIFY(cover.Label3->isHidden());
    QCOMPARE(order, (QStringList{u"os"_s, u"emulation"_s}));
    QVERIFY(cover.isVisible());
    QVERIFY(!cover.Command1->isEnabled());
    QVERIFY(!cover.Command3->isEnabled());
    QVERIFY(cover.Timer1->isActive());
    QCOMPARE(cover.Timer1->interval(), 100);
    cover.Command1->click(); // disabled: nothing happens
    QVERIFY(cover.isVisible());

    QTRY_VERIFY(cover.Command1->isEnabled());
    QVERIFY(cover.Command3->isEnabled());
    QVERIFY(!cover.Timer1->isActive()); // it fires once
}

void TestLauncher::failingStepDoesNotStopStartup()
{
    TestContext ctx;
    StartupSteps steps{[] { throw std::runtime_error("no os-release"); },
                       [] { throw std::runtime_error("registry unwritable"); }};
    fCover cover(ctx.ui, steps, [] {});
    cover.load();
    QTRY_VERIFY(cover.Command1->isEnabled());
    QVERIFY(cover.Command3->isEnabled());
}

void TestLauncher::searchButtonHidesLauncherAndOpensSearchWindow()
{
    TestContext ctx;
    auto* cover = new fCover(ctx.ui, {}, [] {});
    ctx.forms.registerForm(u"fCover"_s, [cover] { return cover; });
    ctx.forms.registerForm(u"fWebSearch"_s, [] {
        auto* window = new QWidget;
        window->setObjectName(u"fWebSearch"_s);
        return window;
    });
    ctx.forms.load(u"fCover"_s);
    cover->load();
    QTRY_VERIFY(cover->Command1->isEnabled());
    cover->Command1->click();
    QVERIFY(cover->isHidden());
    QVERIFY(IsFormLoaded(u"fWebSearch"_s));
    QVERIFY(ctx.forms.loaded(u"fWebSearch"_s)->isVisible());
}

void TestLauncher::quitButtonAndCloseBoxEndTheProgram_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("退出软件") << false;
    QTest::newRow("close box") << true;
}

void TestLauncher::quitButtonAndCloseBoxEndTheProgram()
{
    QFETCH(bool, closeBox);
    TestContext ctx;
    int ended = 0;
    auto* cover = new fCover(ctx.ui, {}, [&] {
        ++ended;
        ctx.forms.unloadAll();
    });
    ctx.forms.registerForm(u"fCover"_s, [cover] { return cover; });
    ctx.forms.registerForm(u"fWebSearch"_s, [] {
        auto* window = new QWidget;
        window->setObjectName(u"fWebSearch"_s);
        return window;
    });
    ctx.forms.load(u"fCover"_s);
    cover->load();
    ctx.forms.show(u"fWebSearch"_s);
    QTRY_VERIFY(cover->Command3->isEnabled());
    if (closeBox) {
        cover->close();
    } else {
        cover->Command3->click();
    }
    QCOMPARE(ended, 1);
    QVERIFY(!IsFormLoaded(u"fCover"_s));
    QVERIFY(!IsFormLoaded(u"fWebSearch"_s)); // every window goes with the launcher
}

void TestLauncher::aboutBoxShowsTitleVersionAndSystem()
{
    frmAbout about(u"Debian GNU/Linux 12[64位]"_s);
    QCOMPARE(about.objectName(), u"frmAbout"_s);
    QCOMPARE(about.lblTitle->text(), u"QelvoZORV资料下载管理器"_s);
    QVERIFY(about.lblVersion->text().contains(u"1.4.9"_s));
    QVERIFY(about.lblSystem->text().contains(u"Debian GNU/Linux 12[64位]"_s));
}

void TestLauncher::latestVersionShownWhenPlausible_data()
{
    QTest::addColumn<bool>("ownManifest"); // the sample site's manifest, or body below
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("label"); // empty: Label3 stays hidden

    QTest::newRow("sample site") << true << QByteArray()
                                 << u"最新版本：V"_s + sample::SampleSite::latestVersion();
    QTest::newRow("1.05 and a line break") << false << "1.05\n"_ba << u"最新版本：V1.05"_s;
    QTest::newRow("10 characters") << false << " 1.2.3.4567\r\n"_ba << u"最新版本：V1.2.3.4567"_s;
    QTest::newRow("11 characters") << false << "1.2.3.45678"_ba << QString();
    QTest::newRow("empty") << false << QByteArray() << QString();
}

void TestLauncher::latestVersionShownWhenPlausible()
{
    QFETCH(bool, ownManifest);
    QFETCH(QByteArray, body);
    QFETCH(QString, label);
    TestContext ctx;
    sample::SampleSite site;
    QVERIFY(site.listen());
    if (!ownManifest) {
        site.route(kManifestPath,
                   [body](const sample::Request&) { return sample::Response::text(body); });
    }
    ctx.services.config = AppConfig::forBases(site.base(), site.base());
    fCover cover(ctx.ui, {}, [] {});
    // The user leaves the launcher as soon as it is ready: the answer finds it hidden.
    connect(cover.Timer1, &QTimer::timeout, &cover, [&cover] { cover.hide(); });
    cover.load();
    QTRY_VERIFY(cover.uXMLHTTP2->DownOK());

    QVERIFY(cover.isHidden());
    QVERIFY(cover.Command1->isEnabled());
    QCOMPARE(site.requestsFor(kManifestPath).size(), 1);
    QCOMPARE(site.requestsFor(kManifestPath).first().method, "GET"_ba);
    QCOMPARE(cover.Label3->isHidden(), label.isEmpty());
    if (!label.isEmpty()) {
        QCOMPARE(cover.Label3->text(), label);
    }
    cover.show();
    QCOMPARE(cover.Label1->text(), u"版本:1.4.9"_s);
    QCOMPARE(cover.Label3->isVisible(), !label.isEmpty());
    QCOMPARE(ctx.prompter.boxes.size(), 0);
}

void TestLauncher::missingManifestShowsTheMessageOnce()
{
    TestContext ctx;
    sample::SampleServer site;
    QVERIFY(site.listen()); // serves nothing: every path is 404
    ctx.services.config = AppConfig::forBases(site.base(), site.base());
    fCover cover(ctx.ui, {}, [] {});
    cover.load();
    QTRY_COMPARE(ctx.prompter.boxes.size(), 1);
    QTest::qWait(50);

    QCOMPARE(ctx.prompter.messages(), QStringList{u"请保持网络畅通！"_s});
    QCOMPARE(ctx.prompter.boxes.first().icon, Prompter::Icon::Critical);
    QVERIFY(cover.Label3->isHidden());
    QVERIFY(cover.Command1->isEnabled());
    QVERIFY(cover.Command3->isEnabled());
}

void TestLauncher::unreachableManifestEndsQuietly_data()
{
    QTest::addColumn<QString>("manifestUrl");
    QTest::newRow("connection refused")
        << u"http://127.0.0.1:%1/maker/latest-version.txt"_s.arg(closedPort());
    QTest::newRow("request cannot be opened") << QString();
}

void TestLauncher::unreachableManifestEndsQuietly()
{
    QFETCH(QString, manifestUrl);
    TestContext ctx;
    ctx.services.config.versionManifestUrl = manifestUrl;
    fCover cover(ctx.ui, {}, [] {});
    cover.load();
    QTRY_VERIFY(cover.Command1->isEnabled());
    QVERIFY(cover.Command3->isEnabled());
    QTRY_VERIFY(!cover.uXMLHTTP2->tmrReader->isActive()); // the request has ended, if sent
    QCOMPARE(cover.uXMLHTTP2->DownOK(), !manifestUrl.isEmpty());
    QTest::qWait(50);

    QVERIFY(cover.Label3->isHidden());
    QCOMPARE(cover.latestVersion(), QString());
    QCOMPARE(ctx.prompter.boxes.size(), 0);
}

ZORV_TEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
