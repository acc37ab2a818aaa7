#include "../search/BrowserFixture.h"
#include "SamplePdf.h"
#include "TestContext.h"
#include "TestMain.h"
#include "download/DownloadScheduler.h"
#include "download/PicWebBK.h"
#include "download/SiteLogin.h"
#include "download/fFileDownload.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

const QString kAccount = u"reader"_s;
const QString kPassword = u"secret"_s;
const QString kSessionCookie = u"zorvsession"_s;

// What the windows are handed, over the shared browser profile: a pump that waits for real
// events and moves the fake clock only while no login page is loading, and network access
// whose cookie jar is the profile's.
struct LoginRig {
    explicit LoginRig(BrowserFixture& fixture)
        : fixture(fixture)
        , services{ctx.store,
                   ctx.shared,
                   ctx.clock,
                   pump,
                   ctx.prompter,
                   ctx.shell,
                   ctx.registry,
                   ctx.services.config,
                   ctx.services.executablePath,
                   ctx.services.OsName}
        , ui{services, ctx.forms, fixture.profile.get(), &network}
    {
        network.setCookieJar(fixture.profile->cookieJar());
        fixture.profile->cookieJar()->setParent(fixture.profile.get());
        folder = ctx.path(u"files/"_s);
        QDir().mkpath(folder);
        fixture.site.clearRequests();
    }

    QString url(const QString& path) const { return fixture.url(path); }
    int requests(const QString& path) const
    {
        return static_cast<int>(fixture.site.requestsFor(path).size());
    }
    bool signedIn() const
    {
        for (const QNetworkCookie& cookie :
             fixture.profile->cookieJar()->cookiesForUrl(QUrl(url(u"/login/papers/x.pdf"_s)))) {
            if (cookie.name() == kSessionCookie.toLatin1()) {
                return true;
            }
        }
        return false;
    }

    BrowserFixture& fixture;
    TestContext ctx;
    SteppingPump pump{ctx.clock, 0.5};
    AppServices services;
    QNetworkAccessManager network;
    UiServices ui;
    QString folder;
};

void signOut(BrowserFixture& fixture)
{
    fixture.profile->profile()->cookieStore()->deleteAllCookies();
    QVERIFY(waitUntil([&] {
        return fixture.profile->cookieJar()
            ->cookiesForUrl(QUrl(fixture.url(u"/login/papers/x.pdf"_s)))
            .isEmpty();
    }));
}

// The value of the first input of that name on the page shown.
QString inputValue(Browser& browser, const QString& name)
{
    for (const ElementPtr& input : browser.document()->getElementsByTagName(u"INPUT"_s)) {
        if (input->name() == name) {
            return input->value();
        }
    }
    return u"<none>"_s;
}

} // namespace

class TestSiteLogin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void fillAndSubmit_data();
    void fillAndSubmit();
    void fieldsMissing();
    void pageThatNeverLoads();
    void gatedPapersAfterAutomaticLogin();
    void panelControls();
    void closeDuringLogin();

private:
    std::unique_ptr<BrowserFixture> m_fixture;
};

void TestSiteLogin::initTestCase()
{
    m_fixture = std::make_unique<BrowserFixture>();
    m_fixture->site.route(u"/fixture/titled.html"_s, [](const sample::Request&) {
        return sample::Response::html(
            QByteArray("<html><head><title>期刊首页</title></head><body>首页</body></html>"));
    });
}

void TestSiteLogin::cleanupTestCase() { m_fixture.reset(); }

void TestSiteLogin::init() { signOut(*m_fixture); }

void TestSiteLogin::fillAndSubmit_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("filled");
    QTest::addColumn<bool>("submitted");
    QTest::addColumn<QStringList>("posted");
    QTest::addColumn<QStringList>("valuesShown"); // inputs of the page left in place

    QTest::newRow("UserName and PassWord")
        << u"/login/form.html"_s << 2 << true
        << QStringList{u"UserName=reader"_s, u"PassWord=secret"_s} << QStringList();
    QTest::newRow("only a password") << u"/login/password-only.html"_s << 1 << false
                                     << QStringList() << QStringList{u"passwd=secret"_s};
    QTest::newRow("two account inputs")
        << u"/login/two-accounts.html"_s << 2 << true
        << QStringList{u"userid=reader"_s, u"USER=reader"_s} << QStringList();
    QTest::newRow("button before the fields")
        << u"/login/button-first.html"_s << 2 << false << QStringList()
        << QStringList{u"keyword=keep"_s, u"user=reader"_s, u"pass=secret"_s};
}

