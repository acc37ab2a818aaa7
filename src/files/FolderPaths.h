#pragma once

#include <QString>

#include <optional>

class Prompter;
class Shell;
class QWidget;

// The program's own folder, ending in "/": beside the executable when that folder can be
// written, otherwise the per-user data folder of the program.
QString ProgramFolder(const QString& executablePath);
// The recent-folder file "SaveList.dat" in the program's own folder.
QString RecentFolderFile(const QString& executablePath);

// Creates every missing folder of path and returns the folder without a trailing "/" (the
// root stays "/"), or empty text when it does not exist afterwards. A part that is empty once
// cleaned stops the walk with the message "文件夹名称有误！不能创建文件夹！"; the folders built
// so far are then the result.
QString MakeFolderPath(const QString& path, Prompter& prompter);

// The folder picker, opened at the folder that holds start's last component (or at "/" when
// that does not exist). Returns the chosen folder, or start as passed when nothing was chosen;
// either ends in "/".
QString BrowseForFolder(Shell& shell, QWidget* owner, const QString& start, const QString& title);

// The recent folders of the file, oldest first: trimmed, without empty lines and without
// repeats (case ignored), at most 100 read. Nothing when there is no such file.
std::optional<QStringList> ReadRecentFolders(const QString& file);
// Writes the folders, one per line ending in CR LF; an empty list writes one empty line.
bool WriteRecentFolders(const QStringList& folders, const QString& file);
