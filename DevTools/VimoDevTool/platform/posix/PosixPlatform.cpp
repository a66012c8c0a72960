#include "platform/posix/PosixPlatform.h"

#include "Version.h"
#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/posix/DesktopShell.h"
#include "platform/posix/ProgramLauncher.h"
#include "platform/posix/WineRegistry.h"
#include "platform/posix/X11WindowList.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace vimo {

Platform& Platform::system()
{
    static PosixPlatform instance;
    return instance;
}

std::unique_ptr<Clipboard> Clipboard::system()
{
    return nullptr;
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

std::u16string PosixPlatform::userCacheFolder(std::string& whyNone) const
{
    // The XDG base directory rules: an absolute $XDG_CACHE_HOME, else $HOME/.cache.
    if (auto xdg = environment("XDG_CACHE_HOME"); xdg && !xdg->empty() && xdg->front() == '/') {
        return fromUtf8(*xdg);
    }
    if (auto home = environment("HOME"); home && !home->empty()) {
        return fromUtf8(*home) + u"/.cache";
    }
    whyNone = "neither XDG_CACHE_HOME nor HOME is set";
    return {};
}

std::vector<std::u16string> PosixPlatform::archiveEngineCandidates() const
{
    // Beside the program first, then the path the build was configured with (the package's
    // dependency), then where Debian's p7zip and 7zip packages put it.
    std::vector<std::u16string> candidates;
    const std::u16string folder = programFolder();
    if (!folder.empty()) {
        candidates.push_back(folder + u"/7z.so");
    }
    candidates.push_back(fromUtf8(VIMO_7Z_ENGINE));
    for (const char16_t* known : {u"/usr/lib/p7zip/7z.so", u"/usr/lib/7zip/7z.so"}) {
        if (std::find(candidates.begin(), candidates.end(), known) == candidates.end()) {
            candidates.push_back(known);
        }
    }
    return candidates;
}

std::string PosixPlatform::winePrefix() const
{
    std::string prefix;
    if (auto value = environment("WINEPREFIX"); value && !value->empty()) {
        if (value->front() != '/') {
            return {};
        }
        prefix = *value;
    } else {
        prefix = environment("HOME").value_or("") + "/.wine";
    }
    while (prefix.size() > 1 && prefix.back() == '/') {
        prefix.pop_back();
    }
    return prefix;
}

Failure PosixPlatform::registryProblem() const
{
    if (winePrefix().empty()) {
        const std::string value = environment("WINEPREFIX").value_or("");
        return Failure{E_INVALIDARG, fromUtf8(value),
                       "WINEPREFIX must be an absolute path, as Wine requires"};
    }
    return {};
}

std::u16string PosixPlatform::registryLocation() const
{
    return fromUtf8(winePrefix());
}

std::optional<RegistryValue> PosixPlatform::readLocalMachineValue(const std::u16string& key,
                                                                  const std::u16string& name,
                                                                  std::string& whyMissing) const
{
    const std::string prefix = winePrefix();
    if (prefix.empty()) {
        whyMissing = registryProblem().reason;
        return std::nullopt;
    }
    return WineRegistry::readLocalMachineValue(prefix, key, name, &whyMissing);
}

std::u16string PosixPlatform::nativePathFromWindows(const std::u16string& windowsPath) const
{
    return WineRegistry::nativePathFromWindows(winePrefix(), windowsPath);
}

std::string PosixPlatform::findProgram(const std::string& name) const
{
    return ProgramLauncher::findInPath(name, environment("PATH").value_or(""));
}

WineSession PosixPlatform::wineSession() const
{
    return WineSession{ProcessTable::resolvePrefix(winePrefix()), static_cast<unsigned>(getuid()),
                       environment("HOME").value_or("")};
}

bool PosixPlatform::isProgramRunning(const std::u16string& programName) const
{
    return ProcessTable(m_processTableRoot).isProgramRunning(programName, wineSession());
}

void PosixPlatform::enumerateWindowTitles(
    const std::function<bool(const std::u16string&)>& visit) const
{
    const ProcessTable processes(m_processTableRoot);
    const WineSession session = wineSession();
    X11WindowList::enumerateTitles(
        environment("DISPLAY"), [&](int pid) { return processes.belongsToSession(pid, session); },
        visit);
}

Failure PosixPlatform::startProgram(const std::u16string& program,
                                    const std::vector<std::u16string>& arguments,
                                    const std::u16string& workingFolder) const
{
    return ProgramLauncher::start(program, arguments, workingFolder, findProgram("wine"),
                                  winePrefix());
}

int PosixPlatform::shellOpen(const std::u16string& target) const
{
    return DesktopShell::open(target, findProgram("xdg-open"));
}

Failure PosixPlatform::shellOpenClientCommand(const std::u16string& command) const
{
    return DesktopShell::openClientCommand(command, findProgram("wine"), winePrefix());
}

} // namespace vimo
