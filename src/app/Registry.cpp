#include "app/Registry.h"

#include <QFileInfo>
#include <QtEndian>

#include <array>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const std::array<std::pair<RegRoot, const char16_t*>, 7> kRoots{{
    {RegRoot::ClassesRoot, u"HKEY_CLASSES_ROOT"},
    {RegRoot::CurrentUser, u"HKEY_CURRENT_USER"},
    {RegRoot::LocalMachine, u"HKEY_LOCAL_MACHINE"},
    {RegRoot::Users, u"HKEY_USERS"},
    {RegRoot::PerformanceData, u"HKEY_PERFORMANCE_DATA"},
    {RegRoot::CurrentConfig, u"HKEY_CURRENT_CONFIG"},
    {RegRoot::DynData, u"HKEY_DYN_DATA"},
}};

} // namespace

QString regRootName(RegRoot root)
{
    for (const auto& [handle, name] : kRoots) {
        if (handle == root) {
            return QString::fromUtf16(name);
        }
    }
    return {};
}

RegRoot RegRootFromName(const QString& name)
{
    for (const auto& [handle, text] : kRoots) {
        if (name == QString::fromUtf16(text)) {
            return handle;
        }
    }
    return RegRoot::None;
}

RegSplit RegSplitPath(const QString& fullPath)
{
    if (!fullPath.startsWith(u"HKEY_"_s) || fullPath.endsWith(u'\\')) {
        return {};
    }
    const qsizetype slash = fullPath.indexOf(u'\\');
    if (slash < 0) {
        return {RegRootFromName(fullPath), QString()};
    }
    return {RegRootFromName(fullPath.left(slash)), fullPath.mid(slash + 1)};
}

bool RegWriteDword(RegistryBackend& backend, const QString& fullKeyPath, const QString& valueName,
                   quint32 value)
{
    const RegSplit split = RegSplitPath(fullKeyPath);
    if (split.root == RegRoot::None) {
        return false;
    }
    if (!backend.createKey(split.root, split.subKey)) {
        return false;
    }
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return backend.setValue(split.root, split.subKey, valueName, {RegValue::Type::Dword, data});
}

RegDword RegReadDword(const RegistryBackend& backend, const QString& fullKeyPath,
                      const QString& valueName)
{
    const RegSplit split = RegSplitPath(fullKeyPath);
    if (split.root == RegRoot::None) {
        return std::monostate{};
    }
    if (!backend.keyExists(split.root, split.subKey)) {
        return u"Error"_s;
    }
    const auto value = backend.queryValue(split.root, split.subKey, valueName);
    if (!value || value->data.size() > 4) {
        return u"Error"_s;
    }
    QByteArray data = value->data;
    data.resize(4, '\0');
    return qFromLittleEndian<quint32>(data.constData());
}

void DeleteRegValue(RegistryBackend& backend, RegRoot root, const QString& subKeyPath,
                    const QString& valueName)
{
    if (root == RegRoot::None || !backend.keyExists(root, subKeyPath)) {
        return;
    }
    backend.deleteValue(root, subKeyPath, valueName);
}

QString browserEmulationSubKey()
{
    return u"SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION"_s;
}

QString browserEmulationValueName(const QString& executablePath)
{
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) {
        name.truncate(dot);
    }
    return name + u".exe"_s;
}

quint32 browserEmulationValue(const QString& version, bool standards)
{
    const QString v = version.toUpper();
    if (v == u"IE10"_s) {
        return standards ? 10001 : 10000;
    }
    if (v == u"IE9"_s) {
        return standards ? 9999 : 9000;
    }
    if (v == u"IE8"_s) {
        return standards ? 8888 : 8000;
    }
    if (v == u"IE7"_s) {
        return 7000;
    }
    return 0;
}

void SetBrowserEmulation(RegistryBackend& backend, const QString& executablePath,
                         const QString& version, bool standards)
{
    const QString valueName = browserEmulationValueName(executablePath);
    const quint32 wanted = browserEmulationValue(version, standards);
    if (wanted == 0) {
        DeleteRegValue(backend, RegRoot::LocalMachine, browserEmulationSubKey(), valueName);
    }
    const QString fullKey = u"HKEY_LOCAL_MACHINE\\"_s + browserEmulationSubKey();
    const RegDword read = RegReadDword(backend, fullKey, valueName);
    quint32 current = 0;
    if (const auto* number = std::get_if<quint32>(&read)) {
        // Only values that fit a 16-bit signed number count; anything else reads as 0.
        if (*number <= static_cast<quint32>(std::numeric_limits<qint16>::max())) {
            current = *number;
        }
    }
    if (wanted > 0 && wanted != current) {
        RegWriteDword(backend, fullKey, valueName, wanted);
    }
}
