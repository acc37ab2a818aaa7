#include "platform/DesktopShell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// The desktop entry that the desktop names as default handler of text/plain.
QString defaultTextEditorEntry()
{
    QProcess query;
    query.start(u"xdg-mime"_s, {u"query"_s, u"default"_s, u"text/plain"_s});
    if (!query.waitForFinished(3000) || query.exitCode() != 0) {
        return {};
    }
    const QString id = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (id.isEmpty()) {
        return {};
    }
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
}

} // namespace

bool DesktopShell::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool DesktopShell::openUrlInNewBrowserWindow(const QUrl& url)
{
    // The desktop's browser decides about windows; handing it the URL is all we can do.
    return QDesktopServices::openUrl(url);
}

bool DesktopShell::openPath(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::selectInFolder(const QString& path)
{
    const QFileInfo info(path.trimmed());
    if (!info.exists()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.FileManager1"_s, u"/org/freedesktop/FileManager1"_s,
        u"org.freedesktop.FileManager1"_s, u"ShowItems"_s);
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

QStringList DesktopShell::editorCommand(const QString& execLine, const QString& path)
{
    QStringList command;
    bool placed = false;
    for (const QString& word : QProcess::splitCommand(execLine)) {
        if (word == u"%f"_s || word == u"%F"_s) {
            command << path;
            placed = true;
        } else if (word == u"%u"_s || word == u"%U"_s) {
            command << QUrl::fromLocalFile(path).toString();
            placed = true;
        } else if (word.size() == 2 && word.startsWith(u'%')) {
            continue; // other field codes carry nothing here
        } else {
            command << word;
        }
    }
    if (command.isEmpty()) {
        return {};
    }
    if (!placed) {
        command << path;
    }
    return command;
}

bool DesktopShell::openInTextEditor(const QString& path)
{
    const QString entry = defaultTextEditorEntry();
    if (!entry.isEmpty()) {
        QSettings desktop(entry, QSettings::IniFormat);
        const QStringList command =
            editorCommand(desktop.value(u"Desktop Entry/Exec"_s).toString(), path);
        if (!command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1))) {
            return true;
        }
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::optional<QString> DesktopShell::browseForFolder(QWidget* owner, const QString& startFolder,
                                                     const QString& title)
{
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, startFolder);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(chosen);
}
