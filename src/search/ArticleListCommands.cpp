#include "search/ArticleListCommands.h"

#include "platform/Prompter.h"
#include "search/ArticleList.h"
#include "search/SearchSession.h"

#include <QLocale>
#include <QSaveFile>

using namespace Qt::StringLiterals;

ArticleListCommands::ArticleListCommands(SearchSession& session, Prompter& prompter)
    : m_session(session)
    , m_prompter(prompter)
{
}

bool ArticleListCommands::mayClear()
{
    if (!m_session.StopAnalysis) {
        m_prompter.message(analysingText(), Prompter::Icon::Critical, m_owner);
        return false;
    }
    return true;
}

int ArticleListCommands::ClearSelected(const QSet<QString>& selectedKeys)
{
    if (!mayClear()) {
        return 0;
    }
    return m_session.articles().removeIf(
        [&](const ArticleEntry& entry) { return selectedKeys.contains(entry.key); });
}

int ArticleListCommands::ClearSucceeded()
{
    if (!mayClear()) {
        return 0;
    }
    return m_session.articles().removeIf(
        [](const ArticleEntry& entry) { return entry.analysisStatus == u"成功"_s; });
}

std::optional<QString> ArticleListCommands::askForText()
{
    std::optional<QString> text =
        m_prompter.input(enterTextPrompt(), QString(), QString(), m_owner);
    if (!text || text->isEmpty()) {
        return std::nullopt;
    }
    return text;
}

int ArticleListCommands::clearTitles(bool containing)
{
    if (!mayClear()) {
        return 0;
    }
    const std::optional<QString> text = askForText();
    if (!text) {
        return 0;
    }
    return m_session.articles().removeIf([&](const ArticleEntry& entry) {
        return entry.title.contains(*text, Qt::CaseInsensitive) == containing;
    });
}

int ArticleListCommands::ClearTitleContains() { return clearTitles(true); }

int ArticleListCommands::ClearTitleNotContains() { return clearTitles(false); }

int ArticleListCommands::ClearAll()
{
    if (!mayClear()) {
        return 0;
    }
    if (!m_prompter.question(clearAllQuestion(), Prompter::Icon::Question, m_owner)) {
        return 0;
    }
    ArticleList& list = m_session.articles();
    const int removed = list.count();
    list.clear();
    return removed;
}

QString ArticleListCommands::exportText(const ArticleList& list)
{
    QString text;
    for (const ArticleEntry& entry : list.entries()) {
        text +=
            entry.title + u"-【"_s + entry.fileType + u"】"_s + entry.analysisStatus + u"\r\n"_s;
    }
    return text;
}

std::optional<qint64> ArticleListCommands::writeExport(const ArticleList& list, const QString& path)
{
    const QByteArray bytes = exportText(list).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return std::nullopt;
    }
    return bytes.size();
}

QString ArticleListCommands::savedMessage(qint64 bytes)
{
    // "#,##0.0": thousands grouped by commas, one decimal.
    static const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return u"保存文件完毕："_s + grouped.toString(double(bytes) / 1024.0, 'f', 1) + u"KB"_s;
}

bool ArticleListCommands::exportTo(const QString& path)
{
    const std::optional<qint64> written = writeExport(m_session.articles(), path);
    if (!written) {
        return false;
    }
    m_prompter.message(savedMessage(*written), Prompter::Icon::Information, m_owner);
    return true;
}
