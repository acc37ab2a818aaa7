#pragma once

#include <QSet>
#include <QString>

#include <optional>

class ArticleList;
class Prompter;
class QWidget;
class SearchSession;

// What the user does with the article list besides filling and analysing it: the clear menu's
// removals and the export to a text file. None of the removals runs while an analysis runs,
// because the analysis walks the rows by position.
class ArticleListCommands {
public:
    ArticleListCommands(SearchSession& session, Prompter& prompter);

    // The window the boxes belong to.
    void setOwner(QWidget* owner) { m_owner = owner; }

    // The clear menu. Each returns how many rows went.
    int ClearSelected(const QSet<QString>& selectedKeys);
    int ClearSucceeded();
    // Both ask for the text first, even on an empty list; an empty answer or cancel ends them.
    int ClearTitleContains();
    int ClearTitleNotContains();
    // Asks first; every row goes on Yes.
    int ClearAll();

    // One line per row: title + "-【" + file type + "】" + status, each ending in CR LF.
    static QString exportText(const ArticleList& list);
    // Writes the export text to path as UTF-8, whole or not at all (an existing file is
    // replaced only by a complete one); the number of bytes written, nothing on failure.
    static std::optional<qint64> writeExport(const ArticleList& list, const QString& path);
    // "保存文件完毕：" + the size in KB with one decimal and thousands separators + "KB".
    static QString savedMessage(qint64 bytes);
    // The export to a chosen file: the message when it is written, nothing said otherwise.
    bool exportTo(const QString& path);

    static QString analysingText() { return QStringLiteral("正在分析，不能清除！"); }
    static QString enterTextPrompt() { return QStringLiteral("请输入指定字符："); }
    static QString clearAllQuestion()
    {
        return QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？");
    }

private:
    // False, after saying why, while an analysis runs.
    bool mayClear();
    std::optional<QString> askForText();
    int clearTitles(bool containing);

    SearchSession& m_session;
    Prompter& m_prompter;
    QWidget* m_owner = nullptr;
};
