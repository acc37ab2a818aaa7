#pragma once

#include <QString>

class DownloadList;

// What happens when the target file of an item already exists.
enum class SameNameOption { Skip, Overwrite, Rename };

// The option buttons' captions "跳过", "覆盖", "重命名".
QString SameNameCaption(SameNameOption option);
// The option whose caption equals the trimmed text, tested skip then overwrite; rename
// otherwise.
SameNameOption SameNameOptionFromCaption(const QString& caption);

// folder & name, and "." & type when there is a type. The folder ends in "/".
QString DownloadFilePath(const QString& folder, const QString& name, const QString& type);

// Readies a waiting item for the decisions: its text cleaned for use as a file name and its
// folder ending in "/", both written back to the row.
void PrepareDownloadItem(DownloadList& list, const QString& key);

// Whether the item must be downloaded. A target that exists under the skip option marks the
// item completed with both byte columns at the file's length and "已存在，跳过", and the
// answer is false.
bool 确定是需要下载(DownloadList& list, const QString& key, SameNameOption option);

struct SavePath {
    QString path; // the full target path
    QString finalName; // the base name the file is stored under
};

// The target path and final name for folder, name and type under the option: unchanged when
// overwriting or when nothing is in the way; otherwise a free name with a counter
// "[001]", "[002]", ... (a counter already in the name is carried on, other square brackets
// become 『 』).
SavePath 重命名保存路径(const QString& folder, const QString& name, const QString& type,
                        SameNameOption option);
