#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QTimer;
class uXMLHTTP;
struct UiServices;

// The start-up steps that other parts of the program attach to the launcher.
struct StartupSteps {
    std::function<void()> identifyOs;
    std::function<void()> setBrowserEmulation;
};

// The launcher: shows the version, runs the start-up steps, then offers the search window
// and the end of the program. Closing it ends the program.
class fCover final : public QWidget {
    Q_OBJECT
public:
    fCover(UiServices& ui, StartupSteps steps, std::function<void()> endProgram,
           QWidget* parent = nullptr);
    ~fCover() override;

    // The start-up sequence: caption, version, show, the attached steps, then Timer1.
    void load();
    // Asks the maker's site for the latest version (runs once, from the deferred step). The
    // answer comes later, whether the launcher is shown or hidden by then.
    void CheckLatestVersion();
    // The trimmed answer of the maker's site; empty until one arrives.
    QString latestVersion() const { return m_latestVersion; }

    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QTimer* Timer1 = nullptr;
    uXMLHTTP* uXMLHTTP2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onTimer1();
    void onCommand1();
    void endProgram();
    void onLatestVersionArrived();
    void onLatestVersionFailed();

    UiServices& m_ui;
    StartupSteps m_steps;
    std::function<void()> m_endProgram;
    bool m_ending = false;
    QString m_latestVersion;
};
