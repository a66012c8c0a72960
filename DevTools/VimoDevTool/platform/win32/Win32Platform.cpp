#include "platform/win32/Win32Platform.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"

#include <ctime>

#include <windows.h>

#include <shellapi.h>

namespace vimo {

namespace {

// How long a started program is watched for an exit with a failure status.
constexpr DWORD kLaunchPatienceMs = 2000;

// Titles longer than this are cut, as the client's window title never is.
constexpr int kMaxWindowTitle = 4096;

struct WindowVisit
{
    const std::function<bool(const std::u16string&)>* visit;
};

BOOL CALLBACK visitWindow(HWND window, LPARAM context)
{
    auto* state = reinterpret_cast<WindowVisit*>(context);
    std::wstring title(kMaxWindowTitle + 1, L'\0');
    const int length = GetWindowTextW(window, title.data(), kMaxWindowTitle + 1);
    title.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return (*state->visit)(fromWindowsWide(title)) ? TRUE : FALSE;
}

// The shell's answer as the number its callers compare with 32.
int shellResult(HINSTANCE result)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

} // namespace

Platform& Platform::system()
{
    static Win32Platform instance;
    return instance;
}

Win32Platform::Win32Platform(std::u16string clientMutexName)
    : m_clientMutexName(std::move(clientMutexName))
{
}

std::optional<std::string> Win32Platform::environment(const std::string& name) const
{
    const std::wstring wideName = toWindowsWide(fromUtf8(name));
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return toUtf8(fromWindowsWide(value));
        }
        value.resize(length);
    }
}

std::int64_t Win32Platform::currentTime() const
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

FileSystem& Win32Platform::fileSystem() const
{
    return FileSystem::system();
}

std::u16string Win32Platform::userCacheFolder(std::string& whyNone) const
{
    // A relative value would put the files wherever the program was started from.
    if (auto local = environment("LOCALAPPDATA");
        local && !local->empty() && toFsPath(fromUtf8(*local)).is_absolute()) {
        return fromUtf8(*local);
    }
    whyNone = "LOCALAPPDATA is not set to an absolute path";
    return {};
}

std::u16string Win32Platform::programFolder() const
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::u16string() : fromWindowsWide(path.substr(0, slash));
}

Failure Win32Platform::registryProblem() const
{
    return {};
}

std::u16string Win32Platform::registryLocation() const
{
    return u"HKEY_LOCAL_MACHINE (32-bit view)";
}

std::vector<std::u16string> Win32Platform::archiveEngineCandidates() const
{
    // Only the program's own folder: never the search path or the client's folder. "zip.dll"
    // is the name the tool ships it under, "7z.dll" the name of the engine's own distribution.
    const std::u16string folder = programFolder();
    if (folder.empty()) {
        return {};
    }
    return {folder + u"\\zip.dll", folder + u"\\7z.dll"};
}

std::optional<RegistryValue> Win32Platform::readLocalMachineValue(const std::u16string& key,
                                                                  const std::u16string& name,
                                                                  std::string& whyMissing) const
{
    // The client is a 32-bit program: its uninstall entry lives in the 32-bit view, which a
    // 64-bit tool must ask for explicitly.
    HKEY handle = nullptr;
    if (const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, toWindowsWide(key).c_str(), 0,
                                             KEY_READ | KEY_WOW64_32KEY, &handle);
        status != ERROR_SUCCESS) {
        whyMissing = "the key " + toUtf8(key) +
                     " cannot be opened: " + windowsErrorText(static_cast<unsigned long>(status));
        return std::nullopt;
    }
    const std::wstring valueName = toWindowsWide(name);
    std::optional<RegistryValue> result;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(handle, valueName.c_str(), nullptr, &type, nullptr, &size) ==
        ERROR_SUCCESS) {
        RegistryValue value;
        value.type = type;
        value.data.resize(size);
        DWORD readSize = size;
        LSTATUS status =
            RegQueryValueExW(handle, valueName.c_str(), nullptr, &type,
                             value.data.empty() ? nullptr : value.data.data(), &readSize);
        if (status == ERROR_SUCCESS) {
            value.type = type;
            value.data.resize(readSize);
            result = std::move(value);
        }
    }
    RegCloseKey(handle);
    if (!result) {
        whyMissing = "the key has no value \"" + toUtf8(name) + "\" that can be read";
    }
    return result;
}

std::u16string Win32Platform::nativePathFromWindows(const std::u16string& windowsPath) const
{
    return windowsPath;
}

bool Win32Platform::isProgramRunning(const std::u16string&) const
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, toWindowsWide(m_clientMutexName).c_str());
    if (!mutex) {
        return false;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(mutex);
    return existed;
}

void Win32Platform::enumerateWindowTitles(
    const std::function<bool(const std::u16string&)>& visit) const
{
    WindowVisit state{&visit};
    EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&state));
}

std::u16string Win32Platform::quoteArgument(const std::u16string& argument)
{
    if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == std::u16string::npos) {
        return argument;
    }
    std::u16string quoted = u"\"";
    std::size_t backslashes = 0;
    for (const char16_t unit : argument) {
        if (unit == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they are literal.
        quoted.append(unit == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        quoted.push_back(unit);
    }
    quoted.append(backslashes * 2, u'\\');
    quoted.push_back(u'"');
    return quoted;
}

Failure Win32Platform::startProgram(const std::u16string& program,
                                    const std::vector<std::u16string>& arguments,
                                    const std::u16string& workingFolder) const
{
    std::u16string commandLine = quoteArgument(program);
    for (const std::u16string& argument : arguments) {
        commandLine += u' ' + quoteArgument(argument);
    }
    std::wstring mutableLine = toWindowsWide(commandLine);
    const std::wstring application = toWindowsWide(program);
    const std::wstring folder = toWindowsWide(workingFolder);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The application name is given, so the program is never looked for on the search path.
    if (!CreateProcessW(application.c_str(), mutableLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        const DWORD error = GetLastError();
        return Failure{hresultFromWin32(error), program, windowsErrorText(error)};
    }
    CloseHandle(process.hThread);
    // A program that ends with a failure status at once did not start, as on Linux.
    Failure failure;
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.hProcess, kLaunchPatienceMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &exitCode) && exitCode != 0) {
        failure = Failure{E_FAIL, program,
                          "it ended at once with exit status " + std::to_string(exitCode)};
    }
    CloseHandle(process.hProcess);
    return failure;
}

int Win32Platform::shellOpen(const std::u16string& target) const
{
    return shellResult(ShellExecuteW(nullptr, L"open", toWindowsWide(target).c_str(), nullptr,
                                     nullptr, SW_SHOWNORMAL));
}

Failure Win32Platform::shellOpenClientCommand(const std::u16string& command) const
{
    const int answer = shellOpen(command);
    if (answer > 32) {
        return {};
    }
    return Failure{E_FAIL, command,
                   "the shell did not hand it to the client (answer " + std::to_string(answer) +
                       ")"};
}

} // namespace vimo
