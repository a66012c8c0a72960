// The Windows platform layer against the real registry, kernel objects, windows and processes
// (under Wine in the suite). Every key, mutex and window is the test's own and removed after it.

#include "platform/win32/Win32Platform.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"
#include "support/Fixtures.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <random>

// After the model's headers: <windows.h> defines result codes and registry types as macros.
#include <windows.h>

#include <oleauto.h>
#include <shellapi.h>

namespace vimo::test {

namespace {

std::u16string uniqueName(std::u16string_view stem)
{
    static std::mt19937_64 random{std::random_device{}()};
    return std::u16string(stem) + fromAscii(std::to_string(random()));
}

// A key under HKEY_LOCAL_MACHINE in one registry view, deleted with its values afterwards.
class ScopedKey
{
public:
    ScopedKey(std::u16string path, REGSAM view) : m_path(std::move(path)), m_view(view)
    {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, toWindowsWide(m_path).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | m_view, nullptr, &m_key, nullptr);
    }
    ~ScopedKey()
    {
        if (m_key) {
            RegCloseKey(m_key);
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, toWindowsWide(m_path).c_str(), m_view, 0);
        }
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    bool isOpen() const { return m_key != nullptr; }
    void setString(const std::u16string& name, const std::u16string& text, DWORD type = REG_SZ)
    {
        const std::wstring wide = toWindowsWide(text);
        RegSetValueExW(m_key, toWindowsWide(name).c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    void setNumber(const std::u16string& name, DWORD number)
    {
        RegSetValueExW(m_key, toWindowsWide(name).c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&number), sizeof(number));
    }
    const std::u16string& path() const { return m_path; }

private:
    std::u16string m_path;
    REGSAM m_view;
    HKEY m_key = nullptr;
};

std::u16string utf16Value(const RegistryValue& value)
{
    return std::u16string(reinterpret_cast<const char16_t*>(value.data.data()),
                          value.data.size() / 2);
}

// A top-level window with a title, as the client shows one.
class StandInWindow
{
public:
    explicit StandInWindow(const std::u16string& title)
    {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.lpfnWndProc = DefWindowProcW;
            description.hInstance = GetModuleHandleW(nullptr);
            description.lpszClassName = L"VimoTestStandIn";
            return RegisterClassW(&description);
        }();
        m_window = CreateWindowExW(0, MAKEINTATOM(windowClass), toWindowsWide(title).c_str(),
                                   WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    ~StandInWindow()
    {
        if (m_window) {
            DestroyWindow(m_window);
        }
    }
    StandInWindow(const StandInWindow&) = delete;
    StandInWindow& operator=(const StandInWindow&) = delete;
    bool exists() const { return m_window != nullptr; }

private:
    HWND m_window = nullptr;
};

const std::u16string kTestKeyRoot = u"Software\\VimoDevToolTests\\";

} // namespace

TEST(Win32Registry, ReadsStringsAsStoredFromThe32BitView)
{
    Win32Platform platform;
    ScopedKey key(kTestKeyRoot + uniqueName(u"view32-"), KEY_WOW64_32KEY);
    ASSERT_TRUE(key.isOpen());
    key.setString(u"InstallLocation", u"C:\\Program Files\\Orvo \u00e9\u4e2d");
    key.setString(u"Expandable", u"%ProgramFiles%\\Orvo", REG_EXPAND_SZ);
    key.setNumber(u"Number", 7);

    std::string why;
    const auto location = platform.readLocalMachineValue(key.path(), u"installlocation", why);
    ASSERT_TRUE(location);
    EXPECT_EQ(location->type, REG_SZ);
    EXPECT_EQ(utf16Value(*location),
              std::u16string(u"C:\\Program Files\\Orvo \u00e9\u4e2d") + u'\0');

    const auto expandable = platform.readLocalMachineValue(key.path(), u"Expandable", why);
    ASSERT_TRUE(expandable);
    EXPECT_EQ(expandable->type, REG_EXPAND_SZ);
    EXPECT_EQ(utf16Value(*expandable), std::u16string(u"%ProgramFiles%\\Orvo") + u'\0');

    const auto number = platform.readLocalMachineValue(key.path(), u"Number", why);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->type, REG_DWORD);
    EXPECT_EQ(number->data.size(), 4u);

