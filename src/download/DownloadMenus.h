#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

// The menus of the download window: "列表操作(&D)" (which also pops up over the list),
// "工具(&T)" and "帮助(&H)". Each item's objectName is its control name; the window connects
// the actions.
class DownloadMenus final : public QObject {
    Q_OBJECT
public:
    explicit DownloadMenus(QMenuBar* bar);

    // Right click over the list: while the scheduler is on or a transfer busy, the remove
    // and empty commands and select all are greyed out and stop is offered; otherwise the
    // reverse. The items keep that state until the next right click.
    void enableForPopup(bool running);

    QMenu* menu下载 = nullptr;
    QAction* menu全选专利列表 = nullptr;
    QAction* menu全不选 = nullptr;
    QAction* menu随机排序列表 = nullptr;
    QAction* menu自动列宽 = nullptr;
    QMenu* menu重新下载 = nullptr;
    QAction* menu重新下载选中项 = nullptr;
    QAction* menu重新下载出错项 = nullptr;
    QAction* menu重新下载文件类型为HTM和HTML项 = nullptr;
    QMenu* menu清除 = nullptr;
    QAction* menu清除选中项 = nullptr;
    QAction* menu清除全部出错项 = nullptr;
    QAction* menu清除完成项 = nullptr;
    QAction* menu清空 = nullptr;
    QAction* menu下载全部 = nullptr;
    QAction* menu停止下载 = nullptr;
    QAction* menu取消下载选中项 = nullptr;
    QAction* menu打开下载文件 = nullptr;
    QAction* menu打开文件所在文件夹 = nullptr;
    QAction* menu用记事本打开文件 = nullptr;
    QAction* menu退出本下载窗口 = nullptr;

    QMenu* menu工具 = nullptr;
    QAction* 设置 = nullptr;
    QAction* menu检查PDF文件 = nullptr;
    QAction* menu打开网页分析窗口 = nullptr;

    QMenu* menu帮助 = nullptr;
    QAction* 关于 = nullptr;
    QAction* menu作者网站Qelvo软件 = nullptr;
    QAction* menu最新版本 = nullptr;
    QAction* menu软件教程和问答 = nullptr;
    QAction* menu软件定制 = nullptr;
    QAction* menu给软件作者建议 = nullptr;
};
