#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// One article found on a page: keyed by its link address, tagged with the page it was found on.
struct ArticleEntry {
    QString key; // the article's link address; unique in the list
    QString title;
    QString fileType; // "pdf"
    QString analysisStatus; // "", "成功" or "分析失败"
    QString saveFolder; // the folder chosen when the page was added, or empty
    QString entryType; // "USA" or "ENG": which PDF rule applies
    QString tag; // the address of the page the entry was found on
};

// The article list of the search window: rows in the order they were found, one per link
// address. Views show five columns; the key and the tag are hidden fields of each row.
class ArticleList final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        TitleColumn,
        FileTypeColumn,
        AnalysisStatusColumn,
        SaveFolderColumn,
        EntryTypeColumn,
        ColumnCount
    };
    enum Role { KeyRole = Qt::UserRole + 1, TagRole };

    explicit ArticleList(QObject* parent = nullptr);

    // Appends an entry. When the list already holds the key the existing row keeps all its
    // fields and nothing is added; false then, and for an empty title or key.
    bool 加入LV1(const QString& title, const QString& url, const QString& pageUrl,
                 const QString& fileType, const QString& saveFolder, const QString& entryType);

    int count() const { return static_cast<int>(m_rows.size()); }
    const ArticleEntry& entry(int row) const { return m_rows.at(row); }
    const QList<ArticleEntry>& entries() const { return m_rows; }
    // The row of the key, or -1.
    int rowOfKey(const QString& key) const;
    bool contains(const QString& key) const { return rowOfKey(key) >= 0; }

    bool setAnalysisStatus(int row, const QString& status);
    // Removes every row the predicate matches; returns how many went.
    int removeIf(const std::function<bool(const ArticleEntry&)>& matches);
    void clear();

    static QString columnCaption(int column);

    // While a batch is open, appended rows are collected and reach the views at once when the
    // outermost batch closes: a page of thousands of titles is one insertion.
    class Batch {
    public:
        explicit Batch(ArticleList& list);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ArticleList& m_list;
    };

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

private:
    void flushPending();
    void rebuildIndex();

    QList<ArticleEntry> m_rows;
    QList<ArticleEntry> m_pending;
    QHash<QString, int> m_index; // key -> row, pending rows included
    int m_batchDepth = 0;
};
