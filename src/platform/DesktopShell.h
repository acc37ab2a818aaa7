#pragma once

#include "platform/Shell.h"

// Shell over the Linux desktop: the default handlers through QDesktopServices, "show item"
// through the file manager's D-Bus interface, the plain-text editor from the desktop's
// default application for text/plain.
class DesktopShell final : public Shell {
public:
    bool openUrl(const QUrl& url) override;
    bool openUrlInNewBrowserWindow(const QUrl& url) override;
    bool openPath(const QString& path) override;
    bool selectInFolder(const QString& path) override;
    bool openInTextEditor(const QString& path) override;
    std::optional<QString> browseForFolder(QWidget* owner, const QString& startFolder,
                                           const QString& title) override;

    // The command line that opens path in the text editor named by a desktop entry's Exec
    // line, with its field codes replaced; empty when the line names no program.
    static QStringList editorCommand(const QString& execLine, const QString& path);
};
