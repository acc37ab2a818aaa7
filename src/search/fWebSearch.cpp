#include "search/fWebSearch.h"

#include "app/AppServices.h"
#include "app/Forms.h"
#include "app/ListHelpers.h"
#include "app/SharedSettings.h"
#include "app/UiServices.h"
#include "app/WindowHelpers.h"
#include "app/fOption.h"
#include "app/frmAbout.h"
#include "cache/fIEcache.h"
#include "download/DownloadListHost.h"
#include "files/fSeleFileSavePath.h"
#include "platform/EventPump.h"
#include "platform/Prompter.h"
#include "platform/WebEngineBrowser.h"
#include "search/ArticleList.h"
#include "search/ArticleListCommands.h"
#include "search/SearchLayout.h"
#include "search/SearchSession.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

namespace {

const QString kAddAllCaption = u"加入全部到列表"_s;
const QString kStopAddAllCaption = u"停止加入全部"_s;

// Design-time sizes, in twips.
constexpr int kDesignWidth = 14400;
constexpr int kDesignHeight = 10800;
constexpr int kButtonRowHeight = 480;
constexpr QSize kProgressPanel(4800, 1200);
// The analysis sets the progress text for every row; painting it at once is held to one
// paint in this many milliseconds, the pending events paint the rest.
constexpr int kProgressPaintMs = 15;

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QLabel* makeLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

fWebSearch::fWebSearch(UiServices& ui, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(ui)
{
    setObjectName(u"fWebSearch"_s);
    setWindowTitle(u"ZORV数据检索分析-Qelvo软件"_s);

    buildPanels();
    buildStatusBar();
    menus = SearchMenus::build(menuBar());
    connectMenus();
    connectListCommands();
    connectBrowser();

    const Twips twips(*this);
    setMinimumSize(twips.toPixelsX(SearchLayout::kMinimumWidth),
                   twips.toPixelsY(SearchLayout::kMinimumHeight));
    resize(twips.toPixelsX(kDesignWidth), twips.toPixelsY(kDesignHeight));

    // Load.
    menus.menu加入->menuAction()->setVisible(false);
    m_session->StopAnalysis = true;
    m_ui.app.shared.loadPromptSavePath();
    m_browser->setSilent(true);
    m_browser->navigate(u"about:blank"_s);
    m_ready = true;
}

fWebSearch::~fWebSearch()
{
    m_ready = false;
    // The list view lets go of the model before the session that owns it goes.
    ListView1->viewport()->removeEventFilter(this);
    centralWidget()->removeEventFilter(this);
    ListView1->setModel(nullptr);
    m_session.reset();
    m_browser.reset();
}

void fWebSearch::buildPanels()
{
    auto* central = new QWidget(this);
    central->setObjectName(u"central"_s);
    setCentralWidget(central);
    // The panels share the room between menu and status bar, which the status bar's showing
    // changes as well as a resize.
    central->installEventFilter(this);

    PicPanWeb = new QWidget(central);
    PicPanWeb->setObjectName(u"PicPanWeb"_s);
    PicPanWeb->setAccessibleName(u"网页面板"_s);
    m_browser = std::make_unique<WebEngineBrowser>(m_ui.browserProfile, PicPanWeb);
    WebBrowser1 = m_browser->view();
    WebBrowser1->setObjectName(u"WebBrowser1"_s);
    WebBrowser1->setAccessibleName(u"期刊网站浏览器"_s);
    m_session = std::make_unique<SearchSession>(m_ui.app, *m_browser);
    m_session->showSaveFolderChooser = [this] { showSaveFolderChooser(); };
    m_commands = std::make_unique<ArticleListCommands>(*m_session, m_ui.app.prompter);
    m_commands->setOwner(this);
    AnalysisView& analysisView = *this;
    m_analysis = std::make_unique<EntryAnalysis>(*m_session, m_ui.app, analysisView,
                                                 [this] { return downloadWindow(); });

    PicBar = new SplitterBar(central);
    PicBar->setObjectName(u"PicBar"_s);
    PicBar->setAccessibleName(u"上下分隔条"_s);
    connect(PicBar, &SplitterBar::moved, this,
            [this](int top) { m_splitterTop = Twips(*this).fromPixelsY(top); });
    connect(PicBar, &SplitterBar::released, this, &fWebSearch::arrange);

    PicPanList = new QWidget(central);
    PicPanList->setObjectName(u"PicPanList"_s);
    PicPanList->setAccessibleName(u"文章列表面板"_s);
    m_buttonRow = new QWidget(PicPanList);
    Command9 = makeButton(u"加入本页到列表"_s, u"Command9"_s, m_buttonRow);
    Command4 = makeButton(kAddAllCaption, u"Command4"_s, m_buttonRow);
    Command2 = makeButton(u"分析下载"_s, u"Command2"_s, m_buttonRow);
    Command7 = makeButton(u"导出数据..."_s, u"Command7"_s, m_buttonRow);
    Label2 = makeLabel(u"待下载列表："_s, u"Label2"_s, m_buttonRow);
    Label1 = makeLabel(u"0"_s, u"Label1"_s, m_buttonRow);
    Label1->setAccessibleName(u"列表条数"_s);
    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : {static_cast<QWidget*>(Command9), static_cast<QWidget*>(Command4),
                            static_cast<QWidget*>(Command2), static_cast<QWidget*>(Command7)}) {
        row->addWidget(widget);
    }
    row->addSpacing(12);
    row->addWidget(Label2);
    row->addWidget(Label1);
    row->addStretch();

    ListView1 = new QTreeView(PicPanList);
    ListView1->setObjectName(u"ListView1"_s);
    ListView1->setAccessibleName(u"文章列表"_s);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setModel(&m_session->articles());
    ListView1->header()->setStretchLastSection(false);
    ListView1->viewport()->installEventFilter(this);

    auto* progress = new QFrame(PicPanList);
    progress->setFrameShape(QFrame::Box);
    progress->setAutoFillBackground(true);
    PicPanPrograss = progress;
    PicPanPrograss->setObjectName(u"PicPanPrograss"_s);
    PicPanPrograss->setAccessibleName(u"分析进度"_s);
    Label11 = makeLabel(u"正在分析，请稍候..."_s, u"Label11"_s, PicPanPrograss);
    Command5 = makeButton(u"停止"_s, u"Command5"_s, PicPanPrograss);
    auto* progressLayout = new QVBoxLayout(PicPanPrograss);
    progressLayout->addWidget(Label11);
    progressLayout->addWidget(Command5, 0, Qt::AlignCenter);
    PicPanPrograss->hide();

    const ArticleList* articles = &m_session->articles();
    connect(articles, &QAbstractItemModel::rowsInserted, this, &fWebSearch::refreshCount);
    connect(articles, &QAbstractItemModel::rowsRemoved, this, &fWebSearch::refreshCount);
    connect(articles, &QAbstractItemModel::modelReset, this, &fWebSearch::refreshCount);
    connect(Command9, &QPushButton::clicked, this, &fWebSearch::onCommand9);
    connect(Command4, &QPushButton::clicked, this, &fWebSearch::onCommand4);
    connect(Command2, &QPushButton::clicked, this, &fWebSearch::Command2_Click);
    connect(Command7, &QPushButton::clicked, this, &fWebSearch::Command7_Click);
    connect(Command5, &QPushButton::clicked, this, [this] { m_session->StopAnalysis = true; });
    connect(m_session.get(), &SearchSession::addAllChanged, this, &fWebSearch::showAddAllState);
}

void fWebSearch::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    StatusBar1->setAccessibleName(u"状态栏"_s);
    StatusBar1->setSizeGripEnabled(true);
    const QStringList names = {u"状态栏软件名称"_s, u"浏览器状态"_s, u"分析结果"_s};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = makeLabel(QString(), u"StatusBar1Panel%1"_s.arg(i + 1), StatusBar1);
        m_panels[i]->setAccessibleName(names.at(i));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        StatusBar1->addWidget(m_panels[i], i == 1 ? 1 : 0);
    }
    m_panels[0]->setText(u"Qelvo软件"_s);
    setStatusBar(StatusBar1);
    StatusBar1->hide();
}