void TestSiteLogin::fillAndSubmit()
{
    QFETCH(QString, page);
    QFETCH(int, filled);
    QFETCH(bool, submitted);
    QFETCH(QStringList, posted);
    QFETCH(QStringList, valuesShown);

    LoginRig rig(*m_fixture);
    WebEngineBrowser browser(m_fixture->profile.get());
    browser.setSilent(true);
    browser.view()->resize(800, 500);
    browser.view()->show();
    SiteLogin login(browser, rig.ctx.clock, rig.pump, rig.ctx.prompter);
    rig.pump.advance = [&] { return !browser.isBusy() && !login.LoginPageLoading; };
    QStringList titles;
    connect(&login, &SiteLogin::pageTitleChanged, this,
            [&](const QString& title) { titles << title; });
    QList<bool> running;
    connect(&login, &SiteLogin::runningChanged, this, [&](bool on) { running << on; });

    login.setFields(u" "_s + rig.url(page) + u" "_s, u" reader "_s, u"secret "_s);
    const double started = rig.ctx.clock.seconds();
    login.run(false);

    QCOMPARE(login.lastFilled(), filled);
    QCOMPARE(login.lastSubmitted(), submitted);
    QCOMPARE(running, (QList<bool>{true, false}));
    QVERIFY(rig.ctx.clock.seconds() - started > SiteLogin::kSettleSeconds);
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());
    const QList<sample::Request> posts = m_fixture->site.requestsFor(u"/login/submit"_s);
    if (submitted) {
        QCOMPARE(posts.size(), 1);
        QStringList fields;
        for (const auto& [name, value] : posts.first().form().queryItems(QUrl::FullyDecoded)) {
            fields << name + u'=' + value;
        }
        QCOMPARE(fields, posted);
        QVERIFY(rig.signedIn());
        QCOMPARE(titles.last(), u"登录成功"_s);
    } else {
        QCOMPARE(posts.size(), 0);
        QVERIFY(!rig.signedIn());
        for (const QString& shown : valuesShown) {
            QCOMPARE(inputValue(browser, shown.section(u'=', 0, 0)), shown.section(u'=', 1));
        }
        QCOMPARE(titles.last(), u"用户登录"_s);
    }
}

void TestSiteLogin::fieldsMissing()
{
    LoginRig rig(*m_fixture);
    WebEngineBrowser browser(m_fixture->profile.get());
    SiteLogin login(browser, rig.ctx.clock, rig.pump, rig.ctx.prompter);
    login.setFields(rig.url(u"/login/form.html"_s), kAccount, u"  "_s);
    login.run(true);
    QCOMPARE(rig.ctx.prompter.messages(),
             QStringList{u"必须先设置登录网址、登录帐号、登录密码！"_s});
    QCOMPARE(rig.ctx.prompter.boxes.first().icon, Prompter::Icon::Critical);
    login.run(false); // silent
    QCOMPARE(rig.ctx.prompter.boxes.size(), 1);
    QVERIFY(!login.isRunning());
    QCOMPARE(rig.requests(u"/login/form.html"_s), 0);
}

// A login page that never arrives: the wait gives up after ten seconds, nothing is filled,
// and the login ends after its five seconds.
void TestSiteLogin::pageThatNeverLoads()
{
    LoginRig rig(*m_fixture);
    WebEngineBrowser browser(m_fixture->profile.get());
    browser.setSilent(true);
    SiteLogin login(browser, rig.ctx.clock, rig.pump, rig.ctx.prompter);
    login.setFields(rig.url(u"/dl/silent"_s), kAccount, kPassword);
    const double started = rig.ctx.clock.seconds();
    login.run(true);
    const double waited = rig.ctx.clock.seconds() - started;
    QVERIFY2(waited > 15.0 && waited < 18.0, qPrintable(QString::number(waited)));
    QCOMPARE(login.lastFilled(), 0);
    QVERIFY(!login.lastSubmitted());
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());
    browser.navigate(u"about:blank"_s);
}

