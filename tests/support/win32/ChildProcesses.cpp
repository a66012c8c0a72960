#include "support/ChildProcesses.h"

#include <windows.h>

#include <tlhelp32.h>

namespace vimo::test {

bool canFork()
{
    return false;
}

int runInChild(const std::function<int()>&)
{
    return -1;
}

void killChildAfter(const std::function<void()>&, std::chrono::microseconds) {}

std::vector<std::string> runTogether(int, const std::function<std::string()>&)
{
    return {};
}

void limitFileSize(std::uint64_t) {}

long endedProcessId()
{
    // This program again, asked for no test at all: it starts and ends at once.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_list_tests --gtest_filter=-*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return 0;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(process.dwProcessId);
}

long runningProcessId()
{
    const DWORD self = GetCurrentProcessId();
    DWORD found = self;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return static_cast<long>(found);
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == self;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID != 0 && entry.th32ProcessID != self) {
            found = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    return static_cast<long>(found);
}

} // namespace vimo::test