QLabel* fWebSearch::statusPanel(int number) const
{
    return number >= 1 && number <= 3 ? m_panels[number - 1] : nullptr;
}

void fWebSearch::connectMenus()
{
    AppServices& app = m_ui.app;
    connect(menus.menu打开ZORV首页, &QAction::triggered, this, &fWebSearch::openHomePage);
    connect(menus.menu打开指定网址, &QAction::triggered, this, &fWebSearch::openGivenUrl);
    // Without history the browser does nothing.
    connect(menus.menu后退, &QAction::triggered, this, [this] { m_browser->goBack(); });
    connect(menus.menu前进, &QAction::triggered, this, [this] { m_browser->goForward(); });
    connect(menus.menu关闭本窗口, &QAction::triggered, this, &QWidget::close);
    connect(menus.menu设置, &QAction::triggered, this, [this] { fOption::showModal(m_ui, this); });
    connect(menus.menu打开下载窗口, &QAction::triggered, this,
            [this] { m_ui.forms.show(u"fFileDownload"_s); });
    connect(menus.menu查看IE浏览器缓存, &QAction::triggered, this, &fWebSearch::viewBrowserCache);
    connect(menus.menu清空IE浏览器缓存, &QAction::triggered, this, &fWebSearch::clearBrowserCache);
    connect(menus.menu关于, &QAction::triggered, this,
            [this] { frmAbout::showModal(m_ui.app.OsName, this); });
    connect(menus.menu作者网站, &QAction::triggered, this,
            [&app] { OpenInBrowser(app.shell, app.config.makerWebSite, true); });
    connect(menus.menu最新版本, &QAction::triggered, this,
            [&app] { OpenInBrowser(app.shell, app.config.makerDownloadPage, false); });
    connect(menus.menu软件定制, &QAction::triggered, this,
            [&app] { OpenInBrowser(app.shell, app.config.makerCustomPage, true); });
    connect(menus.menu给软件作者建议, &QAction::triggered, this,
            [this, &app] { SendSuggestion(app.shell, app.config, this); });
}

