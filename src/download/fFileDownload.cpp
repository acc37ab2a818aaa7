#include "download/fFileDownload.h"

#include "app/AppServices.h"
#include "app/Forms.h"
#include "app/ListHelpers.h"
#include "app/SettingKeys.h"
#include "app/SharedSettings.h"
#include "app/UiServices.h"
#include "app/WindowHelpers.h"
#include "app/fOption.h"
#include "app/frmAbout.h"
#include "download/DownloadListCommands.h"
#include "download/DownloadMenus.h"
#include "download/DownloadNaming.h"
#include "download/DownloadScheduler.h"
#include "download/DownloadStateIcons.h"
#include "download/DownloadWindowGeometry.h"
#include "download/Method2Slots.h"
#include "download/PdfCheck.h"
#include "download/PicWebBK.h"
#include "download/SiteLogin.h"
#include "net/HttpHelpers.h"
#include "net/Inet.h"
#include "platform/EventPump.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString closeQuestion() { return u"正在下载文件或者下载没有完成，要强制关闭窗口吗？"_s; }
QString makerPanelText() { return u"Qelvo软件与网络技术同步"_s; }
QString intervalCaption() { return u"两个文件下载间隔：        秒"_s; }
constexpr int kIntervalComboWidth = 52;

// A caption whose run of blanks is where a control sits: the text before and after the run
// is drawn around a gap as wide as the control, the label's text staying the caption.
class GapLabel final : public QLabel {
public:
    GapLabel(const QString& text, int gap, QWidget* parent)
        : QLabel(text, parent)
        , m_gap(gap)
    {
    }
    int gapStart() const { return fontMetrics().horizontalAdvance(lead()) + kPad; }
    QSize sizeHint() const override
    {
        return QSize(gapStart() + m_gap + kPad + fontMetrics().horizontalAdvance(trail()),
                     qMax(fontMetrics().height(), minimumHeight()));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, lead());
        painter.drawText(area.adjusted(gapStart() + m_gap + kPad, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, trail());
    }

private:
    static constexpr int kPad = 3;
    qsizetype blanksAt() const { return text().indexOf(u"  "_s); }
    QString lead() const { return blanksAt() < 0 ? text() : text().left(blanksAt()); }
    QString trail() const { return blanksAt() < 0 ? QString() : text().mid(blanksAt()).trimmed(); }
    int m_gap;
};

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// Image1: a 2 x 75-pixel grey gradient, stretched over the top panel.
QPixmap topPanelGradient()
{
    QPixmap pixmap(2, 75);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 0, 75);
    gradient.setColorAt(0, QColor(250, 250, 250));
    gradient.setColorAt(1, QColor(214, 214, 214));
    painter.fillRect(pixmap.rect(), gradient);
    return pixmap;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

