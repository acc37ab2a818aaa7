#pragma once

#include "app/fCover.h"
#include "cache/CacheListings.h"

#include <functional>

class CacheStore;
struct UiServices;

// What the program's windows are built on besides the services: the browser cache the cache
// viewer lists and where the cache folders are.
struct ProgramWindowParts {
    CacheStore& cacheStore;
    CacheLocations cacheLocations;
};

// Registers every main window of the program in the window directory of ui: the launcher
// "fCover" (made now and returned, not yet loaded), the search window "fWebSearch", the
// download window "fFileDownload" and the cache viewer "fIEcache". endProgram runs when the
// launcher ends the program. The program and the end-to-end tests wire their windows here.
fCover* RegisterProgramWindows(UiServices& ui, const ProgramWindowParts& parts, StartupSteps steps,
                               std::function<void()> endProgram);
