#pragma once

#include <QNetworkCookieJar>
#include <QObject>
#include <QString>

class QWebEngineProfile;

// Cookie jar of the transfers, kept in step with the embedded browser's cookie store: cookies
// the browser receives (a login, say) are sent with every download, and cookies a download
// receives reach the browser.
class SharedCookieJar final : public QNetworkCookieJar {
    Q_OBJECT
public:
    explicit SharedCookieJar(QWebEngineProfile* profile, QObject* parent = nullptr);

    bool setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url) override;

private:
    QWebEngineProfile* m_profile;
};

// The one browser profile of the program: a disk cache and persistent cookies in the per-user
// data folder, shared by every embedded browser and, through its cookie jar, by the transfers.
class BrowserProfile final : public QObject {
    Q_OBJECT
public:
    // storageFolder holds the profile's cookies and cache; created when missing.
    explicit BrowserProfile(const QString& storageFolder, QObject* parent = nullptr);
    ~BrowserProfile() override;

    static QString defaultStorageFolder();

    QWebEngineProfile* profile() const { return m_profile; }
    SharedCookieJar* cookieJar() const { return m_jar; }
    QString storageFolder() const { return m_storageFolder; }
    // Where the profile keeps its HTTP disk cache.
    QString cacheFolder() const;

private:
    QString m_storageFolder;
    QWebEngineProfile* m_profile = nullptr;
    SharedCookieJar* m_jar = nullptr;
};
