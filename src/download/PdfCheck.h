#pragma once

#include <QString>

class DownloadList;

// What a document's first bytes show: "PDF", "CAJ", "KDH" or "NH"; "未知类型文件" for a
// file too short or of another kind (or one that cannot be read); "文件不存在" when there is
// no file at path.
QString DetectDocumentType(const QString& path);

// The file name of path split at its last dot: base name and extension, both trimmed. Text
// after the last dot of seven characters or more is no extension (the whole name is the base).
struct FileNameParts {
    QString base;
    QString extension;
};
FileNameParts SplitFileName(const QString& path);

// "检查PDF文件": every completed row of type pdf (any case) whose file turns out to be one of
// the other document formats gets that format's extension on disk (a free name when the new
// one is taken), and the row the new type and name. A file that cannot be renamed leaves its
// row as it was. Reads ten bytes per candidate; never changes a state or the order.
void CheckPdfFiles(DownloadList& list);
