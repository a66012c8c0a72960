#include "platform/posix/WineRegistry.h"

namespace vimo {

// Placeholder until the registry reader lands.
std::optional<RegistryValue> WineRegistry::readLocalMachineValue(const std::string&,
                                                                 const std::u16string&,
                                                                 const std::u16string&)
{
    return std::nullopt;
}

std::optional<RegistryValue> WineRegistry::readValueFromText(const std::string&, const std::u16string&,
                                                             const std::u16string&)
{
    return std::nullopt;
}

std::u16string WineRegistry::nativePathFromWindows(const std::string&, const std::u16string& windowsPath)
{
    return windowsPath;
}

} // namespace vimo
