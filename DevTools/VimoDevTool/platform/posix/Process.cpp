#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace vimo {

void keepRunningPastFileSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

bool standardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) != 0;
}

long currentProcessId()
{
    return static_cast<long>(::getpid());
}

bool processIsRunning(long processId)
{
    if (processId <= 0) {
        return true;
    }
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno != ESRCH;
}

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

} // namespace vimo
