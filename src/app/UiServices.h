#pragma once

class BrowserProfile;
class Forms;
class QNetworkAccessManager;
struct AppServices;

// What the windows are handed besides the core services: the window directory, the shared
// browser profile and the network access of the transfers.
struct UiServices {
    AppServices& app;
    Forms& forms;
    BrowserProfile* browserProfile = nullptr;
    QNetworkAccessManager* network = nullptr;
};
