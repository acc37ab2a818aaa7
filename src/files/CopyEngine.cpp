#include "files/CopyEngine.h"

#include "net/HttpHelpers.h"
#include "platform/EventPump.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <filesystem>

using namespace Qt::StringLiterals;

QString PathParts::fileName() const { return extension.isEmpty() ? base : base + u'.' + extension; }

PathParts SplitPath(const QString& path)
{
    const QString text = path.trimmed();
    const qsizetype slash = text.lastIndexOf(u'/');
    PathParts parts;
    parts.folder = text.left(slash + 1);
    const QString name = text.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0 && name.size() - dot - 1 < 7) {
        parts.base = name.left(dot).trimmed();
        parts.extension = name.mid(dot + 1).trimmed();
    } else {
        parts.base = name.trimmed();
    }
    if (parts.base.isEmpty()) {
        parts.base = name;
        parts.extension.clear();
    }
    return parts;
}

QString StripNumberSuffix(const QString& base)
{
    if (!base.endsWith(u']')) {
        return base;
    }
    const qsizetype open = base.lastIndexOf(u'[');
    if (open < 0) {
        return base;
    }
    bool number = false;
    const double value = base.mid(open + 1, base.size() - open - 2).trimmed().toDouble(&number);
    // "inf" and "nan" read as numbers too, but are words in a name.
    if (!number || !std::isfinite(value) || open == 0) {
        return base;
    }
    return base.left(open);
}

bool CopyFileIntoPlace(const QString& source, const QString& target)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) {
        return false;
    }
    QSaveFile output(target);
    output.setDirectWriteFallback(false);
    if (!output.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray buffer;
    while (!input.atEnd()) {
        buffer = input.read(1 << 20);
        if (buffer.isEmpty() || output.write(buffer) != buffer.size()) {
            return false; // the temporary file goes with output
        }
    }
    // The time goes on the temporary file after its last byte, so the target appears with it.
    if (!output.flush()
        || !output.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime)
        || !output.commit()) {
        return false;
    }
    QFile::setPermissions(target, QFile::permissions(source));
    return true;
}

bool 复制相同文件自动重命名(const QString& source, const QString& destFolder)
{
    if (!FileExists(source)) {
        return false;
    }
    PathParts parts = SplitPath(source);
    parts.base = StripNumberSuffix(parts.base);
    QString candidate = destFolder + parts.fileName();
    for (int counter = 1; FileExists(candidate); ++counter) {
        PathParts numbered = parts;
        numbered.base += u"[%1]"_s.arg(counter, 3, 10, QChar(u'0'));
        candidate = destFolder + numbered.fileName();
    }
    return CopyFileIntoPlace(source, candidate);
}

namespace {

// True when both paths name one file (through links, "..", or another spelling).
bool sameFile(const QString& a, const QString& b)
{
    std::error_code error;
    return std::filesystem::equivalent(QFile::encodeName(a).toStdString(),
                                       QFile::encodeName(b).toStdString(), error)
        && !error;
}

} // namespace

CopyOutcome CopyOneFile(const QString& source, const QString& destFolder, int option, bool isMove)
{
    const PathParts parts = SplitPath(source);
    const QString target = destFolder + parts.fileName();
    // Names differing in letter case are other folders here; a folder that is the same one
    // under another spelling is found by sameFile.
    if (parts.folder == destFolder || sameFile(source, target)) {
        return CopyOutcome::AlreadyThere;
    }
    bool copied = false;
    if (!FileExists(target)) {
        copied = CopyFileIntoPlace(source, target);
    } else {
        const QFileInfo from(source);
        const QFileInfo to(target);
        const bool sameSize = from.size() == to.size();
        const bool sameTime = from.lastModified() == to.lastModified();
        bool overwrite = false;
        switch (option) {
        case ConflictOption::Overwrite:
            overwrite = true;
            break;
        case ConflictOption::Rename:
            break;
        case ConflictOption::OverwriteWhenSameSizeAndTime:
            overwrite = sameSize && sameTime;
            break;
        case ConflictOption::OverwriteWhenSameSize:
            overwrite = sameSize;
            break;
        default: // skip, or no option chosen
            return CopyOutcome::Kept;
        }
        copied = overwrite ? CopyFileIntoPlace(source, target)
                           : 复制相同文件自动重命名(source, destFolder);
    }
    if (!copied) {
        return CopyOutcome::Failed;
    }
    if (isMove) {
        QFile::remove(source);
    }
    return CopyOutcome::Copied;
}

void CopyRun::run(const QStringList& files, const QString& destFolder, int option, bool isMove,
                  EventPump& pump)
{
    m_running = true;
    for (qsizetype k = 0; k < files.size(); ++k) {
        if (!m_running) {
            break;
        }
        if (onProgress) {
            onProgress(int(k + 1));
        }
        const PathParts parts = SplitPath(files.at(k));
        if (parts.folder == destFolder) {
            continue;
        }
        if (onFile) {
            onFile(parts.fileName());
        }
        pump.pump();
        CopyOneFile(files.at(k), destFolder, option, isMove);
    }
    m_running = false;
}
