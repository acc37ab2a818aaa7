#include "SampleSite.h"
#include "TestContext.h"
#include "TestMain.h"
#include "app/SettingKeys.h"
#include "app/fOption.h"
#include "download/DownloadListCommands.h"
#include "download/DownloadMenus.h"
#include "download/DownloadScheduler.h"
#include "download/DownloadWindowGeometry.h"
#include "download/PicWebBK.h"
#include "download/fFileDownload.h"
#include "net/Inet.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// A test context with the window directory's launcher and download window, the download
// window loaded (not shown) and files saved into a temporary folder.
struct WindowRig {
    WindowRig()
    {
        ctx.forms.registerForm(u"fCover"_s, [this] { return cover.data(); });
        ctx.forms.registerForm(u"fFileDownload"_s, [this] { return new fFileDownload(ctx.ui); });
        cover->setObjectName(u"fCover"_s);
        folder = ctx.path(u"files/"_s);
        QDir().mkpath(folder);
    }
    ~WindowRig() { delete cover.data(); }

    fFileDownload* load()
    {
        window = ctx.forms.loadAs<fFileDownload>(u"fFileDownload"_s);
        return window;
    }
    QString add(const QString& name, DownloadState state = DownloadState::Waiting)
    {
        const QString key = u"http://127.0.0.1:1/dl/"_s + name;
        window->downloadList().addItem(key, name, u"pdf"_s, folder, u"ref"_s);
        window->downloadList().setState(key, state);
        return key;
    }
    void store(const QString& section, const QString& key, const QString& value)
    {
        ctx.shared.write(section, key, value);
    }

    TestContext ctx;
    QPointer<QWidget> cover = new QWidget;
    QPointer<fFileDownload> window;
    QString folder;
};

void selectRows(fFileDownload* window, const QList<int>& rows)
{
    QItemSelectionModel* selection = window->ListView3->selectionModel();
    selection->clear();
    for (const int row : rows) {
        selection->select(window->ListView3->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

// The menu's items as "objectName caption", separators as "-", submenus indented by ">".
QStringList menuItems(QMenu* menu, const QString& indent = QString())
{
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << indent + u'-';
            continue;
        }
        items << indent + action->objectName() + u' ' + action->text();
        if (action->menu()) {
            items << menuItems(action->menu(), indent + u'>');
        }
    }
    return items;
}

} // namespace

class TestDownloadWindow : public QObject {
    Q_OBJECT
private slots:
    void loadWithEmptyStore();
    void loadWithStoredValues_data();
    void loadWithStoredValues();
    void menus();
    void rightClickEnabling();
    void commandsActOnSelectedRows();
    void controlsDriveScheduler();
    void methodTwoDownloadsInSlots();
    void switchAndOptionsDialog();
    void statusPanels();
    void menuWindowsAndLinks();
    void close_data();
    void close();
    void closeRefusedKeepsRunning();
    void closeDuringTransfer();
    void geometry();
    void geometryRules();
    void loginPanelWithoutBrowser();
};