fFileDownload::fFileDownload(UiServices& ui, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(ui)
{
    setObjectName(u"fFileDownload"_s);
    setWindowTitle(u"文件下载 － QelvoZORV资料下载管理器"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 640);

    QNetworkAccessManager* network = m_ui.network;
    if (!network) {
        m_ownNetwork = std::make_unique<QNetworkAccessManager>();
        network = m_ownNetwork.get();
    }
    m_inet = std::make_unique<Inet>(*network, m_ui.app.clock, m_ui.app.pump);
    Inet1 = m_inet.get();
    Inet1->setObjectName(u"Inet1"_s);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    buildTopPanel(central);
    buildList(central);
    WebLoginPanel = new PicWebBK(m_ui, central);
    buildStatusBar();
    menus = new DownloadMenus(menuBar());
    Timer1 = named(new QTimer(this), u"Timer1"_s);
    Timer_Down = named(new QTimer(this), u"Timer_Down"_s);
    Timer2 = named(new QTimer(this), u"Timer2"_s);
    Timer1->setInterval(1000);
    Timer_Down->setInterval(1000);
    Timer2->setInterval(60000);

    loadSettings();
    bindLoginPanel();
    layoutControls();
}

fFileDownload::~fFileDownload()
{
    // The view and its decorations go before the list they show.
    delete ListView3;
    delete m_decorations;
}

void fFileDownload::buildTopPanel(QWidget* central)
{
    Picture3 = named(new QFrame(central), u"Picture3"_s);
    Picture3->setAutoFillBackground(true);
    QPalette grey = Picture3->palette();
    grey.setColor(QPalette::Window, QColor(236, 236, 236));
    Picture3->setPalette(grey);
    Image1 = named(new QLabel(Picture3), u"Image1"_s);
    Image1->setPixmap(topPanelGradient());
    Image1->setScaledContents(true);

    Label7 = named(new QLabel(u"下载方式："_s, Picture3), u"Label7"_s);
    Command26 = button(u"Command26"_s, u"切换"_s, Picture3);
    Command26->setToolTip(u"更改下载方式"_s);
    Label2 = named(new QLabel(u"线程数："_s, Picture3), u"Label2"_s);
    Combo1 = named(new QComboBox(Picture3), u"Combo1"_s);
    Combo1->setAccessibleName(u"线程数"_s);
    for (int threads = 1; threads <= 6; ++threads) {
        Combo1->addItem(QString::number(threads));
    }

    auto* interval = new GapLabel(intervalCaption(), kIntervalComboWidth, Picture3);
    Label5 = named(static_cast<QLabel*>(interval), u"Label5"_s);
    Combo2 = named(new QComboBox(Label5), u"Combo2"_s);
    Combo2->setAccessibleName(u"两个文件下载间隔秒数"_s);
    interval->setMinimumHeight(Combo2->sizeHint().height());
    Combo2->setGeometry(interval->gapStart(), 0, kIntervalComboWidth, Combo2->sizeHint().height());

    Label8 = named(new QLabel(u"同名文件："_s, Picture3), u"Label8"_s);
    Picture1 = named(new QFrame(Picture3), u"Picture1"_s);
    Option1 = named(new QRadioButton(u"跳过"_s, Picture1), u"Option1"_s);
    Option2 = named(new QRadioButton(u"覆盖"_s, Picture1), u"Option2"_s);
    Option3 = named(new QRadioButton(u"重命名"_s, Picture1), u"Option3"_s);
    auto* options = new QHBoxLayout(Picture1);
    options->setContentsMargins(0, 0, 0, 0);
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addWidget(Option3);

    Check3 = named(new QCheckBox(u"当有未下载项时，自动启动下载"_s, Picture3), u"Check3"_s);
    Check4 = named(new QCheckBox(u"自动重新下载："_s, Picture3), u"Check4"_s);
    Combo4 = named(new QComboBox(Picture3), u"Combo4"_s);
    Combo4->setAccessibleName(u"自动重新下载的项"_s);
    Combo4->addItems({u"出错项"_s, u"文件类型为HTM和HTML项"_s, u"出错项和文件类型为HTM和HTML项"_s});
    Command4 = button(u"Command4"_s, u"开始下载"_s, Picture3);
    Command31 = button(u"Command31"_s, u"停止下载"_s, Picture3);
    Command31->setToolTip(u"停止下载"_s);
    Command1 = button(u"Command1"_s, u"网页登录"_s, Picture3);
    Label4 = named(new QLabel(u"下载列表："_s, Picture3), u"Label4"_s);
    Label1 = named(new QLabel(u"记录数："_s, Picture3), u"Label1"_s);
    Shape1 = named(new QFrame(Picture3), u"Shape1"_s);
    Shape1->setFixedSize(12, 12);
    Shape1->setStyleSheet(u"background: rgb(40, 180, 70); border-radius: 6px;"_s);
    Shape1->setToolTip(u"正在下载"_s);
    Shape1->hide();

    auto* rows = new QVBoxLayout(Picture3);
    rows->setContentsMargins(8, 6, 8, 6);
    rows->setSpacing(4);
    auto* first = new QHBoxLayout;
    first->addWidget(Label7);
    first->addWidget(Command26);
    first->addSpacing(16);
    first->addWidget(Label2);
    first->addWidget(Combo1);
    first->addSpacing(16);
    first->addWidget(Label5);
    first->addSpacing(16);
    first->addWidget(Label8);
    first->addWidget(Picture1);
    first->addStretch();
    auto* second = new QHBoxLayout;
    second->addWidget(Check3);
    second->addSpacing(16);
    second->addWidget(Check4);
    second->addWidget(Combo4);
    second->addStretch();
    second->addWidget(Command4);
    second->addWidget(Command31);
    second->addWidget(Command1);
    auto* third = new QHBoxLayout;
    third->addWidget(Label4);
    third->addWidget(Label1);
    third->addSpacing(8);
    third->addWidget(Shape1);
    third->addStretch();
    rows->addLayout(first);
    rows->addLayout(second);
    rows->addLayout(third);
    Image1->lower();
}

void fFileDownload::buildList(QWidget* central)
{
    m_decorations = new DownloadListDecorations(this);
    m_decorations->setSourceModel(&m_list);
    ListView3 = named(new QTreeView(central), u"ListView3"_s);
    ListView3->setAccessibleName(u"下载列表"_s);
    ListView3->setToolTip(DownloadList::toolTip());
    ListView3->setModel(m_decorations);
    ListView3->setRootIsDecorated(false);
    ListView3->setItemsExpandable(false);
    ListView3->setAllColumnsShowFocus(true);
    ListView3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView3->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Names are never edited in place.
    ListView3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView3->setIconSize(QSize(16, 16));
    ListView3->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView3->header()->setSectionsClickable(true);
    ListView3->header()->setStretchLastSection(false);
    for (int column = 0; column < DownloadList::ColumnCount; ++column) {
        ListView3->header()->resizeSection(column, DownloadList::designWidth(column));
    }
    StripeListBackground(ListView3, false, 17);
}

void fFileDownload::buildStatusBar()
{
    StatusBar1 = named(new QStatusBar(this), u"StatusBar1"_s);
    StatusBar1->setSizeGripEnabled(true);
    setStatusBar(StatusBar1);
    const QList<int> stretches{0, 3, 3, 0};
    for (int panel = 1; panel <= 4; ++panel) {
        auto* label = named(new QLabel(StatusBar1), u"Panel"_s + QString::number(panel));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(120);
        label->installEventFilter(this);
        StatusBar1->addWidget(label, stretches.at(panel - 1));
        StatusPanels.append(label);
    }
    // The maker's panel fits its text; the counts' panel fits counts of four digits.
    const QFontMetrics metrics = StatusPanels.at(0)->fontMetrics();
    StatusPanels.at(0)->setMinimumWidth(metrics.horizontalAdvance(makerPanelText()) + 12);
    StatusPanels.at(3)->setMinimumWidth(
        metrics.horizontalAdvance(u"总数：0000|正在下载：0|等待：0000|已完成：0000|失败：0000"_s)
        + 12);
    StatusPanels.at(0)->setText(makerPanelText());
    StatusPanels.at(0)->setToolTip(makerPanelText());
}

void fFileDownload::loadSettings()
{
    using namespace SettingKeys;
    SharedSettings& shared = m_ui.app.shared;
    WebLoginPanel->Combo3->setCurrentIndex(0);
    Combo4->setCurrentIndex(0);

    shared.loadDownloadWindowSettings();
    Label7->setText(u"下载方式："_s + QString::number(shared.DownloadMethod));
    // Made after the settings are read: its last-done time is now, its same-name option the
    // stored one.
    m_scheduler = std::make_unique<DownloadScheduler>(m_list, *Inet1, shared, m_ui.app.clock,
                                                      m_ui.app.pump, m_ui.app.prompter);
    m_method2 =
        std::make_unique<Method2Slots>(*m_scheduler, m_ui.network ? *m_ui.network : *m_ownNetwork);
    m_scheduler->setMethod2(m_method2.get());
    m_commands = std::make_unique<DownloadListCommands>(*m_scheduler, m_ui.app.shell);
    m_commands->setOwner(this);
    bindScheduler();
    connectMenus();

    Combo1->setCurrentIndex(0);
    if (shared.DownloadMethod == 1) {
        Combo1->setEnabled(false);
    } else {
        Combo1->setEnabled(true);
        bool ok = false;
        const int index = shared.read(sectionDownload(), threads(), defaultThreads()).toInt(&ok);
        if (ok && index >= 0 && index < Combo1->count()) {
            Combo1->setCurrentIndex(index);
        }
    }

    const QString policy = shared.SameNamePolicy.trimmed();
    QRadioButton* chosen = Option3;
    for (QRadioButton* option : {Option1, Option2, Option3}) {
        if (option->text().trimmed() == policy) {
            chosen = option;
            break;
        }
    }
    chosen->setChecked(true);

    Method1Transfer::applyProxySettings(*Inet1, shared);

    Combo2->clear();
    for (int seconds = 0; seconds <= DownloadScheduler::kMaxInterval; ++seconds) {
        Combo2->addItem(QString::number(seconds));
    }
    Combo2->setCurrentIndex(0);

    Timer1->start();
}

void fFileDownload::bindScheduler()
{
    DownloadScheduler& s = *m_scheduler;
    connect(Timer_Down, &QTimer::timeout, this, &fFileDownload::timerDownTick);
    connect(Timer1, &QTimer::timeout, this, [this] {
        // A message box of an earlier tick may still be open; ticks do not pile up behind it.
        if (m_inSupervisorTick) {
            return;
        }
        m_inSupervisorTick = true;
        runNested([this] { m_scheduler->supervisorTick(); });
        m_inSupervisorTick = false;
    });
    connect(&s, &DownloadScheduler::timerDownChanged, this,
            [this](bool on) { on ? Timer_Down->start() : Timer_Down->stop(); });
    connect(&s, &DownloadScheduler::runningIndicatorChanged, Shape1, &QWidget::setVisible);
    connect(&s, &DownloadScheduler::startMenuEnabledChanged, this,
            [this](bool enabled) { menus->menu下载全部->setEnabled(enabled); });
    connect(&s, &DownloadScheduler::panelTextChanged, this, [this](int panel, const QString& text) {
        if (panel >= 1 && panel <= StatusPanels.size()) {
            StatusPanels.at(panel - 1)->setText(text);
        }
    });
    connect(&s, &DownloadScheduler::methodSwitched, this, [this](int method) {
        Label7->setText(u"下载方式："_s + QString::number(method));
        Combo1->setCurrentIndex(0);
        Combo1->setEnabled(method == 2);
        Command4->setEnabled(true);
    });
    connect(&s, &DownloadScheduler::threadCountChanged, this,
            [this](int count) { Combo1->setCurrentIndex(count - 1); });
    connect(Combo1, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_scheduler->setThreadCount(index + 1); });
    connect(Combo2, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_scheduler->setInterval(qMax(0, index)); });
    connect(Check3, &QCheckBox::toggled, this, [this](bool on) { m_scheduler->setAutoStart(on); });
    connect(Check4, &QCheckBox::toggled, this,
            [this](bool on) { m_scheduler->setAutoRedownload(on); });
    connect(Combo4, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_scheduler->setRedownloadChoice(
            static_cast<DownloadScheduler::RedownloadChoice>(qBound(0, index, 2)));
    });
    const QList<QPair<QRadioButton*, SameNameOption>> options{{Option1, SameNameOption::Skip},
                                                              {Option2, SameNameOption::Overwrite},
                                                              {Option3, SameNameOption::Rename}};
    for (const auto& [option, value] : options) {
        connect(option, &QRadioButton::toggled, this, [this, value](bool on) {
            if (on) {
                m_scheduler->setSameNameOption(value);
            }
        });
    }
    connect(Command4, &QPushButton::clicked, this, &fFileDownload::Command4_Click);
    connect(Command31, &QPushButton::clicked, this, &fFileDownload::Command31_Click);
    connect(Command26, &QPushButton::clicked, this, &fFileDownload::Command26_Click);
    connect(ListView3->header(), &QHeaderView::sectionClicked, this,
            &fFileDownload::ListView3_ColumnClick);
    connect(ListView3, &QTreeView::doubleClicked, this, &fFileDownload::ListView3_DblClick);
    connect(ListView3, &QTreeView::clicked, this, &fFileDownload::ListView3_ItemClick);
    connect(ListView3, &QWidget::customContextMenuRequested, this,
            &fFileDownload::ListView3_RightClick);
}

