#pragma once

#include <string>
#include <vector>

namespace vimo {

// Starts programs detached: native executables directly, Windows programs through wine.
class ProgramLauncher
{
public:
    // True when the program was started (a failed exec is a failure); never waits for it.
    static bool start(const std::u16string& program, const std::vector<std::u16string>& arguments,
                      const std::u16string& workingFolder, const std::string& winePrefix);

    // The helpers below are shared with DesktopShell.

    // Whether a file has its run bit and starts with an ELF or "#!" header.
    static bool isNativeExecutable(const std::string& path);
    // The full path of an executable named `name` in a folder of $PATH; empty when none.
    static std::string findInPath(const std::string& name);
    // Runs `executable` with `argv` in a session of its own, standard streams on /dev/null and
    // `environment` ("NAME=value") added to this process's. Returns the process id once the
    // program is running, or -1 (with errno set) when it could not be started; a started
    // process must be reaped by the caller, e.g. with reapLater.
    static int spawn(const std::string& executable, const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, const std::string& workingFolder);
    // Collects the exit of a child process in the background so that it never stays a zombie.
    static void reapLater(int pid);
};

} // namespace vimo
