#include "platform/posix/DesktopShell.h"

#include "platform/Text.h"
#include "platform/posix/ProgramLauncher.h"

#include <cerrno>
#include <chrono>
#include <sys/wait.h>
#include <thread>

namespace vimo {

namespace {

constexpr int kShellSuccess = 42;     // any number above 32 means success
constexpr int kNoAssociation = 31;    // SE_ERR_NOASSOC
constexpr int kNoAssociationExit = 3; // xdg-open: a required tool could not be found
constexpr auto kPatience = std::chrono::seconds(2);

// The opener may stay until the program it started ends: its outcome counts only when it comes
// within the patience window; after that it is success, and its exit is collected later.
int runOpener(const std::string& executable, const std::vector<std::string>& argv,
              const std::vector<std::string>& environment)
{
    const int pid = ProgramLauncher::spawn(executable, argv, environment, {});
    if (pid < 0) {
        return kNoAssociation;
    }
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (!WIFEXITED(status)) {
                return kNoAssociation; // killed by a signal: it opened nothing
            }
            const int code = WEXITSTATUS(status);
            if (code == 0) {
                return kShellSuccess;
            }
            return code == kNoAssociationExit ? kNoAssociation : code;
        }
        if (done < 0 && errno != EINTR) {
            return kShellSuccess; // someone else collected it; it did start
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ProgramLauncher::reapLater(pid);
            return kShellSuccess;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

} // namespace

int DesktopShell::open(const std::u16string& target)
{
    const std::string opener = ProgramLauncher::findInPath("xdg-open");
    if (opener.empty()) {
        return kNoAssociation;
    }
    return runOpener(opener, {opener, toUtf8(target)}, {});
}

int DesktopShell::openClientCommand(const std::u16string& command, const std::string& winePrefix)
{
    // The client's protocol handler is registered in the prefix, so Wine's own "start" finds it.
    const std::string wine = ProgramLauncher::findInPath("wine");
    if (wine.empty()) {
        return open(command);
    }
    return runOpener(wine, {wine, "start", toUtf8(command)}, {"WINEPREFIX=" + winePrefix});
}

} // namespace vimo