void TestDownloadWindow::loadWithEmptyStore()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    QCOMPARE(w->windowTitle(), u"文件下载 － QelvoZORV资料下载管理器"_s);
    QCOMPARE(w->Label7->text(), u"下载方式：2"_s);
    QVERIFY(w->Combo1->isEnabled());
    QCOMPARE(w->Combo1->currentText(), u"3"_s);
    QCOMPARE(w->scheduler().threadCount(), 3);
    QVERIFY(w->Option3->isChecked());
    QCOMPARE(w->scheduler().sameNameOption(), SameNameOption::Rename);
    QCOMPARE(w->Inet1->AccessType(), Inet::kSystemAccess);
    QCOMPARE(w->Inet1->Proxy(), QString());
    QCOMPARE(w->Inet1->RemotePort(), 80);
    QCOMPARE(w->Combo2->count(), 61);
    QCOMPARE(w->Combo2->currentText(), u"0"_s);
    QCOMPARE(w->Combo2->itemText(60), u"60"_s);
    QCOMPARE(w->scheduler().interval(), 0);
    QCOMPARE(w->Combo4->currentText(), u"出错项"_s);
    QCOMPARE(w->WebLoginPanel->Combo3->currentText(), u"下载到网页文件(htm/html/asp)文件"_s);
    QVERIFY(!w->Check3->isChecked() && !w->Check4->isChecked());
    QVERIFY(w->Timer1->isActive());
    QCOMPARE(w->Timer1->interval(), 1000);
    QVERIFY(!w->Timer_Down->isActive());
    QCOMPARE(w->Timer_Down->interval(), 1000);
    QVERIFY(!w->Timer2->isActive());
    QCOMPARE(w->Timer2->interval(), 60000);
    QVERIFY(w->WebLoginPanel->isHidden());
    QVERIFY(!w->WebLoginPanel->hasBrowser());
    QVERIFY(w->Shape1->isHidden());
    QCOMPARE(w->downloadList().rowCount(), 0);
    QCOMPARE(w->StatusPanels.size(), 4);
    QCOMPARE(w->StatusPanels.at(0)->text(), u"Qelvo软件与网络技术同步"_s);
    QCOMPARE(w->StatusPanels.at(0)->toolTip(), u"Qelvo软件与网络技术同步"_s);
    QCOMPARE(w->Label5->text(), u"两个文件下载间隔：        秒"_s);
    QCOMPARE(w->Command26->toolTip(), u"更改下载方式"_s);
    QCOMPARE(w->ListView3->toolTip(), u"双击鼠标：下载当前项或者打开文件"_s);
    QCOMPARE(w->scheduler().LastDoneTime(), rig.ctx.clock.seconds());
    QVERIFY(IsFormLoaded(u"FFILEDOWNLOAD"_s));
}

void TestDownloadWindow::loadWithStoredValues_data()
{
    QTest::addColumn<QStringList>("stored"); // section/key=value
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("threadsEnabled");
    QTest::addColumn<QString>("threads");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("accessType");
    QTest::addColumn<QString>("proxy");
    QTest::addColumn<int>("remotePort");

    QTest::newRow("method 1") << QStringList{u"设置/下载方式=1"_s, u"下载/线程=4"_s}
                              << u"下载方式：1"_s << false << u"1"_s << u"Option3"_s << 0
                              << QString() << 80;
    QTest::newRow("method 2, five threads, skip")
        << QStringList{u"下载/线程=4"_s, u"下载/重复文件名= 跳过 "_s} << u"下载方式：2"_s << true
        << u"5"_s << u"Option1"_s << 0 << QString() << 80;
    QTest::newRow("thread index out of range, overwrite")
        << QStringList{u"下载/线程=9"_s, u"下载/重复文件名=覆盖"_s} << u"下载方式：2"_s << true
        << u"1"_s << u"Option2"_s << 0 << QString() << 80;
    QTest::newRow("unknown policy, proxy on")
        << QStringList{u"下载/重复文件名=其他"_s, u"设置/代理服务器有效=1"_s,
                       u"设置/代理服务器网址=127.0.0.1"_s, u"设置/代理服务器端口=3128"_s}
        << u"下载方式：2"_s << true << u"3"_s << u"Option3"_s << 2 << u"127.0.0.1:3128"_s << 3128;
    QTest::newRow("proxy port not a number")
        << QStringList{u"设置/代理服务器有效=1"_s, u"设置/代理服务器网址=proxy"_s,
                       u"设置/代理服务器端口=abc"_s}
        << u"下载方式：2"_s << true << u"3"_s << u"Option3"_s << 2 << u"proxy:abc"_s << 80;
}

