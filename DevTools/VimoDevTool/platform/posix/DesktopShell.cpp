#include "platform/posix/DesktopShell.h"

#include "platform/Text.h"
#include "platform/posix/ProgramLauncher.h"

#include <sys/wait.h>

namespace vimo {

namespace {

constexpr int kShellSuccess = 42;     // any number above 32 means success
constexpr int kNoAssociation = 31;    // SE_ERR_NOASSOC
constexpr int kNoAssociationExit = 3; // xdg-open: a required tool could not be found

} // namespace

int DesktopShell::open(const std::u16string& target, const std::string& opener)
{
    if (opener.empty()) {
        return kNoAssociation;
    }
    Failure failure;
    const int pid = ProgramLauncher::spawn(opener, {opener, toUtf8(target)}, {}, {}, failure);
    if (pid < 0) {
        return kNoAssociation;
    }
    // The opener may stay until the program it started ends: its outcome counts only when it
    // comes within the patience window; after that it is success.
    const auto status = ProgramLauncher::awaitEarlyExit(pid, ProgramLauncher::kPatience);
    if (!status) {
        return kShellSuccess;
    }
    if (!WIFEXITED(*status)) {
        return kNoAssociation; // killed by a signal: it opened nothing
    }
    const int code = WEXITSTATUS(*status);
    if (code == 0) {
        return kShellSuccess;
    }
    return code == kNoAssociationExit ? kNoAssociation : code;
}

Failure DesktopShell::openClientCommand(const std::u16string& command, const std::string& wine,
                                        const std::string& winePrefix)
{
    // The client's protocol handler is registered in the prefix, so Wine's own "start" finds it.
    if (wine.empty()) {
        return Failure{E_FAIL, command, "not delivered: wine was not found on PATH"};
    }
    return ProgramLauncher::spawnAndWatch(wine, {wine, "start", toUtf8(command)},
                                          {"WINEPREFIX=" + winePrefix}, {}, command,
                                          "wine start ended");
}

} // namespace vimo
