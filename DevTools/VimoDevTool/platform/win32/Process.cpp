#include "platform/Process.h"

#include <windows.h>

namespace vimo {

void keepRunningPastFileSizeLimit()
{
    // Windows has no file-size signal: a write beyond a quota simply fails.
}

bool standardOutputIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

long currentProcessId()
{
    return static_cast<long>(GetCurrentProcessId());
}

bool processIsRunning(long processId)
{
    HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (!process) {
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process
    }
    DWORD code = 0;
    const bool running = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

} // namespace vimo
