#include "BrowserFixture.h"
#include "TestContext.h"
#include "TestMain.h"
#include "app/SettingKeys.h"
#include "cache/BrowserDiskCache.h"
#include "cache/fIEcache.h"
#include "download/DownloadList.h"
#include "download/DownloadListHost.h"
#include "files/fSeleFileSavePath.h"
#include "search/ArticleList.h"
#include "search/SearchLayout.h"
#include "search/SearchSession.h"
#include "search/fWebSearch.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace zorvtest;

namespace {

// A test context whose pump waits for real events, with the sample site as the journal.
struct WindowContext {
    explicit WindowContext(BrowserFixture& fixture)
        : ui{services, ctx.forms, fixture.profile.get(), nullptr}
    {
        services.config = AppConfig::forBases(fixture.site.base(), fixture.site.base());
        ctx.forms.registerForm(u"fCover"_s, [this] {
            auto* cover = new QWidget;
            cover->setObjectName(u"fCover"_s);
            covers.append(cover);
            return cover;
        });
    }
    ~WindowContext()
    {
        delete window.data();
        qDeleteAll(covers);
    }

    // The search window, shown, with the home page loaded.
    fWebSearch* open()
    {
        window = new fWebSearch(ui);
        window->show();
        const bool home = waitUntil([this] {
            return window->browser().title() == u"Journal of Sample Studies"_s
                && !window->browser().isBusy();
        });
        return home ? window.data() : nullptr;
    }

    TestContext ctx;
    SteppingPump pump{ctx.clock};
    AppServices services{ctx.store,
                         ctx.shared,
                         ctx.clock,
                         pump,
                         ctx.prompter,
                         ctx.shell,
                         ctx.registry,
                         ctx.services.config,
                         ctx.services.executablePath,
                         ctx.services.OsName};
    UiServices ui;
    QPointer<fWebSearch> window;
    QList<QWidget*> covers;
};

// Stands in for the download window: a window of that name that takes the handed-over items.
class FakeDownloadWindow final : public QWidget, public DownloadListHost {
public:
    FakeDownloadWindow() { setObjectName(u"fFileDownload"_s); }
    DownloadList& downloadList() override { return list; }
    void showForHandOff() override
    {
        ++shown;
        show();
    }
    DownloadList list;
    int shown = 0;
};

// The search window with the issue listing's seven articles in its list and a download
// window to hand them to.
struct AnalysisWindow {
    explicit AnalysisWindow(BrowserFixture& fixture)
        : c(fixture)
    {
        c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"1"_s);
        // The window directory owns it, as it owns the real one.
        c.ctx.forms.registerForm(u"fFileDownload"_s, [this] {
            window = new FakeDownloadWindow;
            return window.data();
        });
    }
    bool open(BrowserFixture& fixture)
    {
        w = c.open();
        if (!w || !loadPage(w->browser(), fixture.url(u"/issue/94/1"_s))) {
            return false;
        }
        w->session().parseShownPage(u"/tmp/books/"_s);
        return w->session().articles().count() == 7;
    }
    QStringList statuses()
    {
        QStringList found;
        for (const ArticleEntry& entry : w->session().articles().entries()) {
            found << entry.analysisStatus;
        }
        return found;
    }

    // The download window, once the search window loaded it.
    FakeDownloadWindow& download() { return *window; }
    bool downloadLoaded() const { return !window.isNull(); }

    WindowContext c;
    QPointer<FakeDownloadWindow> window;
    fWebSearch* w = nullptr;
};

QStringList entryCaptions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions << (action->isSeparator() ? u"-"_s : action->text());
    }
    return captions;
}

// Closes every modal dialog as soon as it shows and remembers its name.
class ModalCloser {
public:
    ModalCloser()
    {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                names << modal->objectName();
                modal->reject();
            }
        });
        m_poll.start(10);
    }
    QStringList names;

private:
    QTimer m_poll;
};

void sendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               const QPoint& local)
{
    QMouseEvent event(type, QPointF(local), widget->mapToGlobal(QPointF(local)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Drags the splitter bar by dy pixels and lets it go.
void dragSplitter(QWidget* bar, int dy)
{
    const QPoint grab(bar->width() / 2, bar->height() / 2);
    sendMouse(bar, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, grab);
    sendMouse(bar, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, grab + QPoint(0, dy));
    sendMouse(bar, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, grab);
}

double redShare(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    }
    return double(red) / (image.width() * image.height());
}

} // namespace

class TestWebSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void controlsMenusAndCaptions();
    void loadReadsTheSettingAndOpensTheHomePage();
    void minimumSizeSnapsBack();
    void splitterSnapsBackOutsideItsRange();
    void panelsFollowTheSplitter();
    void addThisPageCountsTheRows();
    void addThisPageShowsTheChooserWhenSet();
    void addAllShowsItsRunningStateAndStops();
    void closingWhileAddingAllEndsTheCrawlFirst();
    void rightClickOpensTheClearMenuOnAnEmptyList();
    void analyseWithoutSelectionTakesEveryRow();
    void analyseWithSelectionOpensTheMenu();
    void stopEndsTheAnalysisAfterTheRow();
    void closingWhileAnalysingEndsTheRunFirst();
    void clearMenuEntriesReachTheirCommands();
    void exportThroughTheSaveDialog();
    void openGivenUrl_data();
    void openGivenUrl();
    void menusOpenTheirWindowsAndPages_data();
    void menusOpenTheirWindowsAndPages();
    void cacheMenusReachTheViewer();
    void closeShowsTheLauncherUnlessTheDownloadWindowIsLoaded_data();
    void closeShowsTheLauncherUnlessTheDownloadWindowIsLoaded();

private:
    std::unique_ptr<BrowserFixture> m_fixture;
};

void TestWebSearch::initTestCase() { m_fixture = std::make_unique<BrowserFixture>(); }

void TestWebSearch::cleanupTestCase() { m_fixture.reset(); }

void TestWebSearch::controlsMenusAndCaptions()
{
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), u"ZORV数据检索分析-Qelvo软件"_s);
    const QList<std::pair<QString, QString>> captions = {
        {u"Command9"_s, u"加入本页到列表"_s}, {u"Command4"_s, u"加入全部到列表"_s},
        {u"Command2"_s, u"分析下载"_s},       {u"Command7"_s, u"导出数据..."_s},
        {u"Command5"_s, u"停止"_s},
    };
    for (const auto& [name, caption] : captions) {
        auto* button = w->findChild<QPushButton*>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->text(), caption);
    }
    QCOMPARE(w->findChild<QLabel*>(u"Label2"_s)->text(), u"待下载列表："_s);
    QCOMPARE(w->findChild<QLabel*>(u"Label1"_s)->text(), u"0"_s);
    QCOMPARE(w->findChild<QLabel*>(u"Label11"_s)->text(), u"正在分析，请稍候..."_s);
    for (const QString& name : {u"PicPanWeb"_s, u"PicBar"_s, u"PicPanList"_s}) {
        QVERIFY2(w->findChild<QWidget*>(name), qPrintable(name));
    }
    QVERIFY(w->findChild<QWidget*>(u"PicPanPrograss"_s)->isHidden());
    for (const QString& name : {u"WebBrowser1"_s, u"ListView1"_s}) {
        QWidget* control = w->findChild<QWidget*>(name);
        QVERIFY2(control && !control->accessibleName().isEmpty(), qPrintable(name));
    }
    auto* list = w->findChild<QTreeView*>(u"ListView1"_s);
    QStringList headers;
    for (int i = 0; i < list->model()->columnCount(); ++i) {
        headers << list->model()->headerData(i, Qt::Horizontal).toString();
    }
    QCOMPARE(headers,
             (QStringList{u"标题"_s, u"文件类型"_s, u"分析状态"_s, u"保存路径"_s, u"TYPE"_s}));
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(w->statusPanel(1)->text(), u"Qelvo软件"_s);

    QStringList topLevel;
    for (const QAction* action : w->menuBar()->actions()) {
        topLevel << action->text() + (action->isVisible() ? QString() : u" (hidden)"_s);
    }
    QCOMPARE(topLevel,
             (QStringList{u"加入 (hidden)"_s, u"浏览(&B)"_s, u"清除(&C)"_s, u"工具(&T)"_s,
                          u"帮助(&H)"_s}));
    const QList<std::pair<QString, QStringList>> entries = {
        {u"menu加入"_s, {u"分析未分析项"_s, u"分析失败项"_s, u"分析选中项"_s, u"分析全部"_s}},
        {u"menu浏览"_s,
         {u"打开ZORV首页"_s, u"打开指定网址..."_s, u"-"_s, u"后退"_s, u"前进"_s, u"-"_s,
          u"关闭本窗口"_s}},
        {u"menu清除"_s,
         {u"清除选中项"_s, u"清除分析成功项"_s, u"清除标题含指定字符项"_s,
          u"清除标题不含指定字符项"_s, u"清空全部"_s}},
        {u"menu工具"_s,
         {u"设置"_s, u"打开下载窗口"_s, u"-"_s, u"查看IE浏览器缓存"_s, u"清空IE浏览器缓存"_s}},
        {u"menu帮助"_s,
         {u"关于(&A)"_s, u"-"_s, u"作者网站－Qelvo软件"_s, u"最新版本"_s, u"软件定制"_s,
          u"给软件作者建议"_s}},
    };
    for (const auto& [name, expected] : entries) {
        auto* menu = w->findChild<QMenu*>(name);
        QVERIFY2(menu, qPrintable(name));
        QCOMPARE(entryCaptions(menu), expected);
    }
    QVERIFY(w->findChild<QAction*>(u"menu清除标题不含指定字符项"_s));
    QVERIFY(w->findChild<QAction*>(u"menu给软件作者建议"_s));
}