void fFileDownload::bindLoginPanel()
{
    PicWebBK* panel = WebLoginPanel;
    connect(Command1, &QPushButton::clicked, this, &fFileDownload::Command1_Click);
    connect(Timer2, &QTimer::timeout, panel, &PicWebBK::refreshTick);
    connect(panel, &PicWebBK::autoRefreshToggled, this,
            [this](bool on) { on ? Timer2->start() : Timer2->stop(); });
    connect(panel, &PicWebBK::pageTitleChanged, this,
            [this](const QString& title) { m_scheduler->setPanelText(3, title); });
    connect(panel, &PicWebBK::workingChanged, this, &fFileDownload::deleteIfPending);
    // A download that delivered a web page instead of the file signs in again, once: later
    // such downloads while it runs are covered by it. It runs after the transfer's own call.
    m_webPages = new WebPageDownloads(m_list, this);
    connect(m_webPages, &WebPageDownloads::webPageDownloaded, this, [this] {
        if (m_autoLoginQueued || !WebLoginPanel->Check2->isChecked()) {
            return;
        }
        m_autoLoginQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_autoLoginQueued = false;
                runNested([this] { WebLoginPanel->loginAfterWebPage(); });
            },
            Qt::QueuedConnection);
    });
}

void fFileDownload::connectMenus()
{
    DownloadMenus& m = *menus;
    DownloadListCommands& c = *m_commands;
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, handler);
    };
    const auto afterRemoval = [this](bool removed) {
        if (removed) {
            showRecordCount();
        }
    };
    on(m.menu全选专利列表, [this] { ListView3->selectAll(); });
    on(m.menu全不选, [this] { ListView3->clearSelection(); });
    on(m.menu随机排序列表, [this, &c] {
        if (c.ShuffleList()) {
            ListView3->clearSelection();
        }
    });
    on(m.menu自动列宽, [this] { AutoSizeColumns(ListView3, kAutoSizeUseHeader); });
    on(m.menu重新下载选中项, [this, &c] { c.requeue(RequeueSelector::Selected, selectedKeys()); });
    on(m.menu重新下载出错项, [&c] { c.requeue(RequeueSelector::Failed); });
    on(m.menu重新下载文件类型为HTM和HTML项, [&c] { c.requeue(RequeueSelector::HtmlPages); });
    on(m.menu清除选中项,
       [this, &c, afterRemoval] { afterRemoval(c.removeSelected(selectedKeys())); });
    on(m.menu清除全部出错项, [&c, afterRemoval] { afterRemoval(c.removeFailed()); });
    on(m.menu清除完成项, [&c, afterRemoval] { afterRemoval(c.removeCompleted()); });
    on(m.menu清空, [&c, afterRemoval] { afterRemoval(c.clearAll()); });
    on(m.menu下载全部, [this] { Command4_Click(); });
    on(m.menu停止下载, [this] { Command31_Click(); });
    on(m.menu取消下载选中项, [this, &c] { c.cancelSelected(selectedKeys()); });
    on(m.menu打开下载文件, [this, &c] { c.openFile(selectedKey()); });
    on(m.menu打开文件所在文件夹, [this, &c] { c.openFolder(selectedKey()); });
    on(m.menu用记事本打开文件, [this, &c] { c.openInTextEditor(selectedKey()); });
    on(m.menu退出本下载窗口, [this] { close(); });

    on(m.设置, [this] { fOption::showModal(m_ui, this); });
    on(m.menu检查PDF文件, [this] { CheckPdfFiles(m_list); });
    on(m.menu打开网页分析窗口, [this] { m_ui.forms.show(u"fWebSearch"_s); });

    const AppConfig& config = m_ui.app.config;
    Shell& shell = m_ui.app.shell;
    on(m.关于, [this] { frmAbout::showModal(m_ui.app.OsName, this); });
    on(m.menu作者网站Qelvo软件, [&] { OpenInBrowser(shell, config.makerWebSite, true); });
    on(m.menu最新版本, [&] { OpenInBrowser(shell, config.makerDownloadPage, true); });
    on(m.menu软件教程和问答, [&] { OpenInBrowser(shell, config.makerTutorialPage, true); });
    on(m.menu软件定制, [&] { OpenInBrowser(shell, config.makerCustomPage, true); });
    on(m.menu给软件作者建议, [this] { SendSuggestion(m_ui.app.shell, m_ui.app.config, this); });
}

