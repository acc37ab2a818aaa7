#include "app/ListHelpers.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

QHeaderView* reportHeader(QAbstractItemView* list)
{
    if (auto* tree = qobject_cast<QTreeView*>(list)) {
        return tree->header();
    }
    if (auto* table = qobject_cast<QTableView*>(list)) {
        return table->horizontalHeader();
    }
    return nullptr;
}

int contentWidth(QAbstractItemView* list, int section)
{
    list->ensurePolished();
    return list->sizeHintForColumn(section);
}

} // namespace

void SetColumnWidth(QAbstractItemView* list, int column, int width)
{
    QHeaderView* header = list ? reportHeader(list) : nullptr;
    if (!header || column < 1 || column > header->count()) {
        return;
    }
    const int section = column - 1;
    int pixels = width;
    if (width == kAutoSizeToContents || width == kAutoSizeUseHeader) {
        pixels = contentWidth(list, section);
        if (width == kAutoSizeUseHeader) {
            pixels = qMax(pixels, header->sectionSizeHint(section));
        }
    }
    if (pixels >= 0) {
        header->resizeSection(section, pixels);
    }
}

void AutoSizeColumns(QAbstractItemView* list, int width)
{
    QHeaderView* header = list ? reportHeader(list) : nullptr;
    if (!header) {
        return;
    }
    for (int column = 1; column <= header->count(); ++column) {
        SetColumnWidth(list, column, width);
    }
}

QColor stripeColor() { return QColor(231, 248, 237); }

RowHeightDelegate::RowHeightDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QSize RowHeightDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (m_rowHeight > 0) {
        size.setHeight(m_rowHeight);
    }
    return size;
}

int StripeListBackground(QAbstractItemView* list, bool tallRows, int rowHeightPixels)
{
    if (!list) {
        return 0;
    }
    // The height of a line of text in the list's font, plus one pixel.
    int height = QFontMetrics(list->font()).height() + 1;
    if (tallRows) {
        height += 4;
    }
    if (rowHeightPixels > 0) {
        height = rowHeightPixels;
    }
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, stripeColor());
    palette.setColor(QPalette::AlternateBase, Qt::white);
    list->setPalette(palette);
    list->setAlternatingRowColors(true);

    auto* delegate = qobject_cast<RowHeightDelegate*>(list->itemDelegate());
    if (!delegate) {
        delegate = new RowHeightDelegate(list);
        list->setItemDelegate(delegate);
    }
    delegate->setRowHeight(height);
    if (auto* tree = qobject_cast<QTreeView*>(list)) {
        tree->setUniformRowHeights(true);
        tree->doItemsLayout();
    } else if (auto* table = qobject_cast<QTableView*>(list)) {
        table->verticalHeader()->setDefaultSectionSize(height);
    }
    return height;
}
