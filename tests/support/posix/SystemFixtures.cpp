#include "support/Fixtures.h"

#include "platform/Text.h"

#include <csignal>
#include <iomanip>
#include <sstream>

#include <dlfcn.h>
#include <sys/stat.h>

namespace vimo::test {

bool runningUnderWine()
{
    return false;
}

bool sendInterrupt()
{
    return std::raise(SIGINT) == 0;
}

bool makePipe(const fs::path& path)
{
    return ::mkfifo(path.c_str(), 0600) == 0;
}

bool moduleIsLoaded(const fs::path& path)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) {
        ::dlclose(handle);
    }
    return handle != nullptr;
}

std::optional<RegistryValue> TestPlatform::readLocalMachineValue(const std::u16string& key,
                                                                 const std::u16string& name,
                                                                 std::string& whyMissing) const
{
    return NativePlatform::readLocalMachineValue(key, name, whyMissing);
}

void InstallationFixture::registerInstallation()
{
    fs::create_directories(prefix() / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix() / "dosdevices" / "c:");
    writeSystemReg(systemRegFor("C:\\\\Program Files\\\\Orvo"));
    m_platform.env["WINEPREFIX"] = prefix().string();
}

void InstallationFixture::registerUninstallValue(const std::u16string& name,
                                                 const RegistryValue& value)
{
    std::ostringstream line;
    line << '"' << toUtf8(name) << "\"=hex(" << std::hex << value.type << "):";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        line << (i ? "," : "") << std::setw(2) << std::setfill('0') << unsigned{value.data[i]};
    }
    writeSystemReg(systemRegWith(line.str()));
}

} // namespace vimo::test
