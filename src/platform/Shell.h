#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class QWidget;

// What the program asks of the desktop: handing URLs, files and folders to their handlers.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a URL with the desktop's default handler (web pages, mailto: links).
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens a URL in a new window of the desktop's web browser.
    virtual bool openUrlInNewBrowserWindow(const QUrl& url) = 0;
    // Opens a file or folder with its default handler.
    virtual bool openPath(const QString& path) = 0;
    // Opens the folder that holds path with the item selected.
    virtual bool selectInFolder(const QString& path) = 0;
    // Opens a file in the desktop's plain-text editor.
    virtual bool openInTextEditor(const QString& path) = 0;
    // The folder picker; nothing when the user cancels.
    virtual std::optional<QString> browseForFolder(QWidget* owner, const QString& startFolder,
                                                   const QString& title) = 0;
};
