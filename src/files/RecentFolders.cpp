#include "files/RecentFolders.h"

#include "files/FolderPaths.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QScreen>
#include <QStyle>

void LoadRecentFolders(QComboBox* combo, const QString& file)
{
    const std::optional<QStringList> folders = ReadRecentFolders(file);
    if (!folders) {
        return;
    }
    const QString text = combo->currentText();
    combo->clear();
    combo->addItems(*folders);
    if (combo->isEditable()) {
        combo->setEditText(text);
    }
}

void SaveRecentFolders(QComboBox* combo, const QString& file)
{
    QStringList folders;
    for (int i = 0; i < combo->count(); ++i) {
        folders << combo->itemText(i);
    }
    WriteRecentFolders(folders, file);
}

void FitDropDownWidth(QComboBox* combo)
{
    QString longest;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).size() > longest.size()) {
            longest = combo->itemText(i);
        }
    }
    int width = QFontMetrics(combo->font()).horizontalAdvance(longest) + 7;
    if (combo->count() > 8) {
        width += combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, combo);
    }
    const QScreen* screen = combo->screen() ? combo->screen() : QApplication::primaryScreen();
    if (screen) {
        const int left = combo->mapToGlobal(QPoint(0, 0)).x() - screen->geometry().left();
        width = qMin(width, screen->geometry().width() - left);
    }
    combo->view()->setMinimumWidth(qMax(width, 0));
}