void TestDownloadWindow::loadWithStoredValues()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, label);
    QFETCH(bool, threadsEnabled);
    QFETCH(QString, threads);
    QFETCH(QString, option);
    QFETCH(int, accessType);
    QFETCH(QString, proxy);
    QFETCH(int, remotePort);

    WindowRig rig;
    for (const QString& entry : stored) {
        const QString place = entry.section(u'=', 0, 0);
        rig.store(place.section(u'/', 0, 0), place.section(u'/', 1), entry.section(u'=', 1));
    }
    fFileDownload* w = rig.load();
    QCOMPARE(w->Label7->text(), label);
    QCOMPARE(w->Combo1->isEnabled(), threadsEnabled);
    QCOMPARE(w->Combo1->currentText(), threads);
    QVERIFY(w->findChild<QRadioButton*>(option)->isChecked());
    QCOMPARE(w->Inet1->AccessType(), accessType);
    QCOMPARE(w->Inet1->Proxy(), proxy);
    QCOMPARE(w->Inet1->RemotePort(), remotePort);
}

void TestDownloadWindow::menus()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    const QList<QAction*> bar = w->menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar.at(0)->text(), u"列表操作(&D)"_s);
    QCOMPARE(bar.at(1)->text(), u"工具(&T)"_s);
    QCOMPARE(bar.at(2)->text(), u"帮助(&H)"_s);
    const QStringList list{
        u"menu全选专利列表 全选"_s,
        u"menu全不选 全不选"_s,
        u"menu随机排序列表 随机排序列表(打乱)"_s,
        u"menu自动列宽 自动调整列宽"_s,
        u"-"_s,
        u"menu重新下载 重新下载"_s,
        u">menu重新下载选中项 选中项"_s,
        u">menu重新下载出错项 出错项"_s,
        u">menu重新下载文件类型为HTM和HTML项 文件类型为HTM和HTML项"_s,
        u"-"_s,
        u"menu清除 清除"_s,
        u">menu清除选中项 选中项"_s,
        u">menu清除全部出错项 全部出错项"_s,
        u">menu清除完成项 完成项"_s,
        u"menu清空 清空"_s,
        u"-"_s,
        u"menu下载全部 开始下载"_s,
        u"menu停止下载 停止下载"_s,
        u"menu取消下载选中项 取消下载选中项"_s,
        u"-"_s,
        u"menu打开下载文件 打开下载文件"_s,
        u"menu打开文件所在文件夹 打开所在文件夹"_s,
        u"menu用记事本打开文件 用记事本打开文件"_s,
        u"-"_s,
        u"menu退出本下载窗口 退出本下载窗口"_s,
    };
    QCOMPARE(menuItems(w->menus->menu下载), list);
    QCOMPARE(menuItems(w->menus->menu工具),
             (QStringList{u"设置 设置"_s, u"menu检查PDF文件 检查PDF文件"_s,
                          u"menu打开网页分析窗口 打开网页分析窗口"_s}));
    QCOMPARE(menuItems(w->menus->menu帮助),
             (QStringList{u"关于 关于"_s, u"-"_s, u"menu作者网站Qelvo软件 作者网站－Qelvo软件"_s,
                          u"menu最新版本 最新版本"_s, u"menu软件教程和问答 软件教程和问答"_s,
                          u"menu软件定制 软件定制"_s, u"menu给软件作者建议 给软件作者建议"_s}));
}

void TestDownloadWindow::rightClickEnabling()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    DownloadMenus& m = *w->menus;
    const auto state = [&] {
        return QList<bool>{m.menu清除->menuAction()->isEnabled(), m.menu清空->isEnabled(),
                           m.menu全选专利列表->isEnabled(), m.menu停止下载->isEnabled()};
    };
    QCOMPARE(state(), (QList<bool>{true, true, true, true})); // as the window opens

    w->Command4_Click();
    w->ListView3_RightClick(QPoint(5, 5));
    QCOMPARE(state(), (QList<bool>{false, false, false, true}));
    QVERIFY(m.menu下载->isVisible());
    m.menu下载->hide();

    w->Command31_Click();
    w->scheduler().setTransferBusy(true);
    w->ListView3_RightClick(QPoint(5, 5));
    QCOMPARE(state(), (QList<bool>{false, false, false, true}));
    m.menu下载->hide();

    w->scheduler().setTransferBusy(false);
    w->ListView3_RightClick(QPoint(5, 5));
    QCOMPARE(state(), (QList<bool>{true, true, true, false}));
    m.menu下载->hide();
    w->Command4_Click(); // the menu bar shows the state the last right click set
    QCOMPARE(state(), (QList<bool>{true, true, true, false}));
}

