#pragma once

#include <QDir>
#include <QString>

// Sections and keys of the settings store, and their defaults.
namespace SettingKeys {

inline QString sectionSettings() { return QStringLiteral("设置"); }
inline QString sectionDownload() { return QStringLiteral("下载"); }
inline QString sectionCopyMove() { return QStringLiteral("Form_Copy_Move"); }

inline QString downloadMethod() { return QStringLiteral("下载方式"); }
inline QString proxyEnabled() { return QStringLiteral("代理服务器有效"); }
inline QString proxyAddress() { return QStringLiteral("代理服务器网址"); }
inline QString proxyPort() { return QStringLiteral("代理服务器端口"); }
inline QString promptSavePath() { return QStringLiteral("提取网页信息时提示下载保存路径"); }
inline QString saveFolder() { return QStringLiteral("下载文件保存路径"); }
inline QString homePage() { return QStringLiteral("首页网址"); }
inline QString threads() { return QStringLiteral("线程"); }
inline QString sameNamePolicy() { return QStringLiteral("重复文件名"); }
inline QString destinationFolder() { return QStringLiteral("目的文件夹"); }
inline QString opIndex() { return QStringLiteral("OpIndex"); }

inline QString defaultDownloadMethod() { return QStringLiteral("2"); }
inline QString defaultProxyEnabled() { return QStringLiteral("0"); }
inline QString defaultPromptSavePath() { return QStringLiteral("1"); }
inline QString defaultThreads() { return QStringLiteral("2"); }
inline QString defaultSameNamePolicy() { return QStringLiteral("重命名"); }
inline QString defaultOpIndex() { return QStringLiteral("4"); }
// The folder the save-folder chooser proposes before one was chosen.
inline QString defaultSaveFolder() { return QDir::homePath() + QStringLiteral("/12345/"); }

} // namespace SettingKeys
