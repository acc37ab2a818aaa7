#pragma once

#include <QSet>
#include <QString>

#include <functional>

class DownloadListHost;
class SearchSession;
struct AppServices;
struct ArticleEntry;

// Which entries a run of the analysis takes.
enum class AnalysisSelection {
    Unanalysed, // "分析未分析项": entries not analysed yet
    Failed, // "分析失败项": entries whose analysis failed (their status is reset first)
    Selected, // "分析选中项": the selected rows (status reset)
    All, // "分析全部": every row (status reset)
};

// What a run shows while it works: the search window's progress panel and status bar.
class AnalysisView {
public:
    virtual ~AnalysisView() = default;
    // The progress panel comes up in front with this text.
    virtual void showProgressPanel(const QString& text) = 0;
    // The row at hand; the user must be able to read every one while the loop runs.
    virtual void showProgress(const QString& text) = 0;
    virtual void hideProgressPanel() = 0;
    // Status-bar panel 3.
    virtual void showSummary(const QString& text) = 0;
};

// The analysis of the article list: for every entry a run takes, the PDF address is worked out
// from the entry's link and handed to the download window's list; the entry's status records
// the outcome. The loop lets pending events run after every entry, so Stop (the session's
// StopAnalysis flag), scrolling and browsing go on meanwhile; it ends after the entry at hand.
class EntryAnalysis {
public:
    // downloadWindow loads the download window (without showing it) and gives its face for
    // hand-offs; nothing when there is none.
    EntryAnalysis(SearchSession& session, AppServices& app, AnalysisView& view,
                  std::function<DownloadListHost*()> downloadWindow);

    // The four commands of the analyse menu. Each returns the number of entries handed over.
    int AnalyseUnanalysed() { return run(AnalysisSelection::Unanalysed); }
    int AnalyseFailed() { return run(AnalysisSelection::Failed); }
    int AnalyseSelected(const QSet<QString>& selectedKeys)
    {
        return run(AnalysisSelection::Selected, selectedKeys);
    }
    int AnalyseAll() { return run(AnalysisSelection::All); }
    int run(AnalysisSelection selection, const QSet<QString>& selectedKeys = {});
    bool isRunning() const { return m_running; }

    // Works out the entry's PDF and hands it to the download list; true when it was handed.
    bool AnalyseEntry(const ArticleEntry& entry);
    // Brings the download window forward (creating it when needed).
    void 显示下载窗口();

    static QString waitText() { return QStringLiteral("正在分析,请稍候..."); }
    static QString progressText(int row, int rows, const QString& title);
    static QString summaryText(int succeeded);
    static QString succeededStatus() { return QStringLiteral("成功"); }
    static QString failedStatus() { return QStringLiteral("分析失败"); }

private:
    void analyseRows(AnalysisSelection selection, const QSet<QString>& selectedKeys,
                     int& succeeded);

    SearchSession& m_session;
    AppServices& m_app;
    AnalysisView& m_view;
    std::function<DownloadListHost*()> m_downloadWindow;
    bool m_running = false;
};