void TestDownloadWindow::commandsActOnSelectedRows()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    for (const QString& name : {u"a"_s, u"b"_s, u"c"_s, u"d"_s}) {
        rig.add(name, DownloadState::Completed);
    }
    rig.add(u"e"_s);
    QCOMPARE(w->Label1->text(), u"记录数："_s);
    w->show();
    QApplication::setActiveWindow(w); // activating the window counts the rows
    QTRY_COMPARE(w->Label1->text(), u"记录数：5"_s);

    w->menus->menu全选专利列表->trigger();
    QCOMPARE(w->selectedKeys().size(), 5);
    w->menus->menu全不选->trigger();
    QVERIFY(w->selectedKeys().isEmpty());
    QCOMPARE(w->selectedKey(), QString());

    selectRows(w, {1, 2});
    w->menus->menu清除选中项->trigger();
    QCOMPARE(w->downloadList().keys().size(), 3);
    QCOMPARE(w->downloadList().at(1).text, u"d"_s);
    QCOMPARE(w->Label1->text(), u"记录数：3"_s);

    selectRows(w, {2});
    w->menus->menu取消下载选中项->trigger();
    QCOMPARE(w->downloadList().at(2).state, DownloadState::Failed);
    QCOMPARE(w->selectedKey(), w->downloadList().at(2).key);
    w->ListView3_DblClick({}); // a failed row goes back to the queue
    QCOMPARE(w->downloadList().at(2).state, DownloadState::Waiting);

    // Opening acts on the current row when it is selected.
    QFile file(rig.folder + u"d.pdf"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    selectRows(w, {0, 1});
    w->ListView3->selectionModel()->setCurrentIndex(w->ListView3->model()->index(1, 0),
                                                    QItemSelectionModel::NoUpdate);
    w->menus->menu打开下载文件->trigger();
    QCOMPARE(rig.ctx.shell.calls, QStringList{u"openPath "_s + rig.folder + u"d.pdf"_s});

    // A row whose file exists names it in panel 2; one without empties the panel.
    w->ListView3_ItemClick(w->ListView3->model()->index(1, 0));
    QCOMPARE(w->StatusPanels.at(1)->text(), rig.folder + u"d.pdf"_s);
    w->ListView3_ItemClick(w->ListView3->model()->index(0, 0));
    QCOMPARE(w->StatusPanels.at(1)->text(), QString());

    rig.ctx.prompter.questionAnswers.enqueue(true);
    w->menus->menu清空->trigger();
    QCOMPARE(w->downloadList().rowCount(), 0);
    QCOMPARE(w->Label1->text(), u"记录数：0"_s);
}

void TestDownloadWindow::controlsDriveScheduler()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    DownloadScheduler& s = w->scheduler();
    w->Combo1->setCurrentIndex(5);
    w->Combo2->setCurrentIndex(7);
    w->Option1->setChecked(true);
    w->Check3->setChecked(true);
    w->Check4->setChecked(true);
    w->Combo4->setCurrentIndex(2);
    QCOMPARE(s.threadCount(), 6);
    QCOMPARE(s.interval(), 7);
    QCOMPARE(s.sameNameOption(), SameNameOption::Skip);
    QVERIFY(s.autoStart() && s.autoRedownload());
    QCOMPARE(s.redownloadChoice(), DownloadScheduler::RedownloadChoice::FailedAndHtmlPages);
    w->Check4->setChecked(false);

    rig.add(u"a"_s);
    w->Command4->click();
    QVERIFY(w->Timer_Down->isActive());
    QVERIFY(w->Shape1->isHidden()); // the supervisor tick shows it
    s.supervisorTick();
    QVERIFY(!w->Shape1->isHidden());
    QVERIFY(!w->menus->menu下载全部->isEnabled());
    QCOMPARE(w->StatusPanels.at(3)->text(), u"总数：1|正在下载：0|等待：1|已完成：0|失败：0"_s);
    w->Command31->click();
    QVERIFY(!w->Timer_Down->isActive());
    s.supervisorTick();
    QVERIFY(w->Timer_Down->isActive()); // auto-start: the row's columns are empty
    w->Check3->setChecked(false);
    w->menus->menu停止下载->trigger();
    s.supervisorTick();
    QVERIFY(w->Shape1->isHidden());
    QVERIFY(w->menus->menu下载全部->isEnabled());
}