void TestWebSearch::loadReadsTheSettingAndOpensTheHomePage()
{
    WindowContext c(*m_fixture);
    c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"0"_s);
    c.ctx.shared.PromptSavePath = 1;
    // The stored home page wins over the configured one.
    c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::homePage(),
                       m_fixture->url(u"/"_s));
    c.services.config.journalHomePage = m_fixture->url(u"/nowhere"_s);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QCOMPARE(c.ctx.shared.PromptSavePath, 0);
    QVERIFY(w->browser().isSilent());
    QVERIFY(w->session().StopAnalysis);
    QVERIFY(w->StatusBar1->isVisible());
    QCOMPARE(w->browser().locationUrl(), m_fixture->url(u"/"_s));
}

void TestWebSearch::minimumSizeSnapsBack()
{
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    const Twips twips(*w);
    w->resize(200, 100);
    QCOMPARE(w->width(), twips.toPixelsX(9000));
    QCOMPARE(w->height(), twips.toPixelsY(5000));
}

void TestWebSearch::splitterSnapsBackOutsideItsRange()
{
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    const Twips twips(*w);
    const int fourFifths = twips.toPixelsY(twips.fromPixelsY(w->frameGeometry().height()) * 4 / 5);
    QCOMPARE(w->PicBar->y(), fourFifths); // where the first layout puts it

    dragSplitter(w->PicBar, -w->PicBar->y() / 2); // into the middle: it stays
    const int middle = w->PicBar->y();
    QVERIFY(qAbs(middle - fourFifths / 2) <= 2);
    QCOMPARE(w->PicPanWeb->height(), middle);

    // Into the status bar: back to four fifths of the height.
    const int statusBarTop = w->StatusBar1->mapTo(w, QPoint(0, 0)).y();
    dragSplitter(w->PicBar, statusBarTop - w->centralWidget()->y() - middle + 5);
    QCOMPARE(w->PicBar->y(), fourFifths);
    dragSplitter(w->PicBar, -w->PicBar->y() - 20); // above the web panel
    QCOMPARE(w->PicBar->y(), fourFifths);
}

void TestWebSearch::panelsFollowTheSplitter()
{
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    w->resize(1100, 800);
    dragSplitter(w->PicBar, -200);
    const Twips twips(*w);
    const QRect bar = w->PicBar->geometry();
    QCOMPARE(w->PicPanWeb->geometry().top(), 0);
    QCOMPARE(w->PicPanWeb->geometry().bottom() + 1, bar.top());
    QCOMPARE(w->PicPanList->geometry().top(), bar.bottom() + 1);
    QCOMPARE(w->PicPanList->x(), bar.x());
    QCOMPARE(w->PicPanList->width(), bar.width());
    QCOMPARE(bar.width(), twips.toPixelsX(twips.fromPixelsX(w->frameGeometry().width()) - 300));
    QVERIFY(w->PicPanList->geometry().bottom() < w->centralWidget()->height());
    QCOMPARE(w->ListView1->geometry().right() + 1, w->PicPanList->width() - twips.toPixelsX(50));
    QCOMPARE(w->ListView1->geometry().bottom() + 1, w->PicPanList->height() - twips.toPixelsY(50));
    QVERIFY(qAbs(w->WebBrowser1->width() - (w->PicPanWeb->width() - twips.toPixelsX(20))) <= 1);
}

