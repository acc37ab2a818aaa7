#pragma once

#include "platform/Prompter.h"

// Prompter over QMessageBox and QInputDialog, captioned with the application title.
class MessageBoxPrompter final : public Prompter {
public:
    explicit MessageBoxPrompter(QString caption);

    void message(const QString& text, Icon icon, QWidget* owner = nullptr) override;
    bool question(const QString& text, Icon icon, QWidget* owner = nullptr) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText = QString(),
                                 QWidget* owner = nullptr) override;

private:
    QString m_caption;
};
