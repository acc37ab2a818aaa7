#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct UiServices;

// The save-folder chooser: the folder the articles are saved to (made when missing, kept in
// the settings and the recent-folder file) and whether files are named after the URL or the
// article title. It sets the shared SaveFolder, NameFromUrl and SaveFolderCancelled; closing it
// with the window's close box sets none of them.
class fSeleFileSavePath final : public QDialog {
    Q_OBJECT
public:
    explicit fSeleFileSavePath(UiServices& ui, QWidget* parent = nullptr);

    // Shows the chooser modally (it is created for each show).
    static void showModal(UiServices& ui, QWidget* parent);

    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;

    // "...": the folder picker, starting from the folder box.
    void browse();
    // "确定": makes the folder and, when it exists, keeps it and closes.
    void confirm();
    // "取消".
    void cancel();

private:
    void load();
    QString recentFolderFile() const;

    UiServices& m_ui;
};