void TestWebSearch::addThisPageCountsTheRows()
{
    WindowContext c(*m_fixture);
    c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"0"_s);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QVERIFY(loadPage(w->browser(), m_fixture->url(u"/issue/94/1"_s)));
    w->Command9->click();
    QCOMPARE(w->Label1->text(), u"7"_s);
    w->Command9->click(); // the same page again adds nothing
    QCOMPARE(w->Label1->text(), u"7"_s);
    QVERIFY(loadPage(w->browser(), m_fixture->url(u"/toc/93/4"_s)));
    w->Command9->click();
    QCOMPARE(w->Label1->text(), u"11"_s); // the rows in the list, not the rows just found
    const QHeaderView* header = w->ListView1->header();
    QVERIFY(header->sectionSize(0)
            >= static_cast<QAbstractItemView*>(w->ListView1)->sizeHintForColumn(0));
    w->ListView1->edit(w->ListView1->model()->index(0, 0)); // titles are not edited in place
    QVERIFY(w->ListView1->findChildren<QLineEdit*>().isEmpty());
}

void TestWebSearch::addThisPageShowsTheChooserWhenSet()
{
    WindowContext c(*m_fixture);
    c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"1"_s);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QVERIFY(loadPage(w->browser(), m_fixture->url(u"/issue/94/1"_s)));
    const QString folder = c.ctx.path(u"papers"_s);
    int shown = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* chooser = qobject_cast<fSeleFileSavePath*>(QApplication::activeModalWidget())) {
            ++shown;
            chooser->Combo1->setEditText(folder);
            chooser->Command2->click();
        }
    });
    poll.start(10);
    w->Command9->click();
    QCOMPARE(shown, 1);
    QCOMPARE(w->session().articles().count(), 7);
    QCOMPARE(w->session().articles().entry(0).saveFolder, folder + u'/');
}

void TestWebSearch::addAllShowsItsRunningStateAndStops()
{
    WindowContext c(*m_fixture);
    c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"0"_s);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QVERIFY(loadPage(w->browser(), m_fixture->url(u"/search/stall"_s)));
    c.pump.advance = [] { return false; };
    QString runningCaption;
    double runningRed = 0;
    c.pump.onPump = [&] {
        if (runningCaption.isEmpty() && w->browser().isBusy()) {
            runningCaption = w->Command4->text();
            runningRed = redShare(w->Command4);
            w->Command4->click(); // stop while the next page loads
        }
    };
    w->Command4->click();
    QCOMPARE(runningCaption, u"停止加入全部"_s);
    QVERIFY2(runningRed > 0.5, qPrintable(QString::number(runningRed)));
    QCOMPARE(w->Command4->text(), u"加入全部到列表"_s);
    QVERIFY(redShare(w->Command4) < 0.05);
    QCOMPARE(w->Label1->text(), u"3"_s);
}

void TestWebSearch::closingWhileAddingAllEndsTheCrawlFirst()
{
    WindowContext c(*m_fixture);
    c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"0"_s);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QVERIFY(loadPage(w->browser(), m_fixture->url(u"/search/stall"_s)));
    c.pump.advance = [] { return false; };
    bool closed = false;
    c.pump.onPump = [&] {
        if (!closed && w->browser().isBusy()) {
            closed = true;
            w->close(); // while the crawl waits for the next page
        }
    };
    w->Command4->click();
    QVERIFY(closed);
    QVERIFY(c.window); // the window outlives the loop that runs in it
    QVERIFY(!IsFormLoaded(u"fWebSearch"_s));
    QVERIFY(c.ctx.forms.loaded(u"fCover"_s)->isVisible());
    QCOMPARE(w->Label1->text(), u"3"_s);
    ZORV_WAIT(c.window.isNull());
}

void TestWebSearch::rightClickOpensTheClearMenuOnAnEmptyList()
{
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    QCOMPARE(w->ListView1->model()->rowCount(), 0);
    sendMouse(w->ListView1->viewport(), QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton,
              QPoint(20, 20));
    QVERIFY(w->menus.menu清除->isVisible());
    w->menus.menu清除->close();
}

