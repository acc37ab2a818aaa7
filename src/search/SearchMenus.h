#pragma once

class QAction;
class QMenu;
class QMenuBar;
class QString;

// The menus of the search window, each entry named "menu" + its caption.
struct SearchMenus {
    // Hidden in the menu bar; the analyse button opens it as a pop-up.
    QMenu* menu加入 = nullptr;
    QAction* menu分析未分析项 = nullptr;
    QAction* menu分析失败项 = nullptr;
    QAction* menu分析选中项 = nullptr;
    QAction* menu分析全部 = nullptr;

    QMenu* menu浏览 = nullptr;
    QAction* menu打开ZORV首页 = nullptr;
    QAction* menu打开指定网址 = nullptr;
    QAction* menu后退 = nullptr;
    QAction* menu前进 = nullptr;
    QAction* menu关闭本窗口 = nullptr;

    // Also the list's right-click menu.
    QMenu* menu清除 = nullptr;
    QAction* menu清除选中项 = nullptr;
    QAction* menu清除分析成功项 = nullptr;
    QAction* menu清除标题含指定字符项 = nullptr;
    QAction* menu清除标题不含指定字符项 = nullptr;
    QAction* menu清空全部 = nullptr;

    QMenu* menu工具 = nullptr;
    QAction* menu设置 = nullptr;
    QAction* menu打开下载窗口 = nullptr;
    QAction* menu查看IE浏览器缓存 = nullptr;
    QAction* menu清空IE浏览器缓存 = nullptr;

    QMenu* menu帮助 = nullptr;
    QAction* menu关于 = nullptr;
    QAction* menu作者网站 = nullptr;
    QAction* menu最新版本 = nullptr;
    QAction* menu软件定制 = nullptr;
    QAction* menu给软件作者建议 = nullptr;

    // Builds every menu into the bar, in the order the window shows them.
    static SearchMenus build(QMenuBar* bar);
};
