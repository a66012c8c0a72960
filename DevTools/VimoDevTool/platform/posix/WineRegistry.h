#pragma once

#include "platform/Platform.h"

#include <optional>
#include <string>

namespace vimo {

// Reads the registry of a Wine prefix from its text file "system.reg", and maps the prefix's
// Windows paths onto this system's paths.
class WineRegistry
{
public:
    // A value under HKEY_LOCAL_MACHINE in the 32-bit view; nothing when the file, key or value
    // is missing or the file is not a Wine registry file, and then `whyMissing` says which.
    static std::optional<RegistryValue> readLocalMachineValue(const std::string& prefix,
                                                              const std::u16string& key,
                                                              const std::u16string& name,
                                                              std::string* whyMissing = nullptr);
    // Parses the text of a "system.reg" file (used by the above; public for tests).
    static std::optional<RegistryValue> readValueFromText(const std::string& text,
                                                          const std::u16string& key,
                                                          const std::u16string& name,
                                                          std::string* whyMissing = nullptr);
    // "X:\dir\file" becomes the folder that <prefix>/dosdevices/x: leads to, followed by
    // "dir/file"; components are matched without regard to case where the exact name is absent.
    static std::u16string nativePathFromWindows(const std::string& prefix,
                                                const std::u16string& windowsPath);
};

} // namespace vimo
