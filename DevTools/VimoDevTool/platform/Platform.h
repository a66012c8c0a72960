#pragma once

#include "platform/Failure.h"
#include "platform/NativeCodes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vimo {

class FileSystem;

struct RegistryValue
{
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data; // raw bytes as the registry stores them (strings: UTF-16LE)
};

// Every call into the operating system that is not plain file I/O. One implementation per
// operating system; tests derive from it to replace single services (clock, environment, ...).
class Platform
{
public:
    virtual ~Platform() = default;

    // The implementation for the system the tool runs on; stateless.
    static Platform& system();

    // An environment variable; nothing when it is not set.
    virtual std::optional<std::string> environment(const std::string& name) const = 0;
    // Seconds since 1970-01-01 UTC.
    virtual std::int64_t currentTime() const = 0;
    // The folder of the running program, without a trailing separator.
    virtual std::u16string programFolder() const = 0;
    // Where the archive engine's library is looked for, in order (absolute paths).
    virtual std::vector<std::u16string> archiveEngineCandidates() const = 0;
    // Every file and folder operation.
    virtual FileSystem& fileSystem() const = 0;
    // The user's folder for files kept between runs that can be made again (on Linux the XDG
    // cache folder, on Windows the local application data), from the environment; empty, with
    // the reason in `whyNone`, when the environment names none.
    virtual std::u16string userCacheFolder(std::string& whyNone) const = 0;

    // Why the client's installation cannot be looked for at all (on Linux: a WINEPREFIX that is
    // not an absolute path); empty when it can.
    virtual Failure registryProblem() const = 0;
    // Where the registry is read from, as a person would name it (on Linux: the Wine prefix).
    virtual std::u16string registryLocation() const = 0;
    // A value under HKEY_LOCAL_MACHINE as a 32-bit program sees it; nothing when the key or the
    // value is missing or the registry cannot be read, and then `whyMissing` says which, in
    // words. `key` uses backslashes.
    virtual std::optional<RegistryValue> readLocalMachineValue(const std::u16string& key,
                                                               const std::u16string& name,
                                                               std::string& whyMissing) const = 0;
    // A Windows path from the registry as a path of this system (without a trailing separator
    // unless the input had one).
    virtual std::u16string nativePathFromWindows(const std::u16string& windowsPath) const = 0;

    // Whether a process of this user runs the program `programName` (letter case ignored) in the
    // client's session: on Linux, in the Wine prefix the installation was found in.
    virtual bool isProgramRunning(const std::u16string& programName) const = 0;
    // Calls `visit` with the title of each top-level window of the client's session, hidden ones
    // included, until it returns false.
    virtual void
    enumerateWindowTitles(const std::function<bool(const std::u16string&)>& visit) const = 0;
    // Starts a program detached, with a working folder and arguments; empty when it started and
    // did not end with a failure status at once. Programs that this system cannot run directly
    // go through its compatibility layer.
    virtual Failure startProgram(const std::u16string& program,
                                 const std::vector<std::u16string>& arguments,
                                 const std::u16string& workingFolder) const = 0;

    // The shell's "open" verb on a folder, a file or a web address. Returns the shell's number:
    // above 32 is success, 32 or less names the failure.
    virtual int shellOpen(const std::u16string& target) const = 0;
    // The shell's "open" verb on a command in the client's own URL scheme ("orvo:..."), handed
    // to the client's session; empty when the shell accepted it.
    virtual Failure shellOpenClientCommand(const std::u16string& command) const = 0;
};

} // namespace vimo
