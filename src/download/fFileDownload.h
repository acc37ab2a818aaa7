#pragma once

#include "app/DownloadMethodView.h"
#include "download/DownloadList.h"
#include "download/DownloadListHost.h"

#include <QMainWindow>
#include <QSet>

#include <functional>
#include <memory>

class DownloadListCommands;
class DownloadListDecorations;
class DownloadMenus;
class DownloadScheduler;
class Inet;
class Method2Slots;
class PicWebBK;
class WebPageDownloads;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;
class QTreeView;
struct UiServices;

// The download window: the download list with its states and progress, the controls of the
// scheduler, the list commands in the menus and over the list, the status bar, and the site
// login panel laid over the list. It holds no procedure of its own: the scheduler runs the
// ticks and transfers, the list commands act on the rows the view has selected.
//
// Other windows create it through the window directory ("fFileDownload"), add rows to
// downloadList() and show it; the rows live as long as the window.
class fFileDownload final : public QMainWindow, public DownloadMethodView, public DownloadListHost {
    Q_OBJECT
public:
    explicit fFileDownload(UiServices& ui, QWidget* parent = nullptr);
    ~fFileDownload() override;

    DownloadList& downloadList() override { return m_list; }
    // The search window handed rows over: the list repainted, the window brought forward
    // (shown when hidden, maximised when minimised) with its record count.
    void showForHandOff() override;
    DownloadScheduler& scheduler() { return *m_scheduler; }
    DownloadListCommands& commands() { return *m_commands; }
    // Label1 reads "记录数：" & the row count (the window does this when it is activated and
    // after every removal; a caller that added rows while it is shown calls it too).
    void showRecordCount();

    // The options dialog's seam.
    void showDownloadMethod(int method) override;

    // The keys of the selected rows, and the row the single-row commands act on (the
    // current row when it is selected, else the first selected one; empty when none is).
    QSet<QString> selectedKeys() const;
    QString selectedKey() const;

    // User actions, as the buttons, menus and list deliver them.
    void Command4_Click();
    void Command31_Click();
    void Command26_Click();
    // "网页登录": the login panel over the list.
    void Command1_Click();
    void ListView3_ColumnClick(int column);
    void ListView3_DblClick(const QModelIndex& index);
    void ListView3_ItemClick(const QModelIndex& index);
    // Right click over the list at pos (in the list's viewport).
    void ListView3_RightClick(const QPoint& pos);
    // A click on status-bar panel 1 to 4.
    void StatusBar1_PanelClick(int panel);

    // Top panel
    QFrame* Picture3 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Command26 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLabel* Label8 = nullptr;
    QFrame* Picture1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QComboBox* Combo4 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command31 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Shape1 = nullptr;
    // The list, the login panel over it and the status bar (panel k is StatusPanels[k - 1])
    QTreeView* ListView3 = nullptr;
    PicWebBK* WebLoginPanel = nullptr; // objectName "PicWebBK"

    QStatusBar* StatusBar1 = nullptr;
    QList<QLabel*> StatusPanels;
    // Timers
    QTimer* Timer1 = nullptr;
    QTimer* Timer_Down = nullptr;
    QTimer* Timer2 = nullptr;
    // The HTTP client of method 1
    Inet* Inet1 = nullptr;
    DownloadMenus* menus = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTopPanel(QWidget* central);
    void buildList(QWidget* central);
    void buildStatusBar();
    void connectMenus();
    void bindScheduler();
    void loadSettings();
    void layoutControls();
    bool busyForClose() const;
    void timerDownTick();
    // Runs a command that serves the window while it works (a scheduler tick with a transfer
    // inside); a close that arrives meanwhile deletes the window only after it returned.
    void runNested(const std::function<void()>& work);
    bool commandInProgress() const;
    void deleteIfPending();
    void bindLoginPanel();

    UiServices& m_ui;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    std::unique_ptr<Inet> m_inet;
    DownloadList m_list;
    DownloadListDecorations* m_decorations = nullptr;
    std::unique_ptr<DownloadScheduler> m_scheduler;
    // Goes before the scheduler it serves.
    std::unique_ptr<Method2Slots> m_method2;
    std::unique_ptr<DownloadListCommands> m_commands;
    WebPageDownloads* m_webPages = nullptr;
    bool m_autoLoginQueued = false;
    int m_nested = 0;
    bool m_deletePending = false;
    bool m_inSupervisorTick = false;
};
