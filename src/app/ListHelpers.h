#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

// Width codes of the list helpers besides plain pixel widths.
constexpr int kAutoSizeToContents = -1;
constexpr int kAutoSizeUseHeader = -2;

// Sets the width of column (1-based) of a report-view list; does nothing for other views or
// for a column outside 1..count. kAutoSizeUseHeader fits the wider of header and contents.
void SetColumnWidth(QAbstractItemView* list, int column, int width);
// SetColumnWidth for every column of the list.
void AutoSizeColumns(QAbstractItemView* list, int width);

// Gives a report-view list rows of one height and stripes: light green on the first row of
// every pair, white on the second. With rowHeightPixels above 0 the rows are that high,
// otherwise as high as the list's font plus one pixel (and four more with tallRows).
// Returns the row height in pixels.
int StripeListBackground(QAbstractItemView* list, bool tallRows, int rowHeightPixels);

// The colour of the first row of every pair.
QColor stripeColor();

// Delegate that gives every row the same height; the list helpers install it.
class RowHeightDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RowHeightDelegate(QObject* parent = nullptr);
    void setRowHeight(int pixels) { m_rowHeight = pixels; }
    int rowHeight() const { return m_rowHeight; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_rowHeight = 0;
};
