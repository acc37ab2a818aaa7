#include "app/WindowHelpers.h"

#include "app/AppConfig.h"
#include "app/AppInfo.h"
#include "app/TextHelpers.h"
#include "platform/Shell.h"

#include <QDate>
#include <QUrl>

void OpenInBrowser(Shell& shell, const QString& url, bool browserWindow)
{
    const QUrl target = QUrl::fromUserInput(url);
    if (!browserWindow && shell.openUrl(target)) {
        return;
    }
    shell.openUrlInNewBrowserWindow(target);
}

void SendSuggestion(Shell& shell, const AppConfig& config, QWidget* owner)
{
    Q_UNUSED(owner);
    shell.openUrl(
        suggestionMailUri(config.makerContactMail, AppInfo::title(), QDate::currentDate()));
}