void TestWebSearch::analyseWithoutSelectionTakesEveryRow()
{
    AnalysisWindow a(*m_fixture);
    a.c.ctx.shared.write(SettingKeys::sectionSettings(), SettingKeys::promptSavePath(), u"1"_s);
    a.w = a.c.open();
    QVERIFY(a.w);
    fWebSearch* w = a.w;
    w->Command2->click();
    QCOMPARE(a.c.ctx.prompter.messages(), QStringList{u"列表没有数据哦！"_s});
    QVERIFY(w->Command2->isEnabled());
    QVERIFY(!a.downloadLoaded());

    QVERIFY(loadPage(w->browser(), m_fixture->url(u"/issue/94/1"_s)));
    w->session().parseShownPage(u"/tmp/books/"_s);
    QCOMPARE(w->session().articles().count(), 7);
    QSignalSpy menuShown(w->menus.menu加入, &QMenu::aboutToShow);
    QStringList seen;
    bool buttonEnabled = false;
    a.c.pump.onPump = [&] {
        if (w->PicPanPrograss->isVisible()) {
            seen << w->Label11->text();
            buttonEnabled = buttonEnabled || w->Command2->isEnabled();
        }
    };
    w->Command2->click();
    a.c.pump.onPump = nullptr;
    QCOMPARE(menuShown.count(), 0);
    QVERIFY(!buttonEnabled);
    QVERIFY(w->Command2->isEnabled());
    QCOMPARE(seen.size(), 8);
    QCOMPARE(seen.first(), u"正在分析,请稍候..."_s);
    const ArticleList& list = w->session().articles();
    for (int row = 0; row < 7; ++row) {
        QCOMPARE(seen.at(row + 1),
                 u"正在分析第%1/7条记录：%2"_s.arg(row + 1).arg(list.entry(row).title));
    }
    QCOMPARE(a.statuses(), QStringList(7, u"成功"_s));
    QVERIFY(w->PicPanPrograss->isHidden());
    QCOMPARE(w->statusPanel(3)->text(), u"本次分析成功：7条"_s);
    QCOMPARE(a.download().list.rowCount(), 7);
    QCOMPARE(a.download().list.at(0).key, list.entry(0).key + u".full.pdf"_s);
    QCOMPARE(a.download().shown, 1);
    QVERIFY(a.download().isVisible());
}

void TestWebSearch::analyseWithSelectionOpensTheMenu()
{
    AnalysisWindow a(*m_fixture);
    QVERIFY(a.open(*m_fixture));
    fWebSearch* w = a.w;
    QItemSelectionModel* selection = w->ListView1->selectionModel();
    for (int row : {1, 3}) {
        selection->select(w->ListView1->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::optional<QPoint> menuAt;
    bool buttonEnabled = true;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu != w->menus.menu加入 || !menu->isVisible()) {
            return;
        }
        poll.stop();
        menuAt = menu->pos();
        buttonEnabled = w->Command2->isEnabled();
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(w->menus.menu分析选中项).center());
    });
    poll.start(10);
    w->Command2->click();
    QVERIFY(menuAt);
    QVERIFY((*menuAt - QCursor::pos()).manhattanLength() < 40); // at the mouse
    QVERIFY(!buttonEnabled);
    QCOMPARE(
        a.statuses(),
        (QStringList{QString(), u"成功"_s, QString(), u"成功"_s, QString(), QString(), QString()}));
    QCOMPARE(a.download().list.rowCount(), 2);
}

void TestWebSearch::stopEndsTheAnalysisAfterTheRow()
{
    AnalysisWindow a(*m_fixture);
    QVERIFY(a.open(*m_fixture));
    fWebSearch* w = a.w;
    a.c.pump.onPump = [&] {
        if (a.downloadLoaded() && a.download().list.rowCount() == 2) {
            w->Command5->click();
        }
    };
    w->menus.menu分析全部->trigger();
    QCOMPARE(
        a.statuses(),
        (QStringList{u"成功"_s, u"成功"_s, QString(), QString(), QString(), QString(), QString()}));
    QCOMPARE(w->statusPanel(3)->text(), u"本次分析成功：2条"_s);
    QVERIFY(w->session().StopAnalysis);
}

void TestWebSearch::closingWhileAnalysingEndsTheRunFirst()
{
    AnalysisWindow a(*m_fixture);
    QVERIFY(a.open(*m_fixture));
    fWebSearch* w = a.w;
    bool closed = false;
    a.c.pump.onPump = [&] {
        if (!closed && a.downloadLoaded() && a.download().list.rowCount() == 1) {
            closed = true;
            w->close();
        }
    };
    w->Command2->click();
    QVERIFY(closed);
    QVERIFY(a.c.window); // the window outlives the loop that runs in it
    QVERIFY(!IsFormLoaded(u"fWebSearch"_s));
    QCOMPARE(
        a.statuses(),
        (QStringList{u"成功"_s, QString(), QString(), QString(), QString(), QString(), QString()}));
    ZORV_WAIT(a.c.window.isNull());
}

