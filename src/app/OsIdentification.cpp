#include "app/OsIdentification.h"

#include <QFile>
#include <QStringList>
#include <QSysInfo>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace OsIdentification {

QString editionName(quint32 productCode)
{
    static const std::array<std::pair<quint32, const char16_t*>, 30> editions{{
        {6, u"Business Edition"},
        {16, u"Business Edition (N)"},
        {18, u"Cluster Server Edition"},
        {8, u"Server Datacenter Edition (full installation)"},
        {12, u"Server Datacenter Edition (core installation)"},
        {4, u"Enterprise Edition"},
        {27, u"Enterprise Edition (N)"},
        {10, u"Server Enterprise Edition (full installation)"},
        {14, u"Server Enterprise Edition (core installation)"},
        {15, u"Server Enterprise Edition for Itanium-based Systems"},
        {2, u"Home Basic Edition"},
        {5, u"Home Basic Edition (N)"},
        {3, u"Home Premium Edition"},
        {26, u"Home Premium Edition (N)"},
        {19, u"Home Server Edition"},
        {24, u"Server for Small Business Edition"},
        {9, u"Small Business Server"},
        {25, u"Small Business Server Premium Edition"},
        {7, u"Server Standard Edition (full installation)"},
        {13, u"Server Standard Edition (core installation)"},
        {11, u"Starter Edition"},
        {23, u"Storage Server Enterprise Edition"},
        {20, u"Storage Server Express Edition"},
        {21, u"Storage Server Standard Edition"},
        {22, u"Storage Server Workgroup Edition"},
        {1, u"Ultimate Edition"},
        {28, u"Ultimate Edition (N)"},
        {0, u"An unknown product"},
        {0xABCDABCDu, u"Not activated product"},
        {17, u"Web Server Edition"},
    }};
    for (const auto& [code, text] : editions) {
        if (code == productCode) {
            return QString::fromUtf16(text);
        }
    }
    return {};
}

namespace {

struct TableName {
    QString name;
    bool servicePack = false;
};

TableName ntFiveName(const OsVersionRecord& r)
{
    const quint16 suite = r.suiteMask;
    switch (r.minor) {
    case 0:
        return {suite == 2         ? u"Windows 2000 Advanced"_s
                    : suite == 128 ? u"Windows 2000 Data center"_s
                                   : u"Windows 2000"_s,
                true};
    case 1:
        return {suite == 0         ? u"Windows XP Professional"_s
                    : suite == 512 ? u"Windows XP Home"_s
                                   : u"Windows XP"_s,
                true};
    case 2:
        switch (suite) {
        case 0:
            return {u"Windows Server 2003 Standard"_s, true};
        case 2:
            return {u"Windows Server 2003 Enterprise"_s, true};
        case 128:
            return {u"Windows Server 2003 Data center"_s, true};
        case 274:
            return {u"Windows Server 2003 R2 Enterprise"_s, true};
        case 1024:
            return {u"Windows Server 2003 Web Edition"_s, true};
        default:
            return {u"Windows Server 2003"_s, true};
        }
    default:
        return {QString(), true};
    }
}

TableName ntSixName(const OsVersionRecord& r)
{
    // The edition table is fed with the record's product type byte.
    const QString e = editionName(r.productType);
    const bool server = r.productType == 3;
    switch (r.minor) {
    case 0:
        return {(server ? u"Windows Server 2008 "_s : u"Windows Vista "_s) + e, true};
    case 1:
        return {(server ? u"Windows Server 2008 R2 "_s : u"Windows 7 "_s) + e, true};
    case 2:
        return {(server ? u"Windows Server 2012 "_s : u"Windows 8 "_s) + e, true};
    case 3:
        return {u"Windows 8.1 "_s + e, true};
    case 4:
        return {u"Windows 10 "_s + e, true};
    default:
        return {u"未知系统 "_s + e, true};
    }
}

TableName tableName(const OsVersionRecord& r)
{
    switch (r.platformId) {
    case 0:
        return {u"DOS"_s};
    case 1:
        switch (r.minor) {
        case 0:
            return {u"Windows 95"_s};
        case 10:
            return {u"Windows 98"_s};
        case 90:
            return {u"Windows Millennium Edition"_s};
        default:
            return {};
        }
    case 2:
        switch (r.major) {
        case 3:
            return {u"Windows NT 3.51"_s};
        case 4:
            return {u"Windows NT 4.0"_s};
        case 5:
            return ntFiveName(r);
        case 6:
            return ntSixName(r);
        default:
            return {};
        }
    default:
        return {u"Unknown System Version!"_s};
    }
}

} // namespace

QString nameFromRecord(const OsVersionRecord& record)
{
    const TableName row = tableName(record);
    QString name = row.name;
    if (row.servicePack && record.servicePackMajor > 0) {
        name += u" Service Pack "_s + QString::number(record.servicePackMajor);
        if (record.servicePackMinor > 0) {
            name += u'.' + QString::number(record.servicePackMinor);
        }
    }
    return name + u" [Version: %1.%2.%3]"_s.arg(record.major).arg(record.minor).arg(record.build);
}

std::optional<QString> nameFromProductVersion(const QString& productVersion)
{
    const QStringList parts = productVersion.split(u'.');
    if (parts.size() < 4) {
        return std::nullopt;
    }
    bool majorOk = false;
    bool minorOk = false;
    const long long major = parts.at(0).trimmed().toLongLong(&majorOk);
    const long long minor = parts.at(1).trimmed().toLongLong(&minorOk);
    if (majorOk && major > 6) {
        return u"Windows "_s + productVersion;
    }
    if (majorOk && minorOk && major == 6 && minor >= 3) {
        return u"Windows 8.1 ["_s + productVersion + u']';
    }
    return std::nullopt;
}

QString windowsName(const QString& productVersion, const OsVersionRecord& record)
{
    if (const auto decided = nameFromProductVersion(productVersion)) {
        return *decided;
    }
    return nameFromRecord(record);
}

namespace {

QString osReleaseValue(const QString& text, const QString& key)
{
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(key + u'=')) {
            continue;
        }
        QString value = trimmed.mid(key.size() + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
            && value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        return value.trimmed();
    }
    return {};
}

} // namespace

QString linuxName(const QString& osReleaseText, const QString& kernelRelease)
{
    QString system = osReleaseValue(osReleaseText, u"PRETTY_NAME"_s);
    if (system.isEmpty()) {
        system = (osReleaseValue(osReleaseText, u"NAME"_s) + u' '
                  + osReleaseValue(osReleaseText, u"VERSION"_s))
                     .trimmed();
    }
    if (system.isEmpty()) {
        system = u"Linux"_s;
    }
    const QString kernel = kernelRelease.trimmed();
    return kernel.isEmpty() ? system : system + u" [Linux "_s + kernel + u']';
}

QString GetOsName()
{
    QString osRelease;
    for (const QString& path : {u"/etc/os-release"_s, u"/usr/lib/os-release"_s}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            osRelease = QString::fromUtf8(file.readAll());
            break;
        }
    }
    return linuxName(osRelease, QSysInfo::kernelVersion());
}

int addressWidth()
{
    const QString arch = QSysInfo::currentCpuArchitecture();
    if (arch.contains(u"64"_s)) {
        return 64;
    }
    return 32;
}

QString buildOsName(const QString& systemName, int width)
{
    return systemName + u'[' + QString::number(width == 64 ? 64 : 32) + u"位]"_s;
}

} // namespace OsIdentification
