#pragma once

#include <QFrame>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SiteLogin;
class WebEngineBrowser;
struct UiServices;

// The site login panel of the download window, laid over its list: the login page's address,
// account and password, the buttons that open the page and log in, the automatic login and
// refresh options, and a browser on the program's browser profile (so the session it gets is
// the search window's and the downloads' too).
//
// The browser is made the first time the panel needs it (silent, on a blank page), so a
// window that never signs in does not start a page of the browser engine.
class PicWebBK final : public QFrame {
    Q_OBJECT
public:
    explicit PicWebBK(UiServices& ui, QWidget* parent = nullptr);
    ~PicWebBK() override;

    static QString loginConditionText()
    {
        return QStringLiteral("下载到网页文件(htm/html/asp)文件");
    }

    // "网页登录": shows the panel in front; with neither automatic option ticked it opens the
    // given address (the selected row's URL), when there is one.
    void showPanel(const QString& selectedUrl);
    // "浏览", "测试登录", "关闭(隐藏)".
    void Command2_Click();
    void Command5_Click();
    void Command3_Click();
    // The automatic login after a download that delivered a web page: runs once, silently,
    // unless "自动登录" is off or a login is running; waits for the caller's command to end.
    void loginAfterWebPage();
    // Timer2: the page shown is loaded again.
    void refreshTick();
    // The window is closing: waits end now.
    void abort();
    // A login or the opening of its page is waiting (serving the window meanwhile).
    bool isWorking() const;

    SiteLogin& login();
    WebEngineBrowser& browser();
    bool hasBrowser() const { return m_browser != nullptr; }

    QLabel* Label6 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command5 = nullptr;
    QCheckBox* Check2 = nullptr;
    QLabel* Label11 = nullptr;
    QComboBox* Combo3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* Command3 = nullptr;

signals:
    // The login page's title, for status-bar panel 3.
    void pageTitleChanged(const QString& title);
    // "自动刷新(每分钟)" ticked or cleared: Timer2 follows.
    void autoRefreshToggled(bool on);
    void workingChanged(bool working);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureBrowser();
    void updateFields();
    void layoutBrowser();

    UiServices& m_ui;
    QWidget* m_fields = nullptr;
    std::unique_ptr<WebEngineBrowser> m_browser;
    std::unique_ptr<SiteLogin> m_login;
    bool m_aborted = false;
};
