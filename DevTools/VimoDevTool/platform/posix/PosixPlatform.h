#pragma once

#include "platform/Platform.h"

namespace vimo {

// Linux beside a client installed in a Wine prefix.
class PosixPlatform : public Platform
{
public:
    std::optional<std::string> environment(const std::string& name) const override;
    std::int64_t currentTime() const override;
    std::u16string programFolder() const override;
    FileSystem& fileSystem() const override;

    std::optional<RegistryValue> readLocalMachineValue(const std::u16string& key,
                                                       const std::u16string& name) const override;
    std::u16string nativePathFromWindows(const std::u16string& windowsPath) const override;

    bool isProgramRunning(const std::u16string& programName) const override;
    void
    enumerateWindowTitles(const std::function<bool(const std::u16string&)>& visit) const override;
    bool startProgram(const std::u16string& program, const std::vector<std::u16string>& arguments,
                      const std::u16string& workingFolder) const override;

    int shellOpen(const std::u16string& target) const override;
    int shellOpenClientCommand(const std::u16string& command) const override;

    // The Wine prefix: $WINEPREFIX when set and absolute, else $HOME/.wine; no trailing "/".
    std::string winePrefix() const;
};

} // namespace vimo
