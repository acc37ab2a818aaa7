#include "platform/IniSettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

IniSettingsStore::IniSettingsStore(QString folder)
    : m_folder(std::move(folder))
{
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/QelvoZORV"_s;
}

QString IniSettingsStore::filePath(const QString& application) const
{
    return QDir(m_folder).filePath(application + u".ini"_s);
}

QSettings& IniSettingsStore::settingsFor(const QString& application) const
{
    auto it = m_files.find(application);
    if (it == m_files.end()) {
        QDir().mkpath(m_folder);
        auto settings = std::make_shared<QSettings>(filePath(application), QSettings::IniFormat);
        it = m_files.insert(application, settings);
    }
    return **it;
}

QString IniSettingsStore::read(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue) const
{
    QSettings& settings = settingsFor(application);
    const QString name = section + u'/' + key;
    if (!settings.contains(name)) {
        return defaultValue;
    }
    return settings.value(name).toString();
}

void IniSettingsStore::write(const QString& application, const QString& section, const QString& key,
                             const QString& value)
{
    QSettings& settings = settingsFor(application);
    settings.setValue(section + u'/' + key, value);
    settings.sync();
}
