#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's title, version and the running system.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    frmAbout(const QString& osName, QWidget* parent = nullptr);

    static void showModal(const QString& osName, QWidget* parent);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblSystem = nullptr;
    QPushButton* cmdOK = nullptr;
};
