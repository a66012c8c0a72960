#pragma once

#include "platform/Failure.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vimo {

// Starts programs detached: native executables directly, Windows programs through wine.
class ProgramLauncher
{
public:
    // How long a started program is watched for an exit with a failure status.
    static constexpr std::chrono::milliseconds kPatience{2000};

    // Starts `program` in `workingFolder`; through `wine` (its full path; empty when there is
    // none) with WINEPREFIX set to `winePrefix` unless it is a native executable. Empty when it
    // started and did not end with a failure status within kPatience; the failure says why.
    static Failure start(const std::u16string& program,
                         const std::vector<std::u16string>& arguments,
                         const std::u16string& workingFolder, const std::string& wine,
                         const std::string& winePrefix);

    // The helpers below are shared with DesktopShell.

    // Whether a file has its run bit and starts with an ELF or "#!" header.
    static bool isNativeExecutable(const std::string& path);
    // The full path of an executable named `name` in a folder of `searchPath` (a PATH value);
    // empty when none.
    static std::string findInPath(const std::string& name, const std::string& searchPath);
    // Runs `executable` with `argv` in a session of its own, standard streams on /dev/null and
    // `environment` ("NAME=value") added to this process's. Returns the process id once the
    // program is running, or -1 with `failure` saying why (the working folder or the program
    // could not be used); a started process must be reaped by the caller, e.g. with reapLater.
    static int spawn(const std::string& executable, const std::vector<std::string>& argv,
                     const std::vector<std::string>& environment, const std::string& workingFolder,
                     Failure& failure);
    // The wait status of a started process when it ends within `patience`; otherwise nothing, and
    // its exit is collected later in the background.
    static std::optional<int> awaitEarlyExit(int pid, std::chrono::milliseconds patience);
    // Spawns as spawn does and watches the program for kPatience. Empty when it is still running
    // or ended with status 0; else a failure on `subject`: spawn's, or `whatEnded` + " with " and
    // the status in words.
    static Failure spawnAndWatch(const std::string& executable,
                                 const std::vector<std::string>& argv,
                                 const std::vector<std::string>& environment,
                                 const std::string& workingFolder, const std::u16string& subject,
                                 const std::string& whatEnded);
    // Collects the exit of a child process in the background so that it never stays a zombie.
    static void reapLater(int pid);
    // A wait status in words: "exit status 1", "signal 9 (Killed)".
    static std::string describeStatus(int status);
};

} // namespace vimo
