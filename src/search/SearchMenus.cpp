#include "search/SearchMenus.h"

#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

QMenu* addMenu(QMenuBar* bar, const QString& caption, const QString& name)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction* addEntry(QMenu* menu, const QString& caption, const QString& name)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

} // namespace

SearchMenus SearchMenus::build(QMenuBar* bar)
{
    SearchMenus m;
    m.menu加入 = addMenu(bar, u"加入"_s, u"menu加入"_s);
    m.menu分析未分析项 = addEntry(m.menu加入, u"分析未分析项"_s, u"menu分析未分析项"_s);
    m.menu分析失败项 = addEntry(m.menu加入, u"分析失败项"_s, u"menu分析失败项"_s);
    m.menu分析选中项 = addEntry(m.menu加入, u"分析选中项"_s, u"menu分析选中项"_s);
    m.menu分析全部 = addEntry(m.menu加入, u"分析全部"_s, u"menu分析全部"_s);

    m.menu浏览 = addMenu(bar, u"浏览(&B)"_s, u"menu浏览"_s);
    m.menu打开ZORV首页 = addEntry(m.menu浏览, u"打开ZORV首页"_s, u"menu打开ZORV首页"_s);
    m.menu打开指定网址 = addEntry(m.menu浏览, u"打开指定网址..."_s, u"menu打开指定网址"_s);
    m.menu浏览->addSeparator();
    m.menu后退 = addEntry(m.menu浏览, u"后退"_s, u"menu后退"_s);
    m.menu前进 = addEntry(m.menu浏览, u"前进"_s, u"menu前进"_s);
    m.menu浏览->addSeparator();
    m.menu关闭本窗口 = addEntry(m.menu浏览, u"关闭本窗口"_s, u"menu关闭本窗口"_s);

    m.menu清除 = addMenu(bar, u"清除(&C)"_s, u"menu清除"_s);
    m.menu清除选中项 = addEntry(m.menu清除, u"清除选中项"_s, u"menu清除选中项"_s);
    m.menu清除分析成功项 = addEntry(m.menu清除, u"清除分析成功项"_s, u"menu清除分析成功项"_s);
    m.menu清除标题含指定字符项 =
        addEntry(m.menu清除, u"清除标题含指定字符项"_s, u"menu清除标题含指定字符项"_s);
    m.menu清除标题不含指定字符项 =
        addEntry(m.menu清除, u"清除标题不含指定字符项"_s, u"menu清除标题不含指定字符项"_s);
    m.menu清空全部 = addEntry(m.menu清除, u"清空全部"_s, u"menu清空全部"_s);

    m.menu工具 = addMenu(bar, u"工具(&T)"_s, u"menu工具"_s);
    m.menu设置 = addEntry(m.menu工具, u"设置"_s, u"menu设置"_s);
    m.menu打开下载窗口 = addEntry(m.menu工具, u"打开下载窗口"_s, u"menu打开下载窗口"_s);
    m.menu工具->addSeparator();
    m.menu查看IE浏览器缓存 = addEntry(m.menu工具, u"查看IE浏览器缓存"_s, u"menu查看IE浏览器缓存"_s);
    m.menu清空IE浏览器缓存 = addEntry(m.menu工具, u"清空IE浏览器缓存"_s, u"menu清空IE浏览器缓存"_s);

    m.menu帮助 = addMenu(bar, u"帮助(&H)"_s, u"menu帮助"_s);
    m.menu关于 = addEntry(m.menu帮助, u"关于(&A)"_s, u"menu关于"_s);
    m.menu帮助->addSeparator();
    m.menu作者网站 = addEntry(m.menu帮助, u"作者网站－Qelvo软件"_s, u"menu作者网站"_s);
    m.menu最新版本 = addEntry(m.menu帮助, u"最新版本"_s, u"menu最新版本"_s);
    m.menu软件定制 = addEntry(m.menu帮助, u"软件定制"_s, u"menu软件定制"_s);
    m.menu给软件作者建议 = addEntry(m.menu帮助, u"给软件作者建议"_s, u"menu给软件作者建议"_s);
    return m;
}
