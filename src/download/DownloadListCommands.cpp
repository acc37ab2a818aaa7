#include "download/DownloadListCommands.h"

#include "download/DownloadScheduler.h"
#include "net/HttpHelpers.h"
#include "platform/Prompter.h"
#include "platform/Shell.h"

#include <QFile>
#include <QFileInfo>

#include <numeric>

using namespace Qt::StringLiterals;

DownloadListCommands::DownloadListCommands(DownloadScheduler& scheduler, Shell& shell)
    : DownloadListCommands(scheduler, shell, QRandomGenerator::system()->generate())
{
}

DownloadListCommands::DownloadListCommands(DownloadScheduler& scheduler, Shell& shell, quint32 seed)
    : m_scheduler(scheduler)
    , m_list(scheduler.list())
    , m_shell(shell)
    , m_random(seed)
{
}

QString DownloadListCommands::stopFirstText() { return DownloadScheduler::stopFirstText(); }

bool DownloadListCommands::refusedWhileRunning()
{
    if (!m_scheduler.DownloadsRunning()) {
        return false;
    }
    m_scheduler.prompter().message(stopFirstText(), Prompter::Icon::Information, m_owner);
    return true;
}

bool DownloadListCommands::ShuffleList()
{
    if (refusedWhileRunning()) {
        return false;
    }
    // The rows not yet moved stay in front, in their order; each draw takes one of them to
    // the end. The moves are worked out on positions and applied to the list in one change.
    QList<int> unmoved(m_list.rowCount());
    std::iota(unmoved.begin(), unmoved.end(), 0);
    QList<int> order;
    order.reserve(unmoved.size());
    while (!unmoved.isEmpty()) {
        const auto drawn = static_cast<qsizetype>(m_random.bounded(unmoved.size()));
        order.append(unmoved.takeAt(drawn));
    }
    m_list.reorder(order);
    m_scheduler.prompter().message(shuffledText(), Prompter::Icon::Information, m_owner);
    return true;
}

bool DownloadListCommands::requeue(RequeueSelector selector, const QSet<QString>& selectedKeys)
{
    if (selector != RequeueSelector::Selected && refusedWhileRunning()) {
        return false;
    }
    m_list.RequeueRows(selector, selectedKeys);
    return true;
}

bool DownloadListCommands::removeWhere(const std::function<bool(const DownloadItem&)>& qualifies)
{
    if (m_list.rowCount() == 0) {
        return false;
    }
    m_list.removeRowsWhere(qualifies);
    return true;
}

bool DownloadListCommands::removeSelected(const QSet<QString>& selectedKeys)
{
    if (refusedWhileRunning()) {
        return false;
    }
    return removeWhere([&](const DownloadItem& item) { return selectedKeys.contains(item.key); });
}

bool DownloadListCommands::removeFailed()
{
    return removeWhere(
        [](const DownloadItem& item) { return item.state == DownloadState::Failed; });
}

bool DownloadListCommands::removeCompleted()
{
    return removeWhere(
        [](const DownloadItem& item) { return item.state == DownloadState::Completed; });
}

bool DownloadListCommands::clearAll()
{
    if (refusedWhileRunning()) {
        return false;
    }
    if (!m_scheduler.prompter().question(clearAllQuestion(), Prompter::Icon::None, m_owner)) {
        return false;
    }
    m_list.clear();
    return true;
}

bool DownloadListCommands::cancelSelected(const QSet<QString>& selectedKeys)
{
    if (m_scheduler.TransferBusy()) {
        m_scheduler.prompter().message(stopBeforeSettingText(), Prompter::Icon::Critical, m_owner);
        return false;
    }
    for (int row = 0; row < m_list.rowCount(); ++row) {
        const DownloadItem& item = m_list.at(row);
        if (item.state == DownloadState::Waiting && selectedKeys.contains(item.key)) {
            m_list.setState(item.key, DownloadState::Failed);
        }
    }
    return true;
}

