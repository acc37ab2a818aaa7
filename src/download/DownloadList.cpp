#include "download/DownloadList.h"

#include "net/HttpHelpers.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString& cell(const DownloadItem& item, int column)
{
    switch (column) {
    case DownloadList::Name:
        return item.text;
    case DownloadList::Type:
        return item.type;
    case DownloadList::Size:
        return item.size;
    case DownloadList::Downloaded:
        return item.downloaded;
    case DownloadList::Percentage:
        return item.percentage;
    default:
        return item.folder;
    }
}

bool isNumberColumn(int column)
{
    return column == DownloadList::Size || column == DownloadList::Downloaded
        || column == DownloadList::Percentage;
}

// The number a byte or percentage cell holds, if it holds one.
std::optional<qint64> cellNumber(const DownloadItem& item, int column)
{
    if (!isNumberColumn(column)) {
        return std::nullopt;
    }
    QString text = cell(item, column).trimmed();
    if (column == DownloadList::Percentage) {
        text.remove(u'%');
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

// The text a cell sorts by: numbers as twelve zero-padded digits, so that they order by value
// among themselves and as text against the status words.
QString sortText(const DownloadItem& item, int column)
{
    if (const auto number = cellNumber(item, column); number && *number >= 0) {
        return u"%1"_s.arg(*number, 12, 10, QLatin1Char('0'));
    }
    return cell(item, column);
}

} // namespace

DownloadList::DownloadList(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int DownloadList::designWidth(int column)
{
    static constexpr std::array<int, ColumnCount> widths{200, 67, 73, 73, 73, 400};
    return column >= 0 && column < ColumnCount ? widths[static_cast<size_t>(column)] : 0;
}

QString DownloadList::caption(int column)
{
    switch (column) {
    case Name:
        return u"名称"_s;
    case Type:
        return u"类型"_s;
    case Size:
        return u"文件大小"_s;
    case Downloaded:
        return u"已下载数"_s;
    case Percentage:
        return u"百分比"_s;
    case Folder:
        return u"保存路径"_s;
    default:
        return {};
    }
}

QString DownloadList::toolTip() { return u"双击鼠标：下载当前项或者打开文件"_s; }

int DownloadList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int DownloadList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DownloadList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size()) {
        return {};
    }
    const DownloadItem& item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cell(item, index.column());
    case Qt::TextAlignmentRole:
        return headerData(index.column(), Qt::Horizontal, role);
    case StateRole:
        return static_cast<int>(item.state);
    case KeyRole:
        return item.key;
    case TagRole:
        return item.tag;
    case SortRole:
        if (const auto number = cellNumber(item, index.column())) {
            return *number;
        }
        return cell(item, index.column());
    default:
        return {};
    }
}

QVariant DownloadList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return caption(section);
    }
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment horizontal = isNumberColumn(section) ? Qt::AlignRight : Qt::AlignLeft;
        return int(horizontal | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags DownloadList::flags(const QModelIndex& index) const
{
    // Names are never edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool DownloadList::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_items.size()) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    for (int i = row; i < row + count; ++i) {
        m_rowOfKey.remove(m_items.at(i).key);
    }
    m_items.remove(row, count);
    reindexFrom(row);
    endRemoveRows();
    return true;
}

void DownloadList::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount || m_items.size() < 2) {
        return;
    }
    QList<QString> keysOfRows(m_items.size());
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        keysOfRows[i] = sortText(m_items.at(i), column);
    }
    QList<int> order_(m_items.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        const int compared =
            QString::compare(keysOfRows.at(a), keysOfRows.at(b), Qt::CaseInsensitive);
        return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
    });

    reorderRows(order_, QAbstractItemModel::VerticalSortHint);
}

bool DownloadList::reorder(const QList<int>& oldRows)
{
    return reorderRows(oldRows, QAbstractItemModel::NoLayoutChangeHint);
}