void fWebSearch::connectListCommands()
{
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, handler);
    };
    on(menus.menu分析未分析项, [this] { runAnalysis(AnalysisSelection::Unanalysed); });
    on(menus.menu分析失败项, [this] { runAnalysis(AnalysisSelection::Failed); });
    on(menus.menu分析选中项, [this] { runAnalysis(AnalysisSelection::Selected); });
    on(menus.menu分析全部, [this] { runAnalysis(AnalysisSelection::All); });

    ArticleListCommands& c = *m_commands;
    on(menus.menu清除选中项, [this, &c] { runClear([&] { c.ClearSelected(selectedKeys()); }); });
    on(menus.menu清除分析成功项, [this, &c] { runClear([&] { c.ClearSucceeded(); }); });
    on(menus.menu清除标题含指定字符项, [this, &c] { runClear([&] { c.ClearTitleContains(); }); });
    on(menus.menu清除标题不含指定字符项,
       [this, &c] { runClear([&] { c.ClearTitleNotContains(); }); });
    on(menus.menu清空全部, [this, &c] { runClear([&] { c.ClearAll(); }); });
}

void fWebSearch::connectBrowser()
{
    // New windows and window closing are settled by the browser itself: targets open in
    // this view, and pages cannot close it.
    connect(m_browser.get(), &Browser::statusTextChanged, m_panels[1], &QLabel::setText);
}

void fWebSearch::viewBrowserCache() { fIEcache::showModal(m_ui.forms); }

void fWebSearch::clearBrowserCache() { ClearBrowserCache(m_ui, true); }

