#include "search/ArticleList.h"

using namespace Qt::StringLiterals;

ArticleList::ArticleList(QObject* parent)
    : QAbstractTableModel(parent)
{
}

bool ArticleList::加入LV1(const QString& title, const QString& url, const QString& pageUrl,
                          const QString& fileType, const QString& saveFolder,
                          const QString& entryType)
{
    if (title.isEmpty() || url.isEmpty() || m_index.contains(url)) {
        return false;
    }
    ArticleEntry entry{url, title, fileType, QString(), saveFolder, entryType, pageUrl};
    m_index.insert(url, count() + static_cast<int>(m_pending.size()));
    if (m_batchDepth > 0) {
        m_pending.append(std::move(entry));
        return true;
    }
    beginInsertRows(QModelIndex(), count(), count());
    m_rows.append(std::move(entry));
    endInsertRows();
    return true;
}

int ArticleList::rowOfKey(const QString& key) const
{
    const int row = m_index.value(key, -1);
    return row < count() ? row : -1;
}

bool ArticleList::setAnalysisStatus(int row, const QString& status)
{
    if (row < 0 || row >= count()) {
        return false;
    }
    m_rows[row].analysisStatus = status;
    const QModelIndex cell = index(row, AnalysisStatusColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
    return true;
}

int ArticleList::removeIf(const std::function<bool(const ArticleEntry&)>& matches)
{
    flushPending();
    int removed = 0;
    // From the end, one signal per run of adjacent matching rows.
    int row = count() - 1;
    while (row >= 0) {
        if (!matches(m_rows.at(row))) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && matches(m_rows.at(first - 1))) {
            --first;
        }
        beginRemoveRows(QModelIndex(), first, row);
        m_rows.remove(first, row - first + 1);
        endRemoveRows();
        removed += row - first + 1;
        row = first - 2; // the row before the run did not match
    }
    if (removed > 0) {
        rebuildIndex();
    }
    return removed;
}

void ArticleList::clear()
{
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    m_index.clear();
    endResetModel();
}

QString ArticleList::columnCaption(int column)
{
    switch (column) {
    case TitleColumn:
        return u"标题"_s;
    case FileTypeColumn:
        return u"文件类型"_s;
    case AnalysisStatusColumn:
        return u"分析状态"_s;
    case SaveFolderColumn:
        return u"保存路径"_s;
    case EntryTypeColumn:
        return u"TYPE"_s;
    default:
        return QString();
    }
}

ArticleList::Batch::Batch(ArticleList& list)
    : m_list(list)
{
    ++m_list.m_batchDepth;
}

ArticleList::Batch::~Batch()
{
    if (--m_list.m_batchDepth == 0) {
        m_list.flushPending();
    }
}

void ArticleList::flushPending()
{
    if (m_pending.isEmpty()) {
        return;
    }
    beginInsertRows(QModelIndex(), count(), count() + static_cast<int>(m_pending.size()) - 1);
    m_rows.append(std::move(m_pending));
    m_pending.clear();
    endInsertRows();
}

void ArticleList::rebuildIndex()
{
    m_index.clear();
    m_index.reserve(m_rows.size());
    for (int row = 0; row < count(); ++row) {
        m_index.insert(m_rows.at(row).key, row);
    }
}

int ArticleList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int ArticleList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArticleList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const ArticleEntry& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case TitleColumn:
            return row.title;
        case FileTypeColumn:
            return row.fileType;
        case AnalysisStatusColumn:
            return row.analysisStatus;
        case SaveFolderColumn:
            return row.saveFolder;
        case EntryTypeColumn:
            return row.entryType;
        default:
            return {};
        }
    case KeyRole:
        return row.key;
    case TagRole:
        return row.tag;
    default:
        return {};
    }
}

QVariant ArticleList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return columnCaption(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ArticleList::flags(const QModelIndex& index) const
{
    // Titles cannot be edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool ArticleList::removeRows(int row, int count, const QModelIndex& parent)
{
    flushPending();
    if (parent.isValid() || row < 0 || count <= 0 || row + count > this->count()) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_rows.remove(row, count);
    endRemoveRows();
    rebuildIndex();
    return true;
}
