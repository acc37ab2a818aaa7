#include "cache/fIEcache.h"

#include "app/AppServices.h"
#include "app/Forms.h"
#include "app/ListHelpers.h"
#include "app/UiServices.h"
#include "cache/ReportListModel.h"
#include "files/Form_Copy_Move.h"
#include "platform/CacheStore.h"
#include "platform/Prompter.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

const QString kMyCache = u"我的缓存"_s;
const QString kAllCaches = u"所有缓存"_s;

enum FileColumn { UrlColumn = 0, TypeColumn = 1, SizeColumn = 2, PathColumn = 3 };

QTreeView* reportList(const QString& name, const QString& accessibleName, QWidget* parent)
{
    auto* list = new QTreeView(parent);
    list->setObjectName(name);
    list->setAccessibleName(accessibleName);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rows are never edited in place.
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsClickable(true);
    return list;
}

QString countText(int rows) { return u"共有"_s + QString::number(rows) + u" 个文件"_s; }

} // namespace

fIEcache::fIEcache(UiServices& ui, CacheStore& store, const CacheLocations& locations,
                   QWidget* parent)
    : QDialog(parent)
    , m_ui(ui)
    , m_store(store)
    , m_locations(locations)
{
    setObjectName(u"fIEcache"_s);
    setWindowTitle(u"IE浏览器Cookie 缓存和历史列表"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
}

void fIEcache::buildControls()
{
    // A fixed layout: the window does not follow resizing.
    setFixedSize(1000, 600);
    const auto button = [this](const QString& name, const QString& caption, int x) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setGeometry(10 + x * 110, 10, 104, 28);
        return b;
    };
    Command1 = button(u"Command1"_s, u"查看我的缓存"_s, 0);
    Command7 = button(u"Command7"_s, u"查看所有用户缓存"_s, 1);
    Command2 = button(u"Command2"_s, u"删除所选文件"_s, 2);
    Command3 = button(u"Command3"_s, u"全部删除"_s, 3);
    Command6 = button(u"Command6"_s, u"复制选中..."_s, 4);
    Command4 = button(u"Command4"_s, u"关闭"_s, 5);
    Label1 = new QLabel(u"000"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setGeometry(672, 14, 104, 20);

    m_users = new ReportListModel({u"用户名"_s, u"文件夹"_s}, this);
    m_folders = new ReportListModel({u"文件夹"_s}, this);
    m_files = new ReportListModel({u"URL"_s, u"TYPE"_s, u"SIZE(Byte)"_s, u"FilePath"_s}, this);
    m_files->setNumericColumn(SizeColumn);

    ListView2 = reportList(u"ListView2"_s, u"用户列表"_s, this);
    ListView2->setModel(m_users);
    ListView2->setGeometry(780, 4, 212, 96);
    ListView3 = reportList(u"ListView3"_s, u"缓存文件夹列表"_s, this);
    ListView3->setModel(m_folders);
    ListView3->setGeometry(8, 104, 984, 120);
    ListView1 = reportList(u"ListView1"_s, u"缓存文件列表"_s, this);
    ListView1->setModel(m_files);
    ListView1->setGeometry(8, 230, 984, 362);
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(-1, Qt::AscendingOrder);

    connect(Command1, &QPushButton::clicked, this, &fIEcache::Command1_Click);
    connect(Command7, &QPushButton::clicked, this, &fIEcache::Command7_Click);
    connect(Command2, &QPushButton::clicked, this, &fIEcache::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &fIEcache::Command3_Click);
    connect(Command6, &QPushButton::clicked, this, &fIEcache::Command6_Click);
    connect(Command4, &QPushButton::clicked, this, &fIEcache::close);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &fIEcache::ColumnClick);
}

void fIEcache::showModal(Forms& forms)
{
    if (auto* viewer = forms.loadAs<fIEcache>(u"fIEcache"_s)) {
        viewer->exec();
    }
}

void fIEcache::closeEvent(QCloseEvent* event)
{
    markUnloaded(this);
    QDialog::closeEvent(event);
}

int fIEcache::fileRowCount() const { return m_files->rowCount(); }

CacheFileRow fIEcache::fileRow(int row) const
{
    return {m_files->cell(row, UrlColumn), m_files->cell(row, TypeColumn),
            m_files->cell(row, SizeColumn), m_files->cell(row, PathColumn)};
}

void fIEcache::addFileRow(const CacheFileRow& row)
{
    m_files->appendRow({row.text, row.type, row.size, row.path});
}

void fIEcache::Command1_Click()
{
    GetCacheURLList();
    AutoSizeColumns(ListView1, kAutoSizeUseHeader);
    m_tag = kMyCache;
}