void fFileDownload::showForHandOff()
{
    ListView3->viewport()->update();
    if (isHidden()) {
        show();
    }
    if (isMinimized()) {
        showMaximized();
    }
    raise();
    activateWindow();
    showRecordCount();
}

void fFileDownload::showRecordCount()
{
    Label1->setText(u"记录数："_s + QString::number(m_list.rowCount()));
}

void fFileDownload::showDownloadMethod(int method)
{
    Label7->setText(u"下载方式："_s + QString::number(method));
    if (method == 1) {
        Combo1->setEnabled(false);
    } else {
        Combo1->setEnabled(true);
        Combo1->setCurrentIndex(0);
    }
}

QSet<QString> fFileDownload::selectedKeys() const
{
    QSet<QString> keys;
    for (const QModelIndex& index : ListView3->selectionModel()->selectedRows()) {
        keys.insert(index.data(DownloadList::KeyRole).toString());
    }
    return keys;
}

QString fFileDownload::selectedKey() const
{
    const QItemSelectionModel* selection = ListView3->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), current.parent())) {
        return current.data(DownloadList::KeyRole).toString();
    }
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(DownloadList::KeyRole).toString();
}

void fFileDownload::Command4_Click() { m_scheduler->startDownloading(); }

void fFileDownload::Command31_Click() { m_scheduler->StopDownload(); }