bool DownloadList::reorderRows(const QList<int>& oldRows, LayoutChangeHint hint)
{
    if (oldRows.size() != m_items.size()) {
        return false;
    }
    QList<int> newRowOf(m_items.size(), -1);
    for (qsizetype i = 0; i < oldRows.size(); ++i) {
        const int old = oldRows.at(i);
        if (old < 0 || old >= m_items.size() || newRowOf.at(old) >= 0) {
            return false;
        }
        newRowOf[old] = static_cast<int>(i);
    }
    emit layoutAboutToBeChanged({}, hint);
    QList<DownloadItem> reordered;
    reordered.reserve(m_items.size());
    for (const int old : oldRows) {
        reordered.append(std::move(m_items[old]));
    }
    m_items = std::move(reordered);
    reindexFrom(0);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        to.append(this->index(newRowOf.at(index.row()), index.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, hint);
    return true;
}

bool DownloadList::addItem(const QString& key, const QString& text, const QString& type,
                           const QString& folder, const QString& tag)
{
    DownloadItem item;
    item.key = key;
    item.text = text;
    item.type = type;
    item.folder = folder;
    item.tag = tag;
    item.state = DownloadState::Waiting;
    return appendItem(item);
}

bool DownloadList::appendItem(const DownloadItem& item)
{
    if (item.key.isEmpty() || m_rowOfKey.contains(item.key)) {
        return false;
    }
    const int row = static_cast<int>(m_items.size());
    beginInsertRows(QModelIndex(), row, row);
    m_items.append(item);
    m_rowOfKey.insert(item.key, row);
    endInsertRows();
    return true;
}

QString DownloadList::keyAt(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row).key : QString();
}

DownloadItem DownloadList::item(const QString& key) const
{
    const int row = rowOf(key);
    return row < 0 ? DownloadItem{} : m_items.at(row);
}

QStringList DownloadList::keys() const
{
    QStringList all;
    all.reserve(m_items.size());
    for (const DownloadItem& item : m_items) {
        all.append(item.key);
    }
    return all;
}

bool DownloadList::removeItem(const QString& key)
{
    const int row = rowOf(key);
    return row >= 0 && removeRows(row, 1);
}

int DownloadList::removeRowsWhere(const std::function<bool(const DownloadItem&)>& accepts)
{
    // Above this many runs, one reset costs less than removals that each renumber the rows
    // after them and each make the views relayout.
    constexpr qsizetype kMostRuns = 64;
    QList<QPair<int, int>> runs; // first row, row count
    int removed = 0;
    for (int row = 0; row < m_items.size(); ++row) {
        if (!accepts(m_items.at(row))) {
            continue;
        }
        ++removed;
        if (!runs.isEmpty() && runs.last().first + runs.last().second == row) {
            ++runs.last().second;
        } else {
            runs.append({row, 1});
        }
    }
    if (runs.size() <= kMostRuns) {
        for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
            removeRows(run->first, run->second);
        }
        return removed;
    }
    beginResetModel();
    QList<DownloadItem> kept;
    kept.reserve(m_items.size() - removed);
    for (DownloadItem& item : m_items) {
        if (!accepts(item)) {
            kept.append(std::move(item));
        }
    }
    m_items = std::move(kept);
    m_rowOfKey.clear();
    reindexFrom(0);
    endResetModel();
    return removed;
}

void DownloadList::clear()
{
    if (m_items.isEmpty()) {
        return;
    }
    beginResetModel();
    m_items.clear();
    m_rowOfKey.clear();
    endResetModel();
}

void DownloadList::changeRow(const QString& key, int firstColumn, int lastColumn,
                             const std::function<void(DownloadItem&)>& change)
{
    const int row = rowOf(key);
    if (row < 0) {
        return;
    }
    change(m_items[row]);
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}

void DownloadList::setText(const QString& key, const QString& text)
{
    changeRow(key, Name, Name, [&](DownloadItem& item) { item.text = text; });
}

void DownloadList::setType(const QString& key, const QString& type)
{
    changeRow(key, Type, Type, [&](DownloadItem& item) { item.type = type; });
}

void DownloadList::setSize(const QString& key, const QString& size)
{
    changeRow(key, Size, Size, [&](DownloadItem& item) { item.size = size; });
}

void DownloadList::setDownloaded(const QString& key, const QString& downloaded)
{
    changeRow(key, Downloaded, Downloaded,
              [&](DownloadItem& item) { item.downloaded = downloaded; });
}

void DownloadList::setPercentage(const QString& key, const QString& percentage)
{
    changeRow(key, Percentage, Percentage,
              [&](DownloadItem& item) { item.percentage = percentage; });
}

