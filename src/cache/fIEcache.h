#pragma once

#include "cache/CacheListings.h"
#include "cache/CacheOperations.h"

#include <QDialog>
#include <QStringList>

class CacheStore;
class Forms;
class QLabel;
class QPushButton;
class QTreeView;
class ReportListModel;
struct UiServices;

// The cache viewer: the browser's URL cache of the current user, or the files in the cache
// folders of every user profile, listed to be copied out or deleted.
class fIEcache final : public QDialog {
    Q_OBJECT
public:
    fIEcache(UiServices& ui, CacheStore& store, const CacheLocations& locations,
             QWidget* parent = nullptr);

    // Opens the viewer of the window directory as a modal window.
    static void showModal(Forms& forms);

    // "查看我的缓存": the current user's URL cache.
    void Command1_Click();
    // "查看所有用户缓存": the files of every profile's cache folders.
    void Command7_Click();
    // "删除所选文件"
    void Command2_Click();
    // "全部删除"
    void Command3_Click();
    // "复制选中...": the selected rows' files go to the copy dialog.
    void Command6_Click();
    // A click on the file list's column header (0 for the first column).
    void ColumnClick(int column);

    void GetCacheURLList();
    void 判断文件在缓存中文件路径();
    void LoadUserCacheFolders();
    void ListCacheFolderFiles(const QString& cacheFolder, const QString& userName);

    // Which listing the file list shows: "我的缓存", "所有缓存", or empty before the first.
    QString fileListTag() const { return m_tag; }
    CacheFileRow fileRow(int row) const;
    int fileRowCount() const;
    ReportListModel* fileList() const { return m_files; }
    ReportListModel* userList() const { return m_users; }
    ReportListModel* folderList() const { return m_folders; }

    QStringList CacheFolders;
    QStringList ProfileFolders;

    QPushButton* Command1 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command4 = nullptr;
    QLabel* Label1 = nullptr;
    QTreeView* ListView2 = nullptr; // users
    QTreeView* ListView3 = nullptr; // folders
    QTreeView* ListView1 = nullptr; // files

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void addFileRow(const CacheFileRow& row);
    void deleteRows(bool selectedOnly);
    QList<int> selectedFileRows() const;

    UiServices& m_ui;
    CacheStore& m_store;
    CacheLocations m_locations;
    ReportListModel* m_files = nullptr;
    ReportListModel* m_users = nullptr;
    ReportListModel* m_folders = nullptr;
    QString m_tag;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// Empties the whole browser cache through a viewer that is never shown: the current user's
// entries, then every file of the profiles' cache folders. With reportFlag the user is told
// when it is done.
void ClearBrowserCache(UiServices& ui, bool reportFlag);
