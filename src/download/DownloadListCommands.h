#pragma once

#include "download/DownloadList.h"

#include <QRandomGenerator>
#include <QSet>
#include <QString>

#include <functional>

class DownloadScheduler;
class Shell;
class QWidget;

// The commands of the download window on its list: select, shuffle, sort, re-queue, remove,
// cancel and open. They act on the rows the caller names by key (the view's selection), never
// talk to a server, and refuse what would disturb running transfers with the window's
// messages. Each returns true when it ran (false when it was refused or had nothing to do).
class DownloadListCommands final {
public:
    // The generator is seeded once here; tests pass a seed to repeat a shuffle.
    DownloadListCommands(DownloadScheduler& scheduler, Shell& shell);
    DownloadListCommands(DownloadScheduler& scheduler, Shell& shell, quint32 seed);

    // The window the message boxes belong to.
    void setOwner(QWidget* owner) { m_owner = owner; }

    static QString stopFirstText();
    static QString stopBeforeSettingText() { return QStringLiteral("停止下载后方可设置！"); }
    static QString stopBeforeSortingText() { return QStringLiteral("停止下载后方可排序！"); }
    static QString shuffledText() { return QStringLiteral("随机排序完成！"); }
    static QString clearAllQuestion() { return QStringLiteral("您确定要清空列表的所有信息吗？"); }
    static QString noFileText() { return QStringLiteral("文件不存在！"); }
    static QString thisFileMissingText() { return QStringLiteral("该文件不存在！"); }
    static QString openFailedText() { return QStringLiteral("打开失败！"); }
    static QString tooLargeText()
    {
        return QStringLiteral("该文件太大，超过了2M，不便于用记事本打开！");
    }
    // The largest file the text editor is offered (2 MB).
    static constexpr qint64 kTextEditorLimit = 2048 * 1024;

    // "随机排序列表(打乱)": each row, drawn at random from the rows not yet moved, goes to the
    // end of the list, so every row moves exactly once. Refused while downloads run.
    bool ShuffleList();
    // "重新下载": the selected finished rows (always allowed), the failed rows or the finished
    // htm/html rows (refused while downloads run).
    bool requeue(RequeueSelector selector, const QSet<QString>& selectedKeys = {});
    // "清除": the selected rows (refused while downloads run), the failed or the completed
    // rows (always allowed). False when no row was looked at (an empty list) or refused.
    bool removeSelected(const QSet<QString>& selectedKeys);
    bool removeFailed();
    bool removeCompleted();
    // "清空": asks first; refused while downloads run.
    bool clearAll();
    // "取消下载选中项": the selected waiting rows fail. Refused while a transfer is busy.
    bool cancelSelected(const QSet<QString>& selectedKeys);
    // A click on the header of column (0 for the name): sorts by it, the direction flipping
    // on every click; the byte and percentage columns by their numbers. Refused while the
    // scheduler is on or a transfer busy.
    bool sortByColumn(int column);
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // A double click on a row: a completed row's file opens, a failed row goes back to the
    // queue (its file deleted); other rows are left alone.
    void doubleClick(const QString& key);
    // What a click on a row writes into status-bar panel 2: its file when it exists.
    QString clickedFileText(const QString& key) const;
    // "打开下载文件", "打开所在文件夹", "用记事本打开文件" on the selected row.
    void openFile(const QString& key);
    void openFolder(const QString& key);
    void openInTextEditor(const QString& key);

    // Opens the file with the desktop's handler; "文件不存在！" when there is none.
    void OpenWithShell(const QString& path);

private:
    bool refusedWhileRunning();
    bool removeWhere(const std::function<bool(const DownloadItem&)>& qualifies);
    void rewriteNumberCells(int column);

    DownloadScheduler& m_scheduler;
    DownloadList& m_list;
    Shell& m_shell;
    QWidget* m_owner = nullptr;
    QRandomGenerator m_random;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// Opens the folder that holds path with the file selected; false when there is no such file
// or the desktop could not show it.
bool SelectInFolder(Shell& shell, const QString& path);
