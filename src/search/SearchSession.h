#pragma once

#include "search/ArticleList.h"

#include <QObject>
#include <QString>

#include <functional>

class Browser;
struct AppServices;

// What the search window keeps besides its widgets: the article list, the window flags that
// reach the long loops, and the procedures that fill the list from the page the browser shows
// (one page, or every page through the next-page links).
class SearchSession final : public QObject {
    Q_OBJECT
public:
    SearchSession(AppServices& app, Browser& browser, QObject* parent = nullptr);

    ArticleList& articles() { return m_articles; }
    Browser& browser() { return m_browser; }

    // True from the scripted click on a next-page link until the top-level document of the
    // next page is complete.
    bool PageLoading = false;
    // True asks a running add-all to stop.
    bool StopAddAll = false;
    // True when no analysis runs or a stop was asked for.
    bool StopAnalysis = true;

    // Shows the save-folder chooser modally; the window sets it.
    std::function<void()> showSaveFolderChooser;

    // The folder pages are added with: the chosen save folder when the chooser is shown on
    // adding (PromptSavePath 1), otherwise none.
    QString pageSaveFolder() const;
    // Reads the page shown now into the list; returns the count of the reader that found
    // anything.
    int parseShownPage(const QString& saveFolder);

    // "加入本页到列表": the chooser first when PromptSavePath is 1, then the page.
    void addThisPage();
    // "加入全部到列表": starts adding every page, or asks the running add-all to stop.
    void addAll();
    bool isAddingAll() const { return m_addingAll; }
    // Reads the page shown, then clicks its next-page link and waits for the next page. True
    // when a next page was reached (or a stop cut the wait short); false when there is no
    // next-page link, the next page did not load in time, or the link could not be clicked.
    bool 下一页();

    // The window unloads: running loops end at their next test of the flags.
    void unload();

    static bool isNextLinkText(const QString& innerText);
    static constexpr double kLoadTimeoutSeconds = 30.0;
    static constexpr double kSettleSeconds = 2.0;

signals:
    void addAllChanged(bool running);

private:
    AppServices& m_app;
    Browser& m_browser;
    ArticleList m_articles;
    bool m_addingAll = false;
};
