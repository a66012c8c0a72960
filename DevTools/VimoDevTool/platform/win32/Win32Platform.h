#pragma once

#include "platform/Platform.h"

namespace vimo {

// Windows itself: the registry's 32-bit view, the client's global mutex, the desktop's
// top-level windows and the shell.
class Win32Platform : public Platform
{
public:
    // `clientMutexName` is the named mutex whose existence tells that the client runs.
    explicit Win32Platform(std::u16string clientMutexName = u"Global\\ORVO6_Global_Mutex");

    std::optional<std::string> environment(const std::string& name) const override;
    std::int64_t currentTime() const override;
    std::u16string programFolder() const override;
    std::vector<std::u16string> archiveEngineCandidates() const override;
    FileSystem& fileSystem() const override;
    std::u16string userCacheFolder(std::string& whyNone) const override;

    Failure registryProblem() const override;
    std::u16string registryLocation() const override;
    std::optional<RegistryValue> readLocalMachineValue(const std::u16string& key,
                                                       const std::u16string& name,
                                                       std::string& whyMissing) const override;
    std::u16string nativePathFromWindows(const std::u16string& windowsPath) const override;

    // The client announces itself through its global mutex, not through its program name.
    bool isProgramRunning(const std::u16string& programName) const override;
    void
    enumerateWindowTitles(const std::function<bool(const std::u16string&)>& visit) const override;
    Failure startProgram(const std::u16string& program,
                         const std::vector<std::u16string>& arguments,
                         const std::u16string& workingFolder) const override;

    int shellOpen(const std::u16string& target) const override;
    Failure shellOpenClientCommand(const std::u16string& command) const override;

    // One argument quoted as CommandLineToArgvW reads it back.
    static std::u16string quoteArgument(const std::u16string& argument);

private:
    std::u16string m_clientMutexName;
};

} // namespace vimo
