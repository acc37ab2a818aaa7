#pragma once

#include <QString>
#include <QUrl>

// The configured web addresses of the program, in one place: the journal site and the
// maker's pages. The defaults name the sample journal site that the run command starts on
// this machine, so the program can be tried offline; a build for the real site changes
// siteBase (or each address) here.
struct AppConfig {
    static constexpr quint16 kSampleSitePort = 8765;

    static QString defaultSiteBase()
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(kSampleSitePort);
    }

    // Every address below derives from these two bases.
    static AppConfig forBases(const QString& journalBase, const QString& makerBase)
    {
        AppConfig config;
        config.journalHomePage = journalBase + QStringLiteral("/");
        config.makerWebSite = makerBase + QStringLiteral("/maker/");
        config.makerDownloadPage = makerBase + QStringLiteral("/maker/download.html");
        config.makerTutorialPage = makerBase + QStringLiteral("/maker/tutorial.html");
        config.makerCustomPage = makerBase + QStringLiteral("/maker/custom.html");
        config.versionManifestUrl = makerBase + QStringLiteral("/maker/latest-version.txt");
        return config;
    }

    static AppConfig defaults() { return forBases(defaultSiteBase(), defaultSiteBase()); }

    // Default of the setting "首页网址" (the journal's home page).
    QString journalHomePage;
    QString makerWebSite;
    QString makerDownloadPage;
    QString makerTutorialPage;
    QString makerCustomPage;
    QString versionManifestUrl;
    QString makerContactMail = QStringLiteral("support@qelvo.example");
};
