#pragma once

#include "files/CopyEngine.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
struct AppServices;

// The dialog that copies, or moves, a list of files into one folder, doing what the chosen
// option says when a file of the same name is there. It remembers the folder and the option,
// and offers the recent folders.
class Form_Copy_Move final : public QDialog {
    Q_OBJECT
public:
    explicit Form_Copy_Move(AppServices& app, bool isMove = false, QWidget* parent = nullptr);

    // The full paths of the files to handle; emptied when the dialog closes.
    QStringList SourceFiles;
    // False: copy; true: move (copy, then delete the source).
    bool IsMove = false;

    // The start/stop button's work; showMessages reports the end of a run.
    void 执行(bool showMessages);

    int optionIndex() const { return m_optionIndex; }
    QString destFolder() const { return m_destFolder; }
    bool copyRunning() const { return m_run.running(); }

    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command3 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QList<QRadioButton*> Option1; // Option1(1) to Option1(5) at 0 to 4
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

    void done(int result) override;

private:
    void buildControls();
    void load();
    void browse();
    void selectOption(int index);

    AppServices& m_app;
    QString m_destFolder;
    int m_optionIndex = 0;
    CopyRun m_run;
    bool m_closeAfterRun = false;
};