void fWebSearch::openHomePage()
{
    StatusBar1->show();
    m_browser->navigate(m_ui.app.shared.homePage(m_ui.app.config.journalHomePage));
}

void fWebSearch::openGivenUrl()
{
    const std::optional<QString> answer =
        m_ui.app.prompter.input(u"请输入需要打开的网址："_s, u"请输入..."_s, QString(), this);
    const QString url = answer ? answer->trimmed() : QString();
    if (!url.isEmpty()) {
        m_browser->navigate(url);
        StatusBar1->show();
    }
}

void fWebSearch::arrange()
{
    if (isMinimized()) {
        return;
    }
    const Twips twips(*this);
    const int minimumWidth = twips.toPixelsX(SearchLayout::kMinimumWidth);
    const int minimumHeight = twips.toPixelsY(SearchLayout::kMinimumHeight);
    if (width() < minimumWidth || height() < minimumHeight) {
        resize(qMax(width(), minimumWidth), qMax(height(), minimumHeight));
        return; // the resize lays out again
    }
    const QRect frame = frameGeometry();
    const int statusBar = StatusBar1->isVisible() ? twips.fromPixelsY(StatusBar1->height()) : 0;
    const SearchLayout layout =
        SearchLayout::compute(twips.fromPixelsX(frame.width()), twips.fromPixelsY(frame.height()),
                              m_splitterTop, statusBar);
    m_splitterTop = layout.splitterTop;
    PicBar->setGeometry(twips.toPixels(layout.splitter));
    PicPanWeb->setGeometry(twips.toPixels(layout.webPanel));
    QRect list = twips.toPixels(layout.listPanel);
    // Never under the status bar, whatever the frame of the window adds.
    list.setHeight(qMax(0, qMin(list.height(), centralWidget()->height() - list.top())));
    PicPanList->setGeometry(list);
    arrangeListPanel();
    arrangeWebPanel();
    StripeListBackground(ListView1, false, 13);
}

void fWebSearch::arrangeListPanel()
{
    const Twips twips(*this);
    const QSize panel = PicPanList->size();
    const int rowHeight = qMax(twips.toPixelsY(kButtonRowHeight), m_buttonRow->sizeHint().height());
    m_buttonRow->setGeometry(0, 0, panel.width(), rowHeight);
    const QSize panelTwips(twips.fromPixelsX(panel.width()), twips.fromPixelsY(panel.height()));
    const QRect list =
        SearchLayout::listRect(panelTwips, QPoint(0, twips.fromPixelsY(rowHeight + 2)));
    ListView1->setGeometry(twips.toPixels(list));
    const QSize progress(
        qMax(twips.toPixelsX(kProgressPanel.width()), PicPanPrograss->sizeHint().width()),
        qMax(twips.toPixelsY(kProgressPanel.height()), PicPanPrograss->sizeHint().height()));
    PicPanPrograss->setGeometry(SearchLayout::centred(panel, progress));
}

void fWebSearch::arrangeWebPanel()
{
    const Twips twips(*this);
    const QSize panel = PicPanWeb->size();
    const QRect inner = SearchLayout::browserRect(
        QSize(twips.fromPixelsX(panel.width()), twips.fromPixelsY(panel.height())));
    WebBrowser1->setGeometry(twips.toPixels(inner));
}

void fWebSearch::enterCommand() { ++m_runningCommands; }

void fWebSearch::leaveCommand()
{
    if (--m_runningCommands == 0 && m_deleteWhenIdle) {
        deleteLater();
    }
}

void fWebSearch::onCommand9()
{
    enterCommand();
    m_session->addThisPage();
    AutoSizeColumns(ListView1, kAutoSizeUseHeader);
    leaveCommand();
}

void fWebSearch::onCommand4()
{
    enterCommand();
    m_session->addAll();
    AutoSizeColumns(ListView1, kAutoSizeUseHeader);
    leaveCommand();
}

