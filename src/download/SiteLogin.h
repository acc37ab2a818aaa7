#pragma once

#include "download/DownloadList.h"

#include <QObject>
#include <QSet>
#include <QString>

class Browser;
class Clock;
class EventPump;
class Prompter;
class QWidget;

// Signing in to the journal site in the login panel's browser: open the login page, fill its
// account and password inputs, press its submit button. The browser shares the program's
// profile, so the session it gets reaches the search window and the downloads.
//
// The waits serve the window (transfers and ticks go on) and are measured on the Clock.
class SiteLogin final : public QObject {
    Q_OBJECT
public:
    static constexpr double kPageWaitSeconds = 10.0;
    static constexpr double kSettleSeconds = 5.0;

    static QString fieldsMissingText()
    {
        return QStringLiteral("必须先设置登录网址、登录帐号、登录密码！");
    }
    // Names of the inputs that take the account and the password, lower case.
    static bool isAccountInput(const QString& name);
    static bool isPasswordInput(const QString& name);

    SiteLogin(Browser& browser, Clock& clock, EventPump& pump, Prompter& prompter,
              QObject* parent = nullptr);

    void setOwner(QWidget* owner) { m_owner = owner; }
    // The login page's address, the account and the password as typed (trimmed here).
    void setFields(const QString& url, const QString& account, const QString& password);
    bool fieldsComplete() const { return fieldsComplete(m_url, m_account, m_password); }
    // All three given (each trimmed): what the login and the tick box "自动登录" need.
    static bool fieldsComplete(const QString& url, const QString& account, const QString& password);

    // "浏览": opens the login page and waits until it has loaded, at most ten seconds.
    // Nothing happens without an address or while the page is already being opened.
    void openLoginPage();
    // "测试登录" (messages on) and the automatic login (messages off): opens the login page,
    // fills the account and password inputs in document order and presses the first submit
    // input met after at least two were filled, then lets the result settle for five seconds.
    // A login that is already running makes a second call return at once.
    void run(bool showMessages);

    bool isRunning() const { return m_running; }
    bool isOpeningPage() const { return m_openingPage; }
    // Set before every navigation or submit; cleared when the page has completed.
    bool LoginPageLoading = false;
    // The window is going: waits in progress end now, and nothing new starts.
    void abort();

    // What the last login did, for whoever wants to know: inputs filled and whether it
    // pressed a button.
    int lastFilled() const { return m_lastFilled; }
    bool lastSubmitted() const { return m_lastSubmitted; }

signals:
    // Command2 and Command5 are disabled while their own work runs.
    void openingPageChanged(bool opening);
    void runningChanged(bool running);
    // The login page's title for status-bar panel 3 (a blank page's is not passed on).
    void pageTitleChanged(const QString& title);

private:
    void loadAndWait(const QString& url);
    // Serves the window while the browser is busy or the page is loading, at most ten
    // seconds after started.
    void waitForPage(double started);
    void fillAndSubmit();
    void setOpeningPage(bool opening);
    void setRunning(bool running);

    Browser& m_browser;
    Clock& m_clock;
    EventPump& m_pump;
    Prompter& m_prompter;
    QWidget* m_owner = nullptr;
    QString m_url;
    QString m_account;
    QString m_password;
    bool m_openingPage = false;
    bool m_running = false;
    bool m_aborted = false;
    int m_lastFilled = 0;
    bool m_lastSubmitted = false;
};

// Watches the download list for downloads that end as a web page (type htm, html or asp)
// instead of the file: the condition of the automatic login. Each row reports once per
// download; a row put back into the queue reports again when its next download ends so.
class WebPageDownloads final : public QObject {
    Q_OBJECT
public:
    explicit WebPageDownloads(DownloadList& list, QObject* parent = nullptr);

    static bool isWebPageType(const QString& type);

signals:
    void webPageDownloaded(const QString& key);

private:
    void look(int firstRow, int lastRow);

    DownloadList& m_list;
    QSet<QString> m_reported;
};
