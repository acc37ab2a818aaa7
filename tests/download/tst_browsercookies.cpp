#include "DownloadRig.h"
#include "SamplePdf.h"
#include "TestMain.h"
#include "platform/BrowserProfile.h"

#include <QFile>
#include <QNetworkCookie>
#include <QSignalSpy>
#include <QWebEnginePage>

using namespace Qt::StringLiterals;
using namespace zorvtest;

class TestBrowserCookies : public QObject {
    Q_OBJECT
private slots:
    void browserSessionReachesDownloads();
};

void TestBrowserCookies::browserSessionReachesDownloads()
{
    QTemporaryDir storage;
    BrowserProfile profile(storage.filePath(u"browser"_s));
    DownloadRig rig;
    // The transfers' network access uses the browser's cookies, as in the program.
    rig.network.setCookieJar(profile.cookieJar());
    profile.cookieJar()->setParent(&profile);

    const QString key = rig.add(u"/dl/members.pdf"_s, u"members"_s);
    rig.list.setState(key, DownloadState::Downloading);
    QVERIFY(!rig.scheduler.method1().Inet下载当前文件(key, QString(), key));
    QCOMPARE(rig.list.item(key).size, u"下载失败：403 Forbidden"_s); // no session yet

    {
        QWebEnginePage page(profile.profile());
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(rig.site.url(u"/dl/session"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 30000);
        QVERIFY(loaded.first().at(0).toBool());
        QTRY_VERIFY_WITH_TIMEOUT(
            !profile.cookieJar()->cookiesForUrl(rig.site.url(u"/dl/members.pdf"_s)).isEmpty(),
            10000);
    }

    rig.list.RequeueRows(RequeueSelector::Failed);
    rig.list.setState(key, DownloadState::Downloading);
    QVERIFY(rig.scheduler.method1().Inet下载当前文件(key, QString(), key));

    QCOMPARE(rig.list.state(key), DownloadState::Completed);
    QFile file(rig.folder + u"members.pdf"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), sample::samplePdf(u"Members paper"_s, 20000));
    QCOMPARE(rig.site.requestsFor(u"/dl/members.pdf"_s).last().cookie(u"zorvdl"_s),
             u"open-sesame"_s);
}

ZORV_TEST_MAIN(TestBrowserCookies)
#include "tst_browsercookies.moc"
