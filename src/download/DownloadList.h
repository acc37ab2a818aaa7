#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

// State of a download item, stored as its small-icon index.
enum class DownloadState { Waiting = 1, Downloading = 2, Completed = 3, Failed = 4 };

// One row of the download list. The key is the download URL; the text is the target's base
// name; type, size, downloaded, percentage and folder are the sub-items 1 to 5.
struct DownloadItem {
    QString key;
    QString text;
    QString type;
    QString size;
    QString downloaded;
    QString percentage;
    QString folder;
    QString tag;
    DownloadState state = DownloadState::Waiting;
};

// Which rows RequeueRows puts back into the queue.
enum class RequeueSelector {
    Selected, // the given rows, when completed or failed
    Failed, // every failed row
    HtmlPages, // completed or failed rows of type htm or html
};

// The download list: the one store of the download manager. Rows are reached by their
// position for what walks the list in order, and by their key for everything that holds on
// to a row while other rows may be removed or moved (the transfers and their slots).
class DownloadList final : public QAbstractTableModel {
    Q_OBJECT
public:
    // Model columns, 0-based: the text and the five sub-items.
    enum Column { Name = 0, Type, Size, Downloaded, Percentage, Folder, ColumnCount };
    enum Role {
        StateRole = Qt::UserRole + 1, // the state as an int 1..4
        KeyRole, // the download URL
        TagRole, // the caller's reference text
        SortRole, // numbers of the byte and percentage columns as qint64, other cells as text
    };

    explicit DownloadList(QObject* parent = nullptr);

    // Design widths of the columns in pixels.
    static int designWidth(int column);
    static QString caption(int column);
    static QString toolTip();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    // Stable sort by the column's SortRole: numbers before texts, numbers by value.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Puts the rows in a new order in one change: row i of the new order is the row at
    // oldRows[i] before. False (and nothing changed) unless oldRows names every row once.
    bool reorder(const QList<int>& oldRows);

    // Adds a waiting row with empty size, downloaded and percentage columns at the end;
    // false (and nothing added) when the key is already in the list.
    bool addItem(const QString& key, const QString& text, const QString& type,
                 const QString& folder, const QString& tag);
    // Appends a row with every field as given (for operations that rebuild rows); false
    // when the key is already in the list.
    bool appendItem(const DownloadItem& item);
    bool contains(const QString& key) const { return m_rowOfKey.contains(key); }
    // The row of a key, or -1.
    int rowOf(const QString& key) const { return m_rowOfKey.value(key, -1); }
    QString keyAt(int row) const;
    // A copy of the row; an empty item for an unknown key.
    DownloadItem item(const QString& key) const;
    const DownloadItem& at(int row) const { return m_items.at(row); }
    QStringList keys() const;
    bool removeItem(const QString& key);
    // Removes every row the predicate accepts: each run of adjacent rows in one removal, or,
    // when the rows lie scattered over many runs, the list rebuilt in one reset (the view's
    // selection is then cleared). The number of rows removed.
    int removeRowsWhere(const std::function<bool(const DownloadItem&)>& accepts);
    void clear();

    // Changing a row by key; an unknown key changes nothing.
    void setText(const QString& key, const QString& text);
    void setType(const QString& key, const QString& type);
    void setSize(const QString& key, const QString& size);
    void setDownloaded(const QString& key, const QString& downloaded);
    void setPercentage(const QString& key, const QString& percentage);
    void setFolder(const QString& key, const QString& folder);
    void setState(const QString& key, DownloadState state);
    // Size, downloaded and percentage columns in one change.
    void setProgress(const QString& key, const QString& size, const QString& downloaded,
                     const QString& percentage);
    DownloadState state(const QString& key) const;

    // The file a row stands for: folder & name, and "." & type when there is a type.
    static QString targetPath(const DownloadItem& item);
    QString targetPath(const QString& key) const;

    // Items whose size, downloaded and percentage columns are all empty.
    int 统计未下载项数目() const;
    // True when every row is completed or failed (and for an empty list).
    bool 检测是否下载列表完毕() const;
    // Puts the accepted rows back to waiting, empties their progress columns and deletes
    // the file at their target path. selectedKeys serves the Selected selector.
    void RequeueRows(RequeueSelector selector, const QSet<QString>& selectedKeys = {});
    // "总数：T|正在下载：D|等待：W|已完成：C|失败：F"
    QString statusCountsText() const;
    int countInState(DownloadState state) const;

private:
    bool reorderRows(const QList<int>& oldRows, LayoutChangeHint hint);
    void changeRow(const QString& key, int firstColumn, int lastColumn,
                   const std::function<void(DownloadItem&)>& change);
    void reindexFrom(int row);
    // Emits one dataChanged per run of adjacent rows.
    void emitRowRuns(const QList<int>& sortedRows);

    QList<DownloadItem> m_items;
    QHash<QString, int> m_rowOfKey;
};