void TestWebSearch::clearMenuEntriesReachTheirCommands()
{
    AnalysisWindow a(*m_fixture);
    QVERIFY(a.open(*m_fixture));
    fWebSearch* w = a.w;
    RecordingPrompter& prompter = a.c.ctx.prompter;
    const ArticleList& list = w->session().articles();
    w->ListView1->selectionModel()->select(w->ListView1->model()->index(0, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->menus.menu清除选中项->trigger();
    QCOMPARE(w->Label1->text(), u"6"_s);
    w->session().articles().setAnalysisStatus(0, u"成功"_s);
    w->menus.menu清除分析成功项->trigger();
    QCOMPARE(w->Label1->text(), u"5"_s);
    const QString title = list.entry(0).title;
    prompter.inputAnswers << std::optional<QString>(title.toUpper());
    w->menus.menu清除标题含指定字符项->trigger();
    QVERIFY(!list.contains(title));
    prompter.inputAnswers << std::optional<QString>(u"("_s);
    w->menus.menu清除标题不含指定字符项->trigger(); // every title has one
    const int rows = list.count();
    QVERIFY(rows >= 1 && rows < 5);
    QCOMPARE(w->Label1->text(), QString::number(rows));
    prompter.questionAnswers << false << true;
    w->menus.menu清空全部->trigger();
    QCOMPARE(list.count(), rows);
    w->menus.menu清空全部->trigger();
    QCOMPARE(w->Label1->text(), u"0"_s);
    QVERIFY(w->ListView1->updatesEnabled());
}

void TestWebSearch::exportThroughTheSaveDialog()
{
    AnalysisWindow a(*m_fixture);
    QVERIFY(a.open(*m_fixture));
    fWebSearch* w = a.w;
    const QString path = a.c.ctx.path(u"articles"_s);
    QString suffix;
    QStringList filters;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        if (!suffix.isEmpty()) {
            dialog->reject(); // still open after the name was given: the test fails below
            return;
        }
        suffix = dialog->defaultSuffix();
        filters = dialog->nameFilters();
        dialog->selectFile(path);
        // With the name box focused, selectFile leaves the box alone: type the name in.
        if (auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)) {
            name->setText(QFileInfo(path).fileName());
        }
        static_cast<QDialog*>(dialog)->accept(); // as the dialog's own button does
    });
    poll.start(10);
    w->Command7->click();
    QCOMPARE(suffix, u"txt"_s);
    QCOMPARE(filters, QStringList{u"*.txt (*.txt)"_s});
    QFile file(path + u".txt"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines.first().endsWith(u"-【pdf】\r"_s.toUtf8())); // not analysed yet
    QCOMPARE(a.c.ctx.prompter.messages().size(), 1);
    QVERIFY(a.c.ctx.prompter.messages().first().startsWith(u"保存文件完毕："_s));
}

void TestWebSearch::openGivenUrl_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<bool>("navigates");
    QTest::newRow("address") << std::optional<QString>(u"  <site>/toc/93/4 "_s) << true;
    QTest::newRow("blank answer") << std::optional<QString>(u"   "_s) << false;
    QTest::newRow("cancel") << std::optional<QString>() << false;
}

void TestWebSearch::openGivenUrl()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(bool, navigates);
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    if (answer) {
        answer->replace(u"<site>"_s, m_fixture->site.base());
    }
    c.ctx.prompter.inputAnswers.enqueue(answer);
    w->menus.menu打开指定网址->trigger();
    QCOMPARE(c.ctx.prompter.messages(), QStringList{u"请输入需要打开的网址："_s});
    if (navigates) {
        ZORV_WAIT(w->browser().locationUrl() == m_fixture->url(u"/toc/93/4"_s));
    } else {
        QCOMPARE(w->browser().locationUrl(), m_fixture->url(u"/"_s));
    }
}

