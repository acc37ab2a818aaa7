#include "platform/BrowserProfile.h"

#include <QDir>
#include <QNetworkCookie>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

using namespace Qt::StringLiterals;

SharedCookieJar::SharedCookieJar(QWebEngineProfile* profile, QObject* parent)
    : QNetworkCookieJar(parent)
    , m_profile(profile)
{
    QWebEngineCookieStore* store = profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this,
            [this](const QNetworkCookie& cookie) { insertCookie(cookie); });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie& cookie) { deleteCookie(cookie); });
    store->loadAllCookies();
}

bool SharedCookieJar::setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url)
{
    const bool accepted = QNetworkCookieJar::setCookiesFromUrl(cookies, url);
    for (const QNetworkCookie& cookie : cookies) {
        m_profile->cookieStore()->setCookie(cookie, url);
    }
    return accepted;
}

BrowserProfile::BrowserProfile(const QString& storageFolder, QObject* parent)
    : QObject(parent)
    , m_storageFolder(storageFolder)
{
    QDir().mkpath(storageFolder);
    m_profile = new QWebEngineProfile(u"zorv"_s, this);
    m_profile->setPersistentStoragePath(QDir(storageFolder).filePath(u"storage"_s));
    m_profile->setCachePath(cacheFolder());
    m_profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    m_jar = new SharedCookieJar(m_profile, this);
}

BrowserProfile::~BrowserProfile() = default;

QString BrowserProfile::defaultStorageFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u"/browser"_s;
}

QString BrowserProfile::cacheFolder() const { return QDir(m_storageFolder).filePath(u"cache"_s); }
