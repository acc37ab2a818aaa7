#pragma once

#include "SampleSite.h"
#include "platform/BrowserProfile.h"
#include "platform/WebEngineBrowser.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace zorvtest {

// One browser profile in a temporary folder and the sample site on a free port, for a whole
// test executable: the browser engine starts once.
struct BrowserFixture {
    BrowserFixture()
        : profile(std::make_unique<BrowserProfile>(dir.filePath(QStringLiteral("browser"))))
    {
        site.listen();
    }
    ~BrowserFixture()
    {
        // Pages go before their profile.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        profile.reset();
    }

    QString url(const QString& path) const { return site.urlText(path); }

    QTemporaryDir dir;
    std::unique_ptr<BrowserProfile> profile;
    sample::SampleSite site;
};

// Serves the event loop until done() holds or the time is up; true when it holds. Unlike
// QTest::qWaitFor it blocks on events instead of sleeping between polls, which the browser
// engine, driven by the event loop, needs to load pages at full speed.
template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs = 30000)
{
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    poll.start(5);
    loop.exec();
    return done();
}

// Starts loading url and waits until the browser reports the top-level document of that
// address complete.
inline bool loadPage(Browser& browser, const QString& url, int timeoutMs = 30000)
{
    bool complete = false;
    const QUrl wanted(url);
    auto connection =
        QObject::connect(&browser, &Browser::documentComplete, &browser,
                         [&](const QString& done) { complete = complete || QUrl(done) == wanted; });
    browser.navigate(url);
    const bool ok = waitUntil([&] { return complete; }, timeoutMs);
    QObject::disconnect(connection);
    return ok;
}

} // namespace zorvtest

// QVERIFY that waits (see waitUntil) for the condition.
#define ZORV_WAIT(condition) QVERIFY2(zorvtest::waitUntil([&] { return (condition); }), #condition)
