#include "app/AppInfo.h"
#include "app/AppServices.h"
#include "app/Forms.h"
#include "app/IniRegistryBackend.h"
#include "app/OsIdentification.h"
#include "app/Registry.h"
#include "app/SharedSettings.h"
#include "app/UiServices.h"
#include "cache/BrowserDiskCache.h"
#include "platform/BrowserProfile.h"
#include "platform/DesktopShell.h"
#include "platform/IniSettingsStore.h"
#include "platform/MessageBoxPrompter.h"
#include "platform/ProcessSetup.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"
#include "program/ProgramWindows.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QNetworkAccessManager>
#include <QTranslator>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    prepareWebEngineEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"QelvoZORV"_s);
    QApplication::setOrganizationName(u"Qelvo"_s);
    QApplication::setApplicationDisplayName(AppInfo::title());
    // The launcher hides itself while other windows work; the program ends when it unloads.
    QApplication::setQuitOnLastWindowClosed(false);
    // The toolkit's own texts (Yes/No buttons, file dialogs) in Chinese, like the rest.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale(QLocale::Chinese, QLocale::China), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&toolkitTexts);
    }

    SystemClock clock;
    QtEventPump pump;
    MessageBoxPrompter prompter(AppInfo::title());
    DesktopShell shell;
    IniSettingsStore store(IniSettingsStore::defaultFolder());
    SharedSettings shared(store);
    IniRegistryBackend registry(IniRegistryBackend::defaultUserFolder(),
                                IniRegistryBackend::defaultMachineFolder());
    AppServices services{store,
                         shared,
                         clock,
                         pump,
                         prompter,
                         shell,
                         registry,
                         AppConfig::defaults(),
                         QApplication::applicationFilePath(),
                         QString()};

    BrowserProfile browserProfile(BrowserProfile::defaultStorageFolder());
    QNetworkAccessManager network;
    network.setCookieJar(browserProfile.cookieJar());
    browserProfile.cookieJar()->setParent(&browserProfile); // one jar, shared with the browser

    // The browser's cache as the cache viewer lists it; the bodies are kept as plain files
    // beside the profile.
    BrowserDiskCache cacheStore(browserProfile.cacheFolder(),
                                QDir(browserProfile.storageFolder()).filePath(u"cache-files"_s));
    const CacheLocations cacheLocations{QDir::homePath(), browserProfile.cacheFolder()};

    Forms forms;
    UiServices ui{services, forms, &browserProfile, &network};

    StartupSteps steps;
    steps.identifyOs = [&services] {
        services.OsName = OsIdentification::buildOsName(OsIdentification::GetOsName(),
                                                        OsIdentification::addressWidth());
    };
    steps.setBrowserEmulation = [&services] {
        SetBrowserEmulation(services.registry, services.executablePath, u"IE10"_s, true);
    };
    fCover* cover = RegisterProgramWindows(ui, {cacheStore, cacheLocations}, steps, [&forms] {
        forms.unloadAll();
        QCoreApplication::quit();
    });
    forms.load(u"fCover"_s);
    cover->load();

    const int result = QApplication::exec();
    // Windows go before the browser profile their pages belong to.
    forms.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
