#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;
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
    // Asks the maker's site for the latest version (runs once, from the deferred step).
    void CheckLatestVersion();

    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onTimer1();
    void onCommand1();
    void endProgram();

    UiServices& m_ui;
    StartupSteps m_steps;
    std::function<void()> m_endProgram;
    bool m_ending = false;
};