// A paper that only signed-in readers get: before the login it arrives as the sign-in page
// (stored as html), which starts the automatic login; the re-download of html rows then
// brings the PDF through the same cookies. Web pages that end together start one login.
void TestSiteLogin::gatedPapersAfterAutomaticLogin()
{
    LoginRig rig(*m_fixture);
    rig.ctx.shared.write(u"设置"_s, u"下载方式"_s, u"1"_s);
    QPointer<fFileDownload> w = new fFileDownload(rig.ui);
    PicWebBK* panel = w->WebLoginPanel;
    rig.pump.advance = [panel] {
        return !panel->hasBrowser()
            || (!panel->browser().isBusy() && !panel->login().LoginPageLoading);
    };
    DownloadList& list = w->downloadList();
    const QString a = rig.url(u"/login/papers/a.pdf"_s);
    list.addItem(a, u"a"_s, u"pdf"_s, rig.folder, rig.url(u"/"_s));
    panel->Text1->setText(rig.url(u"/login/form.html"_s));
    panel->Text2->setText(kAccount);
    panel->Text3->setText(kPassword);
    panel->Check2->setChecked(true);
    w->Check4->setChecked(true);
    w->Combo4->setCurrentIndex(1); // htm and html rows

    w->Command4_Click();
    rig.ctx.clock.advance(1);
    w->scheduler().schedulerTick();
    QCOMPARE(list.state(a), DownloadState::Completed);
    QCOMPARE(list.item(a).type, u"html"_s);
    QVERIFY(QFile::exists(rig.folder + u"a.html"_s));
    QCOMPARE(rig.requests(u"/login/submit"_s), 0);

    ZORV_WAIT(rig.requests(u"/login/submit"_s) == 1 && !panel->isWorking());
    QVERIFY(rig.signedIn());
    QCOMPARE(w->StatusPanels.at(2)->text(), u"登录成功"_s);
    QVERIFY(rig.ctx.prompter.boxes.isEmpty());

    w->scheduler().supervisorTick(); // the finished list is re-queued and restarted
    QCOMPARE(list.state(a), DownloadState::Waiting);
    QVERIFY(!QFile::exists(rig.folder + u"a.html"_s));
    QVERIFY(w->Timer_Down->isActive());
    rig.ctx.clock.advance(1);
    w->scheduler().schedulerTick();
    QCOMPARE(list.state(a), DownloadState::Completed);
    QCOMPARE(list.item(a).type, u"pdf"_s);
    QFile paper(rig.folder + u"a.pdf"_s);
    QVERIFY(paper.open(QIODevice::ReadOnly));
    QCOMPARE(paper.readAll(), sample::samplePdf(u"Paper for readers /login/papers/a.pdf"_s, 30000));
    QCOMPARE(m_fixture->site.requestsFor(u"/login/papers/a.pdf"_s).last().cookie(kSessionCookie),
             u"signed-in-reader"_s);
    w->Check4->setChecked(false);
    w->Command31_Click();

    // Two downloads that end as web pages in one pass (as parallel slots may): one login.
    for (const QString& name : {u"c"_s, u"d"_s}) {
        const QString key = rig.url(u"/dl/"_s + name);
        list.addItem(key, name, u"pdf"_s, rig.folder, QString());
        list.setType(key, u"HTM"_s);
        list.setState(key, DownloadState::Completed);
    }
    ZORV_WAIT(rig.requests(u"/login/submit"_s) == 2 && !panel->isWorking());
    waitUntil([] { return false; }, 300);
    QCOMPARE(rig.requests(u"/login/submit"_s), 2);

    QVERIFY(w->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
}

void TestSiteLogin::panelControls()
{
    LoginRig rig(*m_fixture);
    QPointer<fFileDownload> w = new fFileDownload(rig.ui);
    w->resize(1000, 640);
    w->show();
    PicWebBK* panel = w->WebLoginPanel;
    rig.pump.advance = [panel] {
        return !panel->hasBrowser()
            || (!panel->browser().isBusy() && !panel->login().LoginPageLoading);
    };
    const QString page = rig.url(u"/fixture/titled.html"_s);
    w->downloadList().addItem(page, u"titled"_s, u"html"_s, rig.folder, QString());
    w->ListView3->selectAll();

    // Shown over the list, it opens the selected row's address; the title goes to panel 3.
    w->Command1->click();
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->geometry(), w->ListView3->geometry());
    QWebEngineView* view = panel->browser().view();
    ZORV_WAIT(rig.requests(u"/fixture/titled.html"_s) == 1 && !panel->browser().isBusy());
    ZORV_WAIT(w->StatusPanels.at(2)->text() == u"期刊首页"_s);
    QCOMPARE(view->objectName(), u"WebBrowser1"_s);
    QCOMPARE(view->x(), 0);
    QVERIFY(view->y() >= panel->Text2->geometry().bottom());
    QVERIFY(view->geometry().right() < panel->width()
            && view->geometry().right() > panel->width() - 6);
    QVERIFY(view->geometry().bottom() < panel->height()
            && view->geometry().bottom() > panel->height() - 6);
    w->resize(1200, 700); // the browser follows the list's size
    QCoreApplication::processEvents();
    QCOMPARE(panel->geometry(), w->ListView3->geometry());
    QVERIFY(view->geometry().right() > panel->width() - 6);

    // "浏览" opens the address typed, its button disabled meanwhile.
    panel->Text1->setText(rig.url(u"/login/form.html"_s));
    QList<bool> browseEnabled;
    connect(&panel->login(), &SiteLogin::openingPageChanged, this,
            [&](bool opening) { browseEnabled << panel->Command2->isEnabled() << !opening; });
    panel->Command2->click();
    QCOMPARE(browseEnabled, (QList<bool>{false, false, true, true}));
    QCOMPARE(panel->browser().title(), u"用户登录"_s);

    // Refreshed every minute, also while hidden; hiding keeps the page while it refreshes.
    panel->Check1->setChecked(true);
    QVERIFY(w->Timer2->isActive());
    panel->Command3->click();
    QVERIFY(!panel->isVisible());
    QCOMPARE(panel->Text1->text(), rig.url(u"/login/form.html"_s));
    w->Timer2->setInterval(20);
    ZORV_WAIT(rig.requests(u"/login/form.html"_s) >= 3);

    // With a refresh on, showing the panel keeps its page.
    w->Command1->click();
    QCOMPARE(rig.requests(u"/fixture/titled.html"_s), 1);
    panel->Check1->setChecked(false);
    QVERIFY(!w->Timer2->isActive());
    panel->Command3->click(); // both options off: blank page, address cleared
    QCOMPARE(panel->Text1->text(), QString());
    ZORV_WAIT(panel->browser().locationUrl() == u"about:blank"_s);

    QVERIFY(w->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
}

// Closed while a login waits (serving the window): the waits end at once and the window goes
// after the login has returned.
void TestSiteLogin::closeDuringLogin()
{
    LoginRig rig(*m_fixture);
    QPointer<fFileDownload> w = new fFileDownload(rig.ui);
    w->show();
    PicWebBK* panel = w->WebLoginPanel;
    panel->Text1->setText(rig.url(u"/login/form.html"_s));
    panel->Text2->setText(kAccount);
    panel->Text3->setText(kPassword);
    bool closed = false;
    bool aliveAfterClose = false;
    rig.pump.onPump = [&] {
        if (!closed && w && w->WebLoginPanel->isWorking()) {
            closed = true;
            QVERIFY(w->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveAfterClose = !w.isNull();
        }
    };
    const double started = rig.ctx.clock.seconds();
    panel->Command5->click();
    rig.pump.onPump = nullptr;
    QVERIFY(closed);
    QVERIFY(aliveAfterClose);
    QVERIFY(rig.ctx.clock.seconds() - started < SiteLogin::kSettleSeconds);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
    QCOMPARE(rig.requests(u"/login/submit"_s), 0);
}

ZORV_TEST_MAIN(TestSiteLogin)
#include "tst_sitelogin.moc"
