#pragma once

#include "platform/Platform.h"
#include "platform/posix/ProcessTable.h"

namespace vimo {

// Linux beside a client installed in a Wine prefix. What it reads of the machine comes through
// seams that tests replace: the environment (PATH, DISPLAY, WINEPREFIX, HOME) and the process
// table's folder.
class PosixPlatform : public Platform
{
public:
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

    bool isProgramRunning(const std::u16string& programName) const override;
    void
    enumerateWindowTitles(const std::function<bool(const std::u16string&)>& visit) const override;
    Failure startProgram(const std::u16string& program,
                         const std::vector<std::u16string>& arguments,
                         const std::u16string& workingFolder) const override;

    int shellOpen(const std::u16string& target) const override;
    Failure shellOpenClientCommand(const std::u16string& command) const override;

    // The Wine prefix: $WINEPREFIX when set, else $HOME/.wine; no trailing "/". Empty when
    // WINEPREFIX is not an absolute path (Wine refuses such a prefix).
    std::string winePrefix() const;
    // The full path of a program found in a folder of this platform's PATH; empty when none.
    std::string findProgram(const std::string& name) const;
    // The processes of this user in the installation's Wine prefix.
    WineSession wineSession() const;

    // Where the process table is read from: "/proc" unless a test gives a folder of its own.
    void setProcessTableRoot(std::string root) { m_processTableRoot = std::move(root); }

private:
    std::string m_processTableRoot = "/proc";
};

} // namespace vimo
