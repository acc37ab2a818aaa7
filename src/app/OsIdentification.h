#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The extended version record of a Windows system, as far as the name needs it.
struct OsVersionRecord {
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
    quint32 platformId = 0;
    quint16 servicePackMajor = 0;
    quint16 servicePackMinor = 0;
    quint16 suiteMask = 0;
    quint8 productType = 0;
};

namespace OsIdentification {

// Edition text of a product code; empty for a code the table does not know.
QString editionName(quint32 productCode);
// The name that the decision table gives a version record, with the service-pack suffix
// where the row carries one and the " [Version: major.minor.build]" ending.
QString nameFromRecord(const OsVersionRecord& record);
// The name that a system library's product version decides on its own (Windows 8.1 and
// later); nothing when the record has to decide.
std::optional<QString> nameFromProductVersion(const QString& productVersion);
// The whole Windows rule: the product version first, the record when it does not decide.
QString windowsName(const QString& productVersion, const OsVersionRecord& record);

// One line naming a Linux system from the text of /etc/os-release and the kernel release.
QString linuxName(const QString& osReleaseText, const QString& kernelRelease);
// The name of the running system.
QString GetOsName();
// 64 or 32: the running system's address width.
int addressWidth();
// GetOsName() followed by the address width, as the start-up step keeps it.
QString buildOsName(const QString& systemName, int width);

} // namespace OsIdentification
