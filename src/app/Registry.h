#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <variant>

// Predefined root keys; None is the handle of a name the layer does not know.
enum class RegRoot : quint32 {
    None = 0,
    ClassesRoot = 0x80000000u,
    CurrentUser,
    LocalMachine,
    Users,
    PerformanceData,
    CurrentConfig,
    DynData,
};

QString regRootName(RegRoot root);
RegRoot RegRootFromName(const QString& name);

struct RegSplit {
    RegRoot root = RegRoot::None;
    QString subKey;
};
RegSplit RegSplitPath(const QString& fullPath);

// A stored value: its type and its bytes as the registry keeps them.
struct RegValue {
    enum class Type { Dword, Binary, String };
    Type type = Type::Binary;
    QByteArray data;
};

// Where keys and values are kept.
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    virtual bool keyExists(RegRoot root, const QString& subKey) const = 0;
    // Creates a missing key; true when the key exists afterwards.
    virtual bool createKey(RegRoot root, const QString& subKey) = 0;
    virtual std::optional<RegValue> queryValue(RegRoot root, const QString& subKey,
                                               const QString& name) const = 0;
    virtual bool setValue(RegRoot root, const QString& subKey, const QString& name,
                          const RegValue& value) = 0;
    virtual bool deleteValue(RegRoot root, const QString& subKey, const QString& name) = 0;
};

// The result of RegReadDword: nothing, the text "Error", or the number read.
using RegDword = std::variant<std::monostate, QString, quint32>;

bool RegWriteDword(RegistryBackend& backend, const QString& fullKeyPath, const QString& valueName,
                   quint32 value);
RegDword RegReadDword(const RegistryBackend& backend, const QString& fullKeyPath,
                      const QString& valueName);
void DeleteRegValue(RegistryBackend& backend, RegRoot root, const QString& subKeyPath,
                    const QString& valueName);

// The key under which the embedded browser's engine mode is kept, below the machine root.
QString browserEmulationSubKey();
// The value name for an executable: its file name without extension and ".exe".
QString browserEmulationValueName(const QString& executablePath);
// The emulation value for a version text and standards flag; 0 for an unknown version.
quint32 browserEmulationValue(const QString& version, bool standards);
// Keeps the machine-wide emulation value of the executable at what version asks for.
void SetBrowserEmulation(RegistryBackend& backend, const QString& executablePath,
                         const QString& version, bool standards);
