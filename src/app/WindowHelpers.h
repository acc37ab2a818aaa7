#pragma once

#include <QString>

class QWidget;
class Shell;
struct AppConfig;

// Opens a URL outside the program: in a new window of the desktop's browser when
// browserWindow is set, otherwise with the default handler (falling back to a browser window
// when that fails).
void OpenInBrowser(Shell& shell, const QString& url, bool browserWindow);

// Starts a suggestion e-mail to the maker in the desktop's mail program.
void SendSuggestion(Shell& shell, const AppConfig& config, QWidget* owner = nullptr);
