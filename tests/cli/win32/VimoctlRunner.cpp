#include "VimoctlRunner.h"

#include "platform/Text.h"
#include "platform/win32/WideText.h"
#include "support/Fixtures.h"

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include <windows.h>

namespace vimo::test {

namespace {

// Closes a handle when it goes out of scope.
struct OwnedHandle
{
    HANDLE handle = nullptr;
    ~OwnedHandle()
    {
        if (handle && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

// A pipe whose writing end the child inherits; the reading end stays here.
void makePipe(OwnedHandle& read, OwnedHandle& write)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    if (!CreatePipe(&read.handle, &write.handle, &inherit, 0) ||
        !SetHandleInformation(read.handle, HANDLE_FLAG_INHERIT, 0)) {
        throw std::runtime_error("CreatePipe failed: " + windowsErrorText(GetLastError()));
    }
}

// Everything the pipe gives until the child closes it, with "\r\n" read as "\n".
void drain(HANDLE pipe, std::string& sink)
{
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        sink.append(buffer, got);
    }
    for (std::size_t at = sink.find("\r\n"); at != std::string::npos; at = sink.find("\r\n", at)) {
        sink.erase(at, 1);
    }
}

} // namespace

VimoctlRunner::VimoctlRunner() : VimoctlRunner(VIMOCTL_PROGRAM) {}

VimoctlRunner::VimoctlRunner(std::filesystem::path program)
    : m_program(std::filesystem::absolute(program.make_preferred()))
{
    // Nothing of the machine: no program to find, no home, no installation, no client.
    env["PATH"] = "";
    env["HOME"] = "/nonexistent";
    for (const char* name : {"SystemRoot", "windir", "VIMO_TEST_RUN"}) {
        if (const char* value = std::getenv(name)) {
            env[name] = value;
        }
    }
}

void VimoctlRunner::findInstallation(InstallationFixture& install, bool registered)
{
    const auto& registry = install.platform().registry;
    const auto found = registry.find({kUninstallKeyU16, u"InstallLocation"});
    if (registered && found != registry.end()) {
        // A string as the registry stores it: UTF-16LE up to its terminating zero.
        std::u16string folder;
        const std::vector<std::uint8_t>& bytes = found->second.data;
        for (std::size_t i = 0; i + 1 < bytes.size() && (bytes[i] || bytes[i + 1]); i += 2) {
            folder += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        }
        env["VIMO_TEST_INSTALL_LOCATION"] = toUtf8(folder);
    } else {
        env.erase("VIMO_TEST_INSTALL_LOCATION");
    }
}

VimoctlResult VimoctlRunner::run(const std::vector<std::string>& args) const
{
    if (terminal || !outputFile.empty()) {
        throw std::runtime_error("a terminal or a file as standard output: Linux only");
    }
    std::u16string commandLine = Win32Platform::quoteArgument(m_program.u16string());
    for (const std::string& arg : args) {
        commandLine += u" " + Win32Platform::quoteArgument(fromUtf8(arg));
    }
    std::u16string block;
    for (const auto& [name, value] : env) {
        block += fromUtf8(name + "=" + value) + u'\0';
    }
    block += u'\0';

    OwnedHandle outRead, outWrite, errRead, errWrite;
    makePipe(outRead, outWrite);
    makePipe(errRead, errWrite);
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    OwnedHandle input{CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr)};
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.handle;
    startup.hStdOutput = outWrite.handle;
    startup.hStdError = errWrite.handle;
    std::wstring wideCommand = toWindowsWide(commandLine);
    const std::wstring folder = workingFolder.empty() ? std::wstring() : workingFolder.wstring();
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(m_program.c_str(), wideCommand.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, block.data(),
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        throw std::runtime_error("CreateProcessW " + toUtf8(m_program.u16string()) + ": " +
                                 windowsErrorText(GetLastError()));
    }
    OwnedHandle process{started.hProcess};
    OwnedHandle thread{started.hThread};
    // Only the child holds the writing ends now, so the pipes end when it does.
    CloseHandle(outWrite.handle);
    outWrite.handle = nullptr;
    CloseHandle(errWrite.handle);
    errWrite.handle = nullptr;

    VimoctlResult result;
    std::thread errors([&] { drain(errRead.handle, result.err); });
    drain(outRead.handle, result.out);
    errors.join();
    WaitForSingleObject(process.handle, INFINITE);
    DWORD code = 0;
    result.exitCode = GetExitCodeProcess(process.handle, &code) ? static_cast<int>(code) : -1;
    return result;
}

} // namespace vimo::test
