#pragma once

#include "app/Registry.h"

#include <QMap>
#include <QString>

// Registry keys kept as INI files, one per root key: sections are key paths, entries are
// values written as "dword:0000abcd", "hex:01,02" or a quoted string. The machine-wide root
// lives in its own folder, which an ordinary user cannot write; every other root lives in
// the user's folder.
class IniRegistryBackend final : public RegistryBackend {
public:
    IniRegistryBackend(QString userFolder, QString machineFolder);

    static QString defaultUserFolder();
    static QString defaultMachineFolder();
    QString filePath(RegRoot root) const;

    bool keyExists(RegRoot root, const QString& subKey) const override;
    bool createKey(RegRoot root, const QString& subKey) override;
    std::optional<RegValue> queryValue(RegRoot root, const QString& subKey,
                                       const QString& name) const override;
    bool setValue(RegRoot root, const QString& subKey, const QString& name,
                  const RegValue& value) override;
    bool deleteValue(RegRoot root, const QString& subKey, const QString& name) override;

private:
    // Key paths and value names compare without regard to case; the first spelling is kept.
    struct Key {
        QString name;
        QList<std::pair<QString, RegValue>> values;
    };
    using Hive = QList<Key>;

    Hive load(RegRoot root) const;
    bool save(RegRoot root, const Hive& hive) const;

    QString m_userFolder;
    QString m_machineFolder;
};
