#pragma once

#include <QString>

// Stateless helpers that interpret what a server sent and what lies on disk: file extensions
// for content types, error pages, file types by their leading bytes, free file names, and a
// few path and URL tests. Paths use the native separator "/"; text positions start at 1.

// The extension a Content-Type (media type without parameters) stands for; empty for
// application/octet-stream, the whole value for types the table does not know.
QString ContentTypeToExt(const QString& contentType);

// False when text is empty or carries one of the known error-page markers (case ignored).
bool IsValidPage(const QString& text);

// The upper-case type name that a stored file's leading bytes show, or empty.
QString SniffFileType(const QString& path);

// Gives the file at path the extension of type (moving it to a free name when needed);
// returns the file's path afterwards.
QString FixFileExtension(const QString& path, const QString& type);

// path when no file is there, otherwise the first free name[0001].ext, name[0002].ext, ...
QString UniqueFileName(const QString& path);

// The last component of a path or URL, trimmed; without its last extension on request.
QString FileNameFromPath(const QString& text, bool dropExtension);

// Scheme and host of a URL, without a trailing slash.
QString SiteRoot(const QString& url);

bool FileExists(const QString& path);
bool FolderExists(const QString& path);

// A name cleaned for use as a file name: no path or reserved characters, no line breaks, no
// leading or trailing full stops, at most 240 bytes of UTF-8 (so a counter and an extension
// still fit the file system's 255-byte limit), trimmed. May be empty.
QString SanitizeFileName(const QString& name);
