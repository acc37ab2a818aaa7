#pragma once

#include "HookedEventPump.h"
#include "SampleSite.h"
#include "TestContext.h"
#include "download/DownloadList.h"
#include "download/DownloadScheduler.h"
#include "net/Inet.h"

#include <QDir>
#include <QNetworkAccessManager>

#include <functional>

namespace zorvtest {

// A download list, its HTTP client and scheduler against the sample site, saving into a
// temporary folder. The clock is the context's fake clock; the pump is the real one (with a
// hook), or the fake one that moves the clock on every wait.
struct DownloadRig {
    enum class Pump { Real, Fake };

    explicit DownloadRig(Pump kind = Pump::Real)
        : pump(kind == Pump::Real ? static_cast<EventPump&>(realPump)
                                  : static_cast<EventPump&>(ctx.pump))
        , inet(network, ctx.clock, pump)
        , scheduler(list, inet, ctx.shared, ctx.clock, pump, ctx.prompter)
    {
        site.listen();
        folder = ctx.path(QStringLiteral("files/"));
        QDir().mkpath(folder);
        ctx.shared.DownloadMethod = 1;
    }

    QString url(const QString& path) const { return site.urlText(path); }

    // Adds a waiting item for a path of the site, stored as name.type in the folder.
    QString add(const QString& path, const QString& name,
                const QString& type = QStringLiteral("pdf"), const QString& where = QString())
    {
        const QString key = url(path);
        list.addItem(key, name, type, where.isEmpty() ? folder : where, QStringLiteral("tag"));
        return key;
    }

    // Every entry of the folder, hidden ones included.
    QStringList files() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    TestContext ctx;
    sample::SampleSite site;
    QNetworkAccessManager network;
    HookedEventPump realPump;
    EventPump& pump;
    Inet inet;
    DownloadList list;
    DownloadScheduler scheduler;
    QString folder;
};

} // namespace zorvtest