// The window's scheduler runs method 2 through its slots: at six threads one tick starts six
// items, and every slot is free again once the files are there.
void TestDownloadWindow::methodTwoDownloadsInSlots()
{
    sample::SampleSite site;
    QVERIFY(site.listen());
    WindowRig rig;
    fFileDownload* w = rig.load();
    w->Combo1->setCurrentIndex(5);
    QCOMPARE(w->scheduler().threadCount(), 6);
    QStringList keys;
    for (int i = 1; i <= 7; ++i) {
        keys << site.urlText(u"/dl2/paper.pdf?%1"_s.arg(i));
        w->downloadList().addItem(keys.last(), u"paper%1"_s.arg(i), u"pdf"_s, rig.folder, u"ref"_s);
    }
    w->Command4_Click();
    rig.ctx.clock.advance(5);
    w->scheduler().schedulerTick();
    QCOMPARE(w->scheduler().CountDownloaders(), 7);
    QCOMPARE(w->downloadList().state(keys.last()), DownloadState::Waiting);
    w->scheduler().supervisorTick();
    QVERIFY(w->scheduler().TransferBusy());

    QTRY_COMPARE(w->downloadList().countInState(DownloadState::Completed), 6);
    QCOMPARE(w->scheduler().CountDownloaders(), 1);
    rig.ctx.clock.advance(1);
    w->scheduler().schedulerTick();
    QTRY_COMPARE(w->downloadList().state(keys.last()), DownloadState::Completed);
    for (int i = 1; i <= 7; ++i) {
        QCOMPARE(QFileInfo(rig.folder + u"paper%1.pdf"_s.arg(i)).size(), 3000);
    }
}

void TestDownloadWindow::switchAndOptionsDialog()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    w->Combo1->setCurrentIndex(3);
    w->Command4_Click();
    w->Command26->click();
    QCOMPARE(w->Label7->text(), u"下载方式：1"_s);
    QCOMPARE(w->Combo1->currentText(), u"1"_s);
    QVERIFY(!w->Combo1->isEnabled());
    QVERIFY(!w->Timer_Down->isActive());
    QVERIFY(w->Command4->isEnabled());
    w->Command26->click();
    QCOMPARE(w->Label7->text(), u"下载方式：2"_s);
    QVERIFY(w->Combo1->isEnabled());
    QCOMPARE(rig.ctx.shared.read(SettingKeys::sectionSettings(), SettingKeys::downloadMethod(),
                                 u"<absent>"_s),
             u"<absent>"_s); // switching is not saved

    // The options dialog reaches the open window.
    w->Combo1->setCurrentIndex(2);
    fOption dialog(rig.ctx.ui);
    dialog.Option1->setChecked(true);
    dialog.Command1->click();
    QCOMPARE(w->Label7->text(), u"下载方式：1"_s);
    QVERIFY(!w->Combo1->isEnabled());
    QCOMPARE(w->scheduler().method(), 1);
    fOption again(rig.ctx.ui);
    again.Option2->setChecked(true);
    again.Command1->click();
    QCOMPARE(w->Label7->text(), u"下载方式：2"_s);
    QVERIFY(w->Combo1->isEnabled());
    QCOMPARE(w->Combo1->currentText(), u"1"_s);
    QCOMPARE(w->scheduler().threadCount(), 1);
}

