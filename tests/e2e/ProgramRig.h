#pragma once

#include "BrowserFixture.h"
#include "SampleServer.h"
#include "TestContext.h"
#include "app/AppServices.h"
#include "app/fCover.h"
#include "cache/BrowserDiskCache.h"
#include "download/DownloadList.h"
#include "download/DownloadScheduler.h"
#include "download/fFileDownload.h"
#include "files/fSeleFileSavePath.h"
#include "platform/BrowserProfile.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"
#include "program/ProgramWindows.h"
#include "search/SearchSession.h"
#include "search/fWebSearch.h"

#include <QApplication>
#include <QComboBox>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTimer>

namespace zorvtest {

// The program's windows as the program wires them, on services of a temporary context:
// settings, folders and the browser cache's files in temporary folders, the sample site as the
// journal and the maker, and the save-folder chooser confirmed on the papers folder whenever it
// comes up. Time is either the real clock and event pump, or the context's fake clock moved by
// a pump that waits for real events and steps the clock while the browser is not loading.
struct ProgramRig {
    enum class Time { Real, Stepping };

    ProgramRig(BrowserProfile& profile, const sample::SampleServer& site, Time time)
        : time(time)
        , cache(profile.cacheFolder(), ctx.path(QStringLiteral("cache-files")))
        , ui{services, ctx.forms, &profile, &network}
    {
        services.config = AppConfig::forBases(site.base(), site.base());
        network.setCookieJar(profile.cookieJar());
        profile.cookieJar()->setParent(&profile); // the profile keeps its jar
        steppingPump.advance = [this] {
            fWebSearch* w = search();
            return !w || (!w->browser().isBusy() && !w->session().PageLoading);
        };
        cover = RegisterProgramWindows(
            ui, {cache, {ctx.path(QStringLiteral("home")), profile.cacheFolder()}}, {}, [] {});
        folder = ctx.path(QStringLiteral("papers"));
        QObject::connect(&chooserPoll, &QTimer::timeout, &chooserPoll, [this] {
            if (auto* chooser =
                    qobject_cast<fSeleFileSavePath*>(QApplication::activeModalWidget())) {
                ++choosers;
                chooser->Combo1->setEditText(folder);
                chooser->Command2->click();
            }
        });
        chooserPoll.start(10);
    }
    ~ProgramRig()
    {
        // The windows go before the network access and the cache they use.
        ctx.forms.unloadAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    fWebSearch* search()
    {
        return qobject_cast<fWebSearch*>(ctx.forms.loaded(QStringLiteral("fWebSearch")));
    }
    fFileDownload* download()
    {
        return qobject_cast<fFileDownload*>(ctx.forms.loaded(QStringLiteral("fFileDownload")));
    }

    // The launcher's "文献检索下载": the search window on the journal's home page, or nullptr.
    fWebSearch* openSearch(int timeoutMs = 60000)
    {
        ctx.forms.load(QStringLiteral("fCover"));
        cover->load();
        if (!waitUntil([&] { return cover->Command1->isEnabled(); }, timeoutMs)) {
            return nullptr;
        }
        cover->Command1->click();
        fWebSearch* w = search();
        const bool home =
            w
            && waitUntil(
                [&] {
                    return w->browser().title() == QStringLiteral("Journal of Sample Studies")
                        && !w->browser().isBusy();
                },
                timeoutMs);
        return home ? w : nullptr;
    }

    // "开始下载" with the download window's own timers at tickMs, waiting until the list is
    // finished. Under stepping time every look moves the fake clock a second on, so each tick
    // finds the interval passed. Under method 2 every thread is used.
    bool downloadAll(int tickMs = 1, int timeoutMs = 60000)
    {
        fFileDownload* d = download();
        if (!d) {
            return false;
        }
        d->Timer1->setInterval(qMax(1, tickMs));
        d->Timer_Down->setInterval(tickMs);
        if (d->Combo1->isEnabled()) {
            d->Combo1->setCurrentIndex(d->Combo1->count() - 1);
        }
        d->Command4->click();
        return waitUntil(
            [&] {
                if (time == Time::Stepping) {
                    ctx.clock.advance(1.0);
                }
                return !d->scheduler().timerDownEnabled()
                    && d->downloadList().检测是否下载列表完毕();
            },
            timeoutMs);
    }

    Clock& clock() { return time == Time::Real ? static_cast<Clock&>(realClock) : ctx.clock; }
    EventPump& pump()
    {
        return time == Time::Real ? static_cast<EventPump&>(realPump) : steppingPump;
    }

    Time time;
    TestContext ctx;
    SystemClock realClock;
    QtEventPump realPump;
    SteppingPump steppingPump{ctx.clock};
    AppServices services{ctx.store,
                         ctx.shared,
                         clock(),
                         pump(),
                         ctx.prompter,
                         ctx.shell,
                         ctx.registry,
                         ctx.services.config,
                         ctx.services.executablePath,
                         ctx.services.OsName};
    QNetworkAccessManager network;
    BrowserDiskCache cache;
    UiServices ui;
    fCover* cover = nullptr;
    QString folder;
    QTimer chooserPoll;
    int choosers = 0;
};

} // namespace zorvtest