void fFileDownload::Command26_Click() { m_scheduler->switchMethod(); }

void fFileDownload::Command1_Click() { WebLoginPanel->showPanel(selectedKey()); }

void fFileDownload::ListView3_ColumnClick(int column) { m_commands->sortByColumn(column); }

void fFileDownload::ListView3_DblClick(const QModelIndex&)
{
    const QString key = selectedKey();
    if (!key.isEmpty()) {
        m_commands->doubleClick(key);
    }
}

void fFileDownload::ListView3_ItemClick(const QModelIndex& index)
{
    const QString key = index.data(DownloadList::KeyRole).toString();
    m_scheduler->setPanelText(2, m_commands->clickedFileText(key));
}

void fFileDownload::ListView3_RightClick(const QPoint& pos)
{
    menus->enableForPopup(m_scheduler->schedulerOnOrBusy());
    menus->menu下载->popup(ListView3->viewport()->mapToGlobal(pos));
}

void fFileDownload::StatusBar1_PanelClick(int panel)
{
    if (panel == 1) {
        OpenInBrowser(m_ui.app.shell, m_ui.app.config.makerWebSite, true);
    } else if (panel == 2) {
        // The panel names a file only after an item click; other texts open nothing.
        const QString text = StatusPanels.at(1)->text();
        if (!text.isEmpty() && FileExists(text)) {
            m_ui.app.shell.openPath(text);
        }
    }
}

