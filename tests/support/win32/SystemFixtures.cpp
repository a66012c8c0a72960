#include "support/Fixtures.h"

#include "platform/Text.h"

#include <windows.h>

namespace vimo::test {

bool runningUnderWine()
{
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool sendInterrupt()
{
    // A console of our own: the event goes to every process attached to the console.
    FreeConsole();
    return AllocConsole() && SetConsoleCtrlHandler(nullptr, FALSE) &&
           GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
}

bool makePipe(const fs::path&)
{
    return false; // Windows has no named pipes in the file system's folders
}

bool moduleIsLoaded(const fs::path& path)
{
    return GetModuleHandleW(fs::path(path).make_preferred().c_str()) != nullptr;
}

std::optional<RegistryValue> TestPlatform::readLocalMachineValue(const std::u16string& key,
                                                                 const std::u16string& name,
                                                                 std::string& whyMissing) const
{
    const auto found = registry.find({key, name});
    if (found == registry.end()) {
        whyMissing = "the test's registry has no value \"" + toUtf8(name) + "\"";
        return std::nullopt;
    }
    // As the registry stores a string: UTF-16LE with its terminating zero.
    RegistryValue value;
    value.type = REG_SZ;
    for (const char16_t unit : found->second + u'\0') {
        value.data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return value;
}

void InstallationFixture::registerInstallation()
{
    m_platform.registry[{kUninstallKeyU16, u"InstallLocation"}] = u16(installFolder());
}

} // namespace vimo::test
