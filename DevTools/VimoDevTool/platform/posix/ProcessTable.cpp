#include "platform/posix/ProcessTable.h"

#include "platform/Text.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace vimo {

namespace {

// At most `limit` bytes of a /proc file; empty when it cannot be read (the process ended).
std::string readProcFile(const std::string& path, std::size_t limit)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text(limit, '\0');
    std::size_t used = 0;
    while (used < limit) {
        const ssize_t count = read(fd, text.data() + used, limit - used);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    close(fd);
    text.resize(used);
    return text;
}

bool isNumber(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// A process that has ended but was not yet collected by its parent runs no more; its comm
// would otherwise still name the program.
bool isZombie(const std::string& procFolder)
{
    const std::string stat = readProcFile(procFolder + "/stat", 512);
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z';
}

bool matches(const std::string& procFolder, const std::u16string& programName)
{
    std::string comm = readProcFile(procFolder + "/comm", 64);
    while (!comm.empty() && comm.back() == '\n') {
        comm.pop_back();
    }
    if (!comm.empty() && equalsIgnoreAsciiCase(fromUtf8(comm), programName)) {
        return true;
    }
    // Wine puts the Windows path of the program into argv[0].
    const std::string cmdline = readProcFile(procFolder + "/cmdline", 4096);
    const std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
    const std::size_t separator = argv0.find_last_of("/\\");
    const std::string name = separator == std::string::npos ? argv0 : argv0.substr(separator + 1);
    return !name.empty() && equalsIgnoreAsciiCase(fromUtf8(name), programName);
}

} // namespace

bool ProcessTable::isProgramRunning(const std::u16string& programName)
{
    if (programName.empty()) {
        return false;
    }
    DIR* proc = opendir("/proc");
    if (!proc) {
        return false;
    }
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(proc);
        if (!entry) {
            break;
        }
        if (!isNumber(entry->d_name)) {
            continue;
        }
        const std::string folder = std::string("/proc/") + entry->d_name;
        found = matches(folder, programName) && !isZombie(folder);
    }
    closedir(proc);
    return found;
}

} // namespace vimo
