#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct UiServices;

// The options dialog: transfer method, proxy of method 1, when the save-folder chooser is
// shown, and the journal's home page.
class fOption final : public QDialog {
    Q_OBJECT
public:
    explicit fOption(UiServices& ui, QWidget* parent = nullptr);

    // Shows the dialog modally (it is created for each show).
    static void showModal(UiServices& ui, QWidget* parent);

    QLabel* Label1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* Text8 = nullptr;
    QLabel* Label10 = nullptr;
    QCheckBox* Check2 = nullptr;
    QLabel* Label16 = nullptr;
    QLineEdit* Text9 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

    // "确定": stores the settings in order and closes.
    void confirm();

private:
    void loadValues();

    UiServices& m_ui;
};
