#pragma once

#include "platform/Browser.h"

#include <QPointer>
#include <QVariant>
#include <QWebEngineView>

#include <optional>

class BrowserProfile;
class QWebEnginePage;
class QWidget;

// The embedded browser over a QWebEngineView. Every instance uses the program's one browser
// profile, so cookies (a login) and the disk cache are shared by all embedded browsers and the
// transfers.
//
// The document is read through scripts that run in a world of their own, apart from the
// page's scripts: each element list is one script run that returns every element's properties
// at once, so a page with thousands of links is read in one round trip. The program waits for
// a script's answer while serving the event loop (without user input) for at most
// scriptTimeout(); a page that does not answer in time reads as empty.
class WebEngineBrowser final : public Browser {
    Q_OBJECT
public:
    // profile: the program's browser profile; nullptr uses the engine's default profile.
    // The view is created as a child of parentWidget; the browser owns it.
    explicit WebEngineBrowser(BrowserProfile* profile, QWidget* parentWidget = nullptr,
                              QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    QWebEngineView* view() const { return m_view; }
    QWebEnginePage* page() const;

    void setScriptTimeout(int milliseconds) { m_scriptTimeoutMs = milliseconds; }
    int scriptTimeout() const { return m_scriptTimeoutMs; }

    void setSilent(bool silent) override;
    bool isSilent() const override { return m_silent; }
    void navigate(const QString& url) override;
    void goBack() override;
    void goForward() override;
    void refresh() override;
    bool isBusy() const override { return m_busy; }
    QString locationUrl() const override;
    QString title() const override;
    std::shared_ptr<Document> document() override;

    // Runs a script in the program's own world and waits for its result (bounded); nothing
    // when the page did not answer in time or has gone.
    std::optional<QVariant> evaluate(const QString& script);
    // Runs a script without waiting for it.
    void post(const QString& script);
    // A number no element list of this browser has used yet.
    quint64 nextListId() { return ++m_lastListId; }

private:
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void setBusy(bool busy);

    QPointer<QWebEngineView> m_view;
    bool m_silent = false;
    bool m_busy = false;
    int m_scriptTimeoutMs = 15000;
    quint64 m_lastListId = 0;
};