bool DownloadListCommands::sortByColumn(int column)
{
    if (m_scheduler.schedulerOnOrBusy()) {
        m_scheduler.prompter().message(stopBeforeSortingText(), Prompter::Icon::Information,
                                       m_owner);
        return false;
    }
    if (column < 0 || column >= DownloadList::ColumnCount) {
        return false;
    }
    m_sortOrder = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_list.sort(column, m_sortOrder);
    rewriteNumberCells(column);
    return true;
}

// The byte and percentage columns show their numbers in plain decimal after a sort, the
// percentages with "%"; cells that are not numbers keep their text.
void DownloadListCommands::rewriteNumberCells(int column)
{
    if (column != DownloadList::Size && column != DownloadList::Downloaded
        && column != DownloadList::Percentage) {
        return;
    }
    for (int row = 0; row < m_list.rowCount(); ++row) {
        const DownloadItem& item = m_list.at(row);
        const QModelIndex index = m_list.index(row, column);
        const QString text = index.data(Qt::DisplayRole).toString();
        const QVariant number = index.data(DownloadList::SortRole);
        if (number.typeId() != QMetaType::LongLong || number.toLongLong() < 0) {
            continue;
        }
        QString plain = QString::number(number.toLongLong());
        if (column == DownloadList::Percentage) {
            plain += u'%';
        }
        if (plain == text) {
            continue;
        }
        if (column == DownloadList::Size) {
            m_list.setSize(item.key, plain);
        } else if (column == DownloadList::Downloaded) {
            m_list.setDownloaded(item.key, plain);
        } else {
            m_list.setPercentage(item.key, plain);
        }
    }
}

void DownloadListCommands::doubleClick(const QString& key)
{
    if (!m_list.contains(key)) {
        return;
    }
    const QString path = m_list.targetPath(key);
    switch (m_list.state(key)) {
    case DownloadState::Completed:
        if (FileExists(path)) {
            OpenWithShell(path);
        } else {
            m_scheduler.prompter().message(noFileText(), Prompter::Icon::Critical, m_owner);
        }
        break;
    case DownloadState::Failed:
        if (FileExists(path)) {
            QFile::remove(path);
        }
        m_list.setState(key, DownloadState::Waiting);
        m_list.setProgress(key, QString(), QString(), QString());
        break;
    default:
        break;
    }
}

QString DownloadListCommands::clickedFileText(const QString& key) const
{
    const QString path = m_list.targetPath(key);
    return !path.isEmpty() && FileExists(path) ? path : QString();
}

void DownloadListCommands::OpenWithShell(const QString& path)
{
    if (!FileExists(path)) {
        m_scheduler.prompter().message(noFileText(), Prompter::Icon::Critical, m_owner);
        return;
    }
    m_shell.openPath(path);
}

void DownloadListCommands::openFile(const QString& key)
{
    if (!m_list.contains(key)) {
        return;
    }
    const QString path = m_list.targetPath(key);
    if (!FileExists(path)) {
        m_scheduler.prompter().message(thisFileMissingText(), Prompter::Icon::Critical, m_owner);
        return;
    }
    OpenWithShell(path);
}

void DownloadListCommands::openFolder(const QString& key)
{
    if (!m_list.contains(key)) {
        return;
    }
    const QString path = m_list.targetPath(key);
    if (FileExists(path)) {
        if (!SelectInFolder(m_shell, path)) {
            m_scheduler.prompter().message(openFailedText(), Prompter::Icon::Critical, m_owner);
        }
        return;
    }
    m_shell.openPath(m_list.item(key).folder);
}

void DownloadListCommands::openInTextEditor(const QString& key)
{
    if (!m_list.contains(key)) {
        return;
    }
    const QString path = m_list.targetPath(key);
    if (!FileExists(path)) {
        m_scheduler.prompter().message(thisFileMissingText(), Prompter::Icon::Critical, m_owner);
        return;
    }
    if (QFileInfo(path).size() > kTextEditorLimit) {
        m_scheduler.prompter().message(tooLargeText(), Prompter::Icon::Critical, m_owner);
        return;
    }
    m_shell.openInTextEditor(path);
}

bool SelectInFolder(Shell& shell, const QString& path)
{
    const QString trimmed = path.trimmed();
    return FileExists(trimmed) && shell.selectInFolder(trimmed);
}
