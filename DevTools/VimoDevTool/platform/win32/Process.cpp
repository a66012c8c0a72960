#include "platform/Process.h"

#include "platform/Text.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <shellapi.h>

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

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(toUtf8(fromWindowsWide(wide[i])));
    }
    LocalFree(wide);
    return arguments;
}

} // namespace vimo
