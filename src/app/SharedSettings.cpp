#include "app/SharedSettings.h"

#include "app/AppInfo.h"
#include "app/SettingKeys.h"
#include "platform/SettingsStore.h"

#include <cfenv>
#include <cmath>
#include <limits>

std::optional<qint16> settingToInt16(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min()
        || rounded > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(rounded);
}

SharedSettings::SharedSettings(SettingsStore& store)
    : m_store(store)
{
}

QString SharedSettings::read(const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    return m_store.read(AppInfo::title(), section, key, defaultValue);
}

void SharedSettings::write(const QString& section, const QString& key, const QString& value)
{
    m_store.write(AppInfo::title(), section, key, value);
}

void SharedSettings::readNumber(const QString& section, const QString& key,
                                const QString& defaultValue, qint16& variable) const
{
    if (const auto number = settingToInt16(read(section, key, defaultValue))) {
        variable = *number;
    }
}

void SharedSettings::loadDownloadWindowSettings()
{
    using namespace SettingKeys;
    readNumber(sectionSettings(), downloadMethod(), defaultDownloadMethod(), DownloadMethod);
    SameNamePolicy = read(sectionDownload(), sameNamePolicy(), defaultSameNamePolicy());
    ProxyAddress = read(sectionSettings(), proxyAddress(), QString());
    ProxyPort = read(sectionSettings(), proxyPort(), QString());
    readNumber(sectionSettings(), proxyEnabled(), defaultProxyEnabled(), ProxyEnabled);
    m_downloadSettingsLoaded = true;
}

void SharedSettings::loadPromptSavePath()
{
    using namespace SettingKeys;
    readNumber(sectionSettings(), promptSavePath(), defaultPromptSavePath(), PromptSavePath);
    m_promptSavePathLoaded = true;
}

QString SharedSettings::homePage(const QString& configuredDefault) const
{
    const QString stored =
        read(SettingKeys::sectionSettings(), SettingKeys::homePage(), configuredDefault).trimmed();
    return stored.isEmpty() ? configuredDefault : stored;
}
