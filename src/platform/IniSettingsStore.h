#pragma once

#include "platform/SettingsStore.h"

#include <QHash>
#include <QString>

#include <memory>

class QSettings;

// Settings kept as one INI file per application name in a folder, each section a group.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(QString folder);
    ~IniSettingsStore() override;

    // The per-user folder the program uses when nothing else is given.
    static QString defaultFolder();
    QString filePath(const QString& application) const;

    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;

private:
    QSettings& settingsFor(const QString& application) const;

    QString m_folder;
    mutable QHash<QString, std::shared_ptr<QSettings>> m_files;
};