void TestDownloadWindow::statusPanels()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    w->StatusBar1_PanelClick(1);
    QCOMPARE(rig.ctx.shell.calls,
             QStringList{u"openUrlInNewBrowserWindow "_s + rig.ctx.services.config.makerWebSite});
    rig.ctx.shell.calls.clear();
    w->scheduler().setPanelText(2, u"正在下载:a"_s);
    QCOMPARE(w->StatusPanels.at(1)->text(), u"正在下载:a"_s);
    w->StatusBar1_PanelClick(2); // a transfer's text names no file
    w->StatusBar1_PanelClick(3);
    w->StatusBar1_PanelClick(4);
    QVERIFY(rig.ctx.shell.calls.isEmpty());
    QFile file(rig.folder + u"x.pdf"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    w->scheduler().setPanelText(2, rig.folder + u"x.pdf"_s);
    w->StatusBar1_PanelClick(2);
    QCOMPARE(rig.ctx.shell.calls, QStringList{u"openPath "_s + rig.folder + u"x.pdf"_s});
    w->scheduler().setPanelText(3, u"3 正在与主机连接..."_s);
    QCOMPARE(w->StatusPanels.at(2)->text(), u"3 正在与主机连接..."_s);
}

void TestDownloadWindow::menuWindowsAndLinks()
{
    WindowRig rig;
    QPointer<QWidget> search;
    rig.ctx.forms.registerForm(u"fWebSearch"_s, [&search] {
        search = new QWidget;
        search->setObjectName(u"fWebSearch"_s);
        return search.data();
    });
    fFileDownload* w = rig.load();
    w->menus->menu打开网页分析窗口->trigger();
    QVERIFY(search && search->isVisible());

    w->menus->menu作者网站Qelvo软件->trigger();
    w->menus->menu最新版本->trigger();
    w->menus->menu软件教程和问答->trigger();
    w->menus->menu软件定制->trigger();
    const AppConfig& config = rig.ctx.services.config;
    const QString browserWindow = u"openUrlInNewBrowserWindow "_s;
    QCOMPARE(
        rig.ctx.shell.calls,
        (QStringList{browserWindow + config.makerWebSite, browserWindow + config.makerDownloadPage,
                     browserWindow + config.makerTutorialPage,
                     browserWindow + config.makerCustomPage}));
    rig.ctx.shell.calls.clear();
    w->menus->menu给软件作者建议->trigger();
    QCOMPARE(rig.ctx.shell.calls.size(), 1);
    QVERIFY(rig.ctx.shell.calls.first().startsWith(u"openUrl mailto:"_s + config.makerContactMail));

    // The PDF check from the tools menu.
    const QString key = u"http://127.0.0.1:1/x"_s;
    w->downloadList().addItem(key, u"x"_s, u"pdf"_s, rig.folder, QString());
    w->downloadList().setState(key, DownloadState::Completed);
    QFile file(rig.folder + u"x.pdf"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xC8\0\0\0data", 8));
    file.close();
    w->menus->menu检查PDF文件->trigger();
    QCOMPARE(w->downloadList().item(key).type, u"CAJ"_s);
    QVERIFY(QFile::exists(rig.folder + u"x.CAJ"_s));
    delete search.data();
}

void TestDownloadWindow::close_data()
{
    QTest::addColumn<QString>("states"); // W waiting, C completed, F failed
    QTest::addColumn<bool>("timerOn");
    QTest::addColumn<bool>("searchLoaded");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("launcherShown");

    QTest::newRow("finished rows: no question") << u"CFC"_s << false << false << false << true;
    QTest::newRow("empty list") << QString() << false << false << false << true;
    QTest::newRow("one waiting row asks") << u"CWC"_s << false << false << true << true;
    QTest::newRow("scheduler on asks") << u"C"_s << true << false << true << true;
    QTest::newRow("search window open: no launcher") << u"C"_s << false << true << false << false;
}

void TestDownloadWindow::close()
{
    QFETCH(QString, states);
    QFETCH(bool, timerOn);
    QFETCH(bool, searchLoaded);
    QFETCH(bool, asked);
    QFETCH(bool, launcherShown);

    WindowRig rig;
    std::unique_ptr<QWidget> search;
    if (searchLoaded) {
        search = std::make_unique<QWidget>();
        search->setObjectName(u"fWebSearch"_s);
    }
    fFileDownload* w = rig.load();
    w->show();
    for (qsizetype i = 0; i < states.size(); ++i) {
        const QChar s = states.at(i);
        rig.add(QString::number(i),
                s == u'W'       ? DownloadState::Waiting
                    : s == u'F' ? DownloadState::Failed
                                : DownloadState::Completed);
    }
    if (timerOn) {
        w->Command4_Click();
    }
    w->Combo1->setCurrentIndex(4);

    QVERIFY(w->close());
    QCOMPARE(rig.ctx.prompter.boxes.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(rig.ctx.prompter.boxes.first().text,
                 u"正在下载文件或者下载没有完成，要强制关闭窗口吗？"_s);
        QCOMPARE(rig.ctx.prompter.boxes.first().icon, Prompter::Icon::Question);
    }
    QVERIFY(!IsFormLoaded(u"fFileDownload"_s));
    QCOMPARE(rig.cover->isVisible(), launcherShown);
    QCOMPARE(rig.ctx.shared.read(SettingKeys::sectionDownload(), SettingKeys::threads(), {}),
             u"4"_s);
    QVERIFY(!w->Timer1->isActive() && !w->Timer_Down->isActive() && !w->Timer2->isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!rig.window); // unloaded: its rows are gone with it
    QCOMPARE(rig.ctx.forms.loaded(u"fFileDownload"_s), nullptr);
}

void TestDownloadWindow::closeRefusedKeepsRunning()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    w->show();
    const QString key = rig.add(u"a"_s, DownloadState::Downloading);
    w->Command4_Click();
    rig.ctx.prompter.questionAnswers.enqueue(false);
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QVERIFY(w->Timer1->isActive() && w->Timer_Down->isActive());
    QCOMPARE(w->downloadList().state(key), DownloadState::Downloading);
    QVERIFY(IsFormLoaded(u"fFileDownload"_s));
    QVERIFY(!rig.cover->isVisible());

    // Yes: running rows are failed by the stop.
    QVERIFY(w->close());
    QCOMPARE(rig.ctx.prompter.boxes.size(), 2);
    QCOMPARE(w->downloadList().state(key), DownloadState::Failed);
}

