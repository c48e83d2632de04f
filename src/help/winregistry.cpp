#include "help/winregistry.h"

#include <windows.h>

namespace nuvo {

namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::LocalMachine:
            break;
    }
    return HKEY_LOCAL_MACHINE;
}

}  // namespace

std::optional<RegistryValue> WinRegistry::queryValue(RegistryRoot root, const QString& key,
                                                     const QString& name) {
    HKEY handle = nullptr;
    // Read access only: an ordinary user may not open these keys for writing.
    if (RegOpenKeyExA(rootKey(root), key.toLocal8Bit().constData(), 0, KEY_READ, &handle) !=
        ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    value.data.resize(kRegistryBufferSize);
    DWORD type = 0;
    DWORD size = kRegistryBufferSize;
    const LONG result = RegQueryValueExA(handle, name.toLocal8Bit().constData(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(value.data.data()), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS) return std::nullopt;
    value.type = type;
    value.data.truncate(static_cast<qsizetype>(size));
    return value;
}

}  // namespace nuvo
