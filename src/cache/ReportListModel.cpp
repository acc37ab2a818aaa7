#include "cache/ReportListModel.h"

#include <algorithm>

ReportListModel::ReportListModel(const QStringList& headers, QObject* parent)
    : QAbstractTableModel(parent)
    , m_headers(headers)
{
}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    return cell(index.row(), index.column());
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_headers.size()) {
        return {};
    }
    return m_headers.at(section);
}

void ReportListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_headers.size()) {
        return;
    }
    const bool numeric = column == m_numericColumn;
    const auto less = [column, numeric](const QStringList& a, const QStringList& b) {
        const QString& x = a.value(column);
        const QString& y = b.value(column);
        if (numeric) {
            if (x.isEmpty() || y.isEmpty()) {
                return x.isEmpty() && !y.isEmpty();
            }
            return x.toLongLong() < y.toLongLong();
        }
        return x.compare(y, Qt::CaseInsensitive) < 0;
    };
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> permutation(m_rows.size());
    for (int i = 0; i < permutation.size(); ++i) {
        permutation[i] = i;
    }
    std::stable_sort(permutation.begin(), permutation.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? less(m_rows.at(a), m_rows.at(b))
                                           : less(m_rows.at(b), m_rows.at(a));
    });
    QList<QStringList> sorted;
    QList<int> newRowOf(m_rows.size());
    for (int i = 0; i < permutation.size(); ++i) {
        sorted.append(m_rows.at(permutation.at(i)));
        newRowOf[permutation.at(i)] = i;
    }
    m_rows = sorted;
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        after.append(this->index(newRowOf.at(index.row()), index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ReportListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ReportListModel::appendRow(const QStringList& cells)
{
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    QStringList padded = cells;
    while (padded.size() < m_headers.size()) {
        padded.append(QString());
    }
    m_rows.append(padded);
    endInsertRows();
}

void ReportListModel::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_headers.size()) {
        return;
    }
    m_rows[row][column] = text;
    emit dataChanged(index(row, column), index(row, column));
}

QString ReportListModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size()) {
        return {};
    }
    return m_rows.at(row).value(column);
}
