#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vimo {

class FileSystem;

// Registry value types, as the Windows registry numbers them.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

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
    // Every file and folder operation; tests replace it to make chosen operations fail.
    virtual FileSystem& fileSystem() const = 0;

    // A value under HKEY_LOCAL_MACHINE as a 32-bit program sees it; nothing when the key or the
    // value is missing or the registry cannot be read. `key` uses backslashes.
    virtual std::optional<RegistryValue>
    readLocalMachineValue(const std::u16string& key, const std::u16string& name) const = 0;
    // A Windows path from the registry as a path of this system (without a trailing separator
    // unless the input had one).
    virtual std::u16string nativePathFromWindows(const std::u16string& windowsPath) const = 0;

    // Whether a process runs whose program file name equals `programName` (letter case ignored).
    virtual bool isProgramRunning(const std::u16string& programName) const = 0;
    // Calls `visit` with the title of each top-level window until it returns false.
    virtual void
    enumerateWindowTitles(const std::function<bool(const std::u16string&)>& visit) const = 0;
    // Starts a program detached, with a working folder and arguments; true when it started.
    // Programs that this system cannot run directly go through its compatibility layer.
    virtual bool startProgram(const std::u16string& program,
                              const std::vector<std::u16string>& arguments,
                              const std::u16string& workingFolder) const = 0;

    // The shell's "open" verb on a folder, a file or a web address. Returns the shell's number:
    // above 32 is success, 32 or less names the failure.
    virtual int shellOpen(const std::u16string& target) const = 0;
    // The shell's "open" verb on a command in the client's own URL scheme ("orvo:...").
    virtual int shellOpenClientCommand(const std::u16string& command) const = 0;
};

} // namespace vimo
