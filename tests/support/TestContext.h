#pragma once

#include "Fakes.h"
#include "app/AppServices.h"
#include "app/Forms.h"
#include "app/IniRegistryBackend.h"
#include "app/SharedSettings.h"
#include "app/UiServices.h"
#include "platform/IniSettingsStore.h"

#include <QTemporaryDir>

#include <memory>

namespace zorvtest {

// Everything a window or core object is handed, built in a temporary folder: settings,
// registry, fake clock and pump, recording prompter and shell, and a window directory.
struct TestContext {
    TestContext();
    ~TestContext();

    // A path inside the temporary folder.
    QString path(const QString& relative) const;

    QTemporaryDir dir;
    FakeClock clock;
    FakeEventPump pump{&clock};
    RecordingPrompter prompter;
    RecordingShell shell;
    IniSettingsStore store;
    SharedSettings shared{store};
    IniRegistryBackend registry;
    AppServices services;
    Forms forms;
    UiServices ui{services, forms};
};

} // namespace zorvtest
