#pragma once

#include "Fakes.h"
#include "SampleSite.h"
#include "platform/BrowserProfile.h"
#include "platform/EventPump.h"
#include "platform/WebEngineBrowser.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace zorvtest {

// A temporary folder for browser profiles. The engine writes its last files while the
// application object goes, so the folder is removed only after that, at the process's exit.
inline QString browserStorageRoot()
{
    static QTemporaryDir root;
    return root.path();
}

// One browser profile in a temporary folder and the sample site on a free port, for a whole
// test executable: the browser engine starts once.
struct BrowserFixture {
    BrowserFixture()
        : profile(
            std::make_unique<BrowserProfile>(browserStorageRoot() + QStringLiteral("/browser")))
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

// An event pump that really waits for events (so the browser engine runs at full speed) and
// moves a fake clock on every wait by step, but only while advance() says so: a test can let
// time pass only while nothing loads, or all the time.
class SteppingPump final : public EventPump {
public:
    explicit SteppingPump(FakeClock& clock, double step = 0.5)
        : m_clock(clock)
        , m_step(step)
    {
    }
    void pump() override
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        after();
    }
    void wait(int maxMilliseconds) override
    {
        QEventLoop loop;
        QTimer::singleShot(qMin(maxMilliseconds, 20), &loop, &QEventLoop::quit);
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!advance || advance()) {
            m_clock.advance(m_step);
        }
        after();
    }
    std::function<bool()> advance; // none: always
    std::function<void()> onPump;
    int calls = 0;

private:
    void after()
    {
        ++calls;
        if (onPump) {
            onPump();
        }
    }
    FakeClock& m_clock;
    double m_step;
};

} // namespace zorvtest

// QVERIFY that waits (see waitUntil) for the condition.
#define ZORV_WAIT(condition) QVERIFY2(zorvtest::waitUntil([&] { return (condition); }), #condition)