void DownloadList::setFolder(const QString& key, const QString& folder)
{
    changeRow(key, Folder, Folder, [&](DownloadItem& item) { item.folder = folder; });
}

void DownloadList::setState(const QString& key, DownloadState state)
{
    // The state shows as the row's icon in the name column.
    changeRow(key, Name, Name, [&](DownloadItem& item) { item.state = state; });
}

void DownloadList::setProgress(const QString& key, const QString& size, const QString& downloaded,
                               const QString& percentage)
{
    changeRow(key, Size, Percentage, [&](DownloadItem& item) {
        item.size = size;
        item.downloaded = downloaded;
        item.percentage = percentage;
    });
}

DownloadState DownloadList::state(const QString& key) const
{
    const int row = rowOf(key);
    return row < 0 ? DownloadState::Waiting : m_items.at(row).state;
}

QString DownloadList::targetPath(const DownloadItem& item)
{
    return item.type.isEmpty() ? item.folder + item.text
                               : item.folder + item.text + u'.' + item.type;
}

QString DownloadList::targetPath(const QString& key) const
{
    const int row = rowOf(key);
    return row < 0 ? QString() : targetPath(m_items.at(row));
}

int DownloadList::统计未下载项数目() const
{
    return static_cast<int>(std::count_if(m_items.cbegin(), m_items.cend(), [](const auto& item) {
        return item.size.isEmpty() && item.downloaded.isEmpty() && item.percentage.isEmpty();
    }));
}

bool DownloadList::检测是否下载列表完毕() const
{
    for (const DownloadItem& item : m_items) {
        if (item.state == DownloadState::Waiting || item.state == DownloadState::Downloading) {
            return false;
        }
    }
    return true;
}

void DownloadList::RequeueRows(RequeueSelector selector, const QSet<QString>& selectedKeys)
{
    QList<int> changed;
    for (int row = 0; row < m_items.size(); ++row) {
        DownloadItem& item = m_items[row];
        const bool finished =
            item.state == DownloadState::Completed || item.state == DownloadState::Failed;
        bool accepted = false;
        switch (selector) {
        case RequeueSelector::Selected:
            accepted = finished && selectedKeys.contains(item.key);
            break;
        case RequeueSelector::Failed:
            accepted = item.state == DownloadState::Failed;
            break;
        case RequeueSelector::HtmlPages: {
            const QString type = item.type.toLower();
            accepted = finished && (type == u"htm"_s || type == u"html"_s);
            break;
        }
        }
        if (!accepted) {
            continue;
        }
        item.state = DownloadState::Waiting;
        item.size.clear();
        item.downloaded.clear();
        item.percentage.clear();
        const QString path = targetPath(item);
        if (FileExists(path)) {
            QFile::remove(path); // a file that stays does not keep the row from the queue
        }
        changed.append(row);
    }
    emitRowRuns(changed);
}

int DownloadList::countInState(DownloadState state) const
{
    return static_cast<int>(
        std::count_if(m_items.cbegin(), m_items.cend(),
                      [state](const auto& item) { return item.state == state; }));
}

QString DownloadList::statusCountsText() const
{
    std::array<int, 5> counts{};
    for (const DownloadItem& item : m_items) {
        ++counts[static_cast<size_t>(item.state)];
    }
    return u"总数："_s + QString::number(m_items.size()) + u"|正在下载："_s
        + QString::number(counts[2]) + u"|等待："_s + QString::number(counts[1]) + u"|已完成："_s
        + QString::number(counts[3]) + u"|失败："_s + QString::number(counts[4]);
}

void DownloadList::reindexFrom(int row)
{
    for (int i = row; i < m_items.size(); ++i) {
        m_rowOfKey.insert(m_items.at(i).key, i);
    }
}

void DownloadList::emitRowRuns(const QList<int>& sortedRows)
{
    qsizetype i = 0;
    while (i < sortedRows.size()) {
        qsizetype j = i;
        while (j + 1 < sortedRows.size() && sortedRows.at(j + 1) == sortedRows.at(j) + 1) {
            ++j;
        }
        emit dataChanged(index(sortedRows.at(i), 0), index(sortedRows.at(j), ColumnCount - 1));
        i = j + 1;
    }
}
