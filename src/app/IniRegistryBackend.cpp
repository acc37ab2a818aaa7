#include "app/IniRegistryBackend.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

QString encodeValue(const RegValue& value)
{
    switch (value.type) {
    case RegValue::Type::Dword: {
        QByteArray data = value.data;
        data.resize(4, '\0');
        return u"dword:"_s
            + u"%1"_s.arg(qFromLittleEndian<quint32>(data.constData()), 8, 16, QLatin1Char('0'));
    }
    case RegValue::Type::String:
        return u'"' + QString::fromUtf8(value.data) + u'"';
    case RegValue::Type::Binary:
        break;
    }
    QStringList bytes;
    for (const char byte : value.data) {
        bytes << u"%1"_s.arg(static_cast<quint8>(byte), 2, 16, QLatin1Char('0'));
    }
    return u"hex:"_s + bytes.join(u',');
}

std::optional<RegValue> decodeValue(const QString& text)
{
    if (text.startsWith(u"dword:"_s)) {
        bool ok = false;
        const quint32 number = text.mid(6).toUInt(&ok, 16);
        if (!ok) {
            return std::nullopt;
        }
        QByteArray data(4, '\0');
        qToLittleEndian(number, data.data());
        return RegValue{RegValue::Type::Dword, data};
    }
    if (text.startsWith(u"hex:"_s)) {
        QByteArray data;
        for (const QString& part : text.mid(4).split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint byte = part.trimmed().toUInt(&ok, 16);
            if (!ok || byte > 0xff) {
                return std::nullopt;
            }
            data.append(static_cast<char>(byte));
        }
        return RegValue{RegValue::Type::Binary, data};
    }
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"')) {
        return RegValue{RegValue::Type::String, text.mid(1, text.size() - 2).toUtf8()};
    }
    return std::nullopt;
}

} // namespace

IniRegistryBackend::IniRegistryBackend(QString userFolder, QString machineFolder)
    : m_userFolder(std::move(userFolder))
    , m_machineFolder(std::move(machineFolder))
{
}

QString IniRegistryBackend::defaultUserFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/QelvoZORV/registry"_s;
}

QString IniRegistryBackend::defaultMachineFolder() { return u"/etc/qelvozorv/registry"_s; }

QString IniRegistryBackend::filePath(RegRoot root) const
{
    const QString& folder = root == RegRoot::LocalMachine ? m_machineFolder : m_userFolder;
    return QDir(folder).filePath(regRootName(root) + u".ini"_s);
}

IniRegistryBackend::Hive IniRegistryBackend::load(RegRoot root) const
{
    Hive hive;
    QFile file(filePath(root));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return hive;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';')) {
            continue;
        }
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            hive.append(Key{line.mid(1, line.size() - 2), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || hive.isEmpty()) {
            continue; // lines outside a key or without a name are not values
        }
        if (auto value = decodeValue(line.mid(eq + 1).trimmed())) {
            hive.last().values.append({line.left(eq).trimmed(), *value});
        }
    }
    return hive;
}

bool IniRegistryBackend::save(RegRoot root, const Hive& hive) const
{
    const QString path = filePath(root);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    QString text;
    for (const Key& key : hive) {
        text += u'[' + key.name + u"]\n"_s;
        for (const auto& [name, value] : key.values) {
            text += name + u'=' + encodeValue(value) + u'\n';
        }
        text += u'\n';
    }
    file.write(text.toUtf8());
    return file.commit();
}

namespace {

template <typename HiveT>
auto findKey(HiveT& hive, const QString& subKey)
{
    return std::find_if(hive.begin(), hive.end(), [&](const auto& key) {
        return key.name.compare(subKey, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

bool IniRegistryBackend::keyExists(RegRoot root, const QString& subKey) const
{
    if (root == RegRoot::None) {
        return false;
    }
    if (subKey.isEmpty()) {
        return true; // a root key always exists
    }
    const Hive hive = load(root);
    return findKey(hive, subKey) != hive.end();
}

bool IniRegistryBackend::createKey(RegRoot root, const QString& subKey)
{
    if (root == RegRoot::None) {
        return false;
    }
    Hive hive = load(root);
    if (subKey.isEmpty() || findKey(hive, subKey) != hive.end()) {
        return true;
    }
    hive.append(Key{subKey, {}});
    return save(root, hive);
}

std::optional<RegValue> IniRegistryBackend::queryValue(RegRoot root, const QString& subKey,
                                                       const QString& name) const
{
    const Hive hive = load(root);
    const auto key = findKey(hive, subKey);
    if (key == hive.end()) {
        return std::nullopt;
    }
    for (const auto& [valueName, value] : key->values) {
        if (valueName.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

bool IniRegistryBackend::setValue(RegRoot root, const QString& subKey, const QString& name,
                                  const RegValue& value)
{
    Hive hive = load(root);
    auto key = findKey(hive, subKey);
    if (key == hive.end()) {
        hive.append(Key{subKey, {}});
        key = hive.end() - 1;
    }
    auto existing = std::find_if(key->values.begin(), key->values.end(), [&](const auto& entry) {
        return entry.first.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (existing != key->values.end()) {
        existing->second = value;
    } else {
        key->values.append({name, value});
    }
    return save(root, hive);
}

bool IniRegistryBackend::deleteValue(RegRoot root, const QString& subKey, const QString& name)
{
    Hive hive = load(root);
    auto key = findKey(hive, subKey);
    if (key == hive.end()) {
        return false;
    }
    const auto removed = key->values.removeIf(
        [&](const auto& entry) { return entry.first.compare(name, Qt::CaseInsensitive) == 0; });
    return removed > 0 && save(root, hive);
}
