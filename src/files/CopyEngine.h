#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class EventPump;

// A path cut into its folder (ending in "/", or empty), base name and extension. An
// extension is the text after the last "." when it is shorter than seven characters.
struct PathParts {
    QString folder;
    QString base;
    QString extension;

    // base "." extension, or the base alone without an extension.
    QString fileName() const;
};
PathParts SplitPath(const QString& path);

// The base name without a trailing bracketed number ("a[003]" gives "a"); unchanged when it
// has none or when nothing would be left.
QString StripNumberSuffix(const QString& base);

// Copies source to target so that target is never a half-written file: the bytes go to a
// temporary file beside the target, which then takes the target's name (replacing a file
// there only once the copy is whole). The copy keeps the source's modification time and
// permissions. False when anything failed; target is then as it was.
bool CopyFileIntoPlace(const QString& source, const QString& target);

// Copies source into destFolder (ending in "/") under the first free name base.ext,
// base[001].ext, base[002].ext, ..., after taking a bracketed number off the base.
bool 复制相同文件自动重命名(const QString& source, const QString& destFolder);

// What happens to a file whose name is already taken in the destination folder.
namespace ConflictOption {
constexpr int Skip = 1;
constexpr int Overwrite = 2;
constexpr int Rename = 3;
constexpr int OverwriteWhenSameSizeAndTime = 4;
constexpr int OverwriteWhenSameSize = 5;
} // namespace ConflictOption

// The outcome for one source file.
enum class CopyOutcome {
    AlreadyThere, // the source lies in the destination folder already
    Kept, // a file of that name was there and the option left it alone
    Copied,
    Failed,
};

// Handles one source file: copies it into destFolder (ending in "/"), and when a file of its
// name is there, does what option says (any other value leaves that file alone). In move
// mode the source is deleted once, and only once, a copy of it has been made.
CopyOutcome CopyOneFile(const QString& source, const QString& destFolder, int option, bool isMove);

// A run over a list of files, one at a time, letting pending events run before each file so
// the window can stop it.
class CopyRun {
public:
    // Called with the one-based number of the file about to be handled.
    std::function<void(int)> onProgress;
    // Called with the name of the file about to be copied.
    std::function<void(const QString&)> onFile;

    void run(const QStringList& files, const QString& destFolder, int option, bool isMove,
             EventPump& pump);
    // The run leaves before its next file.
    void stop() { m_running = false; }
    bool running() const { return m_running; }

private:
    bool m_running = false;
};