void fWebSearch::showAddAllState(bool running)
{
    Command4->setText(running ? kStopAddAllCaption : kAddAllCaption);
    // A button shows a background colour of its own only together with a border of its own.
    Command4->setStyleSheet(running ? u"QPushButton#Command4 { background-color: rgb(255, 0, 0);"
                                      " border: 1px solid rgb(128, 0, 0); padding: 3px 10px; }"_s
                                    : QString());
}

void fWebSearch::refreshCount() { Label1->setText(QString::number(m_session->articles().count())); }

void fWebSearch::showSaveFolderChooser() { fSeleFileSavePath::showModal(m_ui, this); }

QSet<QString> fWebSearch::selectedKeys() const
{
    QSet<QString> keys;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows()) {
        keys.insert(index.data(ArticleList::KeyRole).toString());
    }
    return keys;
}

DownloadListHost* fWebSearch::downloadWindow()
{
    return dynamic_cast<DownloadListHost*>(m_ui.forms.load(u"fFileDownload"_s));
}

void fWebSearch::Command2_Click()
{
    enterCommand();
    Command2->setEnabled(false);
    if (m_session->articles().count() == 0) {
        m_ui.app.prompter.message(u"列表没有数据哦！"_s, Prompter::Icon::Information, this);
    } else if (!ListView1->selectionModel()->hasSelection()) {
        runAnalysis(AnalysisSelection::All);
    } else {
        // The chosen command runs before the menu returns.
        menus.menu加入->exec(QCursor::pos());
    }
    Command2->setEnabled(true);
    leaveCommand();
}

void fWebSearch::runAnalysis(AnalysisSelection selection)
{
    enterCommand();
    m_analysis->run(selection,
                    selection == AnalysisSelection::Selected ? selectedKeys() : QSet<QString>());
    leaveCommand();
}

void fWebSearch::runClear(const std::function<void()>& clear)
{
    // Boxes may ask first; the list is not painted between the removals.
    const bool painting = ListView1->updatesEnabled();
    ListView1->setUpdatesEnabled(false);
    clear();
    ListView1->setUpdatesEnabled(painting);
    refreshCount();
}

void fWebSearch::Command7_Click()
{
    if (m_session->articles().count() == 0) {
        return;
    }
    QFileDialog dialog(this);
    dialog.setObjectName(u"CommonDialog1"_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(u"txt"_s);
    dialog.setNameFilter(u"*.txt (*.txt)"_s);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (!path.isEmpty()) {
        m_commands->exportTo(path);
    }
}

void fWebSearch::showProgressPanel(const QString& text)
{
    Label11->setText(text);
    PicPanPrograss->show();
    PicPanPrograss->raise();
    m_progressPainted.start();
}

void fWebSearch::showProgress(const QString& text)
{
    Label11->setText(text);
    if (!m_progressPainted.isValid() || m_progressPainted.elapsed() >= kProgressPaintMs) {
        Label11->repaint();
        m_progressPainted.start();
    }
}

void fWebSearch::hideProgressPanel() { PicPanPrograss->hide(); }

void fWebSearch::showSummary(const QString& text) { m_panels[2]->setText(text); }

void fWebSearch::closeEvent(QCloseEvent* event)
{
    m_session->unload();
    markUnloaded(this);
    event->accept();
    if (!IsFormLoaded(u"fFileDownload"_s)) {
        m_ui.forms.show(u"fCover"_s);
    }
    // A command whose loop is running lets the window go when it returns.
    if (m_runningCommands > 0) {
        m_deleteWhenIdle = true;
    } else {
        deleteLater();
    }
}

void fWebSearch::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    arrange();
}

void fWebSearch::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    arrange();
    if (!m_shownOnce) {
        m_shownOnce = true;
        QTimer::singleShot(0, this, [this] {
            m_ui.app.pump.pump();
            openHomePage();
        });
    }
}

bool fWebSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_ready) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        arrange();
    }
    if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            menus.menu清除->popup(mouse->globalPosition().toPoint());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
