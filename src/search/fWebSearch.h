#pragma once

#include "search/EntryAnalysis.h"
#include "search/SearchMenus.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QSet>

#include <functional>
#include <memory>

class ArticleListCommands;
class DownloadListHost;
class QLabel;
class QPushButton;
class QStatusBar;
class QTreeView;
class SearchSession;
class SplitterBar;
class WebEngineBrowser;
struct UiServices;

// The search window: the embedded browser over the journal site above, the article list with
// the buttons that fill, analyse and export it below, and a draggable bar between them.
class fWebSearch final : public QMainWindow, private AnalysisView {
    Q_OBJECT
public:
    explicit fWebSearch(UiServices& ui, QWidget* parent = nullptr);
    ~fWebSearch() override;

    SearchSession& session() { return *m_session; }
    WebEngineBrowser& browser() { return *m_browser; }
    ArticleListCommands& commands() { return *m_commands; }
    EntryAnalysis& analysis() { return *m_analysis; }

    // "打开ZORV首页".
    void openHomePage();
    // "打开指定网址...".
    void openGivenUrl();
    // Lays out the panels for the window's size (and snaps the splitter into range).
    void arrange();
    // "分析下载": the analyse menu at the mouse when rows are selected, else every row.
    void Command2_Click();
    // "导出数据...": the list to a text file chosen in the file-save dialog.
    void Command7_Click();
    // The keys of the selected rows of the article list.
    QSet<QString> selectedKeys() const;
    // The download window, loaded (not shown) when needed; nothing when there is none.
    DownloadListHost* downloadWindow();

    QWidget* PicPanWeb = nullptr;
    QWidget* WebBrowser1 = nullptr;
    SplitterBar* PicBar = nullptr;
    QWidget* PicPanList = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command7 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QTreeView* ListView1 = nullptr;
    QWidget* PicPanPrograss = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* Command5 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // The status bar's panels 1 to 3.
    QLabel* statusPanel(int number) const;
    SearchMenus menus;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // "查看IE浏览器缓存" and "清空IE浏览器缓存".
    void viewBrowserCache();
    void clearBrowserCache();

private:
    void buildPanels();
    void buildStatusBar();
    void connectMenus();
    void connectBrowser();
    void arrangeListPanel();
    void arrangeWebPanel();
    void onCommand9();
    void onCommand4();
    void showAddAllState(bool running);
    void refreshCount();
    void showSaveFolderChooser();
    void connectListCommands();
    void runAnalysis(AnalysisSelection selection);
    // Runs a removal with the list's painting held until it is done.
    void runClear(const std::function<void()>& clear);

    // The progress panel, as the analysis drives it.
    void showProgressPanel(const QString& text) override;
    void showProgress(const QString& text) override;
    void hideProgressPanel() override;
    void showSummary(const QString& text) override;
    // Commands that run loops keep the window alive until they return.
    void enterCommand();
    void leaveCommand();

    UiServices& m_ui;
    std::unique_ptr<WebEngineBrowser> m_browser;
    std::unique_ptr<SearchSession> m_session;
    std::unique_ptr<ArticleListCommands> m_commands;
    std::unique_ptr<EntryAnalysis> m_analysis;
    QElapsedTimer m_progressPainted; // when Label11 was last painted by the analysis
    QWidget* m_buttonRow = nullptr;
    QLabel* m_panels[3] = {nullptr, nullptr, nullptr};
    int m_splitterTop = -1; // twips; out of range until the first layout snaps it
    bool m_ready = false; // every control is there
    bool m_shownOnce = false;
    int m_runningCommands = 0;
    bool m_deleteWhenIdle = false;
};