// Closed from inside a running transfer (which serves the window): the transfer cancels
// and the window goes only after the tick it runs in has returned.
void TestDownloadWindow::closeDuringTransfer()
{
    WindowRig rig;
    sample::SampleSite site;
    QVERIFY(site.listen());
    rig.store(u"设置"_s, u"下载方式"_s, u"1"_s);
    fFileDownload* w = rig.load();
    w->show();
    const QString key = site.urlText(u"/dl/stall.pdf"_s);
    w->downloadList().addItem(key, u"stall"_s, u"pdf"_s, rig.folder, QString());
    bool closed = false;
    bool aliveAfterClose = false;
    rig.ctx.pump.onPump = [&] {
        if (!closed && rig.window && rig.window->downloadList().item(key).downloaded == u"4096"_s) {
            closed = true;
            QVERIFY(rig.window->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            aliveAfterClose = !rig.window.isNull();
        }
    };
    w->Command4_Click();
    w->Timer_Down->setInterval(1);
    rig.ctx.clock.advance(1);
    QVERIFY(QTest::qWaitFor([&] { return closed && !rig.window; }, 10000));
    rig.ctx.pump.onPump = nullptr;
    QVERIFY(aliveAfterClose);
    QCOMPARE(rig.ctx.prompter.boxes.size(), 1); // asked, answered yes
    QVERIFY(!QFile::exists(rig.folder + u"stall.pdf"_s));
    QVERIFY(QDir(rig.folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestDownloadWindow::geometry()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    w->show();
    for (const QSize size : {QSize(900, 600), QSize(1200, 800), QSize(700, 450)}) {
        w->resize(size);
        QCoreApplication::processEvents();
        const QRect top = w->Picture3->geometry();
        const QRect list = w->ListView3->geometry();
        QCOMPARE(list.top(), top.bottom() + 1);
        QCOMPARE(list.left(), top.left());
        QCOMPARE(list.width(), top.width());
        QVERIFY(list.width() > w->width() - 30 && list.right() < w->width());
        QVERIFY(list.height() > 100);
        // The list ends above the status bar, a few pixels short of it.
        const int listBottom = w->centralWidget()->mapTo(w, list.bottomLeft()).y();
        QVERIFY(listBottom < w->StatusBar1->geometry().top());
        QVERIFY(listBottom > w->StatusBar1->geometry().top() - 20);
        QCOMPARE(w->WebLoginPanel->geometry(), list);
        QCOMPARE(w->Image1->geometry(), QRect(QPoint(0, 0), top.size()));
    }
    const QRect before = w->ListView3->geometry();
    w->showMinimized();
    QCoreApplication::processEvents();
    w->showNormal();
    QCoreApplication::processEvents();
    QCOMPARE(w->ListView3->geometry().top(), before.top());
    QVERIFY(w->StatusBar1->isVisible());
}

void TestDownloadWindow::geometryRules()
{
    DownloadWindowGeometry::Input in;
    in.windowWidth = 15000;
    in.windowHeight = 9000;
    in.topPanelHeight = 1400;
    in.statusBarHeight = 345;
    in.captionHeight = 330;
    in.menuBarHeight = 300;
    const DownloadWindowGeometry g = DownloadWindowGeometry::compute(in);
    QCOMPARE(g.topPanel, QRect(20, 20, 14700, 1400));
    QCOMPARE(g.list, QRect(20, 1420, 14700, 9000 - 1420 - 345 - 330 - 300 - 140));
    QCOMPARE(g.loginPanel, g.list);
    QCOMPARE(DownloadWindowGeometry::loginBrowser(g.loginPanel, 800),
             QRect(0, 800, 14660, g.list.height() - 800 - 40));
    in.windowHeight = 1000; // too small: nothing negative
    QCOMPARE(DownloadWindowGeometry::compute(in).list.height(), 0);
}

void TestDownloadWindow::loginPanelWithoutBrowser()
{
    WindowRig rig;
    fFileDownload* w = rig.load();
    PicWebBK* panel = w->WebLoginPanel;
    panel->Text1->setText(u"http://127.0.0.1:1/login"_s);
    panel->Text2->setText(u"reader"_s);
    panel->Command5->click(); // no password
    QCOMPARE(rig.ctx.prompter.messages(),
             QStringList{u"必须先设置登录网址、登录帐号、登录密码！"_s});
    QCOMPARE(rig.ctx.prompter.boxes.first().icon, Prompter::Icon::Critical);
    panel->Check2->setChecked(true);
    QVERIFY(!panel->Check2->isChecked());
    QCOMPARE(rig.ctx.prompter.boxes.size(), 2);
    QVERIFY(!panel->hasBrowser());

    panel->Check1->setChecked(true);
    QVERIFY(w->Timer2->isActive());
    panel->Check1->setChecked(false);
    QVERIFY(!w->Timer2->isActive());

    panel->Text3->setText(u" secret "_s);
    panel->Check2->setChecked(true);
    QVERIFY(panel->Check2->isChecked());
    panel->Command3->click(); // automatic login on: the address stays
    QCOMPARE(panel->Text1->text(), u"http://127.0.0.1:1/login"_s);
    panel->Check2->setChecked(false);
    panel->Command3->click();
    QCOMPARE(panel->Text1->text(), QString());
    QCOMPARE(panel->Text2->text(), u"reader"_s);
    QCOMPARE(panel->Text3->text(), u" secret "_s);
    QVERIFY(panel->isHidden());
}

ZORV_TEST_MAIN(TestDownloadWindow)
#include "tst_downloadwindow.moc"
