#pragma once

#include <QMainWindow>

struct UiServices;

// The search window: the embedded browser over the journal site and the article list.
class fWebSearch final : public QMainWindow {
    Q_OBJECT
public:
    explicit fWebSearch(UiServices& ui, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    UiServices& m_ui;
};
