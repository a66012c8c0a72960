#include "platform/posix/PosixPlatform.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/posix/DesktopShell.h"
#include "platform/posix/ProcessTable.h"
#include "platform/posix/ProgramLauncher.h"
#include "platform/posix/WineRegistry.h"
#include "platform/posix/X11WindowList.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace vimo {

Platform& Platform::system()
{
    static PosixPlatform instance;
    return instance;
}

std::optional<std::string> PosixPlatform::environment(const std::string& name) const
{
    const char* value = std::getenv(name.c_str());
    if (!value) {
        return std::nullopt;
    }
    return std::string(value);
}

std::int64_t PosixPlatform::currentTime() const
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::u16string PosixPlatform::programFolder() const
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    return fromUtf8(exe.parent_path().native());
}

FileSystem& PosixPlatform::fileSystem() const
{
    return FileSystem::system();
}

std::string PosixPlatform::winePrefix() const
{
    std::string prefix;
    if (auto value = environment("WINEPREFIX"); value && !value->empty() && value->front() == '/') {
        prefix = *value;
    } else {
        prefix = environment("HOME").value_or("") + "/.wine";
    }
    while (prefix.size() > 1 && prefix.back() == '/') {
        prefix.pop_back();
    }
    return prefix;
}

std::optional<RegistryValue> PosixPlatform::readLocalMachineValue(const std::u16string& key,
                                                                  const std::u16string& name) const
{
    return WineRegistry::readLocalMachineValue(winePrefix(), key, name);
}

std::u16string PosixPlatform::nativePathFromWindows(const std::u16string& windowsPath) const
{
    return WineRegistry::nativePathFromWindows(winePrefix(), windowsPath);
}

bool PosixPlatform::isProgramRunning(const std::u16string& programName) const
{
    return ProcessTable::isProgramRunning(programName);
}

void PosixPlatform::enumerateWindowTitles(
    const std::function<bool(const std::u16string&)>& visit) const
{
    X11WindowList::enumerateTitles(environment("DISPLAY"), visit);
}

bool PosixPlatform::startProgram(const std::u16string& program,
                                 const std::vector<std::u16string>& arguments,
                                 const std::u16string& workingFolder) const
{
    return ProgramLauncher::start(program, arguments, workingFolder, winePrefix());
}

int PosixPlatform::shellOpen(const std::u16string& target) const
{
    return DesktopShell::open(target);
}

int PosixPlatform::shellOpenClientCommand(const std::u16string& command) const
{
    return DesktopShell::openClientCommand(command, winePrefix());
}

} // namespace vimo
