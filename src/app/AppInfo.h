#pragma once

#include <QString>

namespace AppInfo {

// The program's title: window captions, message-box captions and the settings' address.
inline QString title() { return QStringLiteral("QelvoZORV资料下载管理器"); }

// Major, minor and revision of the four-part program version, as the launcher shows it.
inline QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ZORV_VERSION_MAJOR)
        .arg(ZORV_VERSION_MINOR)
        .arg(ZORV_VERSION_REVISION);
}

} // namespace AppInfo