void fIEcache::GetCacheURLList()
{
    m_files->clear();
    const bool complete = m_store.enumerate([this](const CacheEntry& entry) {
        // Only normal entries are files; other records of the cache get no row.
        if (entry.type & CacheEntry::Normal) {
            addFileRow({entry.sourceUrl, GetUrlFileType(entry.sourceUrl), {}, {}});
        }
    });
    if (!complete) {
        Label1->setText(u"出错!!!"_s + countText(fileRowCount()));
        return;
    }
    Label1->setText(countText(fileRowCount()));
    判断文件在缓存中文件路径();
}

void fIEcache::判断文件在缓存中文件路径()
{
    for (int row = 0; row < fileRowCount(); ++row) {
        const std::optional<CacheEntry> entry = m_store.lookup(m_files->cell(row, UrlColumn));
        if (!entry || entry->localFile.isEmpty()) {
            continue;
        }
        // Only an ordinary file counts; a hidden one, a link or anything else is absent.
        const QFileInfo file(entry->localFile);
        if (!file.isFile() || file.isSymLink() || file.isHidden()) {
            continue;
        }
        m_files->setCell(row, PathColumn, entry->localFile);
        m_files->setCell(row, SizeColumn, QString::number(file.size()));
    }
}

void fIEcache::Command7_Click()
{
    m_files->clear();
    LoadUserCacheFolders();
    for (int row = 0; row < m_users->rowCount(); ++row) {
        ListCacheFolderFiles(m_users->cell(row, 1), m_users->cell(row, 0));
    }
    Label1->setText(countText(fileRowCount()));
    AutoSizeColumns(ListView1, kAutoSizeUseHeader);
    AutoSizeColumns(ListView2, kAutoSizeUseHeader);
    AutoSizeColumns(ListView3, kAutoSizeUseHeader);
    m_tag = kAllCaches;
}

void fIEcache::LoadUserCacheFolders()
{
    const ProfileLayout layout = ChooseProfileLayout(
        m_ui.app.OsName, m_locations.internetCacheFolder, m_locations.homeFolder);
    CacheFolders.clear();
    ProfileFolders.clear();
    m_users->clear();
    m_folders->clear();
    const UserCacheFolders found = FindUserCacheFolders(layout);
    ProfileFolders = found.profileFolders;
    CacheFolders = found.cacheFolders;
    for (const UserCacheFolders::User& user : found.users) {
        m_users->appendRow({user.name, user.cacheFolder});
    }
    for (const QString& folder : std::as_const(CacheFolders)) {
        m_folders->appendRow({folder});
    }
}

void fIEcache::ListCacheFolderFiles(const QString& cacheFolder, const QString& userName)
{
    QStringList files;
    CollectFiles(cacheFolder, files, true);
    for (const QString& file : std::as_const(files)) {
        addFileRow({userRowPrefix() + userName, GetUrlFileType(file),
                    QString::number(QFileInfo(file).size()), file});
    }
}

QList<int> fIEcache::selectedFileRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void fIEcache::deleteRows(bool selectedOnly)
{
    QList<int> rows;
    if (selectedOnly) {
        rows = selectedFileRows();
    } else {
        for (int row = 0; row < fileRowCount(); ++row) {
            rows.append(row);
        }
    }
    for (int row : std::as_const(rows)) {
        DeleteCacheRow(fileRow(row), m_store);
    }
    删除空文件夹(CacheFolders);
    if (m_tag == kMyCache) {
        Command1_Click();
    }
    if (m_tag == kAllCaches) {
        Command7_Click();
    }
}

void fIEcache::Command2_Click() { deleteRows(true); }

void fIEcache::Command3_Click() { deleteRows(false); }

void fIEcache::Command6_Click()
{
    Form_Copy_Move dialog(m_ui.app, false, this);
    for (int row : selectedFileRows()) {
        const QString path = m_files->cell(row, PathColumn);
        if (!path.isEmpty()) {
            dialog.SourceFiles.append(path);
        }
    }
    dialog.IsMove = false;
    dialog.setWindowTitle(u"复制文件："_s + QString::number(dialog.SourceFiles.size())
                          + u" 个文件..."_s);
    dialog.exec();
}

void fIEcache::ColumnClick(int column)
{
    // One order for all columns, flipped by every click.
    m_sortOrder = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_files->sort(column, m_sortOrder);
    ListView1->header()->setSortIndicator(column, m_sortOrder);
}

void ClearBrowserCache(UiServices& ui, bool reportFlag)
{
    if (auto* viewer = ui.forms.loadAs<fIEcache>(u"fIEcache"_s)) {
        viewer->Command1_Click();
        viewer->Command3_Click();
        viewer->Command7_Click();
        viewer->Command3_Click();
        markUnloaded(viewer);
        viewer->deleteLater();
    }
    // The entries go by their files, which the running engine copes with: it fetches a
    // removed URL afresh. The engine's own clear-all is not used: with this engine version
    // a page load that follows it can stall for good.
    if (reportFlag) {
        ui.app.prompter.message(u"IE缓存清空完毕！"_s, Prompter::Icon::Information);
    }
}