void fFileDownload::timerDownTick()
{
    runNested([this] { m_scheduler->schedulerTick(); });
}

void fFileDownload::runNested(const std::function<void()>& work)
{
    ++m_nested;
    work();
    --m_nested;
    deleteIfPending();
}

bool fFileDownload::commandInProgress() const { return m_nested > 0 || WebLoginPanel->isWorking(); }

void fFileDownload::deleteIfPending()
{
    if (m_deletePending && !commandInProgress()) {
        m_deletePending = false;
        deleteLater();
    }
}

bool fFileDownload::event(QEvent* event)
{
    // A transfer or a login that serves the window from inside one of its commands still
    // uses the window's parts: the window goes once that command has returned.
    if (event->type() == QEvent::DeferredDelete && commandInProgress()) {
        m_deletePending = true;
        return true;
    }
    return QMainWindow::event(event);
}

bool fFileDownload::busyForClose() const
{
    return Inet1->StillExecuting() || m_scheduler->CountDownloaders() > 1
        || !m_list.检测是否下载列表完毕() || m_scheduler->timerDownEnabled();
}

void fFileDownload::closeEvent(QCloseEvent* event)
{
    if (busyForClose()
        && !m_ui.app.prompter.question(closeQuestion(), Prompter::Icon::Question, this)) {
        event->ignore();
        return;
    }
    Timer1->stop();
    Timer_Down->stop();
    Timer2->stop();
    WebLoginPanel->abort();
    m_scheduler->StopDownload();
    Inet1->Cancel();
    m_ui.app.shared.write(SettingKeys::sectionDownload(), SettingKeys::threads(),
                          QString::number(Combo1->currentIndex()));
    markUnloaded(this);
    m_ui.app.pump.pump();
    if (!IsFormLoaded(u"fWebSearch"_s)) {
        m_ui.forms.show(u"fCover"_s);
    }
    if (commandInProgress()) {
        // Deleted once the command that serves the window from inside has returned.
        setAttribute(Qt::WA_DeleteOnClose, false);
        m_deletePending = true;
    }
    event->accept();
}