    EXPECT_FALSE(platform.readLocalMachineValue(key.path(), u"Missing", why));
    EXPECT_NE(why.find("no value \"Missing\""), std::string::npos) << why;
    EXPECT_FALSE(
        platform.readLocalMachineValue(key.path() + u"\\Missing", u"InstallLocation", why));
    EXPECT_NE(why.find("cannot be opened"), std::string::npos) << why;
}

TEST(Win32Registry, AnEntryOnlyInThe64BitViewIsNotFound)
{
    Win32Platform platform;
    ScopedKey key(kTestKeyRoot + uniqueName(u"view64-"), KEY_WOW64_64KEY);
    ASSERT_TRUE(key.isOpen());
    key.setString(u"InstallLocation", u"C:\\Orvo64");
    std::string why;
    EXPECT_FALSE(platform.readLocalMachineValue(key.path(), u"InstallLocation", why));
}

TEST(Win32Platform, TheMutexProbeSeesAnExistingMutexAndHoldsNothingAfterwards)
{
    const std::u16string name = uniqueName(u"Local\\VimoTestMutex-");
    Win32Platform platform(name);
    EXPECT_FALSE(platform.isProgramRunning(u"orvo.exe"));
    // Had the first probe kept its handle, the mutex would still exist now.
    EXPECT_FALSE(platform.isProgramRunning(u"orvo.exe"));

    HANDLE held = CreateMutexW(nullptr, FALSE, toWindowsWide(name).c_str());
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(platform.isProgramRunning(u"orvo.exe"));
    CloseHandle(held);
    EXPECT_FALSE(platform.isProgramRunning(u"orvo.exe"));
}

TEST(Win32Platform, CountsTopLevelWindowsWhoseWholeTitleIsTheClientsName)
{
    Win32Platform platform;
    VimoWorkspace workspace(platform);
    StandInWindow prefixOnly(u"ORVO - Chat");
    StandInWindow first(u"orvo");
    ASSERT_TRUE(prefixOnly.exists() && first.exists());
    EXPECT_FALSE(workspace.HasSecondClientWindow());

    StandInWindow second(u"ORVO");
    ASSERT_TRUE(second.exists());
    EXPECT_TRUE(workspace.HasSecondClientWindow());
}

TEST(Win32Platform, QuotesArgumentsSoThatTheCommandLineParserReadsThemBack)
{
    const std::vector<std::u16string> arguments = {u"MultiInstance", u"",
                                                   u"two words",     u"C:\\Program Files\\Orvo\\",
                                                   u"say \"hi\"",    u"back\\\\\"slash",
                                                   u"tab\there",     u"\u00e9\u4e2d"};
    std::u16string line = u"program.exe";
    for (const auto& argument : arguments) {
        line += u' ' + Win32Platform::quoteArgument(argument);
    }
    int count = 0;
    LPWSTR* parsed = CommandLineToArgvW(toWindowsWide(line).c_str(), &count);
    ASSERT_NE(parsed, nullptr);
    ASSERT_EQ(count, static_cast<int>(arguments.size()) + 1);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        EXPECT_EQ(fromWindowsWide(parsed[i + 1]), arguments[i]) << "argument " << i;
    }
    LocalFree(parsed);
}

TEST(Win32Platform, StartsAProgramInItsWorkingFolderAndReportsAMissingOne)
{
    Win32Platform platform;
    TempDir dir;
    const fs::path working = dir.path() / "with space";
    fs::create_directory(working);
    const std::u16string folder = u16(working);
    std::wstring system(MAX_PATH, L'\0');
    system.resize(GetSystemDirectoryW(system.data(), MAX_PATH));
    const std::u16string shell = fromWindowsWide(system) + u"\\cmd.exe";

    ASSERT_TRUE(platform.startProgram(shell, {u"/c", u"echo started>marker.txt"}, folder).empty());
    for (int i = 0; i < 100 && !fs::exists(working / "marker.txt"); ++i) {
        Sleep(50);
    }
    EXPECT_TRUE(fs::exists(working / "marker.txt"));
    const Failure missing =
        platform.startProgram(folder + u"\\orvo.exe", {u"MultiInstance"}, folder);
    EXPECT_EQ(missing.code, hresultFromWin32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.subject, folder + u"\\orvo.exe");
    // A program that ends with a failure status at once is a failed launch.
    const Failure failing = platform.startProgram(shell, {u"/c", u"exit 3"}, folder);
    EXPECT_EQ(failing.reason, "it ended at once with exit status 3");
}

TEST(Win32Platform, ProgramFolderEnvironmentAndShellFailures)
{
    Win32Platform platform;
    const std::u16string folder = platform.programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), u'\\');
    EXPECT_TRUE(fs::exists(fs::path(toWindowsWide(folder)) / "platform_tests.exe"));

    const std::u16string name = uniqueName(u"VIMO_TEST_VARIABLE_");
    EXPECT_FALSE(platform.environment(toUtf8(name)));
    SetEnvironmentVariableW(toWindowsWide(name).c_str(), L"\u00e9\u4e2d");
    EXPECT_EQ(platform.environment(toUtf8(name)), toUtf8(u"\u00e9\u4e2d"));
    SetEnvironmentVariableW(toWindowsWide(name).c_str(), L"");
    EXPECT_EQ(platform.environment(toUtf8(name)), std::string());
    SetEnvironmentVariableW(toWindowsWide(name).c_str(), nullptr);

    // The shell's own number for a file that is not there, not a success.
    TempDir dir;
    EXPECT_LE(platform.shellOpen(u16(dir.path()) + u"\\missing.txt"), 32);
}

TEST(Win32Platform, AModuleWithoutItsOwnStringAllocatorGetsTheSystems)
{
    // The engine's 7z.dll exports no SysAllocString: BSTRs are oleaut32's on Windows.
    std::wstring system(MAX_PATH, L'\0');
    system.resize(GetSystemDirectoryW(system.data(), MAX_PATH));
    Failure failure;
    auto library =
        FileSystem::system().loadLibrary(fromWindowsWide(system) + u"\\kernel32.dll", failure);
    ASSERT_TRUE(library) << failure.describe();
    EXPECT_NE(library->symbol("CreateFileW"), nullptr);
    auto allocate =
        reinterpret_cast<BSTR(WINAPI*)(const OLECHAR*)>(library->symbol("SysAllocString"));
    auto release = reinterpret_cast<void(WINAPI*)(BSTR)>(library->symbol("SysFreeString"));
    ASSERT_TRUE(allocate && release);
    BSTR text = allocate(L"\u00e9\u4e2d");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 2u);
    release(text);
    EXPECT_EQ(library->symbol("NoSuchExport"), nullptr);

    EXPECT_FALSE(FileSystem::system().loadLibrary(u"C:\\no\\such\\zip.dll", failure));
    EXPECT_FALSE(failure.reason.empty());
}

} // namespace vimo::test
