#include "download/DownloadMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

QMenu* namedMenu(QWidget* parent, const QString& name, const QString& caption)
{
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction* item(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

} // namespace

DownloadMenus::DownloadMenus(QMenuBar* bar)
    : QObject(bar)
{
    menu下载 = namedMenu(bar, u"menu下载"_s, u"列表操作(&D)"_s);
    menu全选专利列表 = item(menu下载, u"menu全选专利列表"_s, u"全选"_s);
    menu全不选 = item(menu下载, u"menu全不选"_s, u"全不选"_s);
    menu随机排序列表 = item(menu下载, u"menu随机排序列表"_s, u"随机排序列表(打乱)"_s);
    menu自动列宽 = item(menu下载, u"menu自动列宽"_s, u"自动调整列宽"_s);
    menu下载->addSeparator();
    menu重新下载 = namedMenu(menu下载, u"menu重新下载"_s, u"重新下载"_s);
    menu下载->addMenu(menu重新下载);
    menu重新下载选中项 = item(menu重新下载, u"menu重新下载选中项"_s, u"选中项"_s);
    menu重新下载出错项 = item(menu重新下载, u"menu重新下载出错项"_s, u"出错项"_s);
    menu重新下载文件类型为HTM和HTML项 =
        item(menu重新下载, u"menu重新下载文件类型为HTM和HTML项"_s, u"文件类型为HTM和HTML项"_s);
    menu下载->addSeparator();
    menu清除 = namedMenu(menu下载, u"menu清除"_s, u"清除"_s);
    menu下载->addMenu(menu清除);
    menu清除选中项 = item(menu清除, u"menu清除选中项"_s, u"选中项"_s);
    menu清除全部出错项 = item(menu清除, u"menu清除全部出错项"_s, u"全部出错项"_s);
    menu清除完成项 = item(menu清除, u"menu清除完成项"_s, u"完成项"_s);
    menu清空 = item(menu下载, u"menu清空"_s, u"清空"_s);
    menu下载->addSeparator();
    menu下载全部 = item(menu下载, u"menu下载全部"_s, u"开始下载"_s);
    menu停止下载 = item(menu下载, u"menu停止下载"_s, u"停止下载"_s);
    menu取消下载选中项 = item(menu下载, u"menu取消下载选中项"_s, u"取消下载选中项"_s);
    menu下载->addSeparator();
    menu打开下载文件 = item(menu下载, u"menu打开下载文件"_s, u"打开下载文件"_s);
    menu打开文件所在文件夹 = item(menu下载, u"menu打开文件所在文件夹"_s, u"打开所在文件夹"_s);
    menu用记事本打开文件 = item(menu下载, u"menu用记事本打开文件"_s, u"用记事本打开文件"_s);
    menu下载->addSeparator();
    menu退出本下载窗口 = item(menu下载, u"menu退出本下载窗口"_s, u"退出本下载窗口"_s);
    bar->addMenu(menu下载);

    menu工具 = namedMenu(bar, u"menu工具"_s, u"工具(&T)"_s);
    设置 = item(menu工具, u"设置"_s, u"设置"_s);
    menu检查PDF文件 = item(menu工具, u"menu检查PDF文件"_s, u"检查PDF文件"_s);
    menu打开网页分析窗口 = item(menu工具, u"menu打开网页分析窗口"_s, u"打开网页分析窗口"_s);
    bar->addMenu(menu工具);

    menu帮助 = namedMenu(bar, u"menu帮助"_s, u"帮助(&H)"_s);
    关于 = item(menu帮助, u"关于"_s, u"关于"_s);
    menu帮助->addSeparator();
    menu作者网站Qelvo软件 = item(menu帮助, u"menu作者网站Qelvo软件"_s, u"作者网站－Qelvo软件"_s);
    menu最新版本 = item(menu帮助, u"menu最新版本"_s, u"最新版本"_s);
    menu软件教程和问答 = item(menu帮助, u"menu软件教程和问答"_s, u"软件教程和问答"_s);
    menu软件定制 = item(menu帮助, u"menu软件定制"_s, u"软件定制"_s);
    menu给软件作者建议 = item(menu帮助, u"menu给软件作者建议"_s, u"给软件作者建议"_s);
    bar->addMenu(menu帮助);
}

void DownloadMenus::enableForPopup(bool running)
{
    menu清除->menuAction()->setEnabled(!running);
    menu清空->setEnabled(!running);
    menu全选专利列表->setEnabled(!running);
    menu停止下载->setEnabled(running);
}