void fFileDownload::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        showRecordCount();
    }
    QMainWindow::changeEvent(event);
}

bool fFileDownload::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const qsizetype panel = StatusPanels.indexOf(qobject_cast<QLabel*>(watched));
        if (panel >= 0) {
            StatusBar1_PanelClick(static_cast<int>(panel) + 1);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void fFileDownload::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutControls();
}

void fFileDownload::layoutControls()
{
    if (isMinimized()) {
        return;
    }
    const double perPixelX = 1440.0 / logicalDpiX();
    const double perPixelY = 1440.0 / logicalDpiY();
    const auto twipsX = [&](int px) { return static_cast<int>(std::lround(px * perPixelX)); };
    const auto twipsY = [&](int px) { return static_cast<int>(std::lround(px * perPixelY)); };
    const auto pixels = [&](const QRect& tw) {
        return QRect(static_cast<int>(std::lround(tw.x() / perPixelX)),
                     static_cast<int>(std::lround(tw.y() / perPixelY)),
                     static_cast<int>(std::lround(tw.width() / perPixelX)),
                     static_cast<int>(std::lround(tw.height() / perPixelY)));
    };

    // The window's outer size, as the rules count it: borders and caption included. Where
    // the window system's frame holds no caption (or there is no frame), a caption of the
    // style's height above a border like the bottom one is counted instead.
    const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const int topMargin = qMax(0, inner.top() - frame.top());
    const int bottomMargin = qMax(0, frame.bottom() - inner.bottom());
    const int outerHeight =
        height() + bottomMargin + (topMargin >= caption ? topMargin : caption + bottomMargin);
    const int outerWidth = qMax(frame.width(), width());

    DownloadWindowGeometry::Input in;
    in.windowWidth = twipsX(outerWidth);
    in.windowHeight = twipsY(outerHeight);
    in.topPanelHeight = twipsY(Picture3->sizeHint().height());
    in.statusBarHeight =
        twipsY(StatusBar1->isVisible() ? StatusBar1->height() : StatusBar1->sizeHint().height());
    in.captionHeight = twipsY(caption);
    in.menuBarHeight =
        twipsY(menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height());
    const DownloadWindowGeometry g = DownloadWindowGeometry::compute(in);

    Picture3->setGeometry(pixels(g.topPanel));
    Image1->setGeometry(0, 0, Picture3->width(), Picture3->height());
    ListView3->setGeometry(pixels(g.list));
    WebLoginPanel->setGeometry(pixels(g.loginPanel));
    StripeListBackground(ListView3, false, 17);
}
