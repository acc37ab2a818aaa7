#pragma once

#include "search/SearchMenus.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QPushButton;
class QStatusBar;
class QTreeView;
class SearchSession;
class SplitterBar;
class WebEngineBrowser;
struct UiServices;

// The search window: the embedded browser over the journal site above, the article list with
// the buttons that fill it below, and a draggable bar between them.
class fWebSearch final : public QMainWindow {
    Q_OBJECT
public:
    explicit fWebSearch(UiServices& ui, QWidget* parent = nullptr);
    ~fWebSearch() override;

    SearchSession& session() { return *m_session; }
    WebEngineBrowser& browser() { return *m_browser; }

    // "打开ZORV首页".
    void openHomePage();
    // "打开指定网址...".
    void openGivenUrl();
    // Lays out the panels for the window's size (and snaps the splitter into range).
    void arrange();

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
    // Commands that run loops keep the window alive until they return.
    void enterCommand();
    void leaveCommand();

    UiServices& m_ui;
    std::unique_ptr<WebEngineBrowser> m_browser;
    std::unique_ptr<SearchSession> m_session;
    QWidget* m_buttonRow = nullptr;
    QLabel* m_panels[3] = {nullptr, nullptr, nullptr};
    int m_splitterTop = -1; // twips; out of range until the first layout snaps it
    bool m_ready = false; // every control is there
    bool m_shownOnce = false;
    int m_runningCommands = 0;
    bool m_deleteWhenIdle = false;
};
