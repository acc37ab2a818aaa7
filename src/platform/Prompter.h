#pragma once

#include <QString>

#include <optional>

class QWidget;

// Message, question and input boxes. Every box carries the application title as its caption
// unless the caller names another one.
class Prompter {
public:
    enum class Icon { None, Information, Question, Warning, Critical };

    virtual ~Prompter() = default;
    // An OK box.
    virtual void message(const QString& text, Icon icon, QWidget* owner = nullptr) = 0;
    // A Yes/No box; true for Yes.
    virtual bool question(const QString& text, Icon icon, QWidget* owner = nullptr) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText = QString(),
                                         QWidget* owner = nullptr) = 0;
};
