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
    return found->second;
}

void InstallationFixture::registerInstallation()
{
    registerUninstallValue(u"InstallLocation", registryString(u16(installFolder())));
}

void InstallationFixture::registerUninstallValue(const std::u16string& name,
                                                 const RegistryValue& value)
{
    std::erase_if(m_platform.registry,
                  [](const auto& entry) { return entry.first.first == kUninstallKeyU16; });
    m_platform.registry[{kUninstallKeyU16, u"DisplayName"}] = registryString(u"Orvo");
    m_platform.registry[{kUninstallKeyU16, name}] = value;
}

} // namespace vimo::test
