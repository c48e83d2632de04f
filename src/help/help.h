#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace nuvo {

// The user manual, kept beside the executable.
inline constexpr char kManualFileName[] = "Paranormal_Nuvo.pdf";
QString manualPath(const QString& programDir);

enum class RegistryRoot { LocalMachine };

// A registry value as the system hands it over.
struct RegistryValue {
    quint32 type = 0;
    QByteArray data;
};
inline constexpr quint32 kRegistryString = 1;  // REG_SZ
inline constexpr quint32 kRegistryNumber = 4;  // REG_DWORD
// Longer values are not read at all.
inline constexpr int kRegistryBufferSize = 1024;

// Read access to the system's registry (Windows only).
class Registry {
public:
    virtual ~Registry() = default;
    // Nothing when the key cannot be opened or the value cannot be read.
    virtual std::optional<RegistryValue> queryValue(RegistryRoot root, const QString& key,
                                                    const QString& name) = 0;
};

// Reads a string or 32-bit number value as text. A missing key or value empties `value`
// and answers false; a value of another type answers true and leaves `value` as it was.
bool GetKeyValue(Registry& registry, RegistryRoot root, const QString& key, const QString& name,
                 QString& value);

// The text of a 32-bit registry number given by its bytes, lowest first: "&h" and its
// hexadecimal digits without leading zeros. Every byte counts as two digits, so a byte
// below 0x10 inside the number keeps its zero.
QString registryNumberText(const QByteArray& bytes);

// A program to start with its own argument list, never through a shell.
struct ProgramLaunch {
    QString program;
    QStringList arguments;
    bool operator==(const ProgramLaunch&) const = default;
};

inline constexpr char kSysInfoUnavailable[] = "System Information Is Unavailable At This Time";

// What the search for the system information tool may look at.
struct SysInfoProbe {
    Registry* registry = nullptr;                           // set on Windows only
    std::function<bool(const QString&)> isFile;             // a normal file of that path exists
    std::function<QString(const QString&)> findExecutable;  // full path on PATH, or empty
};

// The system information tool of "System Info...": on Windows the one the registry names,
// elsewhere the first of the desktops' information tools that is installed. Nothing when
// there is none.
std::optional<ProgramLaunch> findSysInfo(const SysInfoProbe& probe);

}  // namespace nuvo
