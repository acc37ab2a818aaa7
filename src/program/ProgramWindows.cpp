#include "program/ProgramWindows.h"

#include "app/Forms.h"
#include "app/UiServices.h"
#include "cache/fIEcache.h"
#include "download/fFileDownload.h"
#include "search/fWebSearch.h"

#include <QPointer>

using namespace Qt::StringLiterals;

fCover* RegisterProgramWindows(UiServices& ui, const ProgramWindowParts& parts, StartupSteps steps,
                               std::function<void()> endProgram)
{
    Forms& forms = ui.forms;
    auto* cover = new fCover(ui, std::move(steps), std::move(endProgram));
    forms.registerForm(u"fCover"_s, [cover = QPointer<fCover>(cover)] { return cover.data(); });
    forms.registerForm(u"fWebSearch"_s, [&ui] { return new fWebSearch(ui); });
    forms.registerForm(u"fFileDownload"_s, [&ui] { return new fFileDownload(ui); });
    forms.registerForm(u"fIEcache"_s,
                       [&ui, &store = parts.cacheStore, locations = parts.cacheLocations] {
                           return new fIEcache(ui, store, locations);
                       });
    return cover;
}
