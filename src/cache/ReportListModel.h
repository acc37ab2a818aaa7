#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The rows of one report list of the cache viewer: texts under fixed column headers. A
// column may be marked as holding sizes, which then sort by number.
class ReportListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportListModel(const QStringList& headers, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Sorts by the column's text (letter case ignored), or by number for the size column,
    // where an empty text comes before every number. Rows that compare equal keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void setNumericColumn(int column) { m_numericColumn = column; }
    void clear();
    void appendRow(const QStringList& cells);
    void setCell(int row, int column, const QString& text);
    QString cell(int row, int column) const;
    const QList<QStringList>& rows() const { return m_rows; }

private:
    QStringList m_headers;
    QList<QStringList> m_rows;
    int m_numericColumn = -1;
};
