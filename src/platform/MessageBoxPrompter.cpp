#include "platform/MessageBoxPrompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon toBoxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QWidget* ownerOrActive(QWidget* owner) { return owner ? owner : QApplication::activeWindow(); }

} // namespace

MessageBoxPrompter::MessageBoxPrompter(QString caption)
    : m_caption(std::move(caption))
{
}

void MessageBoxPrompter::message(const QString& text, Icon icon, QWidget* owner)
{
    QMessageBox box(toBoxIcon(icon), m_caption, text, QMessageBox::Ok, ownerOrActive(owner));
    box.exec();
}

bool MessageBoxPrompter::question(const QString& text, Icon icon, QWidget* owner)
{
    QMessageBox box(toBoxIcon(icon), m_caption, text, QMessageBox::Yes | QMessageBox::No,
                    ownerOrActive(owner));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxPrompter::input(const QString& prompt, const QString& title,
                                                 const QString& defaultText, QWidget* owner)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(ownerOrActive(owner), title.isEmpty() ? m_caption : title, prompt,
                              QLineEdit::Normal, defaultText, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
}