void TestWebSearch::menusOpenTheirWindowsAndPages_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("modal"); // the dialog it opens, or none
    QTest::addColumn<QString>("shellCall"); // what it asks of the desktop, or none
    QTest::newRow("设置") << u"menu设置"_s << u"fOption"_s << QString();
    QTest::newRow("关于") << u"menu关于"_s << u"frmAbout"_s << QString();
    QTest::newRow("作者网站") << u"menu作者网站"_s << QString()
                              << u"openUrlInNewBrowserWindow <maker>/maker/"_s;
    QTest::newRow("最新版本") << u"menu最新版本"_s << QString()
                              << u"openUrl <maker>/maker/download.html"_s;
    QTest::newRow("软件定制") << u"menu软件定制"_s << QString()
                              << u"openUrlInNewBrowserWindow <maker>/maker/custom.html"_s;
    QTest::newRow("给软件作者建议") << u"menu给软件作者建议"_s << QString() << u"openUrl mailto:"_s;
}

void TestWebSearch::menusOpenTheirWindowsAndPages()
{
    QFETCH(QString, entry);
    QFETCH(QString, modal);
    QFETCH(QString, shellCall);
    WindowContext c(*m_fixture);
    fWebSearch* w = c.open();
    QVERIFY(w);
    ModalCloser closer;
    w->findChild<QAction*>(entry)->trigger();
    if (!modal.isEmpty()) {
        QCOMPARE(closer.names, QStringList{modal});
        QVERIFY(c.ctx.shell.calls.isEmpty());
    } else {
        QVERIFY(closer.names.isEmpty());
        QCOMPARE(c.ctx.shell.calls.size(), 1);
        const QString expected = shellCall.replace(u"<maker>"_s, m_fixture->site.base());
        QVERIFY2(c.ctx.shell.calls.first().startsWith(expected),
                 qPrintable(c.ctx.shell.calls.first()));
    }
}

void TestWebSearch::cacheMenusReachTheViewer()
{
    WindowContext c(*m_fixture);
    QTemporaryDir cacheDir;
    BrowserDiskCache store(m_fixture->profile->cacheFolder(), cacheDir.filePath(u"files"_s));
    const CacheLocations locations{cacheDir.filePath(u"home"_s), m_fixture->profile->cacheFolder()};
    c.ctx.forms.registerForm(u"fIEcache"_s, [&] { return new fIEcache(c.ui, store, locations); });
    fWebSearch* w = c.open();
    QVERIFY(w);
    {
        ModalCloser closer;
        w->findChild<QAction*>(u"menu查看IE浏览器缓存"_s)->trigger();
        QCOMPARE(closer.names, QStringList{u"fIEcache"_s});
    }
    w->findChild<QAction*>(u"menu清空IE浏览器缓存"_s)->trigger();
    QCOMPARE(c.ctx.prompter.messages(), QStringList{u"IE缓存清空完毕！"_s});
    QVERIFY(!IsFormLoaded(u"fIEcache"_s)); // the hidden viewer is gone again
    // Browsing goes on after the cache was emptied under the running browser.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(loadPage(w->browser(), m_fixture->url(u"/?after-clear=%1"_s.arg(i))));
    }
}

void TestWebSearch::closeShowsTheLauncherUnlessTheDownloadWindowIsLoaded_data()
{
    QTest::addColumn<bool>("downloadWindowLoaded");
    QTest::newRow("download window loaded") << true;
    QTest::newRow("download window not loaded") << false;
}

void TestWebSearch::closeShowsTheLauncherUnlessTheDownloadWindowIsLoaded()
{
    QFETCH(bool, downloadWindowLoaded);
    WindowContext c(*m_fixture);
    std::unique_ptr<QWidget> download;
    if (downloadWindowLoaded) {
        download = std::make_unique<QWidget>();
        download->setObjectName(u"fFileDownload"_s);
        download->show();
    }
    QWidget* cover = c.ctx.forms.load(u"fCover"_s);
    QVERIFY(cover->isHidden());
    fWebSearch* w = c.open();
    QVERIFY(w);
    SearchSession& session = w->session();
    session.StopAnalysis = false;
    w->menus.menu关闭本窗口->trigger();
    QVERIFY(session.StopAddAll);
    QVERIFY(session.StopAnalysis);
    QVERIFY(!IsFormLoaded(u"fWebSearch"_s));
    QCOMPARE(cover->isVisible(), !downloadWindowLoaded);
    ZORV_WAIT(c.window.isNull()); // the window goes once the close is done
}

ZORV_TEST_MAIN(TestWebSearch)
#include "tst_websearch.moc"
