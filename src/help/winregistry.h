#pragma once

#include "help/help.h"

namespace nuvo {

// The Windows registry through the Win32 API.
class WinRegistry : public Registry {
public:
    std::optional<RegistryValue> queryValue(RegistryRoot root, const QString& key,
                                            const QString& name) override;
};

}  // namespace nuvo
