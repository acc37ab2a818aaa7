#pragma once

#include "app/AppConfig.h"

#include <QString>

class Clock;
class EventPump;
class Prompter;
class RegistryBackend;
class SettingsStore;
class SharedSettings;
class Shell;

// What main() creates once and every part of the program is handed: the ports, the settings
// and the configured addresses. Nothing here is global; tests build their own.
struct AppServices {
    SettingsStore& store;
    SharedSettings& shared;
    Clock& clock;
    EventPump& pump;
    Prompter& prompter;
    Shell& shell;
    RegistryBackend& registry;
    AppConfig config;
    // Path of the running executable (its name keys the browser emulation value).
    QString executablePath;
    // One line naming the running system, built once at start-up.
    QString OsName;
};
